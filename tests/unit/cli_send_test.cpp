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

// Every recipient is tried, each told on its line in the window's words;
// one of spaces never reaches the platform. Any failure fails the run; the
// server goes as given.
TEST_F(CliSendTest, OneLinePerRecipientInTheWindowsWordsAndFailureInTheExitCode) {
    platform.messageStatuses = {netstatus::Success, netstatus::NameNotFound, netstatus::Success};
    EXPECT_EQ(Send({"ann", "nobody", "  ", "ann"}, "Please close budget.xlsx"), 1);
    EXPECT_EQ(out.str(), "Message to ann send successfully\n"
                         "Sending message to nobody failed (Message alias could not be found on "
                         "the network.)\n"
                         "Sending message to    failed (No recipient selected)\n"
                         "Message to ann send successfully\n");
    EXPECT_EQ(err.str(), "");
    ASSERT_EQ(platform.messageCalls.size(), 3u);
    EXPECT_EQ(platform.messageCalls[1].msgName, u"nobody");
    EXPECT_FALSE(platform.messageCalls[1].server.has_value());
    EXPECT_EQ(Send({"ann"}, "hi", "srv"), 0);
    EXPECT_EQ(platform.messageCalls.back().server, u"srv");
}

// Line breaks go as CR LF, as the window's field gives them; a message of
// spaces is refused before any send, one of line breaks alone is a message.
TEST_F(CliSendTest, LineBreaksGoAsCrLfAndAMessageOfSpacesIsRefused) {
    EXPECT_EQ(Send({"ann"}, "   "), 1);
    EXPECT_EQ(Send({"ann"}, ""), 1);
    EXPECT_EQ(err.str(), "quarnel-cli: Can not send an empty message!\n"
                         "quarnel-cli: Can not send an empty message!\n");
    EXPECT_TRUE(platform.messageCalls.empty());
    EXPECT_EQ(Send({"ann"}, "one\ntwo\r\nGr\xC3\xBC\xC3\x9F"
                            "e"),
              0);
    EXPECT_EQ(Send({"ann"}, "\n"), 0);
    EXPECT_EQ(platform.messageCalls.at(0).Text(), u"one\r\ntwo\r\nGr\u00FC\u00DFe");
    EXPECT_EQ(platform.messageCalls.at(1).Text(), u"\r\n");
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
