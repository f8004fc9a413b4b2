// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "Audit.h"

#include "Listing.h"
#include "Reason.h"
#include "SystemLog.h"
#include "utf.h"

namespace quarnel::report {

namespace {

AuditSink& Sink() {
    static AuditSink sink;
    return sink;
}

} // namespace

std::string OpenFileForMessage(const std::string& server, const std::string& id,
                               const std::string& path, const std::string& holder) {
    const std::string file = "open file " + id + " on " + ServerForMessage(server);
    if (path.empty() && holder.empty())
        return file + " (not listed)";
    return file + " (" + path + ", held by " + holder + ")";
}

std::string OpenFileForMessage(const std::string& server, const OpenFileInfo& file) {
    return OpenFileForMessage(server, std::to_string(file.Id), ToUtf8(file.PathName),
                              ToUtf8(file.UserName));
}

bool CloseAndRecord(modApi& api, const std::string& server, const OpenFileInfo& file) {
    std::u16string errorText;
    const bool closed = api.CloseOpenFile(FromUtf8(server), file.Id, errorText);
    const std::string what = OpenFileForMessage(server, file);
    // Names from the server can neither break the line nor forge another.
    const std::string line =
        Printable(LocalAccount() + (closed ? " closed " + what
                                           : " could not close " + what + ": " +
                                                 Reason(api.Platform(), api.LastFailure)));
    if (Sink())
        Sink()(line, !closed);
    else
        WriteSystemLog(line, !closed);
    return closed;
}

void SetAuditSink(AuditSink sink) {
    Sink() = std::move(sink);
}

} // namespace quarnel::report
