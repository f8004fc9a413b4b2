// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "NetworkPath.h"

#include <algorithm>
#include <vector>

namespace quarnel {

namespace {

constexpr char16_t kBackslash = u'\\';

// Everything before the first backslash at or after the third character,
// and everything after it; nullopt when there is none.
std::optional<std::pair<std::u16string, std::u16string>>
SplitAfterServer(const std::u16string& networkName) {
    const std::size_t cut =
        networkName.size() > 2 ? networkName.find(kBackslash, 2) : std::u16string::npos;
    if (cut == std::u16string::npos)
        return std::nullopt;
    return std::pair{networkName.substr(0, cut), networkName.substr(cut + 1)};
}

} // namespace

bool IsNetworkPath(std::u16string_view path) {
    auto separator = [](char16_t c) { return c == kBackslash || c == u'/'; };
    return path.size() >= 2 && separator(path[0]) && separator(path[1]);
}

bool IsUrl(std::u16string_view path) {
    const std::size_t colon = path.find(u':');
    if (colon < 2 || colon == std::u16string_view::npos || path.substr(colon, 3) != u"://")
        return false;
    return std::all_of(
        path.begin(), path.begin() + static_cast<std::ptrdiff_t>(colon),
        [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); });
}

std::u16string CollapseDots(std::u16string_view path) {
    std::vector<std::u16string_view> kept;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(path.find(kBackslash, start), path.size());
        const std::u16string_view part = path.substr(start, end - start);
        if (part == u"..") {
            if (!kept.empty())
                kept.pop_back();
        } else if (part != u".") {
            kept.push_back(part);
        }
        if (end == path.size())
            break;
        start = end + 1;
    }
    std::u16string result;
    for (std::size_t i = 0; i < kept.size(); ++i)
        result.append(i > 0 ? u"\\" : u"").append(kept[i]);
    return result;
}

ResolvedPath ResolveClientPath(modApi& api, const std::u16string& path) {
    ResolvedPath result;
    std::u16string networkName;
    std::u16string rest;
    if (!IsNetworkPath(path)) {
        // A path on a drive: the platform names the connection behind it.
        const platform::NetworkDrive drive = api.Platform().LookUpNetworkDrive(path);
        if (!drive.isNetworkDrive) {
            result.outcome = Resolution::NoNetworkDrive;
            return result;
        }
        if (drive.invalidName) {
            result.outcome = Resolution::InvalidName;
            return result;
        }
        if (!drive.remoteName) {
            result.outcome = Resolution::NoRemoteName;
            return result;
        }
        networkName = *drive.remoteName;
        rest = drive.rest;
    } else {
        // \\server\share\rest, or //server/share/rest as Linux writes it:
        // the network name ends before the separator that follows the share.
        std::u16string unc = path;
        std::replace(unc.begin(), unc.end(), u'/', kBackslash);
        const std::size_t afterServer = unc.find(kBackslash, 2);
        if (afterServer == std::u16string::npos) {
            result.outcome = Resolution::NoShare;
            return result;
        }
        const std::size_t afterShare = unc.find(kBackslash, afterServer + 1);
        if (afterShare == std::u16string::npos) {
            networkName = unc;
        } else {
            networkName = unc.substr(0, afterShare);
            rest = unc.substr(afterShare + 1);
        }
    }

    const auto split = SplitAfterServer(networkName);
    if (!split) {
        result.outcome = Resolution::NoShare;
        return result;
    }
    const auto& [server, share] = *split;
    // A control character names no server or share; passed on, a NUL would
    // even end the name early and reach another server than the one shown.
    auto control = [](const std::u16string& name) {
        return std::any_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20; });
    };
    if (control(server) || control(share) || rest.find(u'\0') != std::u16string::npos) {
        result.outcome = Resolution::InvalidName;
        return result;
    }
    ShareInfo info;
    if (!api.GetShareInfo(server, share, info)) {
        result.outcome = Resolution::ShareNotFound;
        return result;
    }
    result.outcome = Resolution::Resolved;
    result.server = server;
    rest = CollapseDots(rest);
    if (!info.Path.empty()) {
        result.localPath = info.Path;
        if (!rest.empty()) {
            if (!result.localPath.ends_with(kBackslash))
                result.localPath += kBackslash;
            result.localPath += rest;
        }
    }
    return result;
}

std::optional<ResolutionMessage> MessageFor(Resolution outcome) {
    switch (outcome) {
    case Resolution::NoNetworkDrive:
        return ResolutionMessage{ResolutionMessage::Icon::Exclamation, u"No network drive",
                                 u"Only files or folders on a NETWORK drive can be selected.\r\n"
                                 u"You can't use this program for a local Computer."};
    case Resolution::ShareNotFound:
        return ResolutionMessage{ResolutionMessage::Icon::Information, u"Problem finding share",
                                 u"It seems I have some problems getting Share Information"};
    case Resolution::Resolved:
    case Resolution::InvalidName:
    case Resolution::NoRemoteName:
    case Resolution::NoShare:
        break;
    }
    return std::nullopt;
}

} // namespace quarnel
