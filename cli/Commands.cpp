// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "Commands.h"

#include "Console.h"
#include "Listings.h"
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
using report::ServerColumnName;
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

// Notes in a worker's answer why a listing (`listing`: "the open files on
// \\srv") failed or stopped early, if it did: `ended` is the status that
// ended it.
void NoteListingFailure(ServerAnswer& answer, platform::Platform& platform, bool listed,
                        platform::NetStatus ended, const std::string& listing) {
    if (listed && ended == platform::netstatus::Success)
        return;
    answer.failures.push_back((listed ? "the listing of " + listing + " stopped early: "
                                      : "cannot list " + listing + ": ") +
                              Reason(platform, ended));
}

// Makes a failure of each way a worker can give no answer; `unanswered`
// ("cannot list the open files on \\srv") says what was not done.
void NoteUnanswered(Context& run, ServerAnswer& answer, const std::string& unanswered) {
    if (answer.late)
        answer.failures.push_back(unanswered + ": " +
                                  Reason(run.platform, platform::netstatus::SemTimeout));
    else if (answer.lost)
        answer.failures.push_back(unanswered + ": " + *answer.lost);
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
        NoteListingFailure(servers, recorder, listed, recorder.LastFailure(), listing);
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

} // namespace

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
            NoteUnanswered(run, answer, unanswered);
            for (const std::string& failure : answer.failures)
                run.Fail(failure);
            got = std::move(answer);
            return true;
        });
    return got;
}

void StatusLine::Show(const std::string& text) {
    if (!shown_)
        return;
    err_ << "\rquarnel-cli: " << report::Printable(text) << "\033[K" << std::flush;
    drawn_ = true;
}

void StatusLine::Clear() {
    if (drawn_)
        err_ << "\r\033[K" << std::flush;
    drawn_ = false;
}

Request OpenFilesRequest(const FilesOptions& options) {
    return {"the open files on",
            [base = FromUtf8(options.basePath),
             holder = FromUtf8(options.holder)](modApi& api, const std::u16string& server) {
                return api.EnumOpenFiles(server, base, holder);
            },
            [](modApi& api, const std::string&, ServerAnswer& answer) {
                answer.rows = report::OpenFilesListing(api.OpenFiles, api.OpenFileCount).rows;
            }};
}

std::vector<std::string> NamesToAsk(const ServerSet& servers) {
    return servers.names.empty() ? std::vector<std::string>{""} : EachServerOnce(servers.names);
}

void ListFromServers(Context& run, const ServerSet& servers, const Request& request,
                     const TakeAnswer& take, bool tell) {
    const AskServer ask = [&](const std::string& server) {
        RecordingPlatform recorder(run.platform);
        modApi api(recorder);
        ServerAnswer answer;
        const bool listed = request.enumerate(api, FromUtf8(server));
        const platform::NetStatus ended = recorder.LastFailure();
        if (listed)
            request.rows(api, server, answer);
        NoteListingFailure(answer, recorder, listed, ended,
                           request.what + " " + ServerForMessage(server));
        return answer;
    };
    const std::vector<std::string> names = NamesToAsk(servers);
    StatusLine progress(run.err, servers.showProgress && names.size() > 1);
    std::size_t answered = 0;
    const auto count = [&] {
        progress.Show(std::to_string(answered) + "/" + std::to_string(names.size()) +
                      " servers answered");
    };
    count();
    AskServers(names, servers.jobs, run.timeout, ask, [&](std::size_t index, ServerAnswer answer) {
        progress.Clear();
        const std::string& server = names[index];
        NoteUnanswered(run, answer, "cannot list " + request.what + " " + ServerForMessage(server));
        if (tell)
            for (const std::string& failure : answer.failures)
                run.Fail(failure);
        for (auto& row : answer.rows)
            row.insert(row.begin(), ServerColumnName(server));
        const bool goOn = take(server, answer);
        ++answered;
        count();
        return goOn && run.GoOn();
    });
}

std::size_t WriteFromServers(Context& run, const ServerSet& servers, const Request& request,
                             std::vector<Column> columns, const Output& output) {
    columns.insert(columns.begin(),
                   {"Server", "server", false, /*jsonOnly=*/NamesToAsk(servers).size() == 1});
    ListingWriter writer(run.out, std::move(columns), output.format, output.header,
                         [&run] { return !run.GoOn(); });
    bool anyOutput = false; // when every server failed, nothing goes to `out`
    std::size_t written = 0;
    ListFromServers(run, servers, request, [&](const std::string&, ServerAnswer& answer) {
        anyOutput = anyOutput || !answer.Failed() || !answer.rows.empty();
        writer.Add(answer.rows);
        written += answer.rows.size();
        run.out.flush();
        return true;
    });
    if (anyOutput)
        writer.Finish();
    return written;
}

bool FromClientPath(Context& run, FilesOptions& options) {
    if (options.clientPath.empty())
        return true;
    const auto resolved = Resolve(run, options.clientPath);
    if (!resolved)
        return false;
    options.servers.names = {(*resolved)[0]};
    options.basePath = (*resolved)[1];
    return true;
}

Context::Context(platform::Platform& platform, std::ostream& out, std::ostream& err,
                 std::chrono::seconds timeout)
    : platform(platform), out(out), err(err), timeout(timeout) {}

void Context::Say(std::string_view line) {
    out << report::Printable(line) << '\n' << std::flush;
}

void Context::Fail(std::string_view reason) {
    failed_ = true;
    Note(reason);
}

void Context::Note(std::string_view text) {
    err << "quarnel-cli: " << report::Printable(text) << '\n' << std::flush;
}

bool Context::GoOn() const {
    return StopSignal() == 0 && out.good();
}

void ListOpenFiles(Context& run, const FilesOptions& given) {
    FilesOptions options = given;
    if (FromClientPath(run, options))
        WriteFromServers(run, options.servers, OpenFilesRequest(options), report::OpenFileColumns(),
                         options.output);
}

void ListShares(Context& run, const ServerSet& servers, const Output& output) {
    WriteFromServers(
        run, servers,
        {"the shares of",
         [](modApi& api, const std::u16string& server) { return api.EnumShares(server); },
         [](modApi& api, const std::string&, ServerAnswer& answer) {
             answer.rows = report::SharesListing(api.Shares, api.ShareCount).rows;
         }},
        report::SharesListing({}, 0).columns, output);
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

} // namespace quarnel::cli
