// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "SystemLog.h"

#include "utf.h"

#include <windows.h>

#include <cstdint>
#include <iterator>

#include <vector>

namespace quarnel::report {

namespace {

// The user of this process as the Event Log records it beside the text; null
// when it cannot be told.
std::vector<std::uint8_t> ProcessUser() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<std::uint8_t> user(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, user.data(), size, &size))
        user.clear();
    ::CloseHandle(token);
    return user;
}

} // namespace

std::string LocalAccount() {
    wchar_t name[257];
    DWORD size = static_cast<DWORD>(std::size(name));
    if (!::GetUserNameW(name, &size))
        return "an unknown user";
    return ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(name), size - 1));
}

// In the Application log under the source "Quarnel". No message file is
// registered for it, so the Event Viewer shows the text after its note that
// the description was not found.
void WriteSystemLog(const std::string& line, bool warning) {
    HANDLE source = ::RegisterEventSourceW(nullptr, L"Quarnel");
    if (source == nullptr)
        return;
    const std::u16string text = FromUtf8(line);
    LPCWSTR strings[] = {reinterpret_cast<LPCWSTR>(text.c_str())};
    std::vector<std::uint8_t> user = ProcessUser();
    PSID sid = user.empty() ? nullptr : reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    ::ReportEventW(source, warning ? EVENTLOG_WARNING_TYPE : EVENTLOG_INFORMATION_TYPE, 0, 1, sid,
                   1, 0, strings, nullptr);
    ::DeregisterEventSource(source);
}

} // namespace quarnel::report
