// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "Commands.h"

#include "Console.h"
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

// The name by which a row names its server: as it was asked, without the
// two backslashes that the query layer adds where they are missing.
std::string ServerColumnName(const std::string& server) {
    return server.starts_with("\\\\") ? server.substr(2) : server;
}

// Notes in a worker's answer why a listing (`listing`: "the open files on
// \\srv") failed or stopped early, if it did.
void NoteListingFailure(ServerAnswer& answer, RecordingPlatform& recorder, bool listed,
                        const std::string& listing) {
    if (listed && recorder.LastFailure() == platform::netstatus::Success)
        return;
    answer.failures.push_back((listed ? "the listing of " + listing + " stopped early: "
                                      : "cannot list " + listing + ": ") +
                              Reason(recorder, recorder.LastFailure()));
}

// Tells the failures of an answer; a worker that gave none is told as
// `unanswered` ("cannot list the open files on \\srv") and what became of it.
void TellFailures(Context& run, const ServerAnswer& answer, const std::string& unanswered) {
    for (const std::string& failure : answer.failures)
        run.Fail(failure);
    if (answer.late)
        run.Fail(unanswered + ": " + Reason(run.platform, platform::netstatus::SemTimeout));
    else if (answer.lost)
        run.Fail(unanswered + ": " + *answer.lost);
}

// Asks one server in a worker, as the listings ask each of theirs, and tells
// its failures.
ServerAnswer
AskOne(Context& run, const std::string& server, const std::string& unanswered,
       const std::function<ServerAnswer(modApi& api, RecordingPlatform& recorder)>& ask) {
    ServerAnswer got;
    AskServers(
        {server}, 1, run.timeout,
        [&](const std::string&) {
            RecordingPlatform recorder(run.platform);
            modApi api(recorder);
            return ask(api, recorder);
        },
        [&](std::size_t, ServerAnswer answer) {
            TellFailures(run, answer, unanswered);
            got = std::move(answer);
            return true;
        });
    return got;
}

// The servers of `domain`, as the server picker asks for them, from a
// worker; its failures told.
ServerAnswer AskDomain(Context& run, const std::string& domain) {
    const std::string listing = "the servers of " + DomainForMessage(domain);
    return AskOne(run, "", "cannot list " + listing, [&](modApi& api, RecordingPlatform& recorder) {
        ServerAnswer servers;
        const bool listed = api.EnumServers(platform::servertype::Server, u"", FromUtf8(domain));
        if (listed)
            servers.rows = report::ServersListing(api.Servers, api.ServerCount).rows;
        NoteListingFailure(servers, recorder, listed, listing);
        return servers;
    });
}

