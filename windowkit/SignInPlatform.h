// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The platform that every window calls through: when a server refuses a
// call with a logon failure or access denied, and the system lets a person
// give credentials, it asks once for them and makes the same call again
// with them. Cancel passes the refusal on, as if nobody had asked. The
// credentials then hold for that server for the rest of the run.
#pragma once

#include "platform/ForwardingPlatform.h"

#include <QString>
#include <functional>
#include <optional>

namespace quarnel {

// Asks a person for credentials for `server` (as the call named it, empty
// for the local computer) after it refused with `reason`: nullopt on Cancel.
using SignInAsker = std::function<std::optional<platform::Credentials>(
    const QString& server, const QString& reason, bool offerKerberos)>;

class SignInPlatform final : public platform::ForwardingPlatform {
  public:
    // By default the sign-in dialog asks.
    explicit SignInPlatform(platform::Platform& inner, SignInAsker ask = {});

    platform::NetStatus NetFileEnum(const char16_t* serverName, const char16_t* basePath,
                                    const char16_t* userName, std::uint32_t level,
                                    std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                    std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                    std::uintptr_t* resumeHandle) override;
    platform::NetStatus NetShareEnum(const char16_t* serverName, std::uint32_t level,
                                     std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                     std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                     std::uint32_t* resumeHandle) override;
    platform::NetStatus NetShareGetInfo(const char16_t* serverName, const char16_t* netName,
                                        std::uint32_t level, std::uint8_t** buffer) override;
    platform::NetStatus NetFileClose(const char16_t* serverName, std::uint32_t fileId) override;

  private:
    // Makes `call`, and once more after the person signed in, when the
    // server refused it; a buffer of the refused call is released first.
    template <typename Call>
    platform::NetStatus WithSignIn(const char16_t* serverName, std::uint8_t** buffer, Call call);

    SignInAsker ask_;
};

} // namespace quarnel
