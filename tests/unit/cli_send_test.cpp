// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's send command over the scripted platform.
#include "CliRun.h"

#include <gtest/gtest.h>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

// Every recipient is tried, each told in the window's words: a message
// sent on standard output, a failure on standard error, which fails the
// run. The server goes as given, and line breaks as CR LF, as the window's
// field gives them.
TEST(CliSendTest, EachRecipientToldInTheWindowsWordsAndLineBreaksGoAsCrLf) {
    FakePlatform platform;
    platform.messageStatuses = {netstatus::Success, netstatus::NameNotFound, netstatus::Success};
    const CliRun run = RunCommand(platform, [](cli::Context& c) {
        cli::SendMessages(c, {"ann", "nobody", "  ", "ann"}, "Please close budget.xlsx", "");
        cli::SendMessages(c, {"ann"},
                          "one\ntwo\r\nGr\xC3\xBC\xC3\x9F"
                          "e",
                          "srv");
        cli::SendMessages(c, {"ann"}, "\n", "");
    });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Message to ann send successfully\nMessage to ann send successfully\n"
                       "Message to ann send successfully\nMessage to ann send successfully\n");
    EXPECT_EQ(run.err, "quarnel-cli: Sending message to nobody failed (Message alias could not "
                       "be found on the network.)\n"
                       "quarnel-cli: Sending message to    failed (No recipient selected)\n");
    ASSERT_EQ(platform.messageCalls.size(), 5u);
    EXPECT_EQ(platform.messageCalls[1].msgName, u"nobody");
    EXPECT_FALSE(platform.messageCalls[1].server.has_value());
    EXPECT_EQ(platform.messageCalls[3].server, u"srv");
    EXPECT_EQ(platform.messageCalls[3].Text(), u"one\r\ntwo\r\nGr\u00FC\u00DFe");
    EXPECT_EQ(platform.messageCalls[4].Text(), u"\r\n");
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
