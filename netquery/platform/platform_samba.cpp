// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The Linux backend: Samba's libnetapi (MS-SRVS over SMB) for open files.
//
// libnetapi speaks UTF-8 and hands out its own buffers; every answer is
// copied at once into a buffer of ours in the UTF-16 record layout of the
// platform interface, and libnetapi's buffer is released on the spot.
#include "directory_samba.h"
#include "message_samba.h"
#include "mounts_samba.h"
#include "platform.h"
#include "probe_samba.h"
#include "records_samba.h"
#include "servers_samba.h"

#include "../utf.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <netapi.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quarnel::platform {

namespace {

std::optional<std::string> Utf8OrNull(const char16_t* s) {
    if (s == nullptr)
        return std::nullopt;
    return ToUtf8(s);
}

std::optional<std::string> ServerOrNull(const char16_t* s) {
    if (s == nullptr)
        return std::nullopt;
    return ToUtf8(samba::LibnetapiServerName(s));
}

const char* CStr(const std::optional<std::string>& s) {
    return s ? s->c_str() : nullptr;
}

// Credentials are kept by the server's name as libnetapi takes it, in lower
// case, as SMB compares names; the local computer's key is empty.
std::string CredentialKey(const std::optional<std::string>& server) {
    std::string key = server.value_or(std::string());
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

// The platform identifier of a server that the browse list names: it does
// not say, and no identifier stands for "unknown".
constexpr std::uint32_t UnreportedPlatformId = 0;

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// A Kerberos ticket cache that the caller already holds, as the Kerberos
// library would find it: KRB5CCNAME, else the default file cache.
bool HasKerberosTicket() {
    if (const char* name = std::getenv("KRB5CCNAME"); name != nullptr && *name != '\0') {
        std::string cache(name);
        if (cache.starts_with("FILE:"))
            return FileExists(cache.substr(5));
        if (cache.find(':') == std::string::npos)
            return FileExists(cache);
        return true; // KEYRING:, KCM:, DIR: and the like
    }
    return FileExists("/tmp/krb5cc_" + std::to_string(::getuid()));
}

// libnetapi's client code prints the reason of a failed session set-up on
// standard output, and when it lacks a password it asks for one there and
// reads the answer from standard input. While a call runs, standard output
// goes to a temporary file instead, so that the reason can be read and
// nothing lands in the output of the command-line companion, and standard
// input is empty, so that nothing meant for the program is taken as a
// password and nobody is asked on a terminal.
class StdoutCapture {
  public:
    StdoutCapture() {
        std::fflush(stdout);
        file_ = std::tmpfile();
        saved_ = ::dup(STDOUT_FILENO);
        if (file_ != nullptr && saved_ >= 0)
            ::dup2(::fileno(file_), STDOUT_FILENO);
        const int empty = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        savedInput_ = ::dup(STDIN_FILENO);
        if (empty >= 0 && savedInput_ >= 0)
            ::dup2(empty, STDIN_FILENO);
        if (empty >= 0)
            ::close(empty);
    }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    ~StdoutCapture() {
        Restore();
        if (file_ != nullptr)
            std::fclose(file_);
    }

    std::string Finish() {
        Restore();
        std::string text;
        if (file_ == nullptr)
            return text;
        std::rewind(file_);
        char chunk[512];
        std::size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, file_)) > 0)
            text.append(chunk, n);
        return text;
    }

  private:
    void Restore() {
        if (savedInput_ >= 0) {
            ::dup2(savedInput_, STDIN_FILENO);
            ::close(savedInput_);
            savedInput_ = -1;
        }
        if (saved_ < 0)
            return;
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
        saved_ = -1;
    }

    std::FILE* file_ = nullptr;
    int saved_ = -1;
    int savedInput_ = -1;
};

class SambaPlatform final : public Platform {
  public:
    ~SambaPlatform() override { DropContext(); }

