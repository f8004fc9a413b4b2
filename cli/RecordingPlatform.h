// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Passes every call on to another platform and remembers the last status
// that ended an enumeration, so that the command-line companion can say in
// words why a listing failed. The query layer itself never passes a status on.
#pragma once

#include "platform/ForwardingPlatform.h"

namespace quarnel::cli {

class RecordingPlatform final : public platform::ForwardingPlatform {
  public:
    using ForwardingPlatform::ForwardingPlatform;

    // The status of the last platform call that neither succeeded nor
    // announced more data; netstatus::Success when there was none.
    platform::NetStatus LastFailure() const { return lastFailure_; }

    platform::NetStatus NetFileEnum(const char16_t* serverName, const char16_t* basePath,
                                    const char16_t* userName, std::uint32_t level,
                                    std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                    std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                    std::uintptr_t* resumeHandle) override {
        return Record(ForwardingPlatform::NetFileEnum(serverName, basePath, userName, level, buffer,
                                                      prefMaxLen, entriesRead, totalEntries,
                                                      resumeHandle));
    }
    platform::NetStatus NetShareEnum(const char16_t* serverName, std::uint32_t level,
                                     std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                     std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                     std::uint32_t* resumeHandle) override {
        return Record(ForwardingPlatform::NetShareEnum(serverName, level, buffer, prefMaxLen,
                                                       entriesRead, totalEntries, resumeHandle));
    }
    platform::NetStatus NetShareGetInfo(const char16_t* serverName, const char16_t* netName,
                                        std::uint32_t level, std::uint8_t** buffer) override {
        return Record(ForwardingPlatform::NetShareGetInfo(serverName, netName, level, buffer));
    }
    platform::NetStatus NetFileClose(const char16_t* serverName, std::uint32_t fileId) override {
        return Record(ForwardingPlatform::NetFileClose(serverName, fileId));
    }
    platform::NetStatus NetServerEnum(const char16_t* serverName, std::uint32_t level,
                                      std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                      std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                      std::uint32_t serverType, const char16_t* domain,
                                      std::uint32_t* resumeHandle) override {
        return Record(inner_.NetServerEnum(serverName, level, buffer, prefMaxLen, entriesRead,
                                           totalEntries, serverType, domain, resumeHandle));
    }
    platform::NetStatus NetMessageBufferSend(const char16_t* serverName, const char16_t* msgName,
                                             const char16_t* fromName, const std::uint8_t* buffer,
                                             std::uint32_t byteLength) override {
        return Record(ForwardingPlatform::NetMessageBufferSend(serverName, msgName, fromName,
                                                               buffer, byteLength));
    }

  private:
    platform::NetStatus Record(platform::NetStatus status) {
        if (status != platform::netstatus::Success && status != platform::netstatus::MoreData)
            lastFailure_ = status;
        return status;
    }

    platform::NetStatus lastFailure_ = platform::netstatus::Success;
};

} // namespace quarnel::cli
