// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "Reason.h"

#include "modApi.h"
#include "utf.h"

namespace quarnel::report {

std::string Reason(platform::Platform& platform, platform::NetStatus status) {
    std::string text = ToUtf8(platform.StatusText(status));
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n'))
        text.pop_back();
    const std::string number = std::to_string(status);
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t at = text.find(number); at != std::string::npos;
         at = text.find(number, at + 1))
        if ((at == 0 || !isDigit(text[at - 1])) &&
            (at + number.size() == text.size() || !isDigit(text[at + number.size()])))
            return text;
    return text + " (error " + number + ")";
}

std::string ServerForMessage(const std::string& server) {
    if (server.empty())
        return "the local computer";
    return ToUtf8(modApi::PrepareServerName(FromUtf8(server)));
}

std::string ServerColumnName(const std::string& server) {
    return server.starts_with("\\\\") ? server.substr(2) : server;
}

std::string DomainForMessage(const std::string& domain) {
    return domain.empty() ? "the primary domain" : "the domain " + domain;
}

} // namespace quarnel::report
