// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The text that follows the program's name on its command line, exactly as
// the system hands it over: not split, not unquoted, not trimmed.
#pragma once

#include <QString>
#include <QStringList>

namespace quarnel {

// The arguments after the program's name, joined again by single blanks.
inline QString JoinedArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments.join(u' ');
}

// Read after QApplication has taken its own options (-style, -platform, ...)
// out of argc and argv: they are Qt's, not a path.
QString CommandLineText(int argc, char** argv);

} // namespace quarnel
