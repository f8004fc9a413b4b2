// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The parts of the Linux server enumeration that need no master browser:
// what it refuses, how the child's answer travels and becomes records.
#include "platform/process_samba.h"
#include "platform/records_samba.h"
#include "platform/servers_samba.h"

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quarnel::platform::samba {
namespace {

TEST(SambaServerEnumTest, RefusesWhatTheBrowseListCannotAnswer) {
    struct Case {
        const char16_t* server;
        std::uint32_t level, type;
        NetStatus expected;
    } cases[] = {
        {u"\\\\other", 100, servertype::Server, netstatus::NotSupported}, // another computer asks
        {nullptr, 100, 0x4, netstatus::NotSupported},                     // SQL servers only
        {nullptr, 101, servertype::Server, netstatus::InvalidLevel},
    };
    for (const Case& c : cases) {
        std::uint8_t* buffer = reinterpret_cast<std::uint8_t*>(1);
        std::uint32_t read = 9, total = 9, resume = 0;
        EXPECT_EQ(SystemPlatform().NetServerEnum(c.server, c.level, &buffer, 0xFFFFFFFF, &read,
                                                 &total, c.type, nullptr, &resume),
                  c.expected);
        EXPECT_EQ(buffer, nullptr);
        EXPECT_EQ(read, 0u);
    }
    EXPECT_TRUE(BrowseListAnswers(servertype::All));
    EXPECT_TRUE(BrowseListAnswers(servertype::Server | 0x4));
}

// The browse child's answer travels whole to the parent, which makes records
// of it; an answer cut short is no answer.
TEST(BrowseAnswerTest, TravelsWholeAndBecomesRecordsAndAnAnswerCutShortIsNoAnswer) {
    const std::vector<std::string> names{"ALPHA", "", "Bücher-PC"};
    int error = -1;
    std::vector<std::string> decoded;
    ASSERT_TRUE(DecodeBrowseAnswer(EncodeBrowseAnswer(0, names), error, decoded));
    EXPECT_EQ(std::pair(error, decoded), std::pair(0, names));
    ASSERT_TRUE(DecodeBrowseAnswer(EncodeBrowseAnswer(ENOENT, {}), error, decoded));
    EXPECT_EQ(std::pair(error, decoded.size()), std::pair(ENOENT, std::size_t{0}));

    const std::string whole = EncodeBrowseAnswer(0, names);
    for (const std::string& broken : {std::string(), whole.substr(0, whole.size() - 1),
                                      std::string("x\0", 2), std::string("12")})
        EXPECT_FALSE(DecodeBrowseAnswer(broken, error, decoded));

    // The names become UTF-16 records with the platform identifier given.
    std::uint8_t* block = PackServerInfo100({"ALPHA", "Bücher-PC"}, 0);
    ASSERT_NE(block, nullptr);
    const auto* records = reinterpret_cast<const ServerInfo100*>(block);
    EXPECT_EQ(records[0].sv100_platform_id, 0u);
    EXPECT_EQ(std::u16string(records[0].sv100_name), u"ALPHA");
    EXPECT_EQ(std::u16string(records[1].sv100_name), u"Bücher-PC");
    std::free(block);
    EXPECT_EQ(PackServerInfo100({}, 0), nullptr);
}

TEST(RunInChildTest, ReturnsWhatTheChildWroteAndItsStatusAndStopsAHang) {
    const ProcessOutcome run = RunInChild(
        [](int fd) {
            std::printf("not part of the answer\n"); // standard output goes nowhere
            return ::write(fd, "answer", 6) == 6 ? 7 : 1;
        },
        std::chrono::seconds(30));
    EXPECT_EQ(std::tie(run.end, run.exitCode, run.output),
              std::tuple(ProcessOutcome::End::Exited, 7, "answer"));

    const ProcessOutcome hang = RunInChild(
        [](int) {
            ::pause();
            return 0;
        },
        std::chrono::milliseconds(300));
    EXPECT_EQ(hang.end, ProcessOutcome::End::TimedOut);
}

} // namespace
} // namespace quarnel::platform::samba
