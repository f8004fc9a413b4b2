// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The Linux backend: Samba's libnetapi (MS-SRVS over SMB) for open files.
//
// libnetapi speaks UTF-8 and hands out its own buffers; every answer is
// copied at once into a buffer of ours in the UTF-16 record layout of the
// platform interface, and libnetapi's buffer is released on the spot.
#include "directory_samba.h"
#include "kerberos_samba.h"
#include "message_samba.h"
#include "mounts_samba.h"
#include "platform.h"
#include "probe_samba.h"
#include "records_samba.h"
#include "servers_samba.h"

#include "../Secrets.h"
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
#include <unistd.h>

// Samba's tools set -s and --option with these, which its libraries export
// (libsamba-util and libsmbconf) but its public headers do not declare.
extern "C" {
const char* set_dyn_CONFIGFILE(const char* path);
bool lp_set_cmdline(const char* name, const char* value);
}

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

// One of the standard descriptors sent into a temporary file, and back where
// it was by Finish, which gives what was written meanwhile.
class Diversion {
  public:
    explicit Diversion(int fd) : fd_(fd) {
        std::fflush(nullptr);
        file_ = std::tmpfile();
        saved_ = ::dup(fd_);
        if (file_ != nullptr && saved_ >= 0)
            ::dup2(::fileno(file_), fd_);
    }
    Diversion(const Diversion&) = delete;
    Diversion& operator=(const Diversion&) = delete;
    ~Diversion() {
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
        if (saved_ < 0)
            return;
        std::fflush(nullptr);
        ::dup2(saved_, fd_);
        ::close(saved_);
        saved_ = -1;
    }

    int fd_;
    std::FILE* file_ = nullptr;
    int saved_ = -1;
};

// libnetapi's client code prints the reason of a failed session set-up on
// standard output, and when it lacks a password it asks for one there and
// reads the answer from standard input; Samba's own messages (its debug log)
// go to standard error. While a call runs, standard output and standard
// error go to temporary files instead, so that the reasons can be read and
// nothing lands in the output of the command-line companion, unless a debug
// level asks for Samba's messages on standard error. Standard input is empty,
// so that nothing meant for the program is taken as a password and nobody is
// asked on a terminal.
class ClientOutput {
  public:
    explicit ClientOutput(bool showLog) {
        if (!showLog)
            log_.emplace(STDERR_FILENO);
        const int empty = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        savedInput_ = ::dup(STDIN_FILENO);
        if (empty >= 0 && savedInput_ >= 0)
            ::dup2(empty, STDIN_FILENO);
        if (empty >= 0)
            ::close(empty);
    }
    ClientOutput(const ClientOutput&) = delete;
    ClientOutput& operator=(const ClientOutput&) = delete;
    ~ClientOutput() { RestoreInput(); }

    // What the client printed, and what it logged (nothing while shown).
    struct Text {
        std::string printed, logged;
    };
    Text Finish() {
        RestoreInput();
        return {printed_.Finish(), log_ ? log_->Finish() : std::string()};
    }

  private:
    void RestoreInput() {
        if (savedInput_ < 0)
            return;
        ::dup2(savedInput_, STDIN_FILENO);
        ::close(savedInput_);
        savedInput_ = -1;
    }

    Diversion printed_{STDOUT_FILENO};
    std::optional<Diversion> log_;
    int savedInput_ = -1;
};

// Samba's client, when it trades a password for a Kerberos ticket, points
// KRB5CCNAME at a cache in its own memory for the rest of the process:
// every later sign-in with the caller's ticket cache, and every look at it,
// would find that ticket instead. The caller's cache is named again once a
// call is done.
class TicketCacheName {
  public:
    TicketCacheName() {
        if (const char* name = std::getenv("KRB5CCNAME"))
            saved_ = name;
    }
    TicketCacheName(const TicketCacheName&) = delete;
    TicketCacheName& operator=(const TicketCacheName&) = delete;
    ~TicketCacheName() {
        if (saved_)
            ::setenv("KRB5CCNAME", saved_->c_str(), 1);
        else
            ::unsetenv("KRB5CCNAME");
    }

