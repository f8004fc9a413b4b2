#include "NetworkPath.h"

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

ResolvedPath ResolveClientPath(modApi& api, const std::u16string& path) {
    ResolvedPath result;
    std::u16string networkName;
    std::u16string rest;
    if (!path.starts_with(u"\\\\")) {
        // A path on a drive: the platform names the connection behind it.
        const platform::NetworkDrive drive = api.Platform().LookUpNetworkDrive(path);
        if (!drive.isNetworkDrive) {
            result.outcome = Resolution::NoNetworkDrive;
            return result;
        }
        if (!drive.remoteName) {
            result.outcome = Resolution::NoRemoteName;
            return result;
        }
        networkName = *drive.remoteName;
        rest = drive.rest;
    } else {
        // \\server\share\rest: the network name ends before the backslash
        // that follows the share's name.
        const std::size_t afterServer = path.find(kBackslash, 2);
        if (afterServer == std::u16string::npos) {
            result.outcome = Resolution::NoShare;
            return result;
        }
        const std::size_t afterShare = path.find(kBackslash, afterServer + 1);
        if (afterShare == std::u16string::npos) {
            networkName = path;
        } else {
            networkName = path.substr(0, afterShare);
            rest = path.substr(afterShare + 1);
        }
    }

    const auto split = SplitAfterServer(networkName);
    if (!split) {
        result.outcome = Resolution::NoShare;
        return result;
    }
    const auto& [server, share] = *split;
    ShareInfo info;
    if (!api.GetShareInfo(server, share, info)) {
        result.outcome = Resolution::ShareNotFound;
        return result;
    }
    result.outcome = Resolution::Resolved;
    result.server = server;
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
    case Resolution::NoRemoteName:
    case Resolution::NoShare:
        break;
    }
    return std::nullopt;
}

} // namespace quarnel
