#include "Commands.h"

#include "NetworkPath.h"
#include "RecordingPlatform.h"
#include "modApi.h"
#include "utf.h"

#include <charconv>
#include <limits>

namespace quarnel::cli {

namespace {

// The server as a reason names it: with its two backslashes, as the
// platform was asked.
std::string ServerForMessage(const std::string& server) {
    if (server.empty())
        return "the local computer";
    return ToUtf8(modApi::PrepareServerName(FromUtf8(server)));
}

// "Access is denied" and the like, with the status number for searching;
// once, also when the platform's text already holds it ("Error 2310").
std::string Reason(platform::Platform& platform, platform::NetStatus status) {
    std::string text = ToUtf8(platform.StatusText(status));
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n'))
        text.pop_back();
    const std::string number = std::to_string(status);
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t at = text.find(number); at != std::string::npos;
         at = text.find(number, at + 1))
        if ((at == 0 || !isDigit(text[at - 1])) &&
            (at + number.size() == text.size() || !isDigit(text[at + number.size()])))
            return text;
    return text + " (error " + number + ")";
}

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

} // namespace

int ListOpenFiles(platform::Platform& platform, const FilesOptions& given, std::ostream& out,
                  std::ostream& err) {
    RecordingPlatform recorder(platform);
    modApi api(recorder);
    FilesOptions options = given;
    if (!options.clientPath.empty()) {
        const ResolvedPath resolved = Resolve(api, options.clientPath);
        if (resolved.outcome != Resolution::Resolved) {
            err << "quarnel-cli: " << ResolutionFailure(resolved, options.clientPath, recorder)
                << '\n';
            return 1;
        }
        options.server = ToUtf8(resolved.server);
        options.basePath = ToUtf8(resolved.localPath);
    }
    recorder.ForgetFailure();
    const bool listed = api.EnumOpenFiles(FromUtf8(options.server), FromUtf8(options.basePath),
                                          FromUtf8(options.user));
    const std::string server = ServerForMessage(options.server);
    if (!listed) {
        err << "quarnel-cli: cannot list the open files on " << server << ": "
            << Reason(platform, recorder.LastFailure()) << '\n';
        return 1;
    }
    Write(out, OpenFilesListing(api.OpenFiles, api.OpenFileCount), options.format);
    if (recorder.LastFailure() != platform::netstatus::Success) {
        err << "quarnel-cli: the listing of the open files on " << server
            << " stopped early: " << Reason(platform, recorder.LastFailure()) << '\n';
        return 1;
    }
    return 0;
}

int ListShares(platform::Platform& platform, const std::string& server, Format format,
               std::ostream& out, std::ostream& err) {
    RecordingPlatform recorder(platform);
    modApi api(recorder);
    if (!api.EnumShares(FromUtf8(server))) {
        err << "quarnel-cli: cannot list the shares of " << ServerForMessage(server) << ": "
            << Reason(platform, recorder.LastFailure()) << '\n';
        return 1;
    }
    Write(out, SharesListing(api.Shares, api.ShareCount), format);
    if (recorder.LastFailure() != platform::netstatus::Success) {
        err << "quarnel-cli: the listing of the shares of " << ServerForMessage(server)
            << " stopped early: " << Reason(platform, recorder.LastFailure()) << '\n';
        return 1;
    }
    return 0;
}

int ListServers(platform::Platform& platform, const std::string& domain, Format format,
                std::ostream& out, std::ostream& err) {
    RecordingPlatform recorder(platform);
    modApi api(recorder);
    const std::string which = domain.empty() ? "the primary domain" : "the domain " + domain;
    if (!api.EnumServers(platform::servertype::Server, u"", FromUtf8(domain))) {
        err << "quarnel-cli: cannot list the servers of " << which << ": "
            << Reason(platform, recorder.LastFailure()) << '\n';
        return 1;
    }
    Write(out, ServersListing(api.Servers, api.ServerCount), format);
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
    Write(out, SharesListing({info}, 1, /*everyField=*/true), format, /*single=*/true);
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
    Write(out, ResolutionListing(resolved.server, resolved.localPath), format, /*single=*/true);
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
