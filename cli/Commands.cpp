// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "Commands.h"

#include "NetworkPath.h"
#include "RecordingPlatform.h"
#include "ServerPool.h"
#include "modApi.h"
#include "report/Reason.h"
#include "utf.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <functional>
#include <limits>
#include <set>

namespace quarnel::cli {

using report::Column;
using report::DomainForMessage;
using report::Listing;
using report::ListingWriter;
using report::Reason;
using report::ServerForMessage;

namespace {

// The texts of a failed resolution on one line: the message box's title and
// prompt, or our own words where the window says nothing.
std::string ResolutionFailure(const ResolvedPath& resolved, const std::string& path,
                              RecordingPlatform& recorder) {
    std::string text;
    if (const auto message = MessageFor(resolved.outcome)) {
        text = ToUtf8(message->title) + ": ";
        for (char c : ToUtf8(message->prompt)) // its lines, joined by blanks
            if (c != '\r')
                text += c == '\n' ? ' ' : c;
    } else if (resolved.outcome == Resolution::NoShare) {
        text = path + " names no share";
    } else if (resolved.outcome == Resolution::InvalidName) {
        text = path + " names a server, share or folder with a character no name may hold";
    } else {
        text = "the network drive of " + path + " has no network name";
    }
    if (resolved.outcome == Resolution::ShareNotFound &&
        recorder.LastFailure() != platform::netstatus::Success)
        text.append(": ").append(Reason(recorder, recorder.LastFailure()));
    return text;
}

// Expands and resolves a client-side path as the window does at start-up.
ResolvedPath Resolve(modApi& api, const std::string& path) {
    return ResolveClientPath(api, api.ExpandLongPath(FromUtf8(path)));
}

// The name by which a row names its server: as it was asked, without the
// two backslashes that the query layer adds where they are missing.
std::string ServerColumnName(const std::string& server) {
    return server.starts_with("\\\\") ? server.substr(2) : server;
}

// Marks a worker's answer as failed, with the reason on one line, when its
// listing (`what`: "the open files on") failed or stopped early.
void TellFailure(ServerAnswer& answer, RecordingPlatform& recorder, bool listed,
                 const std::string& what, const std::string& server) {
    if (listed && recorder.LastFailure() == platform::netstatus::Success)
        return;
    answer.failed = true;
    answer.errors =
        "quarnel-cli: " +
        (listed ? "the listing of " + what + " " + ServerForMessage(server) + " stopped early: "
                : "cannot list " + what + " " + ServerForMessage(server) + ": ") +
        Reason(recorder, recorder.LastFailure()) + "\n";
}

// "quarnel-cli: 3/16 servers answered", redrawn in place on a terminal and
// taken away before anything else is written there.
class Progress {
  public:
    Progress(std::ostream& err, std::size_t asked, bool shown)
        : err_(err), asked_(asked), shown_(shown) {
        Draw();
    }
    void Count() {
        ++answered_;
        Draw();
    }
    void Clear() {
        if (shown_)
            err_ << "\r\033[K" << std::flush;
    }

