// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "modApi.h"

#include "NetworkPath.h"

namespace quarnel {

using platform::NetStatus;
namespace netstatus = platform::netstatus;

namespace {

constexpr std::uint32_t FILE_INFO_LEVEL = 3;
constexpr std::uint32_t FILE_ENUM_PREFERRED_LENGTH = 16384;
constexpr std::uint32_t SHARE_INFO_LEVEL = 2;
constexpr std::uint32_t SHARE_ENUM_PREFERRED_LENGTH = 0xFFFFFF;
constexpr std::uint32_t SERVER_INFO_LEVEL = 100;
constexpr std::uint32_t SERVER_ENUM_PREFERRED_LENGTH = 0xFFFFFFFF; // as much as needed

// Empty strings reach the platform as null pointers.
const char16_t* NullIfEmpty(const std::u16string& s) {
    return s.empty() ? nullptr : s.c_str();
}

void CopyOpenFileInfo(const platform::FileInfo3& record, OpenFileInfo& entry) {
    entry.Id = static_cast<std::int32_t>(record.fi3_id);
    entry.Permissions = record.fi3_permissions;
    entry.NumLocks = static_cast<std::int32_t>(record.fi3_num_locks);
    entry.PathName = modApi::StringFromPointer(record.fi3_pathname);
    entry.UserName = modApi::StringFromPointer(record.fi3_username);
}

void CopyServerInfo(const platform::ServerInfo100& record, ServerInfo& entry) {
    entry.PlatformId = static_cast<std::int32_t>(record.sv100_platform_id);
    entry.ServerName = modApi::StringFromPointer(record.sv100_name);
}

} // namespace

std::u16string PermissionLetters(std::uint32_t permissions) {
    std::u16string letters;
    letters += (permissions & PERM_FILE_READ) ? u'R' : u' ';
    letters += (permissions & PERM_FILE_WRITE) ? u'W' : u' ';
    letters += (permissions & PERM_FILE_CREATE) ? u'C' : u' ';
    return letters;
}

std::u16string modApi::StringFromPointer(const char16_t* p) {
    if (p == nullptr)
        return {};
    return std::u16string(p);
}

std::u16string modApi::PrepareServerName(const std::u16string& server) {
    if (server.empty() || server.starts_with(u"\\\\"))
        return server;
    return u"\\\\" + server;
}

template <typename Record, typename Entry, typename Fetch, typename Convert>
bool modApi::EnumerateInBatches(std::vector<Entry>& table, std::int32_t& count, Fetch fetch,
                                Convert convert) {
    count = 0;
    table.clear();
    bool result = false;
    int emptyInARow = 0;
    for (;;) {
        std::uint8_t* raw = nullptr;
        std::uint32_t entriesRead = 0;
        const NetStatus status = fetch(&raw, &entriesRead);
        NetBuffer buffer(raw, BufferRelease{&platform_});
        if (status != netstatus::Success && status != netstatus::MoreData) {
            LastBatchEnd = BatchEnd::Failed;
            LastFailure = status;
            return result;
        }
        result = true;
        if (buffer == nullptr)
            entriesRead = 0; // a batch without a buffer holds no records
        emptyInARow = entriesRead == 0 ? emptyInARow + 1 : 0;
        if (entriesRead > 0) {
            count += static_cast<std::int32_t>(entriesRead);
            table.resize(static_cast<std::size_t>(count));
            const auto* records = reinterpret_cast<const Record*>(buffer.get());
            const std::size_t first = table.size() - entriesRead;
            for (std::uint32_t j = 0; j < entriesRead; ++j)
                convert(records[j], table[first + j]);
        }
        buffer.reset();
        if (yieldHook_)
            yieldHook_();
        if (status != netstatus::MoreData) {
            LastBatchEnd = BatchEnd::Complete;
            LastFailure = netstatus::Success;
            return result;
        }
        if (emptyInARow == MaxEmptyBatchesInARow) {
            LastBatchEnd = BatchEnd::NoMoreRecords;
            LastFailure = netstatus::Success;
            return result;
        }
    }
}

bool modApi::EnumOpenFiles(const std::u16string& server, const std::u16string& basePath,
                           const std::u16string& userName) {
    const std::u16string serverName = PrepareServerName(server);
    std::uintptr_t resumeHandle = 0;
    return EnumerateInBatches<platform::FileInfo3>(
        OpenFiles, OpenFileCount,
        [&](std::uint8_t** buffer, std::uint32_t* entriesRead) {
            std::uint32_t totalEntries = 0;
            return platform_.NetFileEnum(NullIfEmpty(serverName), NullIfEmpty(basePath),
                                         NullIfEmpty(userName), FILE_INFO_LEVEL, buffer,
                                         FILE_ENUM_PREFERRED_LENGTH, entriesRead, &totalEntries,
                                         &resumeHandle);
        },
        CopyOpenFileInfo);
}

void modApi::CopyShareInfo(const platform::ShareInfo2& record, ShareInfo& info) {
    info.NetName = StringFromPointer(record.shi2_netname);
    info.ShareType = record.shi2_type;
    info.Remark = StringFromPointer(record.shi2_remark);
    info.Permissions = record.shi2_permissions;
    info.MaxUses = static_cast<std::int32_t>(record.shi2_max_uses);
    info.CurrentUses = static_cast<std::int32_t>(record.shi2_current_uses);
    info.Path = StringFromPointer(record.shi2_path);
    info.Password = StringFromPointer(record.shi2_passwd);
}

bool modApi::EnumShares(const std::u16string& server) {
    const std::u16string serverName = PrepareServerName(server);
    std::uint32_t resumeHandle = 0;
    return EnumerateInBatches<platform::ShareInfo2>(
        Shares, ShareCount,
        [&](std::uint8_t** buffer, std::uint32_t* entriesRead) {
            std::uint32_t totalEntries = 0;
            return platform_.NetShareEnum(NullIfEmpty(serverName), SHARE_INFO_LEVEL, buffer,
                                          SHARE_ENUM_PREFERRED_LENGTH, entriesRead, &totalEntries,
                                          &resumeHandle);
        },
        CopyShareInfo);
}

bool modApi::EnumServers(std::uint32_t serverType, const std::u16string& server,
                         const std::u16string& domain) {
    const std::u16string serverName = PrepareServerName(server);
    std::uint32_t resumeHandle = 0;
    return EnumerateInBatches<platform::ServerInfo100>(
        Servers, ServerCount,
        [&](std::uint8_t** buffer, std::uint32_t* entriesRead) {
            std::uint32_t totalEntries = 0;
            return platform_.NetServerEnum(NullIfEmpty(serverName), SERVER_INFO_LEVEL, buffer,
                                           SERVER_ENUM_PREFERRED_LENGTH, entriesRead, &totalEntries,
                                           serverType, NullIfEmpty(domain), &resumeHandle);
        },
        CopyServerInfo);
}

bool modApi::GetShareInfo(const std::u16string& server, const std::u16string& netName,
                          ShareInfo& info) {
    const std::u16string serverName = PrepareServerName(server);
    std::uint8_t* raw = nullptr;
    const NetStatus status =
        platform_.NetShareGetInfo(NullIfEmpty(serverName), netName.c_str(), SHARE_INFO_LEVEL, &raw);
    const NetBuffer buffer(raw, BufferRelease{&platform_});
    LastFailure = status;
    if (status != netstatus::Success || buffer == nullptr)
        return false;
    CopyShareInfo(*reinterpret_cast<const platform::ShareInfo2*>(buffer.get()), info);
    return true;
}

bool modApi::CloseOpenFile(const std::u16string& server, std::int32_t id,
                           std::u16string& errorText) {
    const std::u16string serverName = PrepareServerName(server);
    const NetStatus status =
        platform_.NetFileClose(NullIfEmpty(serverName), static_cast<std::uint32_t>(id));
    LastFailure = status;
    errorText = status == netstatus::Success ? u"" : platform_.StatusText(status);
    return status == netstatus::Success;
}

std::u16string modApi::NetErrorText(NetStatus status) {
    switch (status) {
    case netstatus::Success:
        return u"Operation succeeded";
    case netstatus::AccessDenied:
        return u"Access denied";
    case netstatus::NotSupported:
        return u"not supported";
    case netstatus::BadNetPath:
        return u"Bad network path";
    case netstatus::InvalidParameter:
        return u"Invalid parameter";
    case netstatus::InvalidName:
        return u"Invalid name";
    case netstatus::NetworkError:
        return u"General network error";
    case netstatus::UseNotFound:
        return u"Network connection could not be found.";
    case netstatus::NameNotFound:
        return u"Message alias could not be found on the network.";
    case netstatus::SemTimeout:
        return u"The computer did not answer in time";
    case netstatus::BadNetResponse:
        return u"The computer's answer could not be understood";
    case netstatus::MessageTooLong:
        return u"The message is too long for the network to deliver whole";
    case netstatus::NoTranslation:
        return u"The message holds characters that the network cannot deliver as written";
    case netstatus::Cancelled:
        return u"Stopped before the network answered";
    default:
        return u"Unknown error";
    }
}

bool modApi::SendNetMessage(const std::u16string& message, const std::u16string& recipient,
                            std::u16string& errorText, const std::u16string& senderName,
                            const std::u16string& serverName) {
    // Only the test sees the recipient without its spaces; the platform gets
    // it as it was given.
    if (recipient.find_first_not_of(u' ') == std::u16string::npos) {
        errorText = u"No recipient selected";
        return false;
    }
    // The text as UTF-16 little-endian bytes, without a terminating NUL.
    std::vector<std::uint8_t> bytes;
    bytes.reserve(message.size() * 2);
    for (const char16_t unit : message) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    const NetStatus status = platform_.NetMessageBufferSend(
        NullIfEmpty(serverName), recipient.c_str(), NullIfEmpty(senderName),
        bytes.empty() ? nullptr : bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    LastFailure = status;
    errorText = NetErrorText(status);
    return status == netstatus::Success;
}

// Walks the path from its last component back to its first, asking the file
// system for each prefix's stored name. The root before the first separator
// stays as it is.
std::u16string modApi::ExpandLongPath(const std::u16string& path) const {
    if (path.empty())
        return {};
    const char16_t sep = platform_.PathSeparator();
    // A URL names nothing in the local file system, and neither does a
    // network path that the file system does not read as one (any on Linux,
    // //server/share on Windows): there is nothing to expand.
    const bool localNetworkPath = sep == u'\\' && path.starts_with(u"\\\\");
    if (IsUrl(path) || (IsNetworkPath(path) && !localNetworkPath))
        return path;
    std::u16string remaining = path;
    const bool trailing = remaining.back() == sep;
    if (trailing)
        remaining.pop_back();
    const std::u16string lone = trailing ? std::u16string(1, sep) : std::u16string();
    // "." and ".." name no entry of their own: the file system would answer
    // with the name of the folder they lead to. They stay as they are.
    const auto lookUp = [this, sep](const std::u16string& prefix) -> std::optional<std::u16string> {
        const std::u16string component = prefix.substr(prefix.rfind(sep) + 1);
        if (component == u"." || component == u"..")
            return component;
        return platform_.FindEntryName(prefix);
    };

    if (remaining.find(sep) == std::u16string::npos) {
        const auto name = lookUp(remaining);
        if (!name)
            return lone;
        return *name + lone;
    }

    // The last component decides whether the path exists at all.
    const auto last = lookUp(remaining);
    if (!last)
        return lone;
    if (last->empty())
        return path;
    std::u16string longPath = *last;
    remaining.erase(remaining.rfind(sep));

    // The folders above it. A folder the file system cannot name keeps the
    // name it was given, so that the result still names the same file.
    while (remaining.find(sep) != std::u16string::npos) {
        const std::size_t cut = remaining.rfind(sep);
        const auto name = lookUp(remaining);
        const std::u16string component = name && !name->empty() ? *name : remaining.substr(cut + 1);
        longPath = component + sep + longPath;
        remaining.erase(cut);
    }
    return remaining + sep + longPath + lone;
}

} // namespace quarnel
