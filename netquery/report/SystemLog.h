// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The system's log, for the audit trail: syslog(3) on Linux (the journal or
// the syslog daemon has it; systemlog_posix.cpp), the Application log of
// the Event Log on Windows (systemlog_win.cpp). All text is UTF-8.
#pragma once

#include <string>

namespace quarnel::report {

// The account this program runs as, as the system names it ("root",
// "admin"); its number where it has no name.
std::string LocalAccount();

// Writes `line` to the system log, as a warning when `warning`, else as a
// notice. Nothing is told when no log takes it.
void WriteSystemLog(const std::string& line, bool warning);

} // namespace quarnel::report