  private:
    void Draw() {
        if (shown_)
            err_ << "\rquarnel-cli: " << answered_ << "/" << asked_ << " servers answered"
                 << std::flush;
    }
    std::ostream& err_;
    std::size_t asked_, answered_ = 0;
    bool shown_;
};

// Asks every server (in a worker each) and writes the rows as the answers
// arrive, each behind its server's name, and what each failure has to say.
// `enumerate` fills one of the query layer's tables for a server, `rows`
// turns that table into rows under `columns`; `what` names the listing in
// reasons ("the open files on").
int ListFromServers(platform::Platform& platform, const ServerSet& servers,
                    std::vector<Column> columns, Format format, const std::string& what,
                    const std::function<bool(modApi&, const std::u16string& server)>& enumerate,
                    const std::function<Listing(const modApi&)>& rows, std::ostream& out,
                    std::ostream& err) {
    const AskServer ask = [&](const std::string& server) {
        RecordingPlatform recorder(platform);
        modApi api(recorder);
        ServerAnswer answer;
        const bool listed = enumerate(api, FromUtf8(server));
        if (listed)
            answer.rows = rows(api).rows;
        TellFailure(answer, recorder, listed, what, server);
        return answer;
    };
    const std::vector<std::string> names =
        servers.names.empty() ? std::vector<std::string>{""} : EachServerOnce(servers.names);
    columns.insert(columns.begin(), {"Server", "server", false, /*jsonOnly=*/names.size() == 1});
    ListingWriter writer(out, std::move(columns), format);
    Progress progress(err, names.size(), servers.showProgress && names.size() > 1);
    bool allListed = true;
    bool anyOutput = false; // when every server failed, nothing goes to `out`
    AskServers(names, servers.jobs, ask, [&](std::size_t index, ServerAnswer answer) {
        progress.Clear();
        anyOutput = anyOutput || !answer.failed || !answer.rows.empty();
        for (auto& row : answer.rows)
            row.insert(row.begin(), ServerColumnName(names[index]));
        writer.Add(answer.rows);
        out.flush();
        if (answer.lost)
            err << "quarnel-cli: cannot list " << what << " " << ServerForMessage(names[index])
                << ": " << *answer.lost << '\n';
        err << answer.errors << std::flush;
        allListed = allListed && !answer.failed;
        progress.Count();
    });
    progress.Clear();
    if (anyOutput)
        writer.Finish();
    return allListed ? 0 : 1;
}

} // namespace

int ListOpenFiles(platform::Platform& platform, const FilesOptions& given, std::ostream& out,
                  std::ostream& err) {
    FilesOptions options = given;
    if (!options.clientPath.empty()) {
        RecordingPlatform recorder(platform);
        modApi api(recorder);
        const ResolvedPath resolved = Resolve(api, options.clientPath);
        if (resolved.outcome != Resolution::Resolved) {
            err << "quarnel-cli: " << ResolutionFailure(resolved, options.clientPath, recorder)
                << '\n';
            return 1;
        }
        options.servers.names = {ToUtf8(resolved.server)};
        options.basePath = ToUtf8(resolved.localPath);
    }
    return ListFromServers(
        platform, options.servers, report::OpenFilesListing({}, 0).columns, options.format,
        "the open files on",
        [&](modApi& api, const std::u16string& server) {
            return api.EnumOpenFiles(server, FromUtf8(options.basePath), FromUtf8(options.user));
        },
        [](const modApi& api) {
            return report::OpenFilesListing(api.OpenFiles, api.OpenFileCount);
        },
        out, err);
}

int ListShares(platform::Platform& platform, const ServerSet& servers, Format format,
               std::ostream& out, std::ostream& err) {
    return ListFromServers(
        platform, servers, report::SharesListing({}, 0).columns, format, "the shares of",
        [](modApi& api, const std::u16string& server) { return api.EnumShares(server); },
        [](const modApi& api) { return report::SharesListing(api.Shares, api.ShareCount); }, out,
        err);
}

std::vector<std::string> ServerNamesFromList(const std::string& text) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        const auto first = line.find_first_not_of(" \t\r");
        if (first != std::string::npos && line[first] != '#')
            names.push_back(line.substr(first, line.find_last_not_of(" \t\r") - first + 1));
        start = end + 1;
    }
    return names;
}

bool DomainServers(platform::Platform& platform, const std::string& domain,
                   std::vector<std::string>& names, std::ostream& err) {
    RecordingPlatform recorder(platform);
    modApi api(recorder);
    if (!api.EnumServers(platform::servertype::Server, u"", FromUtf8(domain)) ||
        recorder.LastFailure() != platform::netstatus::Success) {
        err << "quarnel-cli: cannot list the servers of " << DomainForMessage(domain) << ": "
            << Reason(platform, recorder.LastFailure()) << '\n';
        return false;
    }
    for (std::int32_t i = 0; i < api.ServerCount; ++i)
        names.push_back(ToUtf8(api.Servers[static_cast<std::size_t>(i)].ServerName));
    return true;
}

std::vector<std::string> EachServerOnce(const std::vector<std::string>& names) {
    std::vector<std::string> once;
    std::set<std::string> seen;
    for (const std::string& name : names) {
        std::string key = ServerColumnName(name);
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (seen.insert(key).second)
            once.push_back(name);
    }
    return once;
}

int ListServers(platform::Platform& platform, const std::string& domain, Format format,
                std::ostream& out, std::ostream& err) {
    RecordingPlatform recorder(platform);
    modApi api(recorder);
    const std::string which = DomainForMessage(domain);
    if (!api.EnumServers(platform::servertype::Server, u"", FromUtf8(domain))) {
        err << "quarnel-cli: cannot list the servers of " << which << ": "
            << Reason(platform, recorder.LastFailure()) << '\n';
        return 1;
    }
    report::Write(out, report::ServersListing(api.Servers, api.ServerCount), format);
    if (recorder.LastFailure() != platform::netstatus::Success) {
        err << "quarnel-cli: the listing of the servers of " << which
            << " stopped early: " << Reason(platform, recorder.LastFailure()) << '\n';
        return 1;
    }
    return 0;
}

