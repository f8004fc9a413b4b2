// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "SignInPlatform.h"

#include "frmSignIn.h"

namespace quarnel {

namespace ns = platform::netstatus;

SignInPlatform::SignInPlatform(platform::Platform& inner, SignInAsker ask)
    : ForwardingPlatform(inner), ask_(ask ? std::move(ask) : SignInAsker(&frmSignIn::Ask)) {}

template <typename Call>
platform::NetStatus SignInPlatform::WithSignIn(const char16_t* serverName, std::uint8_t** buffer,
                                               Call call) {
    const platform::NetStatus status = call();
    if (status != ns::LogonFailure && status != ns::AccessDenied)
        return status;
    const platform::SignInChoices choices = inner_.AvailableSignIn();
    if (!choices.credentials)
        return status;
    const std::u16string server = serverName ? serverName : u"";
    const std::optional<platform::Credentials> given =
        ask_(QString::fromStdU16String(server), QString::fromStdU16String(StatusText(status)),
             choices.kerberosTicket);
    if (!given)
        return status;
    if (*buffer != nullptr) {
        inner_.NetApiBufferFree(*buffer);
        *buffer = nullptr;
    }
    inner_.SetCredentials(server, *given);
    return call();
}

platform::NetStatus
SignInPlatform::NetFileEnum(const char16_t* serverName, const char16_t* basePath,
                            const char16_t* userName, std::uint32_t level, std::uint8_t** buffer,
                            std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                            std::uint32_t* totalEntries, std::uintptr_t* resumeHandle) {
    return WithSignIn(serverName, buffer, [&] {
        return inner_.NetFileEnum(serverName, basePath, userName, level, buffer, prefMaxLen,
                                  entriesRead, totalEntries, resumeHandle);
    });
}

platform::NetStatus SignInPlatform::NetShareEnum(const char16_t* serverName, std::uint32_t level,
                                                 std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                                 std::uint32_t* entriesRead,
                                                 std::uint32_t* totalEntries,
                                                 std::uint32_t* resumeHandle) {
    return WithSignIn(serverName, buffer, [&] {
        return inner_.NetShareEnum(serverName, level, buffer, prefMaxLen, entriesRead, totalEntries,
                                   resumeHandle);
    });
}

platform::NetStatus SignInPlatform::NetShareGetInfo(const char16_t* serverName,
                                                    const char16_t* netName, std::uint32_t level,
                                                    std::uint8_t** buffer) {
    return WithSignIn(serverName, buffer,
                      [&] { return inner_.NetShareGetInfo(serverName, netName, level, buffer); });
}

platform::NetStatus SignInPlatform::NetFileClose(const char16_t* serverName, std::uint32_t fileId) {
    std::uint8_t* none = nullptr;
    return WithSignIn(serverName, &none, [&] { return inner_.NetFileClose(serverName, fileId); });
}

} // namespace quarnel
