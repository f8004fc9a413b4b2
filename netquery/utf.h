// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Conversions between UTF-8 and UTF-16 at the edges of the query layer (the
// Samba library speaks UTF-8, terminals want UTF-8). Malformed input becomes
// U+FFFD; nothing is dropped silently.
#pragma once

#include <string>
#include <string_view>

namespace quarnel {

std::u16string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::u16string_view utf16);

} // namespace quarnel
