// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's close command over the scripted platform.
#include "CliRun.h"

#include <gtest/gtest.h>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

TEST(CliCloseTest, IdentifiersAreTakenSignedAsListedAndUnsignedAsTheServerKnowsThem) {
    const struct {
        std::string text;
        std::optional<std::int32_t> id;
    } cases[] = {
        {"0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", -2147483647 - 1},
        {"4294967295", -1},
        {"-1", -1},
        {"4294967296", std::nullopt},
        {"-2147483649", std::nullopt},
        {"", std::nullopt},
        {"+5", std::nullopt},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
        {"0x10", std::nullopt},
        {"srv", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cli::ParseFileId(c.text), c.id) << '"' << c.text << '"';
}

// Each identifier is closed in turn on the server, as the server knows it
// (any other call ends the worker), and its outcome told: a close on
// standard output, a failure with its reason on standard error, which
// leaves the rest to be closed.
TEST(CliCloseTest, ClosesEachIdentifierInTurnAndTellsEachOutcome) {
    const struct {
        std::string server;
        std::vector<std::string> ids;
        std::deque<platform::NetStatus> statuses;
        std::vector<FileCloseCall> calls;
        std::string out, err;
    } cases[] = {
        {"srv",
         {"7", "-2147483648", "4294967295"},
         {},
         {{u"\\\\srv", 7}, {u"\\\\srv", 0x80000000u}, {u"\\\\srv", 0xFFFFFFFFu}},
         "Closed open file 7 on \\\\srv\nClosed open file -2147483648 on \\\\srv\n"
         "Closed open file 4294967295 on \\\\srv\n",
         ""},
        {"\\\\1234", {"5"}, {}, {{u"\\\\1234", 5}}, "Closed open file 5 on \\\\1234\n", ""},
        {"srv",
         {"5", "6"},
         {netstatus::FileIdNotFound, netstatus::Success},
         {{u"\\\\srv", 5}, {u"\\\\srv", 6}},
         "Closed open file 6 on \\\\srv\n",
         "quarnel-cli: Could not close open file 5 on \\\\srv: There is not an open file with "
         "that identification number (error 2314)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.ids));
        FakePlatform platform;
        platform.closeStatuses = c.statuses;
        platform.duringCall = [&] {
            if (platform.closeCalls.back() != c.calls.at(platform.closeCalls.size() - 1))
                std::abort();
        };
        const CliRun run = RunCommand(platform, [&](cli::Context& context) {
            cli::CloseOpenFiles(context, c.server, c.ids);
        });
        EXPECT_EQ(run.exitCode, c.err.empty() ? 0 : 1);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
    }
}

} // namespace
} // namespace quarnel::test