    NetStatus NetFileEnum(const char16_t* serverName, const char16_t* basePath,
                          const char16_t* userName, std::uint32_t level, std::uint8_t** buffer,
                          std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                          std::uint32_t* totalEntries, std::uintptr_t* resumeHandle) override {
        *buffer = nullptr;
        *entriesRead = 0;
        *totalEntries = 0;
        if (level != 3)
            return netstatus::InvalidLevel; // only level 3 is converted
        const auto server = ServerOrNull(serverName);
        const auto base = Utf8OrNull(basePath);
        const auto user = Utf8OrNull(userName);
        const std::u16string narrowTo = basePath ? std::u16string(basePath) : u"";
        auto resume = static_cast<std::uint32_t>(*resumeHandle);
        // libnetapi keeps what each listing brings in its context and never
        // gives it back (about 300 bytes an open file): a listing starts
        // with a fresh context, so that a window that lists again and again
        // for hours stays as large as its latest listing needs.
        if (resume == 0)
            DropContext();
        const NetStatus status = Call(
            server,
            [&](std::uint8_t** raw, std::uint32_t* read) {
                return ::NetFileEnum(CStr(server), CStr(base), CStr(user), level, raw, prefMaxLen,
                                     read, totalEntries, &resume);
            },
            [&](const std::uint8_t* raw, std::uint32_t read) {
                return samba::PackFileInfo3(reinterpret_cast<const FILE_INFO_3*>(raw), read,
                                            narrowTo, entriesRead);
            },
            buffer);
        *resumeHandle = resume;
        return status;
    }

    NetStatus NetShareEnum(const char16_t* serverName, std::uint32_t level, std::uint8_t** buffer,
                           std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                           std::uint32_t* totalEntries, std::uint32_t* resumeHandle) override {
        *buffer = nullptr;
        *entriesRead = 0;
        *totalEntries = 0;
        if (level != 2)
            return netstatus::InvalidLevel; // only level 2 is converted
        const auto server = ServerOrNull(serverName);
        return Call(
            server,
            [&](std::uint8_t** raw, std::uint32_t* read) {
                return ::NetShareEnum(CStr(server), level, raw, prefMaxLen, read, totalEntries,
                                      resumeHandle);
            },
            [&](const std::uint8_t* raw, std::uint32_t read) {
                *entriesRead = read;
                return samba::PackShareInfo2(reinterpret_cast<const SHARE_INFO_2*>(raw), read);
            },
            buffer);
    }

    NetStatus NetShareGetInfo(const char16_t* serverName, const char16_t* netName,
                              std::uint32_t level, std::uint8_t** buffer) override {
        *buffer = nullptr;
        if (level != 2)
            return netstatus::InvalidLevel;
        const auto server = ServerOrNull(serverName);
        const auto share = Utf8OrNull(netName);
        const NetStatus status = Call(
            server,
            [&](std::uint8_t** raw, std::uint32_t* read) {
                *read = 1;
                return ::NetShareGetInfo(CStr(server), CStr(share), level, raw);
            },
            [&](const std::uint8_t* raw, std::uint32_t read) {
                return samba::PackShareInfo2(reinterpret_cast<const SHARE_INFO_2*>(raw), read);
            },
            buffer);
        // Samba's server calls a share it does not have an invalid name;
        // a Windows server says that no such share exists.
        return status == netstatus::InvalidName ? netstatus::NetNameNotFound : status;
    }

    // Samba's server answers "file not found" for an identifier that it
    // holds no open file under, where a Windows server names the identifier
    // itself; callers hear the Windows status. The server closes the file
    // a moment after it answers: it asks the process that serves the
    // holder's connection to close it.
    NetStatus NetFileClose(const char16_t* serverName, std::uint32_t fileId) override {
        const auto server = ServerOrNull(serverName);
        std::uint8_t* none = nullptr;
        const NetStatus status = Call(
            server,
            [&](std::uint8_t**, std::uint32_t*) { return ::NetFileClose(CStr(server), fileId); },
            [](const std::uint8_t*, std::uint32_t) -> std::uint8_t* { return nullptr; }, &none);
        return status == netstatus::FileNotFound ? netstatus::FileIdNotFound : status;
    }

    // libsmbclient browses the domain (servers_samba.h). Only this computer
    // can carry out the enumeration, the browse list answers only "servers",
    // and it carries no platform identifier: such records say 0. The whole
    // list comes in one batch.
    NetStatus NetServerEnum(const char16_t* serverName, std::uint32_t level, std::uint8_t** buffer,
                            std::uint32_t, std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                            std::uint32_t serverType, const char16_t* domain,
                            std::uint32_t*) override {
        *buffer = nullptr;
        *entriesRead = 0;
        *totalEntries = 0;
        if (level != 100)
            return netstatus::InvalidLevel; // only level 100 is converted
        if (serverName != nullptr || !samba::BrowseListAnswers(serverType))
            return netstatus::NotSupported;
        samba::BrowseRequest request;
        request.domain = domain ? ToUtf8(domain) : "";
        if (const char* conf = std::getenv("QUARNEL_SMB_CONF"))
            request.configFile = conf;
        const char* password = std::getenv("PASSWD");
        const char* user = std::getenv("USER");
        if (password != nullptr && user != nullptr) {
            request.user = user;
            request.password = password;
        }
        request.useKerberos = HasKerberosTicket();
        std::vector<std::string> names;
        const NetStatus status = samba::BrowseDomain(request, names);
        if (status != netstatus::Success)
            return status;
        try {
            *buffer = samba::PackServerInfo100(names, UnreportedPlatformId);
        } catch (const std::bad_alloc&) {
            return netstatus::NotEnoughMemory;
        }
        *entriesRead = *totalEntries = static_cast<std::uint32_t>(names.size());
        return netstatus::Success;
    }