// The server and the path on it behind a client-side path, after the long
// path expansion, as the window resolves a path at start-up; nothing when
// the path names none, which is told.
std::optional<std::vector<std::string>> Resolve(Context& run, const std::string& path) {
    ServerAnswer answer =
        AskOne(run, "", "cannot resolve " + path, [&](modApi& api, RecordingPlatform& recorder) {
            const ResolvedPath resolved =
                ResolveClientPath(api, api.ExpandLongPath(FromUtf8(path)));
            ServerAnswer resolution;
            if (resolved.outcome == Resolution::Resolved)
                resolution.rows =
                    report::ResolutionListing(resolved.server, resolved.localPath).rows;
            else
                resolution.failures.push_back(ResolutionFailure(resolved, path, recorder));
            return resolution;
        });
    if (answer.Failed() || answer.rows.empty())
        return std::nullopt;
    return std::move(answer.rows.front());
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
void ListFromServers(Context& run, const ServerSet& servers, std::vector<Column> columns,
                     const Output& output, const std::string& what,
                     const std::function<bool(modApi&, const std::u16string& server)>& enumerate,
                     const std::function<Listing(const modApi&)>& rows) {
    const AskServer ask = [&](const std::string& server) {
        RecordingPlatform recorder(run.platform);
        modApi api(recorder);
        ServerAnswer answer;
        const bool listed = enumerate(api, FromUtf8(server));
        if (listed)
            answer.rows = rows(api).rows;
        NoteListingFailure(answer, recorder, listed, what + " " + ServerForMessage(server));
        return answer;
    };
    const std::vector<std::string> names =
        servers.names.empty() ? std::vector<std::string>{""} : EachServerOnce(servers.names);
    columns.insert(columns.begin(), {"Server", "server", false, /*jsonOnly=*/names.size() == 1});
    ListingWriter writer(run.out, std::move(columns), output.format, output.header,
                         [&run] { return !run.GoOn(); });
    Progress progress(run.err, names.size(), servers.showProgress && names.size() > 1);
    bool anyOutput = false; // when every server failed, nothing goes to `out`
    AskServers(names, servers.jobs, run.timeout, ask, [&](std::size_t index, ServerAnswer answer) {
        progress.Clear();
        TellFailures(run, answer, "cannot list " + what + " " + ServerForMessage(names[index]));
        anyOutput = anyOutput || !answer.Failed() || !answer.rows.empty();
        for (auto& row : answer.rows)
            row.insert(row.begin(), ServerColumnName(names[index]));
        writer.Add(answer.rows);
        run.out.flush();
        progress.Count();
        return run.GoOn();
    });
    progress.Clear();
    if (anyOutput)
        writer.Finish();
}

} // namespace

Context::Context(platform::Platform& platform, std::ostream& out, std::ostream& err,
                 std::chrono::seconds timeout)
    : platform(platform), out(out), err(err), timeout(timeout) {}

void Context::Say(std::string_view line) {
    out << report::Printable(line) << '\n' << std::flush;
}

void Context::Fail(std::string_view reason) {
    failed_ = true;
    err << "quarnel-cli: " << report::Printable(reason) << '\n' << std::flush;
}

bool Context::GoOn() const {
    return StopSignal() == 0 && out.good();
}

void ListOpenFiles(Context& run, const FilesOptions& given) {
    FilesOptions options = given;
    if (!options.clientPath.empty()) {
        const auto resolved = Resolve(run, options.clientPath);
        if (!resolved)
            return;
        options.servers.names = {(*resolved)[0]};
        options.basePath = (*resolved)[1];
    }
    ListFromServers(
        run, options.servers, report::OpenFileColumns(), options.output, "the open files on",
        [&](modApi& api, const std::u16string& server) {
            return api.EnumOpenFiles(server, FromUtf8(options.basePath), FromUtf8(options.holder));
        },
        [](const modApi& api) {
            return report::OpenFilesListing(api.OpenFiles, api.OpenFileCount);
        });
}

void ListShares(Context& run, const ServerSet& servers, const Output& output) {
    ListFromServers(
        run, servers, report::SharesListing({}, 0).columns, output, "the shares of",
        [](modApi& api, const std::u16string& server) { return api.EnumShares(server); },
        [](const modApi& api) { return report::SharesListing(api.Shares, api.ShareCount); });
}

std::string ServerNameProblem(const std::string& name) {
    const std::string_view bare = std::string_view(name).substr(name.starts_with("\\\\") ? 2 : 0);
    if (bare.empty())
        return "names no server";
    if (std::any_of(bare.begin(), bare.end(),
                    [](unsigned char c) { return c < 0x20 || c == 0x7F || c == '/' || c == '\\'; }))
        return "holds a character that no server name may hold";
    return {};
}

bool ServerNamesFromList(const std::string& text, std::vector<std::string>& names,
                         std::string& reason) {
    std::size_t number = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = std::string_view(text).substr(start, end - start);
        start = end + 1;
        const std::string where = "line " + std::to_string(++number);
        if (line.size() > MaxListLine) {
            reason = where + " is longer than " + std::to_string(MaxListLine) + " bytes";
            return false;
        }
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#')
            continue;
        const std::string name(line.substr(first, line.find_last_not_of(" \t\r") - first + 1));
        if (const std::string problem = ServerNameProblem(name); !problem.empty()) {
            reason = where + " " + problem;
            return false;
        }
        if (names.size() == MaxListedServers) {
            reason = "it names more than " + std::to_string(MaxListedServers) + " servers";
            return false;
        }
        names.push_back(name);
    }
    return true;
}

