// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Message sending against the scripted platform: what the platform is given,
// and the words every outcome is told in.
#include "FakePlatform.h"
#include "modApi.h"

#include <gtest/gtest.h>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

class SendNetMessageTest : public ::testing::Test {
  protected:
    FakePlatform platform;
    modApi api{platform};
    std::u16string errorText = u"left over from before";
};

// Every UTF-16 unit, surrogates included, is two bytes, low byte first;
// line breaks travel as they were typed.
TEST_F(SendNetMessageTest, TextGoesAsLittleEndianUtf16BytesWithoutTerminator) {
    ASSERT_TRUE(api.SendNetMessage(u"a\u20AC\r\n\U0001F600", u"bob", errorText, u"", u""));
    ASSERT_EQ(platform.messageCalls.size(), 1u);
    const MessageCall& call = platform.messageCalls[0];
    EXPECT_EQ(std::tie(call.nullBuffer, call.byteLength), std::tuple(false, 12u));
    EXPECT_EQ(call.bytes, (std::vector<std::uint8_t>{0x61, 0x00, 0xAC, 0x20, 0x0D, 0x00, 0x0A, 0x00,
                                                     0x3D, 0xD8, 0x00, 0xDE}));
}

TEST_F(SendNetMessageTest, EmptyStringsGoAsNullAndNamesAsGiven) {
    ASSERT_TRUE(api.SendNetMessage(u"", u"  bob ", errorText, u"", u""));
    const MessageCall& bare = platform.messageCalls[0];
    EXPECT_EQ(std::tie(bare.nullBuffer, bare.byteLength, bare.server, bare.fromName),
              std::tuple(true, 0u, std::nullopt, std::nullopt));
    EXPECT_EQ(bare.msgName, u"  bob "); // trimmed only for the test

    // No backslashes are put in front of the server name.
    ASSERT_TRUE(api.SendNetMessage(u"x", u"bob", errorText, u"admin", u"srv"));
    EXPECT_EQ(std::tie(platform.messageCalls[1].server, platform.messageCalls[1].fromName),
              std::tuple(u"srv", u"admin"));
}

TEST_F(SendNetMessageTest, RecipientOfSpacesOnlyIsRefusedWithoutACall) {
    for (const std::u16string recipient : {u"", u" ", u"     "}) {
        errorText = u"left over";
        EXPECT_FALSE(api.SendNetMessage(u"hello", recipient, errorText, u"", u""));
        EXPECT_EQ(errorText, u"No recipient selected");
    }
    EXPECT_TRUE(platform.messageCalls.empty());

    // Only spaces are removed for the test: a tab is a name the platform judges.
    platform.messageStatuses.push_back(netstatus::InvalidName);
    EXPECT_FALSE(api.SendNetMessage(u"hello", u"\t", errorText, u"", u""));
    EXPECT_EQ(errorText, u"Invalid name");
    EXPECT_EQ(platform.messageCalls.size(), 1u);
}

TEST_F(SendNetMessageTest, EveryStatusIsToldInItsOwnWords) {
    const std::pair<platform::NetStatus, std::u16string> table[] = {
        {0, u"Operation succeeded"},
        {5, u"Access denied"},
        {50, u"not supported"},
        {53, u"Bad network path"},
        {87, u"Invalid parameter"},
        {123, u"Invalid name"},
        {2136, u"General network error"},
        {2250, u"Network connection could not be found."},
        {2273, u"Message alias could not be found on the network."},
        {1223, u"Stopped before the network answered"},
        {234, u"Unknown error"}, // "more data" means nothing here
        {0xFFFFFFFFu, u"Unknown error"},
    };
    for (const auto& [status, text] : table) {
        platform.messageStatuses.push_back(status);
        errorText = u"left over";
        const bool sent = api.SendNetMessage(u"hi", u"bob", errorText, u"", u"");
        EXPECT_EQ(sent, status == 0) << status;
        EXPECT_EQ(errorText, text) << status;
        EXPECT_EQ(modApi::NetErrorText(status), text) << status;
    }
    EXPECT_EQ(platform.messageCalls.size(), std::size(table));
}

} // namespace
} // namespace quarnel::test