  private:
    std::optional<std::string> saved_;
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
        // The master browser is asked with the credentials given for the
        // computer that carries out the enumeration, as for any call to it.
        const std::optional<Credentials> given = CredentialsFor(std::nullopt);
        if (const NetStatus refused = RefusedSignIn(given, std::nullopt);
            refused != netstatus::Success)
            return refused;
        samba::BrowseRequest request;
        request.domain = domain ? ToUtf8(domain) : "";
        request.configFile = ConfigFile();
        if (given) {
            request.user = ToUtf8(given->user);
            request.password = ToUtf8(given->password);
            request.kerberos = given->kerberos ? samba::BrowseRequest::Kerberos::Required
                                               : samba::BrowseRequest::Kerberos::Off;
        } else {
            const char* password = std::getenv("PASSWD");
            const char* user = std::getenv("USER");
            if (password != nullptr && user != nullptr) {
                request.user = user;
                request.password = password;
            }
            if (samba::ReadTicketCache().state == samba::TicketCache::State::Usable)
                request.kerberos = samba::BrowseRequest::Kerberos::Desired;
        }
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
    // the sending, so the name says where the message goes). Another Samba
    // configuration (-s, QUARNEL_SMB_CONF) lets a private network, such as
    // the one the tests run on loopback, resolve names its own way.
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
        request.configFile = ConfigFile();
        request.options = settings_.options;
        request.debugLevel = settings_.debugLevel;
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
        const samba::ProcessOutcome outcome =
            samba::RunProcess(*arguments, samba::SmbclientMessageText(*text), timeout_);
        if (!settings_.debugLevel.empty())
            std::fwrite(outcome.output.data(), 1, outcome.output.size(), stderr);
        return samba::MessageStatus(outcome);
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

    SignInChoices AvailableSignIn() override {
        const samba::TicketCache cache = samba::ReadTicketCache();
        return {true, cache.state == samba::TicketCache::State::Usable, FromUtf8(cache.principal),
                samba::TicketCacheStatus(cache)};
    }

    void SetCredentials(const std::u16string& server, const Credentials& credentials) override {
        const std::lock_guard lock(credentialsLock_);
        credentials_[server == EveryServer ? "*" : CredentialKey(ServerOrNull(server.c_str()))] =
            credentials;
    }

    void SetTimeout(std::chrono::seconds timeout) override { timeout_ = timeout; }

    // The options are set as Samba's tools set --option, for the whole
    // process and over every configuration file it loads later: libnetapi's
    // here, and libsmbclient's in the browse child. Samba checks each name and
    // value as it takes it, and says why not on standard error.
    std::optional<std::string> SetClientSettings(const ClientSettings& settings) override {
        ClientOutput complaints(/*showLog=*/false);
        const auto trimmed = [](std::string text) {
            text.erase(0, text.find_first_not_of(" \t"));
            text.erase(text.find_last_not_of(" \t") + 1);
            return text;
        };
        for (const std::string& option : settings.options) {
            const std::size_t equals = option.find('=');
            if (equals == std::string::npos ||
                !lp_set_cmdline(trimmed(option.substr(0, equals)).c_str(),
                                trimmed(option.substr(equals + 1)).c_str()))
                return "Samba does not take the option \"" + option + "\"";
        }
        if (!settings.debugLevel.empty() &&
            !lp_set_cmdline("log level", settings.debugLevel.c_str()))
            return "Samba does not take the debug level \"" + settings.debugLevel + "\"";
        settings_ = settings;
        return std::nullopt;
    }

    std::u16string StatusText(NetStatus status) override {
        // The statuses of a server that the probe found silent or speaking
        // no SMB: the system's texts would not tell what happened.
        if (status == netstatus::SemTimeout)
            return u"The server did not answer within " +
                   FromUtf8(std::to_string(timeout_.count())) +
                   (timeout_.count() == 1 ? u" second" : u" seconds");
        if (status == netstatus::BadNetResponse)
            return u"The server's answer is not SMB";
        if (status == netstatus::NetNameDeleted)
            return u"The server cut the connection";
        if (status == netstatus::WrongTargetName)
            return u"Kerberos needs the server's name: an address or localhost names no "
                   u"server to get a ticket for";
        if (status == netstatus::NoSuchLogonSession || status == netstatus::ContextExpired)
            if (const std::string problem = samba::TicketCacheProblem(samba::ReadTicketCache());
                !problem.empty())
                return FromUtf8(problem);
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
        if (server) {
            if (const NetStatus refused = RefusedSignIn(CredentialsFor(server), server);
                refused != netstatus::Success)
                return refused;
            if (const auto silent = samba::ProbeServer(*server, samba::SmbPort::Direct, timeout_))
                return *silent;
        }
        const TicketCacheName callersCache;
        if (const NetStatus status = EnsureContext(server); status != netstatus::Success)
            return status;
        std::uint8_t* raw = nullptr;
        std::uint32_t read = 0;
        ClientOutput capture(!settings_.debugLevel.empty());
        const NetStatus status = call(&raw, &read);
        const ClientOutput::Text clientOutput = capture.Finish();
        if (raw != nullptr) {
            const std::unique_ptr<std::uint8_t, decltype(&::NetApiBufferFree)> owned(
                raw, &::NetApiBufferFree);
            try {
                *buffer = pack(raw, read);
            } catch (const std::bad_alloc&) {
                return netstatus::NotEnoughMemory;
            }
        }
        return samba::TranslateConnectFailure(status, clientOutput.printed, clientOutput.logged);
    }

