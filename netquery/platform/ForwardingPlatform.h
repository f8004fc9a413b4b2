// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// A platform that passes every call on to another one, with one hook around
// each call that can wait on the network. The platforms that stand around
// another (the windows' worker thread and sign-in, the command-line
// companion's record of failures) derive from it and override only that
// hook, so that no call can pass them by.
#pragma once

#include "platform.h"

#include <functional>

namespace quarnel::platform {

// One call as the hook around it sees it.
//
// Which guard stands around which call, and why:
//
//                          worker thread  sign-in  record of failures
//   NetFileEnum                  x           x           x
//   NetShareEnum                 x           x           x
//   NetShareGetInfo              x           x           x
//   NetFileClose                 x           x           x
//   NetServerEnum                x           x           x
//   NetMessageBufferSend         x           -           x
//   LookUpNetworkDrive           x           -           -
//   FindEntryName                x           -           -
//
// Each of these can wait on a server: the last two look at a mount, which
// may stand for a server that does not answer. The first five sign in with
// the credentials given for their server (the browse list with those for
// the local computer, which asks the master browser); the messenger service
// takes no logon, so asking for credentials would change nothing there. The
// last two answer no status (the hook sees Success), so there is no failure
// to record. Every other call (buffer release, the path separator, the
// sign-in choices and credentials, status words, the timeout) never waits on
// the network and passes straight through, on the caller's thread.
struct PlatformCall {
    enum Kind {
        FileEnum,
        ShareEnum,
        ShareGetInfo,
        FileClose,
        ServerEnum,
        MessageSend,
        NetworkDrive,
        EntryName,
    };
    Kind kind;
    // The server the call asks, as the call names it; null for the local
    // computer, or when the call asks none.
    const char16_t* server = nullptr;
    // Where the call hands out its buffer; null when it hands out none. A
    // guard that makes the call again releases the first call's buffer.
    std::uint8_t** buffer = nullptr;

    // The kinds stand in the order of the table above.
    bool SignsIn() const { return kind <= ServerEnum; }
};

class ForwardingPlatform : public Platform {
  public:
    explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

    NetStatus NetFileEnum(const char16_t* serverName, const char16_t* basePath,
                          const char16_t* userName, std::uint32_t level, std::uint8_t** buffer,
                          std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                          std::uint32_t* totalEntries, std::uintptr_t* resumeHandle) override {
        return Around({PlatformCall::FileEnum, serverName, buffer}, [&] {
            return inner_.NetFileEnum(serverName, basePath, userName, level, buffer, prefMaxLen,
                                      entriesRead, totalEntries, resumeHandle);
        });
    }
    NetStatus NetShareEnum(const char16_t* serverName, std::uint32_t level, std::uint8_t** buffer,
                           std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                           std::uint32_t* totalEntries, std::uint32_t* resumeHandle) override {
        return Around({PlatformCall::ShareEnum, serverName, buffer}, [&] {
            return inner_.NetShareEnum(serverName, level, buffer, prefMaxLen, entriesRead,
                                       totalEntries, resumeHandle);
        });
    }
    NetStatus NetShareGetInfo(const char16_t* serverName, const char16_t* netName,
                              std::uint32_t level, std::uint8_t** buffer) override {
        return Around({PlatformCall::ShareGetInfo, serverName, buffer},
                      [&] { return inner_.NetShareGetInfo(serverName, netName, level, buffer); });
    }
    NetStatus NetServerEnum(const char16_t* serverName, std::uint32_t level, std::uint8_t** buffer,
                            std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                            std::uint32_t* totalEntries, std::uint32_t serverType,
                            const char16_t* domain, std::uint32_t* resumeHandle) override {
        return Around({PlatformCall::ServerEnum, serverName, buffer}, [&] {
            return inner_.NetServerEnum(serverName, level, buffer, prefMaxLen, entriesRead,
                                        totalEntries, serverType, domain, resumeHandle);
        });
    }
    NetStatus NetMessageBufferSend(const char16_t* serverName, const char16_t* msgName,
                                   const char16_t* fromName, const std::uint8_t* buffer,
                                   std::uint32_t byteLength) override {
        return Around({PlatformCall::MessageSend, serverName}, [&] {
            return inner_.NetMessageBufferSend(serverName, msgName, fromName, buffer, byteLength);
        });
    }
    NetStatus NetFileClose(const char16_t* serverName, std::uint32_t fileId) override {
        return Around({PlatformCall::FileClose, serverName},
                      [&] { return inner_.NetFileClose(serverName, fileId); });
    }
    NetworkDrive LookUpNetworkDrive(const std::u16string& path) override {
        return Answer({PlatformCall::NetworkDrive},
                      [&] { return inner_.LookUpNetworkDrive(path); });
    }
    std::optional<std::u16string> FindEntryName(const std::u16string& path) override {
        return Answer({PlatformCall::EntryName}, [&] { return inner_.FindEntryName(path); });
    }

    void NetApiBufferFree(void* buffer) override { inner_.NetApiBufferFree(buffer); }
    char16_t PathSeparator() const override { return inner_.PathSeparator(); }
    SignInChoices AvailableSignIn() override { return inner_.AvailableSignIn(); }
    void SetCredentials(const std::u16string& server, const Credentials& credentials) override {
        inner_.SetCredentials(server, credentials);
    }
    std::u16string StatusText(NetStatus status) override { return inner_.StatusText(status); }
    void SetTimeout(std::chrono::seconds timeout) override { inner_.SetTimeout(timeout); }
    std::optional<std::string> SetClientSettings(const ClientSettings& settings) override {
        return inner_.SetClientSettings(settings);
    }

  protected:
    // Stands around one call: `next` makes it on the inner platform and
    // gives its status (Success for a call that answers none), and may be
    // run more than once. Passes the call on unchanged unless a guard says
    // otherwise.
    virtual NetStatus Around(const PlatformCall& call, const std::function<NetStatus()>& next) {
        (void)call;
        return next();
    }

    Platform& inner_;

  private:
    // A call that answers something other than a status, through the hook.
    // A guard that refuses the call (Cancelled, say) leaves the answer empty.
    template <typename Make> auto Answer(const PlatformCall& call, Make make) -> decltype(make()) {
        decltype(make()) answer{};
        const NetStatus status = Around(call, [&] {
            answer = make();
            return netstatus::Success;
        });
        return status == netstatus::Success ? answer : decltype(make()){};
    }
};

} // namespace quarnel::platform