bool DomainServers(Context& run, const std::string& domain, std::vector<std::string>& names) {
    const ServerAnswer answer = AskDomain(run, domain);
    if (answer.Failed())
        return false;
    for (const auto& row : answer.rows)
        names.push_back(row.front()); // the name; the platform identifier follows
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

void ListServers(Context& run, const std::string& domain, const Output& output) {
    const ServerAnswer answer = AskDomain(run, domain);
    if (!answer.Failed() || !answer.rows.empty())
        report::Write(run.out, {report::ServersListing({}, 0).columns, answer.rows}, output.format,
                      /*single=*/false, output.header);
}

void ShowShare(Context& run, const std::string& server, const std::string& name,
               const Output& output) {
    const std::string unanswered =
        "cannot describe the share " + name + " of " + ServerForMessage(server);
    const ServerAnswer answer =
        AskOne(run, server, unanswered, [&](modApi& api, RecordingPlatform& recorder) {
            ServerAnswer share;
            ShareInfo info;
            if (api.GetShareInfo(FromUtf8(server), FromUtf8(name), info))
                share.rows = report::SharesListing({info}, 1, /*everyField=*/true).rows;
            else
                share.failures.push_back(unanswered + ": " +
                                         Reason(recorder, recorder.LastFailure()));
            return share;
        });
    if (!answer.Failed())
        report::Write(run.out, {report::SharesListing({}, 0, true).columns, answer.rows},
                      output.format, /*single=*/true, output.header);
}

void ResolvePath(Context& run, const std::string& path, const Output& output) {
    if (const auto resolved = Resolve(run, path))
        report::Write(run.out, {report::ResolutionListing({}, {}).columns, {*resolved}},
                      output.format, /*single=*/true, output.header);
}

std::string MessageFromInput(std::string input) {
    if (input.ends_with('\n'))
        input.pop_back();
    if (input.ends_with('\r'))
        input.pop_back();
    return input;
}

void SendMessages(Context& run, const std::vector<std::string>& recipients,
                  const std::string& message, const std::string& server) {
    // Line breaks as the window's message field gives them: CR LF.
    std::u16string text;
    for (const char16_t c : FromUtf8(message)) {
        if (c == u'\n' && (text.empty() || text.back() != u'\r'))
            text += u'\r';
        text += c;
    }
    modApi api(run.platform);
    for (const std::string& recipient : recipients) {
        if (!run.GoOn())
            return;
        std::u16string errorText;
        if (api.SendNetMessage(text, FromUtf8(recipient), errorText, u"", FromUtf8(server)))
            run.Say("Message to " + recipient + " send successfully");
        else
            run.Fail("Sending message to " + recipient + " failed (" + ToUtf8(errorText) + ")");
    }
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

void CloseOpenFiles(Context& run, const std::string& server, const std::vector<std::string>& ids) {
    std::vector<std::int32_t> parsed;
    for (const std::string& id : ids) {
        if (!ParseFileId(id)) {
            run.Fail(id + " is not the identifier of an open file; nothing was closed");
            return;
        }
        parsed.push_back(*ParseFileId(id));
    }
    const std::string on = " on " + ServerForMessage(server);
    const ServerAnswer answer = AskOne(
        run, server, "cannot close open files" + on, [&](modApi& api, RecordingPlatform& recorder) {
            ServerAnswer closed;
            for (std::size_t i = 0; i < ids.size(); ++i) {
                std::u16string errorText;
                if (api.CloseOpenFile(FromUtf8(server), parsed[i], errorText))
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

} // namespace quarnel::cli
