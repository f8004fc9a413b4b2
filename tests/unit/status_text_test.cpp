// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The system backend's words for the statuses that Quarnel uses.
#include "platform/netstatus_text.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>

namespace quarnel::test {
namespace {

// Reasons put the number beside the words, so the words name it nowhere
// themselves; and every status has words, also where the system has none
// (Wine knows no text for the network statuses of 2100 and up).
TEST(StatusTextTest, EveryStatusInUseHasWordsWithoutItsNumber) {
    platform::Platform& system = platform::SystemPlatform();
    for (const platform::NetStatusWords& known : platform::KnownNetStatuses()) {
        const std::u16string text = system.StatusText(known.status);
        const std::string number = std::to_string(known.status);
        SCOPED_TRACE(number);
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find(std::u16string(number.begin(), number.end())), std::u16string::npos);
    }
}

} // namespace
} // namespace quarnel::test
