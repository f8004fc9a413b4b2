#include "records_samba.h"

#include "../utf.h"

#include <cstdlib>
#include <cstring>
#include <netapi.h>
#include <new>
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

std::uint8_t* PackFileInfo3(const FILE_INFO_3* records, std::uint32_t count,
                            std::u16string_view basePath, std::uint32_t* kept) {
    struct Entry {
        const FILE_INFO_3* record;
        std::u16string path;
        std::u16string user;
    };
    std::vector<Entry> entries;
    entries.reserve(count);
    std::size_t stringUnits = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const FILE_INFO_3& r = records[i];
        std::u16string path = r.fi3_pathname ? FromUtf8(r.fi3_pathname) : std::u16string();
        if (!basePath.empty() && !LiesUnder(path, basePath))
            continue;
        std::u16string user = r.fi3_username ? FromUtf8(r.fi3_username) : std::u16string();
        stringUnits += path.size() + user.size() + 2;
        entries.push_back({&r, std::move(path), std::move(user)});
    }
    *kept = static_cast<std::uint32_t>(entries.size());
    if (entries.empty())
        return nullptr;

    const std::size_t recordBytes = entries.size() * sizeof(FileInfo3);
    auto* block =
        static_cast<std::uint8_t*>(std::malloc(recordBytes + stringUnits * sizeof(char16_t)));
    if (block == nullptr)
        throw std::bad_alloc();
    auto* out = reinterpret_cast<FileInfo3*>(block);
    auto* pool = reinterpret_cast<char16_t*>(block + recordBytes);
    // Null in libnetapi's record stays null in ours.
    auto put = [&pool](const std::u16string& s, bool present) -> const char16_t* {
        if (!present)
            return nullptr;
        char16_t* start = pool;
        std::memcpy(pool, s.c_str(), (s.size() + 1) * sizeof(char16_t));
        pool += s.size() + 1;
        return start;
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        out[i].fi3_id = e.record->fi3_id;
        out[i].fi3_permissions = e.record->fi3_permissions;
        out[i].fi3_num_locks = e.record->fi3_num_locks;
        out[i].fi3_pathname = put(e.path, e.record->fi3_pathname != nullptr);
        out[i].fi3_username = put(e.user, e.record->fi3_username != nullptr);
    }
    return block;
}

NetStatus TranslateConnectFailure(NetStatus status, std::string_view clientOutput) {
    if (status == NERR_Success || status == ERROR_MORE_DATA)
        return status;
    if (clientOutput.find("Anonymous login successful") != std::string_view::npos)
        return ERROR_LOGON_FAILURE;
    if (status != WERR_CAN_NOT_COMPLETE)
        return status;
    static constexpr struct {
        std::string_view ntStatus;
        NetStatus windows;
    } known[] = {
        {"NT_STATUS_LOGON_FAILURE", ERROR_LOGON_FAILURE},
        {"NT_STATUS_WRONG_PASSWORD", ERROR_LOGON_FAILURE},
        {"NT_STATUS_NO_SUCH_USER", ERROR_LOGON_FAILURE},
        {"NT_STATUS_ACCOUNT_RESTRICTION", 1327},
        {"NT_STATUS_PASSWORD_EXPIRED", 1330},
        {"NT_STATUS_ACCOUNT_DISABLED", 1331},
        {"NT_STATUS_PASSWORD_MUST_CHANGE", 1907},
        {"NT_STATUS_ACCOUNT_LOCKED_OUT", 1909},
        {"NT_STATUS_ACCESS_DENIED", ERROR_ACCESS_DENIED},
        {"NT_STATUS_BAD_NETWORK_NAME", 67},
    };
    for (const auto& k : known)
        if (clientOutput.find(k.ntStatus) != std::string_view::npos)
            return k.windows;
    if (clientOutput.find("NT_STATUS_") != std::string_view::npos)
        return status; // a session failed for a reason we have no word for
    return ERROR_BAD_NETPATH;
}

} // namespace quarnel::platform::samba
