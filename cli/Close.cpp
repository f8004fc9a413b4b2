// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's close: by the identifiers that `files` lists, or every file
// that a path and a holder select, on any number of servers. Every close
// is written to the audit trail.
#include "Commands.h"

#include "Listings.h"
#include "report/Audit.h"
#include "report/Reason.h"
#include "utf.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace quarnel::cli {

using report::OpenFileForMessage;
using report::Reason;

std::optional<std::int32_t> ParseFileId(const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end ||
        value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

void CloseOpenFiles(Context& run, const std::string& server, const std::vector<std::string>& ids) {
    std::vector<std::int32_t> parsed;
    for (const std::string& id : ids) {
        const std::optional<std::int32_t> value = ParseFileId(id);
        if (!value) {
            run.Fail(id + " is not the identifier of an open file; nothing was closed");
            return;
        }
        parsed.push_back(*value);
    }
    const std::string on = " on " + report::ServerForMessage(server);
    const ServerAnswer answer = AskOne(
        run, server, "cannot close open files" + on, [&](modApi& api, RecordingPlatform& recorder) {
            // Whether it lists them or not, the server is asked to close them.
            api.EnumOpenFiles(FromUtf8(server), u"", u"");
            const auto listed = api.OpenFiles.begin() + api.OpenFileCount;
            ServerAnswer closed;
            for (std::size_t i = 0; i < ids.size(); ++i) {
                OpenFileInfo unlisted;
                unlisted.Id = parsed[i];
                const auto file = std::find_if(api.OpenFiles.begin(), listed,
                                               [&](const auto& f) { return f.Id == parsed[i]; });
                if (report::CloseAndRecord(api, server, file != listed ? *file : unlisted))
                    closed.rows.push_back({"Closed open file " + ids[i] + on});
                else
                    closed.failures.push_back("Could not close open file " + ids[i] + on + ": " +
                                              Reason(recorder, recorder.LastFailure()));
            }
            return closed;
        });
    for (const auto& row : answer.rows)
        run.Say(row.front());
}

void CloseSelectedFiles(Context& run, const FilesOptions& given, bool yes) {
    FilesOptions options = given;
    if (!FromClientPath(run, options))
        return;
    Request request = OpenFilesRequest(options);
    if (!yes) {
        const std::size_t listed = WriteFromServers(run, options.servers, request,
                                                    report::OpenFileColumns(), options.output);
        if (listed > 0 && run.GoOn())
            run.Note("nothing was closed: add --yes to close " +
                     (listed == 1 ? std::string("this open file")
                                  : "these " + std::to_string(listed) + " open files"));
        return;
    }
    // Closed in the server's worker, right after the listing that found them.
    request.rows = [](modApi& api, const std::string& server, ServerAnswer& answer) {
        for (std::int32_t i = 0; i < api.OpenFileCount; ++i) {
            const OpenFileInfo& file = api.OpenFiles[static_cast<std::size_t>(i)];
            const std::string what = OpenFileForMessage(server, file);
            if (report::CloseAndRecord(api, server, file))
                answer.rows.push_back({"Closed " + what});
            else
                answer.failures.push_back("Could not close " + what + ": " +
                                          Reason(api.Platform(), api.LastFailure));
        }
    };
    ListFromServers(run, options.servers, request, [&](const std::string&, ServerAnswer& answer) {
        for (const auto& row : answer.rows)
            run.Say(row.back()); // behind the server's name
        return true;
    });
}

} // namespace quarnel::cli
