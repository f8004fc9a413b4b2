// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Passwords in memory: overwritten before their memory is given back, so
// that a password does not linger in freed memory, where a core dump or a
// swapped-out page would keep it.
#pragma once

#include <cstddef>
#include <iterator>

namespace quarnel {

// Overwrites every character of `secret` (a string or an array) with 0. The
// writes go through a volatile pointer, which the compiler may not leave out
// as it may a store to memory that is freed next.
template <typename Text> void WipeSecret(Text& secret) {
    volatile auto* character = std::data(secret);
    for (std::size_t i = 0; i < std::size(secret); ++i)
        character[i] = 0;
}

} // namespace quarnel
