// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "message_samba.h"

#include "../utf.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <utility>

namespace quarnel::platform::samba {

namespace {

// What smbclient reports, as the Windows messenger client reports the same
// outcome. The names were observed against Samba's smbd and its name
// resolution: an unknown name is NOT_FOUND from a WINS server (UNSUCCESSFUL
// for a name longer than NetBIOS allows, INVALID_ADDRESS when no name service
// answers at all); a computer that takes no messages answers
// REQUEST_NOT_ACCEPTED; nobody on port 139 gives CONNECTION_REFUSED; a silent
// peer IO_TIMEOUT; a server that drops SMB1 CONNECTION_DISCONNECTED. An
// answer smbclient cannot read (INVALID_NETWORK_RESPONSE) is the bad
// response a Windows client reports.
constexpr std::pair<std::string_view, NetStatus> KnownStatuses[] = {
    {"NT_STATUS_NOT_FOUND", netstatus::NameNotFound},
    {"NT_STATUS_UNSUCCESSFUL", netstatus::NameNotFound},
    {"NT_STATUS_INVALID_ADDRESS", netstatus::NameNotFound},
    {"NT_STATUS_BAD_NETWORK_NAME", netstatus::NameNotFound},
    {"NT_STATUS_OBJECT_NAME_NOT_FOUND", netstatus::NameNotFound},
    {"NT_STATUS_REQUEST_NOT_ACCEPTED", netstatus::NameNotFound},
    {"NT_STATUS_CONNECTION_REFUSED", netstatus::BadNetPath},
    {"NT_STATUS_HOST_UNREACHABLE", netstatus::BadNetPath},
    {"NT_STATUS_NETWORK_UNREACHABLE", netstatus::BadNetPath},
    {"NT_STATUS_PORT_UNREACHABLE", netstatus::BadNetPath},
    {"NT_STATUS_BAD_NETWORK_PATH", netstatus::BadNetPath},
    {"NT_STATUS_ACCESS_DENIED", netstatus::AccessDenied},
    {"NT_STATUS_NETWORK_ACCESS_DENIED", netstatus::AccessDenied},
    {"NT_STATUS_IO_TIMEOUT", netstatus::SemTimeout},
    {"NT_STATUS_CONNECTION_DISCONNECTED", netstatus::NetworkError},
    {"NT_STATUS_CONNECTION_RESET", netstatus::NetworkError},
    {"NT_STATUS_CONNECTION_ABORTED", netstatus::NetworkError},
    {"NT_STATUS_END_OF_FILE", netstatus::NetworkError},
    {"NT_STATUS_INVALID_NETWORK_RESPONSE", netstatus::BadNetResponse},
    {"NT_STATUS_UNEXPECTED_NETWORK_ERROR", netstatus::NetworkError},
    {"NT_STATUS_PIPE_BROKEN", netstatus::NetworkError},
    {"NT_STATUS_INVALID_PARAMETER", netstatus::InvalidParameter},
    {"NT_STATUS_OBJECT_NAME_INVALID", netstatus::InvalidName},
    {"NT_STATUS_INVALID_COMPUTER_NAME", netstatus::InvalidName},
    {"NT_STATUS_NOT_SUPPORTED", netstatus::NotSupported},
    {"NT_STATUS_NOT_IMPLEMENTED", netstatus::NotSupported},
};

bool IsStatusChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The NT_STATUS name that smbclient printed last as the reason of a
// failure: "Connection to X failed. Error NT_STATUS_..." or "cli_message
// returned NT_STATUS_...". The last one counts, so that a recipient whose
// name happens to read like a status cannot stand in for the real one.
std::optional<std::string_view> ReportedStatus(std::string_view output) {
    constexpr std::string_view prefix = "NT_STATUS_";
    std::optional<std::string_view> found;
    for (std::size_t at = output.find(prefix); at != std::string_view::npos;
         at = output.find(prefix, at + 1)) {
        const std::string_view before = output.substr(0, at);
        if (!before.ends_with("Error ") && !before.ends_with("returned "))
            continue;
        std::size_t end = at + prefix.size();
        while (end < output.size() && IsStatusChar(output[end]))
            ++end;
        found = output.substr(at, end - at);
    }
    return found;
}

std::string Utf8WithoutBackslashes(std::u16string_view server) {
    if (server.starts_with(u"\\\\"))
        server.remove_prefix(2);
    return ToUtf8(server);
}

} // namespace

std::optional<std::vector<std::string>> SmbclientMessageArguments(const MessageRequest& request) {
    if (request.sender.find(u'%') != std::u16string::npos)
        return std::nullopt;
    std::vector<std::string> arguments{"smbclient"};
    if (!request.configFile.empty())
        arguments.push_back("--configfile=" + request.configFile);
    arguments.push_back("--message=" + ToUtf8(request.recipient));
    if (!request.server.empty())
        arguments.push_back("--ip-address=" + Utf8WithoutBackslashes(request.server));
    if (!request.sender.empty())
        arguments.push_back("--user=" + ToUtf8(request.sender));
    for (const std::string& option : request.options)
        arguments.push_back("--option=" + option);
    arguments.push_back(std::string("--option=dos charset=") + MessageCodePage);
    arguments.push_back("--timeout=" + std::to_string(request.timeout.count()));
    arguments.push_back("--no-pass");
    arguments.push_back("--debuglevel=" +
                        (request.debugLevel.empty() ? std::string("0") : request.debugLevel));
    return arguments;
}

std::optional<std::u16string> DecodeMessageBuffer(const std::uint8_t* buffer,
                                                  std::uint32_t byteLength) {
    if (byteLength % 2 != 0 || (buffer == nullptr && byteLength != 0))
        return std::nullopt;
    std::u16string text;
    text.reserve(byteLength / 2);
    for (std::uint32_t i = 0; i < byteLength; i += 2)
        text.push_back(static_cast<char16_t>(buffer[i] | (buffer[i + 1] << 8)));
    return text;
}

std::string SmbclientMessageText(std::u16string_view text) {
    std::string utf8 = ToUtf8(text);
    std::string result;
    result.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
            continue;
        result.push_back(utf8[i]);
    }
    return result;
}

