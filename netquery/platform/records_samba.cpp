// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "records_samba.h"

#include "../utf.h"
#include "PackRecords.h"

#include <cstdlib>
#include <cstring>
#include <netapi.h>
#include <new>
#include <utility>
#include <vector>

namespace quarnel::platform::samba {

namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// Simple case folding of one UTF-16 unit: ASCII, Latin-1, Greek and
// Cyrillic letters, which covers the names a server path usually holds.
char16_t Fold(char16_t c) {
    if (c >= u'a' && c <= u'z')
        return static_cast<char16_t>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<char16_t>(c - 0x20);
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
        return static_cast<char16_t>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F)
        return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F)
        return static_cast<char16_t>(c - 0x50);
    return c;
}

bool SameUnit(char16_t a, char16_t b) {
    return (IsSeparator(a) && IsSeparator(b)) || Fold(a) == Fold(b);
}

} // namespace

std::u16string LibnetapiServerName(std::u16string_view server) {
    if (server.starts_with(u"\\\\"))
        server.remove_prefix(2);
    return std::u16string(server);
}

bool LiesUnder(std::u16string_view path, std::u16string_view base) {
    if (base.size() > path.size())
        return false;
    for (std::size_t i = 0; i < base.size(); ++i)
        if (!SameUnit(path[i], base[i]))
            return false;
    return base.empty() || path.size() == base.size() || IsSeparator(base.back()) ||
           IsSeparator(path[base.size()]);
}

namespace {

// A string of libnetapi's record in UTF-16; null stays null.
PackedString Convert(const char* utf8) {
    if (utf8 == nullptr)
        return std::nullopt;
    return FromUtf8(utf8);
}

// A block that NetApiBufferFree releases.
std::uint8_t* Allocate(std::size_t bytes) {
    auto* block = static_cast<std::uint8_t*>(std::malloc(bytes));
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

} // namespace

std::uint8_t* PackFileInfo3(const FILE_INFO_3* records, std::uint32_t count,
                            std::u16string_view basePath, std::uint32_t* kept) {
    struct Entry {
        const FILE_INFO_3* record;
        PackedString path, user;
    };
    std::vector<Entry> entries;
    entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        Entry e{&records[i], Convert(records[i].fi3_pathname), Convert(records[i].fi3_username)};
        if (basePath.empty() || LiesUnder(e.path.value_or(u""), basePath))
            entries.push_back(std::move(e));
    }
    *kept = static_cast<std::uint32_t>(entries.size());
    if (entries.empty())
        return nullptr;
    return PackRecords<FileInfo3>(
        entries,
        [](const Entry& e, auto put) {
            return FileInfo3{e.record->fi3_id, e.record->fi3_permissions, e.record->fi3_num_locks,
                             put(e.path), put(e.user)};
        },
        Allocate);
}

std::uint8_t* PackShareInfo2(const SHARE_INFO_2* records, std::uint32_t count) {
    if (count == 0)
        return nullptr;
    struct Entry {
        const SHARE_INFO_2* record;
        PackedString name, remark, path, password;
    };
    std::vector<Entry> entries;
    entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const SHARE_INFO_2& r = records[i];
        entries.push_back({&r, Convert(r.shi2_netname), Convert(r.shi2_remark),
                           Convert(r.shi2_path), Convert(r.shi2_passwd)});
    }
    return PackRecords<ShareInfo2>(
        entries,
        [](const Entry& e, auto put) {
            const SHARE_INFO_2& r = *e.record;
            return ShareInfo2{put(e.name),        r.shi2_type,     put(e.remark),
                              r.shi2_permissions, r.shi2_max_uses, r.shi2_current_uses,
                              put(e.path),        put(e.password)};
        },
        Allocate);
}

std::uint8_t* PackServerInfo100(const std::vector<std::string>& names, std::uint32_t platformId) {
    if (names.empty())
        return nullptr;
    std::vector<PackedString> converted;
    converted.reserve(names.size());
    for (const std::string& name : names)
        converted.push_back(FromUtf8(name));
    return PackRecords<ServerInfo100>(
        converted,
        [platformId](const PackedString& name, auto put) {
            return ServerInfo100{platformId, put(name)};
        },
        Allocate);
}

NetStatus TranslateConnectFailure(NetStatus status, std::string_view clientOutput,
                                  std::string_view log) {
    if (clientOutput.find("Anonymous login successful") != std::string_view::npos)
        return netstatus::LogonFailure;
    if (status == netstatus::Success || status == netstatus::MoreData)
        return status;
    static constexpr std::pair<std::string_view, NetStatus> ends[] = {
        {"NT_STATUS_CONNECTION_DISCONNECTED", netstatus::NetNameDeleted},
        {"NT_STATUS_CONNECTION_RESET", netstatus::NetNameDeleted},
        {"NT_STATUS_CONNECTION_ABORTED", netstatus::NetNameDeleted},
        {"NT_STATUS_END_OF_FILE", netstatus::NetNameDeleted},
        {"NT_STATUS_PIPE_BROKEN", netstatus::NetNameDeleted},
        {"NT_STATUS_IO_TIMEOUT", netstatus::SemTimeout},
    };
    for (const auto& [name, windows] : ends)
        if (log.find(name) != std::string_view::npos)
            return windows;
    if (status != WERR_CAN_NOT_COMPLETE)
        return status;
    static constexpr struct {
        std::string_view ntStatus;
        NetStatus windows;
    } known[] = {
        {"NT_STATUS_LOGON_FAILURE", netstatus::LogonFailure},
        {"NT_STATUS_WRONG_PASSWORD", netstatus::LogonFailure},
        {"NT_STATUS_NO_SUCH_USER", netstatus::LogonFailure},
        // Credentials that cannot be used at all, such as a ticket cache
        // that holds no usable ticket.
        {"NT_STATUS_WRONG_CREDENTIAL_HANDLE", netstatus::LogonFailure},
        {"NT_STATUS_ACCOUNT_RESTRICTION", 1327},
        {"NT_STATUS_PASSWORD_EXPIRED", 1330},
        {"NT_STATUS_ACCOUNT_DISABLED", 1331},
        {"NT_STATUS_PASSWORD_MUST_CHANGE", 1907},
        {"NT_STATUS_ACCOUNT_LOCKED_OUT", 1909},
        {"NT_STATUS_ACCESS_DENIED", netstatus::AccessDenied},
        {"NT_STATUS_BAD_NETWORK_NAME", 67},
    };
    for (const auto& k : known)
        if (clientOutput.find(k.ntStatus) != std::string_view::npos)
            return k.windows;
    if (clientOutput.find("NT_STATUS_") != std::string_view::npos)
        return status; // a session failed for a reason we have no word for
    return netstatus::BadNetPath;
}

} // namespace quarnel::platform::samba
