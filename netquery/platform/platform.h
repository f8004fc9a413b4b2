// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The one interface through which Quarnel reaches the operating system.
//
// The query layer is written once against this class; each operating system
// has a backend (platform_win.cpp, platform_samba.cpp) and the tests have a
// scripted one. A platform that stands around another (a worker thread, a
// sign-in) derives from ForwardingPlatform, which passes every call on. Statuses are the Windows
// network status codes on every system: the Samba backend translates its answers into them.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarnel::platform {

using NetStatus = std::uint32_t;

// The statuses that the query layer itself tests for or that the backends
// produce, with the platform's own names beside them; any other value is
// carried through unchanged. (The Windows headers define those names as
// macros, so ours are different.)
namespace netstatus {
inline constexpr NetStatus Success = 0;            // NERR_Success
inline constexpr NetStatus FileNotFound = 2;       // ERROR_FILE_NOT_FOUND
inline constexpr NetStatus AccessDenied = 5;       // ERROR_ACCESS_DENIED
inline constexpr NetStatus NotEnoughMemory = 8;    // ERROR_NOT_ENOUGH_MEMORY
inline constexpr NetStatus NotSupported = 50;      // ERROR_NOT_SUPPORTED
inline constexpr NetStatus BadNetPath = 53;        // ERROR_BAD_NETPATH
inline constexpr NetStatus NetNameDeleted = 64;    // ERROR_NETNAME_DELETED
inline constexpr NetStatus BadNetResponse = 58;    // ERROR_BAD_NET_RESP
inline constexpr NetStatus InvalidParameter = 87;  // ERROR_INVALID_PARAMETER
inline constexpr NetStatus SemTimeout = 121;       // ERROR_SEM_TIMEOUT
inline constexpr NetStatus InvalidName = 123;      // ERROR_INVALID_NAME
inline constexpr NetStatus InvalidLevel = 124;     // ERROR_INVALID_LEVEL
inline constexpr NetStatus MoreData = 234;         // ERROR_MORE_DATA
inline constexpr NetStatus NoTranslation = 1113;   // ERROR_NO_UNICODE_TRANSLATION
inline constexpr NetStatus Cancelled = 1223;       // ERROR_CANCELLED
inline constexpr NetStatus LogonFailure = 1326;    // ERROR_LOGON_FAILURE
inline constexpr NetStatus NetworkError = 2136;    // NERR_NetworkError
inline constexpr NetStatus UseNotFound = 2250;     // NERR_UseNotFound
inline constexpr NetStatus NameNotFound = 2273;    // NERR_NameNotFound
inline constexpr NetStatus NetNameNotFound = 2310; // NERR_NetNameNotFound
inline constexpr NetStatus FileIdNotFound = 2314;  // NERR_FileIdNotFound
inline constexpr NetStatus MessageTooLong = 4336;  // ERROR_MESSAGE_EXCEEDS_MAX_SIZE

inline constexpr NetStatus NoBrowserServersFound = 6118; // ERROR_NO_BROWSER_SERVERS_FOUND

// Kerberos sign-in on Linux, as the nearest Windows statuses name it.
inline constexpr NetStatus NoSuchLogonSession = 1312; // ERROR_NO_SUCH_LOGON_SESSION
inline constexpr NetStatus WrongTargetName = 1396;    // ERROR_WRONG_TARGET_NAME
inline constexpr NetStatus ContextExpired = 1931;     // ERROR_CONTEXT_EXPIRED
} // namespace netstatus

// Record layouts as the platform hands them out, field for field the
// Windows FILE_INFO_3, SHARE_INFO_2 and SERVER_INFO_100. Strings are
// NUL-terminated UTF-16 and live in the same buffer as the records.
struct FileInfo3 {
    std::uint32_t fi3_id;
    std::uint32_t fi3_permissions;
    std::uint32_t fi3_num_locks;
    const char16_t* fi3_pathname;
    const char16_t* fi3_username;
};

struct ShareInfo2 {
    const char16_t* shi2_netname;
    std::uint32_t shi2_type;
    const char16_t* shi2_remark;
    std::uint32_t shi2_permissions;
    std::uint32_t shi2_max_uses;
    std::uint32_t shi2_current_uses;
    const char16_t* shi2_path;
    const char16_t* shi2_passwd;
};

struct ServerInfo100 {
    std::uint32_t sv100_platform_id;
    const char16_t* sv100_name;
};

// The server-type bits of NetServerEnum that Quarnel names, with the
// platform's names beside them (macros of the Windows headers again).
namespace servertype {
inline constexpr std::uint32_t Server = 0x2;     // SV_TYPE_SERVER
inline constexpr std::uint32_t All = 0xFFFFFFFF; // SV_TYPE_ALL
} // namespace servertype

// What stands behind a client-side path on a drive: whether the drive is a
// network drive, the network name of its connection (\\server\share, or
// further folders for a drive mapped below a share; none when the platform
// cannot name it), and the rest of the path below the drive, with
// backslashes.
struct NetworkDrive {
    bool isNetworkDrive = false;
    std::optional<std::u16string> remoteName;
    std::u16string rest;
    // A name in the path holds what no name may hold, such as an encoded
    // separator in an smb:// URL: the path names nothing.
    bool invalidName = false;
};

// Who the caller is to a server, when the system lets a program say so
// (Linux). Held in memory only.
struct Credentials {
    std::u16string user;     // DOMAIN\user, "user@REALM" or a plain user name
    std::u16string password; // with `kerberos`, gets a ticket for `user`
    bool kerberos = false;   // Kerberos alone; without a password, the caller's ticket cache

