// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "records_samba.h"

#include "../utf.h"

#include <cstdlib>
#include <cstring>
#include <netapi.h>
#include <new>
#include <optional>
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
using MaybeString = std::optional<std::u16string>;

MaybeString Convert(const char* utf8) {
    if (utf8 == nullptr)
        return std::nullopt;
    return FromUtf8(utf8);
}

// One malloc'd block: `count` records of type Record, then their strings,
// as the platform's own buffers are laid out.
template <typename Record> class PackedBlock {
  public:
    PackedBlock(std::size_t count, std::size_t stringUnits) {
        const std::size_t recordBytes = count * sizeof(Record);
        block_ = static_cast<std::uint8_t*>(
            std::malloc(recordBytes + stringUnits * sizeof(char16_t) + 1));
        if (block_ == nullptr)
            throw std::bad_alloc();
        next_ = reinterpret_cast<char16_t*>(block_ + recordBytes);
    }
    PackedBlock(const PackedBlock&) = delete;
    PackedBlock& operator=(const PackedBlock&) = delete;
    ~PackedBlock() { std::free(block_); }

    static std::size_t Units(const MaybeString& s) { return s ? s->size() + 1 : 0; }

    Record& operator[](std::size_t i) { return reinterpret_cast<Record*>(block_)[i]; }

    const char16_t* Put(const MaybeString& s) {
        if (!s)
            return nullptr;
        char16_t* at = next_;
        std::memcpy(at, s->c_str(), (s->size() + 1) * sizeof(char16_t));
        next_ += s->size() + 1;
        return at;
    }

    std::uint8_t* Release() { return std::exchange(block_, nullptr); }

  private:
    std::uint8_t* block_ = nullptr;
    char16_t* next_ = nullptr;
};

} // namespace

std::uint8_t* PackFileInfo3(const FILE_INFO_3* records, std::uint32_t count,
                            std::u16string_view basePath, std::uint32_t* kept) {
    struct Entry {
        const FILE_INFO_3* record;
        MaybeString path, user;
    };
    std::vector<Entry> entries;
    entries.reserve(count);
    std::size_t units = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        Entry e{&records[i], Convert(records[i].fi3_pathname), Convert(records[i].fi3_username)};
        if (!basePath.empty() && !LiesUnder(e.path.value_or(u""), basePath))
            continue;
        units += PackedBlock<FileInfo3>::Units(e.path) + PackedBlock<FileInfo3>::Units(e.user);
        entries.push_back(std::move(e));
    }
    *kept = static_cast<std::uint32_t>(entries.size());
    if (entries.empty())
        return nullptr;

    PackedBlock<FileInfo3> block(entries.size(), units);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        block[i] = {e.record->fi3_id, e.record->fi3_permissions, e.record->fi3_num_locks,
                    block.Put(e.path), block.Put(e.user)};
    }
    return block.Release();
}

std::uint8_t* PackShareInfo2(const SHARE_INFO_2* records, std::uint32_t count) {
    if (count == 0)
        return nullptr;
    struct Entry {
        MaybeString name, remark, path, password;
    };
    std::vector<Entry> entries;
    entries.reserve(count);
    std::size_t units = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const SHARE_INFO_2& r = records[i];
        Entry e{Convert(r.shi2_netname), Convert(r.shi2_remark), Convert(r.shi2_path),
                Convert(r.shi2_passwd)};
        for (const MaybeString* s : {&e.name, &e.remark, &e.path, &e.password})
            units += PackedBlock<ShareInfo2>::Units(*s);
        entries.push_back(std::move(e));
    }
    PackedBlock<ShareInfo2> block(count, units);
    for (std::uint32_t i = 0; i < count; ++i) {
        const SHARE_INFO_2& r = records[i];
        const Entry& e = entries[i];
        block[i] = {block.Put(e.name),  r.shi2_type,          block.Put(e.remark),
                    r.shi2_permissions, r.shi2_max_uses,      r.shi2_current_uses,
                    block.Put(e.path),  block.Put(e.password)};
    }
    return block.Release();
}

std::uint8_t* PackServerInfo100(const std::vector<std::string>& names, std::uint32_t platformId) {
    if (names.empty())
        return nullptr;
    std::vector<MaybeString> converted;
    converted.reserve(names.size());
    std::size_t units = 0;
    for (const std::string& name : names) {
        converted.push_back(FromUtf8(name));
        units += PackedBlock<ServerInfo100>::Units(converted.back());
    }
    PackedBlock<ServerInfo100> block(names.size(), units);
    for (std::size_t i = 0; i < names.size(); ++i)
        block[i] = {platformId, block.Put(converted[i])};
    return block.Release();
}

NetStatus TranslateConnectFailure(NetStatus status, std::string_view clientOutput) {
    if (clientOutput.find("Anonymous login successful") != std::string_view::npos)
        return netstatus::LogonFailure;
    if (status == netstatus::Success || status == netstatus::MoreData)
        return status;
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
