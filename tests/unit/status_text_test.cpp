// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The words for the statuses that Quarnel uses: its own, and the system
// backend's.
#include "platform/netstatus_text.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>

namespace quarnel::test {
namespace {

// Every status of platform.h's netstatus, as the build read them from it: a
// status added there without words of ours fails here.
constexpr platform::NetStatus NamedStatuses[] = {QUARNEL_NETSTATUSES};

// Reasons put the number beside the words, so the words name it nowhere
// themselves; and every status has words, also where the system has none
// (Wine knows no text for the network statuses of 2100 and up).
TEST(StatusTextTest, EveryNamedStatusHasWordsWithoutItsNumber) {
    platform::Platform& system = platform::SystemPlatform();
    for (const platform::NetStatus status : NamedStatuses) {
        const std::string number = std::to_string(status);
        SCOPED_TRACE(number);
        EXPECT_FALSE(platform::NetStatusText(status).empty());
        const std::u16string text = system.StatusText(status);
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find(std::u16string(number.begin(), number.end())), std::u16string::npos);
    }
}

} // namespace
} // namespace quarnel::test
