// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// A platform that passes every call on to another one. Platforms that add
// something to some of the calls (recording a status, asking for
// credentials) derive from it and override only those.
#pragma once

#include "platform.h"

namespace quarnel::platform {

class ForwardingPlatform : public Platform {
  public:
    explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

    NetStatus NetFileEnum(const char16_t* serverName, const char16_t* basePath,
                          const char16_t* userName, std::uint32_t level, std::uint8_t** buffer,
                          std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                          std::uint32_t* totalEntries, std::uintptr_t* resumeHandle) override {
        return inner_.NetFileEnum(serverName, basePath, userName, level, buffer, prefMaxLen,
                                  entriesRead, totalEntries, resumeHandle);
    }
    NetStatus NetShareEnum(const char16_t* serverName, std::uint32_t level, std::uint8_t** buffer,
                           std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                           std::uint32_t* totalEntries, std::uint32_t* resumeHandle) override {
        return inner_.NetShareEnum(serverName, level, buffer, prefMaxLen, entriesRead, totalEntries,
                                   resumeHandle);
    }
    NetStatus NetShareGetInfo(const char16_t* serverName, const char16_t* netName,
                              std::uint32_t level, std::uint8_t** buffer) override {
        return inner_.NetShareGetInfo(serverName, netName, level, buffer);
    }
    NetStatus NetServerEnum(const char16_t* serverName, std::uint32_t level, std::uint8_t** buffer,
                            std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                            std::uint32_t* totalEntries, std::uint32_t serverType,
                            const char16_t* domain, std::uint32_t* resumeHandle) override {
        return inner_.NetServerEnum(serverName, level, buffer, prefMaxLen, entriesRead,
                                    totalEntries, serverType, domain, resumeHandle);
    }
    NetStatus NetFileClose(const char16_t* serverName, std::uint32_t fileId) override {
        return inner_.NetFileClose(serverName, fileId);
    }
    NetStatus NetMessageBufferSend(const char16_t* serverName, const char16_t* msgName,
                                   const char16_t* fromName, const std::uint8_t* buffer,
                                   std::uint32_t byteLength) override {
        return inner_.NetMessageBufferSend(serverName, msgName, fromName, buffer, byteLength);
    }
    void NetApiBufferFree(void* buffer) override { inner_.NetApiBufferFree(buffer); }
    NetworkDrive LookUpNetworkDrive(const std::u16string& path) override {
        return inner_.LookUpNetworkDrive(path);
    }
    std::optional<std::u16string> FindEntryName(const std::u16string& path) override {
        return inner_.FindEntryName(path);
    }
    std::u16string BrowseForFolder(std::uintptr_t owner, const std::u16string& title) override {
        return inner_.BrowseForFolder(owner, title);
    }
    char16_t PathSeparator() const override { return inner_.PathSeparator(); }
    SignInChoices AvailableSignIn() override { return inner_.AvailableSignIn(); }
    void SetCredentials(const std::u16string& server, const Credentials& credentials) override {
        inner_.SetCredentials(server, credentials);
    }
    std::u16string StatusText(NetStatus status) override { return inner_.StatusText(status); }
    void YieldToWindowSystem() override { inner_.YieldToWindowSystem(); }

  protected:
    Platform& inner_;
};

} // namespace quarnel::platform
