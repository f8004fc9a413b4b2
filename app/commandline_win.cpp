// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "CommandLine.h"

#include <stdlib.h>
#include <windows.h>

namespace quarnel {

// The process's own command line after the program's name: the name is
// taken as the system takes it (quoted or up to the first blank), and the
// blanks that separate it from the rest are skipped. When Qt has taken
// options of its own out of the arguments, the rest is joined by blanks.
QString CommandLineText(int argc, char** argv) {
    if (argc != __argc)
        return JoinedArguments(argc, argv);
    const QString line = QString::fromWCharArray(GetCommandLineW());
    qsizetype i = 0;
    if (line.startsWith(u'"')) {
        i = line.indexOf(u'"', 1);
        i = i < 0 ? line.size() : i + 1;
    } else {
        while (i < line.size() && line[i] != u' ' && line[i] != u'\t')
            ++i;
    }
    while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
        ++i;
    return line.mid(i);
}

} // namespace quarnel
