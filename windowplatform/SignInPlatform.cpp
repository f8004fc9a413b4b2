// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "SignInPlatform.h"

#include "frmSignIn.h"

namespace quarnel {

namespace ns = platform::netstatus;

namespace {

// A server's refusal, and what stops a sign-in before the server is asked:
// a ticket cache without a usable ticket, Kerberos with a server's address.
// Credentials of another kind may get past each.
bool AsksForCredentials(platform::NetStatus status) {
    return status == ns::LogonFailure || status == ns::AccessDenied ||
           status == ns::NoSuchLogonSession || status == ns::ContextExpired ||
           status == ns::WrongTargetName;
}

} // namespace

SignInPlatform::SignInPlatform(platform::Platform& inner, SignInAsker ask)
    : ForwardingPlatform(inner), ask_(ask ? std::move(ask) : SignInAsker(&frmSignIn::Ask)) {}

platform::NetStatus SignInPlatform::Around(const platform::PlatformCall& call,
                                           const std::function<platform::NetStatus()>& next) {
    const platform::NetStatus status = next();
    if (!call.SignsIn() || !AsksForCredentials(status))
        return status;
    const platform::SignInChoices choices = inner_.AvailableSignIn();
    if (!choices.credentials)
        return status;
    const std::u16string server = call.server ? call.server : u"";
    const std::optional<platform::Credentials> given =
        ask_(QString::fromStdU16String(server), QString::fromStdU16String(StatusText(status)),
             choices.kerberosTicket);
    if (!given)
        return status;
    if (call.buffer != nullptr && *call.buffer != nullptr) {
        inner_.NetApiBufferFree(*call.buffer);
        *call.buffer = nullptr;
    }
    inner_.SetCredentials(server, *given);
    return next();
}

} // namespace quarnel
