// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// How Quarnel tells a failure, in the window and in quarnel-cli alike: the
// platform's words for a status with its number, and the server or domain
// as a message names it. All text is UTF-8.
#pragma once

#include "platform/platform.h"

#include <string>

namespace quarnel::report {

// "Access is denied (error 5)": the platform's words for `status` without
// their closing full stop, with the status number for searching; the number
// once, also when the words already hold it ("Error 2310").
std::string Reason(platform::Platform& platform, platform::NetStatus status);

// The server as a message names it: with its two backslashes, as the
// platform is asked; "the local computer" for none.
std::string ServerForMessage(const std::string& server);

// The server as a listing's rows name it, in quarnel-cli and in the window's
// export: as it was asked, without the two backslashes that the query layer
// adds where they are missing.
std::string ServerColumnName(const std::string& server);

// The domain as a message names it; "the primary domain" for none.
std::string DomainForMessage(const std::string& domain);

} // namespace quarnel::report
