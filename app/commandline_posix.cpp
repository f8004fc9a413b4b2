// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "CommandLine.h"

namespace quarnel {

// A POSIX program gets its arguments already split: they are joined again
// by single blanks, so that a path with blanks that the shell split comes
// back whole.
QString CommandLineText(int argc, char** argv) {
    return JoinedArguments(argc, argv);
}

} // namespace quarnel
