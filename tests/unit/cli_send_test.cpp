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

// Every recipient is tried, each told on its line in the window's words;
// one of spaces never reaches the platform. Any failure fails the run.
TEST(CliSendTest, OneLinePerRecipientInTheWindowsWordsAndFailureInTheExitCode) {
    FakePlatform platform;
    platform.messageStatuses = {netstatus::Success, netstatus::NameNotFound, netstatus::Success};
    std::ostringstream out, err;
    EXPECT_EQ(cli::SendMessages(platform, {"ann", "nobody", "  ", "ann"},
                                "Please close budget.xlsx", "", out, err),
              1);
    EXPECT_EQ(out.str(), "Message to ann send successfully\n"
                         "Sending message to nobody failed (Message alias could not be found on "
                         "the network.)\n"
                         "Sending message to    failed (No recipient selected)\n"
                         "Message to ann send successfully\n");
    EXPECT_EQ(err.str(), "");
    ASSERT_EQ(platform.messageCalls.size(), 3u);
    EXPECT_EQ(platform.messageCalls[1].msgName, u"nobody");
    EXPECT_FALSE(platform.messageCalls[1].server.has_value());

    out.str("");
    EXPECT_EQ(cli::SendMessages(platform, {"ann"}, "hi", "srv", out, err), 0);
    EXPECT_EQ(out.str(), "Message to ann send successfully\n");
    EXPECT_EQ(platform.messageCalls.back().server, u"srv"); // as given
}

// Line breaks go as CR LF, as the window's field gives them; a message of
// spaces is refused before any send, one of line breaks alone is a message.
TEST(CliSendTest, WhatIsSentOfTheMessage) {
    const struct {
        std::string message;
        std::optional<std::u16string> sent; // none: refused
    } cases[] = {
        {"one\ntwo\r\nGr\xC3\xBC\xC3\x9F"
         "e",
         u"one\r\ntwo\r\nGr\u00FC\u00DFe"},
        {"\n", u"\r\n"},
        {"   ", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        FakePlatform platform;
        std::ostringstream out, err;
        EXPECT_EQ(cli::SendMessages(platform, {"ann"}, c.message, "", out, err), c.sent ? 0 : 1);
        if (c.sent) {
            EXPECT_EQ(platform.messageCalls.at(0).Text(), *c.sent);
        } else {
            EXPECT_TRUE(platform.messageCalls.empty());
            EXPECT_EQ(err.str(), "quarnel-cli: Can not send an empty message!\n");
        }
    }
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