std::optional<NetStatus> UndeliverableText(std::u16string_view text) {
    const std::string wire = SmbclientMessageText(text);
    const auto lineBreaks = static_cast<std::size_t>(std::count(wire.begin(), wire.end(), '\n'));
    if (wire.size() + lineBreaks > SmbclientMessageLimit)
        return netstatus::MessageTooLong;
    if (wire.find('\0') != std::string::npos)
        return netstatus::NoTranslation;
    const iconv_t converter = ::iconv_open(MessageCodePage, "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return netstatus::NoTranslation;
    std::string in = wire;
    std::string out(wire.size(), '\0'); // one byte per character at most
    char* inAt = in.data();
    char* outAt = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const bool converted = ::iconv(converter, &inAt, &inLeft, &outAt, &outLeft) != std::size_t(-1);
    ::iconv_close(converter);
    if (!converted)
        return netstatus::NoTranslation;
    return std::nullopt;
}

NetStatus MessageStatus(const ProcessOutcome& outcome) {
    switch (outcome.end) {
    case ProcessOutcome::End::NotStarted:
        // No smbclient on this computer (or none it may run): it cannot send.
        if (outcome.startError == ENOENT || outcome.startError == EACCES ||
            outcome.startError == ENOEXEC || outcome.startError == ENOTDIR)
            return netstatus::NotSupported;
        return GenFailure;
    case ProcessOutcome::End::TimedOut:
        return netstatus::SemTimeout;
    case ProcessOutcome::End::Signalled:
        return GenFailure;
    case ProcessOutcome::End::Exited:
        break;
    }
    if (const auto reported = ReportedStatus(outcome.output)) {
        for (const auto& [name, status] : KnownStatuses)
            if (*reported == name)
                return status;
        return GenFailure;
    }
    if (outcome.output.find("NetBIOS over TCP disabled") != std::string::npos)
        return netstatus::NotSupported;
    return outcome.exitCode == 0 ? netstatus::Success : GenFailure;
}

} // namespace quarnel::platform::samba