int ShowShare(platform::Platform& platform, const std::string& server, const std::string& name,
              Format format, std::ostream& out, std::ostream& err) {
    RecordingPlatform recorder(platform);
    modApi api(recorder);
    ShareInfo info;
    if (!api.GetShareInfo(FromUtf8(server), FromUtf8(name), info)) {
        err << "quarnel-cli: cannot describe the share " << name << " of "
            << ServerForMessage(server) << ": " << Reason(platform, recorder.LastFailure()) << '\n';
        return 1;
    }
    report::Write(out, report::SharesListing({info}, 1, /*everyField=*/true), format,
                  /*single=*/true);
    return 0;
}

int ResolvePath(platform::Platform& platform, const std::string& path, Format format,
                std::ostream& out, std::ostream& err) {
    RecordingPlatform recorder(platform);
    modApi api(recorder);
    const ResolvedPath resolved = Resolve(api, path);
    if (resolved.outcome != Resolution::Resolved) {
        err << "quarnel-cli: " << ResolutionFailure(resolved, path, recorder) << '\n';
        return 1;
    }
    report::Write(out, report::ResolutionListing(resolved.server, resolved.localPath), format,
                  /*single=*/true);
    return 0;
}

std::string MessageFromInput(std::string input) {
    if (input.ends_with('\n'))
        input.pop_back();
    if (input.ends_with('\r'))
        input.pop_back();
    return input;
}

int SendMessages(platform::Platform& platform, const std::vector<std::string>& recipients,
                 const std::string& message, const std::string& server, std::ostream& out,
                 std::ostream& err) {
    if (message.find_first_not_of(' ') == std::string::npos) {
        err << "quarnel-cli: Can not send an empty message!\n";
        return 1;
    }
    // Line breaks as the window's message field gives them: CR LF.
    std::u16string text;
    for (const char16_t c : FromUtf8(message)) {
        if (c == u'\n' && (text.empty() || text.back() != u'\r'))
            text += u'\r';
        text += c;
    }
    modApi api(platform);
    bool allSent = true;
    for (const std::string& recipient : recipients) {
        std::u16string errorText;
        if (api.SendNetMessage(text, FromUtf8(recipient), errorText, u"", FromUtf8(server))) {
            out << "Message to " << recipient << " send successfully\n";
        } else {
            out << "Sending message to " << recipient << " failed (" << ToUtf8(errorText) << ")\n";
            allSent = false;
        }
        out.flush(); // each outcome as soon as it is known
    }
    return allSent ? 0 : 1;
}

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

int CloseOpenFiles(platform::Platform& platform, const std::vector<std::string>& arguments,
                   std::ostream& out, std::ostream& err) {
    auto first = arguments.begin();
    std::string server;
    if (first != arguments.end() && !ParseFileId(*first))
        server = *first++;
    if (first == arguments.end()) {
        err << "quarnel-cli: name the open files to close by the identifiers that "
               "`quarnel-cli files` lists\n";
        return 1;
    }
    std::vector<std::int32_t> ids;
    for (auto it = first; it != arguments.end(); ++it) {
        const auto id = ParseFileId(*it);
        if (!id) {
            err << "quarnel-cli: " << *it << " is not the identifier of an open file; nothing "
                << "was closed\n";
            return 1;
        }
        ids.push_back(*id);
    }

    RecordingPlatform recorder(platform);
    modApi api(recorder);
    const std::string on = " on " + ServerForMessage(server);
    bool allClosed = true;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::string& given = first[static_cast<std::ptrdiff_t>(i)];
        std::u16string errorText;
        if (api.CloseOpenFile(FromUtf8(server), ids[i], errorText)) {
            out << "Closed open file " << given << on << '\n';
        } else {
            out << "Could not close open file " << given << on << ": "
                << Reason(platform, recorder.LastFailure()) << '\n';
            allClosed = false;
        }
        out.flush(); // each outcome as soon as it is known
    }
    return allClosed ? 0 : 1;
}

} // namespace quarnel::cli
