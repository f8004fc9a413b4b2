// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The Windows backend: the operating system's own network management
// interface (netapi32), wide-character entry points only.
//
// On Windows the platform interface is netapi32 itself: wchar_t is UTF-16,
// the record layouts of platform.h are the system's, and every buffer that
// netapi32 hands out is passed on unchanged and released by NetApiBufferFree.
// The checks below make the compiler prove that, since the program is built
// here without a Windows machine to run it on.
#include "platform.h"

#include "../utf.h"
#include "netstatus_text.h"

#include <windows.h>

#include <lm.h>

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <memory>
#include <string>
#include <type_traits>

namespace quarnel::platform {

namespace {

// --- The platform interface is the system's own ----------------------------

static_assert(sizeof(wchar_t) == sizeof(char16_t), "netapi32 strings are UTF-16 wchar_t");
static_assert(std::is_same_v<std::uint8_t, BYTE>, "buffers are handed out as LPBYTE");
static_assert(sizeof(NetStatus) == sizeof(NET_API_STATUS));
static_assert(sizeof(std::uint32_t) == sizeof(DWORD));
static_assert(sizeof(std::uintptr_t) == sizeof(DWORD_PTR), "resume handles are DWORD_PTR");

// Two fields hold the same kind of value in the same number of bytes: both
// integers, or both pointers to characters of the same size.
template <typename Ours, typename Theirs> constexpr bool SameKind() {
    if constexpr (std::is_pointer_v<Ours> && std::is_pointer_v<Theirs>)
        return sizeof(std::remove_pointer_t<Ours>) == sizeof(std::remove_pointer_t<Theirs>);
    else
        return std::is_integral_v<Ours> && std::is_integral_v<Theirs> &&
               sizeof(Ours) == sizeof(Theirs);
}

// The records of platform.h are read straight out of netapi32's buffers, so
// each must match the system's layout field for field.
#define QUARNEL_SAME_RECORD(Ours, Theirs)                                                          \
    static_assert(sizeof(Ours) == sizeof(Theirs) && alignof(Ours) == alignof(Theirs),              \
                  #Ours " differs in size from " #Theirs)
#define QUARNEL_SAME_FIELD(Ours, Theirs, field)                                                    \
    static_assert(offsetof(Ours, field) == offsetof(Theirs, field) &&                              \
                      SameKind<decltype(Ours::field), decltype(Theirs::field)>(),                  \
                  #Ours "::" #field " differs from " #Theirs "::" #field)

QUARNEL_SAME_RECORD(FileInfo3, FILE_INFO_3);
QUARNEL_SAME_FIELD(FileInfo3, FILE_INFO_3, fi3_id);
QUARNEL_SAME_FIELD(FileInfo3, FILE_INFO_3, fi3_permissions);
QUARNEL_SAME_FIELD(FileInfo3, FILE_INFO_3, fi3_num_locks);
QUARNEL_SAME_FIELD(FileInfo3, FILE_INFO_3, fi3_pathname);
QUARNEL_SAME_FIELD(FileInfo3, FILE_INFO_3, fi3_username);

QUARNEL_SAME_RECORD(ShareInfo2, SHARE_INFO_2);
QUARNEL_SAME_FIELD(ShareInfo2, SHARE_INFO_2, shi2_netname);
QUARNEL_SAME_FIELD(ShareInfo2, SHARE_INFO_2, shi2_type);
QUARNEL_SAME_FIELD(ShareInfo2, SHARE_INFO_2, shi2_remark);
QUARNEL_SAME_FIELD(ShareInfo2, SHARE_INFO_2, shi2_permissions);
QUARNEL_SAME_FIELD(ShareInfo2, SHARE_INFO_2, shi2_max_uses);
QUARNEL_SAME_FIELD(ShareInfo2, SHARE_INFO_2, shi2_current_uses);
QUARNEL_SAME_FIELD(ShareInfo2, SHARE_INFO_2, shi2_path);
QUARNEL_SAME_FIELD(ShareInfo2, SHARE_INFO_2, shi2_passwd);

QUARNEL_SAME_RECORD(ServerInfo100, SERVER_INFO_100);
QUARNEL_SAME_FIELD(ServerInfo100, SERVER_INFO_100, sv100_platform_id);
QUARNEL_SAME_FIELD(ServerInfo100, SERVER_INFO_100, sv100_name);

static_assert(servertype::Server == SV_TYPE_SERVER && servertype::All == SV_TYPE_ALL);

#undef QUARNEL_SAME_FIELD
#undef QUARNEL_SAME_RECORD

// --- Strings ----------------------------------------------------------------

// A string of ours as netapi32 takes it. netapi32 declares its input strings
// LPWSTR but does not write to them; null stays null ("not given").
LPWSTR Wide(const char16_t* s) {
    return const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(s));
}

// --- Status texts -------------------------------------------------------------

// netmsg.dll holds the texts of the network statuses (2100 to 2999), which
// the system's message table lacks. It is loaded once, as data only, from
// the system folder.
class NetMessageModule {
  public:
    static HMODULE Get() {
        static const NetMessageModule instance;
        return instance.module_;
    }

  private:
    NetMessageModule()
        : module_(::LoadLibraryExW(L"netmsg.dll", nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
    ~NetMessageModule() {
        if (module_ != nullptr)
            ::FreeLibrary(module_);
    }
    NetMessageModule(const NetMessageModule&) = delete;
    NetMessageModule& operator=(const NetMessageModule&) = delete;

    HMODULE module_;
};

struct LocalRelease {
    void operator()(wchar_t* p) const { ::LocalFree(p); }
};

// The system's text for a status, without the line break that ends it;
// empty when neither the system nor netmsg.dll knows the status.
std::u16string MessageText(NetStatus status) {
    DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    HMODULE source = nullptr;
    if (status >= NERR_BASE && status <= MAX_NERR) {
        source = NetMessageModule::Get();
        if (source != nullptr)
            flags |= FORMAT_MESSAGE_FROM_HMODULE; // searched before the system
    }
    wchar_t* raw = nullptr;
    const DWORD length =
        ::FormatMessageW(flags, source, status, 0, reinterpret_cast<LPWSTR>(&raw), 0, nullptr);
    const std::unique_ptr<wchar_t, LocalRelease> text(raw);
    if (length == 0 || text == nullptr)
        return {};
    std::u16string result(text.get(), text.get() + length);
    while (!result.empty() && (result.back() == u'\r' || result.back() == u'\n'))
        result.pop_back();
    return result;
}

// --- The backend --------------------------------------------------------------

class WindowsPlatform final : public Platform {
  public:
    NetStatus NetFileEnum(const char16_t* serverName, const char16_t* basePath,
                          const char16_t* userName, std::uint32_t level, std::uint8_t** buffer,
                          std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                          std::uint32_t* totalEntries, std::uintptr_t* resumeHandle) override {
        DWORD read = 0;
        DWORD total = 0;
        DWORD_PTR resume = resumeHandle != nullptr ? *resumeHandle : 0;
        const NET_API_STATUS status =
            ::NetFileEnum(Wide(serverName), Wide(basePath), Wide(userName), level, buffer,
                          prefMaxLen, &read, &total, resumeHandle != nullptr ? &resume : nullptr);
        *entriesRead = read;
        *totalEntries = total;
        if (resumeHandle != nullptr)
            *resumeHandle = resume;
        return status;
    }

    NetStatus NetShareEnum(const char16_t* serverName, std::uint32_t level, std::uint8_t** buffer,
                           std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                           std::uint32_t* totalEntries, std::uint32_t* resumeHandle) override {
        DWORD read = 0;
        DWORD total = 0;
        DWORD resume = resumeHandle != nullptr ? *resumeHandle : 0;
        const NET_API_STATUS status =
            ::NetShareEnum(Wide(serverName), level, buffer, prefMaxLen, &read, &total,
                           resumeHandle != nullptr ? &resume : nullptr);
        *entriesRead = read;
        *totalEntries = total;
        if (resumeHandle != nullptr)
            *resumeHandle = resume;
        return status;
    }

    NetStatus NetShareGetInfo(const char16_t* serverName, const char16_t* netName,
                              std::uint32_t level, std::uint8_t** buffer) override {
        return ::NetShareGetInfo(Wide(serverName), Wide(netName), level, buffer);
    }

    NetStatus NetFileClose(const char16_t* serverName, std::uint32_t fileId) override {
        return ::NetFileClose(Wide(serverName), fileId);
    }

    // NetServerEnum exists only in the wide-character form.
    NetStatus NetServerEnum(const char16_t* serverName, std::uint32_t level, std::uint8_t** buffer,
                            std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                            std::uint32_t* totalEntries, std::uint32_t serverType,
                            const char16_t* domain, std::uint32_t* resumeHandle) override {
        DWORD read = 0;
        DWORD total = 0;
        DWORD resume = resumeHandle != nullptr ? *resumeHandle : 0;
        const NET_API_STATUS status =
            ::NetServerEnum(Wide(serverName), level, buffer, prefMaxLen, &read, &total, serverType,
                            Wide(domain), resumeHandle != nullptr ? &resume : nullptr);
        *entriesRead = read;
        *totalEntries = total;
        if (resumeHandle != nullptr)
            *resumeHandle = resume;
        return status;
    }

    // The message goes out as it is: UTF-16LE bytes and their number. The
    // system declares the buffer LPBYTE but only reads it.
    NetStatus NetMessageBufferSend(const char16_t* serverName, const char16_t* msgName,
                                   const char16_t* fromName, const std::uint8_t* buffer,
                                   std::uint32_t byteLength) override {
        return ::NetMessageBufferSend(Wide(serverName), Wide(msgName), Wide(fromName),
                                      const_cast<LPBYTE>(buffer), byteLength);
    }

    // The drive is the path's first two characters, a letter and a colon,
    // without a backslash. The wide forms keep share and server names that
    // lie outside the ANSI code page.
    // A relative path lies below the working folder of its drive.
    NetworkDrive LookUpNetworkDrive(const std::u16string& given) override {
        NetworkDrive drive;
        std::u16string path = given;
        const std::wstring wide(given.begin(), given.end());
        if (const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr); size > 0) {
            std::wstring full(size, L'\0');
            const DWORD written = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
            if (written > 0 && written < size)
                path.assign(full.begin(), full.begin() + written);
        }
        const std::wstring designation(path.begin(),
                                       path.begin() + std::min<std::size_t>(2, path.size()));
        drive.isNetworkDrive = ::GetDriveTypeW(designation.c_str()) == DRIVE_REMOTE;
        if (!drive.isNetworkDrive)
            return drive;
        wchar_t remote[256] = {};
        DWORD length = 255;
        if (::WNetGetConnectionW(designation.c_str(), remote, &length) == NO_ERROR &&
            std::find(remote, remote + 255, L'\0') != remote + 255)
            drive.remoteName = std::u16string(remote, remote + std::wcslen(remote));
        if (path.size() > 3)
            drive.rest = path.substr(3);
        return drive;
    }

    // The directory search gives the entry's name as the file system stores
    // it, that is its long name when the path names a short (8.3) alias.
    std::optional<std::u16string> FindEntryName(const std::u16string& path) override {
        const std::wstring wide(path.begin(), path.end());
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileW(wide.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            switch (::GetLastError()) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_NO_MORE_FILES:
                return std::u16string(); // nothing matches
            default:
                return std::nullopt; // the path cannot be searched
            }
        }
        ::FindClose(search);
        return std::u16string(found.cFileName, found.cFileName + std::wcslen(found.cFileName));
    }

    char16_t PathSeparator() const override { return u'\\'; }

    // netapi32 asks every server as the user of the system's logon session.
    SignInChoices AvailableSignIn() override { return {}; }
    void SetCredentials(const std::u16string&, const Credentials&) override {}

    // The system's own client keeps its waits.
    void SetTimeout(std::chrono::seconds) override {}

    // The system's client has no Samba configuration to set up.
    std::optional<std::string> SetClientSettings(const ClientSettings& settings) override {
        if (settings.configFile.empty() && settings.options.empty() && settings.debugLevel.empty())
            return std::nullopt;
        return "Samba's configuration (-s, -W, --option) and messages (-d) are not used on "
               "Windows";
    }

    void NetApiBufferFree(void* buffer) override {
        if (buffer != nullptr)
            ::NetApiBufferFree(buffer);
    }

    // The system's words first; for a status of ours that the system has no
    // text for (netmsg.dll missing, as under Wine), the words of our table.
    std::u16string StatusText(NetStatus status) override {
        std::u16string text = MessageText(status);
        if (text.empty())
            text = NetStatusText(status);
        if (text.empty())
            text = u"Error " + FromUtf8(std::to_string(status));
        return text;
    }
};

} // namespace

Platform& SystemPlatform() {
    static WindowsPlatform platform;
    return platform;
}

} // namespace quarnel::platform
