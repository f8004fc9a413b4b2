// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The audit trail of closes. Closing another person's open file loses what
// they had not saved, so every close, from quarnel-cli and from the window
// alike, goes through here and is written to the system log (syslog on
// Linux, the Event Log on Windows): who closed which open file, held by
// whom, on which server, and the outcome.
#pragma once

#include "modApi.h"

#include <functional>
#include <string>

namespace quarnel::report {

// "open file 5 on \\srv (D:\Data\May.doc, held by ann)": an open file as a
// message names it, its identifier as it was given; "(not listed)" for a
// file whose path and holder are not known.
std::string OpenFileForMessage(const std::string& server, const std::string& id,
                               const std::string& path, const std::string& holder);
std::string OpenFileForMessage(const std::string& server, const OpenFileInfo& file);

// Closes `file` (by its Id; its path and holder name it in the record) on
// `server` through `api`, and writes the record: "root closed open file 5
// on \\srv (...)", or "root could not close open file 5 on \\srv (...):
// Access is denied (error 5)". True when the server closed it; otherwise
// `api.LastFailure` says why.
bool CloseAndRecord(modApi& api, const std::string& server, const OpenFileInfo& file);

// Takes each record in place of the system log (the line, and whether the
// close failed); an empty sink gives them back to the system log. For the
// tests, which must not write to the machine's log.
using AuditSink = std::function<void(const std::string& line, bool failed)>;
void SetAuditSink(AuditSink sink);

} // namespace quarnel::report