    // smbclient delivers the message (message_samba.h). Without a server
    // name it resolves the recipient's NetBIOS name as Samba's configuration
    // says, as the Windows messenger resolves it on its network; with one it
    // delivers to that host instead (Linux has no remote computer "carry out"
    // the sending, so the name says where the message goes). QUARNEL_SMB_CONF
    // names another Samba configuration for it, so that a private network,
    // such as the one the tests run on loopback, resolves names its own way.
    NetStatus NetMessageBufferSend(const char16_t* serverName, const char16_t* msgName,
                                   const char16_t* fromName, const std::uint8_t* buffer,
                                   std::uint32_t byteLength) override {
        const std::optional<std::u16string> text = samba::DecodeMessageBuffer(buffer, byteLength);
        if (!text || msgName == nullptr || *msgName == u'\0')
            return netstatus::InvalidParameter;
        samba::MessageRequest request;
        request.recipient = msgName;
        request.server = serverName ? serverName : u"";
        request.sender = fromName ? fromName : u"";
        if (const char* conf = std::getenv("QUARNEL_SMB_CONF"))
            request.configFile = conf;
        request.timeout = timeout_;
        const auto arguments = samba::SmbclientMessageArguments(request);
        if (!arguments)
            return netstatus::InvalidName;
        if (const auto refused = samba::UndeliverableText(*text))
            return *refused;
        // smbclient takes an answer that is no NetBIOS for a silent peer.
        if (!request.server.empty())
            if (const auto silent =
                    samba::ProbeServer(ToUtf8(samba::LibnetapiServerName(request.server)),
                                       samba::SmbPort::NetBios, timeout_))
                return *silent;
        // smbclient's own waits cover each request, and the whole run, name
        // resolution included, gets the same window.
        return samba::MessageStatus(
            samba::RunProcess(*arguments, samba::SmbclientMessageText(*text), timeout_));
    }

    // A relative path lies below the working folder.
    NetworkDrive LookUpNetworkDrive(const std::u16string& path) override {
        std::ifstream table("/proc/self/mounts");
        const std::string text((std::istreambuf_iterator<char>(table)),
                               std::istreambuf_iterator<char>());
        std::error_code error;
        const std::string workingFolder = std::filesystem::current_path(error).string();
        return samba::NetworkDriveFromMounts(ToUtf8(path), samba::ParseMountTable(text),
                                             error ? "/" : workingFolder);
    }

    std::optional<std::u16string> FindEntryName(const std::u16string& path) override {
        const std::optional<std::string> name = samba::FindEntryName(ToUtf8(path));
        if (!name)
            return std::nullopt;
        return FromUtf8(*name);
    }

    char16_t PathSeparator() const override { return u'/'; }

    void NetApiBufferFree(void* buffer) override { std::free(buffer); }

    SignInChoices AvailableSignIn() override { return {true, HasKerberosTicket()}; }

    void SetCredentials(const std::u16string& server, const Credentials& credentials) override {
        const std::lock_guard lock(credentialsLock_);
        credentials_[server == EveryServer ? "*" : CredentialKey(ServerOrNull(server.c_str()))] =
            credentials;
    }

    void SetTimeout(std::chrono::seconds timeout) override { timeout_ = timeout; }

    std::u16string StatusText(NetStatus status) override {
        // The statuses of a server that the probe found silent or speaking
        // no SMB: the system's texts would not tell what happened.
        if (status == netstatus::SemTimeout)
            return u"The server did not answer within " +
                   FromUtf8(std::to_string(timeout_.count())) +
                   (timeout_.count() == 1 ? u" second" : u" seconds");
        if (status == netstatus::BadNetResponse)
            return u"The server's answer is not SMB";
        char* text = libnetapi_errstr(static_cast<NET_API_STATUS>(status));
        if (text == nullptr)
            return u"Error " + FromUtf8(std::to_string(status));
        std::u16string result = FromUtf8(text);
        ::NetApiBufferFree(text);
        return result;
    }

