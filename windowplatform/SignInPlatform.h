// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The sign-in of the windows' network stack: when a server refuses a
// call with a logon failure or access denied, or the caller's Kerberos
// ticket cannot sign in (none usable, expired, or a server named by its
// address), and the system lets a person give credentials, it asks once for
// them and makes the same call again with them. Cancel passes the refusal on, as if nobody had
// asked. The credentials then hold for that server for the rest of the run.
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

  private:
    // Makes the call, and once more after the person signed in when the
    // server refused it; a buffer of the refused call is released first.
    platform::NetStatus Around(const platform::PlatformCall& call,
                               const std::function<platform::NetStatus()>& next) override;

    SignInAsker ask_;
};

} // namespace quarnel