    // Samba's client configuration: the one given, else QUARNEL_SMB_CONF as
    // the window takes it; empty for Samba's own.
    std::string ConfigFile() const {
        if (!settings_.configFile.empty())
            return settings_.configFile;
        const char* file = std::getenv("QUARNEL_SMB_CONF");
        return file != nullptr ? file : "";
    }

    // What Samba's client would fail to sign in to `server` with (nullopt:
    // the master browser, found by its name), said before it is asked, as
    // Samba's client says nothing of it: Kerberos with a server's address,
    // and a ticket cache without a usable ticket when the cache is to sign
    // in. Without credentials given, the environment signs in: the ticket
    // when a cache is at hand, the password in PASSWD when one is set.
    NetStatus RefusedSignIn(const std::optional<Credentials>& given,
                            const std::optional<std::string>& server) {
        const bool kerberosAlone = given && given->kerberos;
        if (server && !samba::KerberosCanName(*server))
            return kerberosAlone ? netstatus::WrongTargetName : netstatus::Success;
        if (given && (!given->kerberos || !given->password.empty()))
            return netstatus::Success; // a password
        const samba::TicketCache cache = samba::ReadTicketCache();
        if (!given &&
            (cache.state == samba::TicketCache::State::Missing || std::getenv("PASSWD") != nullptr))
            return netstatus::Success;
        return samba::TicketCacheStatus(cache);
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
        ClientOutput capture(!settings_.debugLevel.empty());
        if (const std::string file = ConfigFile(); !file.empty())
            set_dyn_CONFIGFILE(file.c_str());
        if (const NetStatus status = libnetapi_init(&ctx_); status != netstatus::Success) {
            ctx_ = nullptr;
            return status;
        }
        // libnetapi starts at level 0, whatever the configuration says.
        if (!settings_.debugLevel.empty())
            libnetapi_set_debuglevel(ctx_, settings_.debugLevel.c_str());
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

    // Samba's client trades a password for a Kerberos ticket of its user
    // when it can, and the ticket cache signs in when there is no password:
    // the password is set also when empty, so that the one in PASSWD does
    // not take its place. With the cache alone the user is not set either:
    // the cache's owner signs in.
    void GiveCredentials(const Credentials& credentials) {
        if (credentials.kerberos)
            libnetapi_set_use_kerberos(ctx_);
        if (!credentials.user.empty() && !(credentials.kerberos && credentials.password.empty()))
            libnetapi_set_username(ctx_, ToUtf8(credentials.user).c_str());
        std::string password = ToUtf8(credentials.password);
        libnetapi_set_password(ctx_, password.c_str());
        WipeSecret(password);
    }

    // libnetapi takes the user name and password from the environment (USER
    // and PASSWD) and the caller's ticket cache, as Samba's tools do. A
    // missing password is an empty one: the ticket signs in, or the server
    // refuses, and the caller decides whom to ask.
    void GiveEnvironmentCredentials() {
        const char* password = nullptr;
        if (libnetapi_get_password(ctx_, &password) == netstatus::Success && password == nullptr)
            libnetapi_set_password(ctx_, "");
    }

    libnetapi_ctx* ctx_ = nullptr;
    std::optional<Credentials> applied_; // what ctx_ was made with
    std::mutex credentialsLock_;         // calls may run on another thread than the window's
    std::map<std::string, Credentials> credentials_;
    std::chrono::seconds timeout_ = samba::TimeoutFromEnvironment().value_or(DefaultTimeout);
    ClientSettings settings_;
};

} // namespace

Platform& SystemPlatform() {
    static SambaPlatform platform;
    return platform;
}

} // namespace quarnel::platform
