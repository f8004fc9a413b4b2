// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Quarnel's own words for the network statuses it uses, for a system that
// has no text for one of them (Wine has none for the NERR_ statuses, for
// instance). The words are the ones Windows gives.
#pragma once

#include "platform.h"

#include <string_view>

namespace quarnel::platform {

// The words for `status`, for every status named in platform.h's netstatus;
// empty for any other.
std::u16string_view NetStatusText(NetStatus status);

} // namespace quarnel::platform
