// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "CommandLine.h"

#include <QStringList>

namespace quarnel {

// A POSIX program gets its arguments already split: they are joined again
// by single blanks, so that a path with blanks that the shell split comes
// back whole.
QString CommandLineText(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments.join(u' ');
}

} // namespace quarnel
