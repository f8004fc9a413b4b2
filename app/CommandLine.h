// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The text that follows the program's name on its command line, exactly as
// the system hands it over: not split, not unquoted, not trimmed.
#pragma once

#include <QString>

namespace quarnel {

// Read before QApplication takes its own options out of argv.
QString CommandLineText(int argc, char** argv);

} // namespace quarnel
