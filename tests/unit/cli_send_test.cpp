// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's send command over the scripted platform.
#include "Commands.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>
#include <sstream>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

class CliSendTest : public ::testing::Test {
  protected:
    FakePlatform platform;
    std::ostringstream out, err;

    int Send(const std::vector<std::string>& recipients, const std::string& message,
             const std::string& server = "") {
        return cli::SendMessages(platform, recipients, message, server, out, err);
    }
};

TEST_F(CliSendTest, OneLinePerRecipientInTheWindowsWordsAndFailureInTheExitCode) {
    platform.messageStatuses = {netstatus::Success, netstatus::NameNotFound, netstatus::Success};
    EXPECT_EQ(Send({"ann", "nobody", "  "}, "Please close budget.xlsx"), 1);
    EXPECT_EQ(out.str(), "Message to ann send successfully\n"
                         "Sending message to nobody failed (Message alias could not be found on "
                         "the network.)\n"
                         "Sending message to    failed (No recipient selected)\n");
    EXPECT_EQ(err.str(), "");
    // Every recipient is tried; the one of spaces never reaches the platform.
    ASSERT_EQ(platform.messageCalls.size(), 2u);
    EXPECT_EQ(platform.messageCalls[1].msgName, u"nobody");
    EXPECT_FALSE(platform.messageCalls[1].server.has_value());
}

TEST_F(CliSendTest, AllSentIsSuccessAndTheServerGoesAsGiven) {
    EXPECT_EQ(Send({"ann", "ann"}, "hi", "srv"), 0);
    EXPECT_EQ(out.str(), "Message to ann send successfully\nMessage to ann send successfully\n");
    ASSERT_EQ(platform.messageCalls.size(), 2u);
    EXPECT_EQ(platform.messageCalls[0].server, u"srv");
}

TEST_F(CliSendTest, LineBreaksGoAsCrLfAndNonAsciiSurvives) {
    ASSERT_EQ(Send({"ann"}, "one\ntwo\r\nGr\xC3\xBC\xC3\x9F"
                            "e"),
              0);
    EXPECT_EQ(platform.messageCalls.at(0).Text(), u"one\r\ntwo\r\nGr\u00FC\u00DFe");
}

TEST_F(CliSendTest, MessageOfSpacesIsRefusedBeforeAnySend) {
    EXPECT_EQ(Send({"ann"}, "   "), 1);
    EXPECT_EQ(Send({"ann"}, ""), 1);
    EXPECT_EQ(err.str(), "quarnel-cli: Can not send an empty message!\n"
                         "quarnel-cli: Can not send an empty message!\n");
    EXPECT_TRUE(platform.messageCalls.empty());
    // Line breaks alone are a message.
    EXPECT_EQ(Send({"ann"}, "\n"), 0);
    EXPECT_EQ(platform.messageCalls.at(0).Text(), u"\r\n");
}

TEST(MessageFromInputTest, OnlyTheLastLineBreakIsLeftOut) {
    EXPECT_EQ(cli::MessageFromInput("hello\n"), "hello");
    EXPECT_EQ(cli::MessageFromInput("hello\r\n"), "hello");
    EXPECT_EQ(cli::MessageFromInput("a\nb\n\n"), "a\nb\n");
    EXPECT_EQ(cli::MessageFromInput("hello"), "hello");
    EXPECT_EQ(cli::MessageFromInput(""), "");
}

} // namespace
} // namespace quarnel::test
