// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's close command over the scripted platform.
#include "Commands.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>
#include <sstream>

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

// Each identifier is closed in turn on the server given first, if any, and
// its outcome told on a line of its own; a failure leaves the rest to be
// closed. An identifier missing or no number closes nothing and is told in
// one line.
TEST(CliCloseTest, ClosesEachIdentifierInTurnAndTellsEachOutcome) {
    const std::string failed = "Could not close open file 5 on \\\\srv: There is not an open file "
                               "with that identification number (error 2314)\n";
    const struct {
        std::vector<std::string> arguments;
        std::deque<platform::NetStatus> statuses;
        std::vector<FileCloseCall> calls;
        std::string out;
        int exitCode;
    } cases[] = {
        {{"srv", "7", "-2147483648", "4294967295"},
         {},
         {{u"\\\\srv", 7}, {u"\\\\srv", 0x80000000u}, {u"\\\\srv", 0xFFFFFFFFu}},
         "Closed open file 7 on \\\\srv\nClosed open file -2147483648 on \\\\srv\n"
         "Closed open file 4294967295 on \\\\srv\n",
         0},
        {{"12"}, {}, {{std::nullopt, 12}}, "Closed open file 12 on the local computer\n", 0},
        {{"\\\\1234", "5"}, {}, {{u"\\\\1234", 5}}, "Closed open file 5 on \\\\1234\n", 0},
        {{"srv", "5", "6"},
         {netstatus::FileIdNotFound, netstatus::Success},
         {{u"\\\\srv", 5}, {u"\\\\srv", 6}},
         failed + "Closed open file 6 on \\\\srv\n",
         1},
        {{"srv"}, {}, {}, "", 1},
        {{"srv", "5", "x"}, {}, {}, "", 1},
        {{"5", "x"}, {}, {}, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        FakePlatform platform;
        platform.closeStatuses = c.statuses;
        std::ostringstream out, err;
        EXPECT_EQ(cli::CloseOpenFiles(platform, c.arguments, out, err), c.exitCode);
        EXPECT_EQ(platform.closeCalls, c.calls);
        EXPECT_EQ(out.str(), c.out);
        const std::string reason = err.str();
        EXPECT_EQ(std::count(reason.begin(), reason.end(), '\n'), c.calls.empty() ? 1 : 0)
            << reason;
    }
}

} // namespace
} // namespace quarnel::test