  private:
    // Runs one libnetapi call: `call` fills libnetapi's buffer and its count
    // of records, `pack` copies them into a buffer of ours, and libnetapi's
    // buffer is released at once. What libnetapi's client code prints goes
    // into the status instead of onto standard output. A server that does
    // not speak SMB within the window is not handed to libnetapi at all.
    template <typename CallFn, typename PackFn>
    NetStatus Call(const std::optional<std::string>& server, CallFn call, PackFn pack,
                   std::uint8_t** buffer) {
        if (server)
            if (const auto silent = samba::ProbeServer(*server, samba::SmbPort::Direct, timeout_))
                return *silent;
        if (const NetStatus status = EnsureContext(server); status != netstatus::Success)
            return status;
        std::uint8_t* raw = nullptr;
        std::uint32_t read = 0;
        StdoutCapture capture;
        const NetStatus status = call(&raw, &read);
        const std::string clientOutput = capture.Finish();
        if (raw != nullptr) {
            const std::unique_ptr<std::uint8_t, decltype(&::NetApiBufferFree)> owned(
                raw, &::NetApiBufferFree);
            try {
                *buffer = pack(raw, read);
            } catch (const std::bad_alloc&) {
                return netstatus::NotEnoughMemory;
            }
        }
        return samba::TranslateConnectFailure(status, clientOutput);
    }

    // The credentials given for `server`, else those for every server;
    // nullopt when none were given.
    std::optional<Credentials> CredentialsFor(const std::optional<std::string>& server) {
        const std::lock_guard lock(credentialsLock_);
        for (const std::string& key : {CredentialKey(server), std::string("*")})
            if (const auto found = credentials_.find(key); found != credentials_.end())
                return found->second;
        return std::nullopt;
    }

    // A libnetapi context made with the credentials that `server` gets.
    // libnetapi keeps the connection to every server it has reached for the
    // life of its context and uses it again whatever credentials it holds
    // by then, and it cannot forget one: a change of credentials therefore
    // takes a fresh context, which closes them all.
    NetStatus EnsureContext(const std::optional<std::string>& server) {
        const std::optional<Credentials> wanted = CredentialsFor(server);
        if (ctx_ != nullptr && wanted == applied_)
            return netstatus::Success;
        DropContext();
        StdoutCapture capture;
        if (const NetStatus status = libnetapi_init(&ctx_); status != netstatus::Success) {
            ctx_ = nullptr;
            return status;
        }
        libnetapi_set_debuglevel(ctx_, "0");
        if (wanted)
            GiveCredentials(*wanted);
        else
            GiveEnvironmentCredentials();
        applied_ = wanted;
        return netstatus::Success;
    }

    // The next call makes a new context; the connections of this one close.
    void DropContext() {
        if (ctx_ == nullptr)
            return;
        libnetapi_free(ctx_);
        ctx_ = nullptr;
    }

    void GiveCredentials(const Credentials& credentials) {
        if (!credentials.user.empty())
            libnetapi_set_username(ctx_, ToUtf8(credentials.user).c_str());
        if (!credentials.password.empty() || !credentials.kerberos)
            libnetapi_set_password(ctx_, ToUtf8(credentials.password).c_str());
        if (credentials.kerberos)
            libnetapi_set_use_kerberos(ctx_);
    }

    // libnetapi takes the user name and password from the environment (USER
    // and PASSWD), as Samba's tools do; a Kerberos ticket that the caller
    // holds takes precedence. Without one, a missing password is an empty
    // one, which the server refuses, and the caller decides whom to ask.
    void GiveEnvironmentCredentials() {
        if (HasKerberosTicket()) {
            libnetapi_set_use_ccache(ctx_);
            return;
        }
        const char* password = nullptr;
        if (libnetapi_get_password(ctx_, &password) == netstatus::Success && password == nullptr)
            libnetapi_set_password(ctx_, "");
    }

    libnetapi_ctx* ctx_ = nullptr;
    std::optional<Credentials> applied_; // what ctx_ was made with
    std::mutex credentialsLock_;         // calls may run on another thread than the window's
    std::map<std::string, Credentials> credentials_;
    std::chrono::seconds timeout_ = samba::TimeoutFromEnvironment().value_or(DefaultTimeout);
};

} // namespace

Platform& SystemPlatform() {
    static SambaPlatform platform;
    return platform;
}

} // namespace quarnel::platform