    bool operator==(const Credentials&) const = default;
};

// How a person can sign in to a server from this system: with a user name
// and password, or the system's own logon session alone (Windows); and
// whether the caller's Kerberos ticket cache holds a usable ticket, whose,
// and when not, why not (the status that a sign-in with it fails with, in
// StatusText's words).
struct SignInChoices {
    bool credentials = false;
    bool kerberosTicket = false;
    std::u16string kerberosPrincipal{}; // "user@REALM"
    NetStatus kerberosStatus = netstatus::Success;
};

// How Samba's client is set up for every call, in the terms of Samba's own
// tools (-s, --option, -d). Windows has no such client.
struct ClientSettings {
    std::string configFile;           // empty: QUARNEL_SMB_CONF, else Samba's own
    std::vector<std::string> options; // "name = value", over the file's
    // Samba's own messages at this level ("3", or by class: "1 auth:5") on
    // standard error as they come; empty: they never reach it.
    std::string debugLevel;
};

// The server name that stands for every server without credentials of its
// own; "" is the local computer, as in the calls.
inline constexpr char16_t EveryServer[] = u"*";

class Platform {
  public:
    virtual ~Platform() = default;

    // Open files on a server. Null strings mean "not given". The buffer holds
    // *entriesRead FileInfo3 records (level 3); it is released with
    // NetApiBufferFree, also when the status reports a failure.
    virtual NetStatus NetFileEnum(const char16_t* serverName, const char16_t* basePath,
                                  const char16_t* userName, std::uint32_t level,
                                  std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                  std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                  std::uintptr_t* resumeHandle) = 0;

    // The shares of a server. The buffer holds *entriesRead ShareInfo2
    // records (level 2).
    virtual NetStatus NetShareEnum(const char16_t* serverName, std::uint32_t level,
                                   std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                   std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                   std::uint32_t* resumeHandle) = 0;

    // One share's record (level 2: one ShareInfo2).
    virtual NetStatus NetShareGetInfo(const char16_t* serverName, const char16_t* netName,
                                      std::uint32_t level, std::uint8_t** buffer) = 0;

    // The servers of a domain whose type matches one of the bits of
    // `serverType`, as `serverName` (null: the local computer) knows them.
    // A null `domain` is the primary domain. The buffer holds *entriesRead
    // ServerInfo100 records (level 100).
    virtual NetStatus NetServerEnum(const char16_t* serverName, std::uint32_t level,
                                    std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                    std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                    std::uint32_t serverType, const char16_t* domain,
                                    std::uint32_t* resumeHandle) = 0;

    // Delivers a network message to `msgName`: a user name, a computer name
    // or another message alias. `buffer` holds `byteLength` bytes of UTF-16LE
    // text without a terminating NUL (null and 0 for an empty text). A null
    // `fromName` lets the platform name the sender; a null `serverName` sends
    // from the local computer. The Windows backend hands all of it to
    // netapi32 unchanged; see platform_samba.cpp for what the names mean on
    // Linux.
    virtual NetStatus NetMessageBufferSend(const char16_t* serverName, const char16_t* msgName,
                                           const char16_t* fromName, const std::uint8_t* buffer,
                                           std::uint32_t byteLength) = 0;

    // Closes one open file on a server, by the identifier NetFileEnum gave
    // it: the holder's handle is gone, and with it whatever the holder had
    // not yet written. A null server is the local computer.
    virtual NetStatus NetFileClose(const char16_t* serverName, std::uint32_t fileId) = 0;

    // Releases a buffer that one of the operations above handed out.
    virtual void NetApiBufferFree(void* buffer) = 0;

    // Whether a client-side path lies on a network drive, and the connection
    // behind it. On Windows the drive is the path's first two characters (a
    // letter and a colon); on Linux SMB mounts and smb:// URLs stand in.
    virtual NetworkDrive LookUpNetworkDrive(const std::u16string& path) = 0;

    // The name of the directory entry that matches `path`, as the file
    // system stores it (its long name): empty when nothing matches, nullopt
    // when the path cannot be searched at all.
    virtual std::optional<std::u16string> FindEntryName(const std::u16string& path) = 0;

    // The character between the components of a local path.
    virtual char16_t PathSeparator() const = 0;

    // How a person can sign in to servers from here.
    virtual SignInChoices AvailableSignIn() = 0;

    // The credentials for the later calls to `server` (named as in the
    // calls, with or without its backslashes; case does not matter), or for
    // EveryServer. They replace what the environment gives. A platform that
    // uses the system's logon session ignores them.
    virtual void SetCredentials(const std::u16string& server, const Credentials& credentials) = 0;

    // A status in the platform's own words, for the command-line companion.
    virtual std::u16string StatusText(NetStatus status) = 0;

    // How long to wait for a server to accept a connection and answer; a
    // silent server then fails with SemTimeout. The Samba backend starts
    // with QUARNEL_TIMEOUT (whole seconds) or DefaultTimeout. The Windows
    // backend keeps the waits of the system's own client and ignores it.
    static constexpr std::chrono::seconds DefaultTimeout{20};
    virtual void SetTimeout(std::chrono::seconds timeout) = 0;

    // Sets the client up for the later calls, before the first one. The
    // reason when a setting cannot be taken (an option the client does not
    // know, a system without such a client); nothing when all are taken.
    virtual std::optional<std::string> SetClientSettings(const ClientSettings& settings) = 0;
};

// The backend of the system the program was built for.
Platform& SystemPlatform();

} // namespace quarnel::platform
