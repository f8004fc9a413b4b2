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

TEST(CliCloseTest, ClosesEachIdentifierInTurnOnTheServerGivenFirstIfAny) {
    const struct {
        std::vector<std::string> arguments;
        std::vector<FileCloseCall> calls;
        std::string firstLine;
    } cases[] = {
        {{"srv", "7", "-2147483648", "4294967295"},
         {{u"\\\\srv", 7}, {u"\\\\srv", 0x80000000u}, {u"\\\\srv", 0xFFFFFFFFu}},
         "Closed open file 7 on \\\\srv\n"},
        {{"12", "13"},
         {{std::nullopt, 12}, {std::nullopt, 13}},
         "Closed open file 12 on the local computer\n"},
        {{"\\\\1234", "5"}, {{u"\\\\1234", 5}}, "Closed open file 5 on \\\\1234\n"},
    };
    for (const auto& c : cases) {
        FakePlatform platform;
        std::ostringstream out, err;
        EXPECT_EQ(cli::CloseOpenFiles(platform, c.arguments, out, err), 0) << err.str();
        EXPECT_EQ(platform.closeCalls, c.calls);
        const std::string lines = out.str();
        EXPECT_EQ(lines.substr(0, lines.find('\n') + 1), c.firstLine);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'),
                  static_cast<std::ptrdiff_t>(c.calls.size()));
        EXPECT_EQ(err.str(), "");
    }
}

TEST(CliCloseTest, AFailureIsToldOnItsLineAndTheRestAreStillClosed) {
    FakePlatform platform;
    platform.closeStatuses = {netstatus::FileIdNotFound, netstatus::Success};
    std::ostringstream out, err;
    EXPECT_EQ(cli::CloseOpenFiles(platform, {"srv", "5", "6"}, out, err), 1);
    EXPECT_EQ(out.str(), "Could not close open file 5 on \\\\srv: There is not an open file with "
                         "that identification number (error 2314)\n"
                         "Closed open file 6 on \\\\srv\n");
    EXPECT_EQ(platform.closeCalls.size(), 2u);
}

TEST(CliCloseTest, NothingIsClosedWhenAnIdentifierIsMissingOrNoNumber) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"srv"}, {"srv", "5", "x"}, {"5", "x"}}) {
        FakePlatform platform;
        std::ostringstream out, err;
        EXPECT_EQ(cli::CloseOpenFiles(platform, arguments, out, err), 1);
        EXPECT_TRUE(platform.closeCalls.empty());
        EXPECT_EQ(out.str(), "");
        const std::string reason = err.str();
        EXPECT_EQ(std::count(reason.begin(), reason.end(), '\n'), 1) << reason;
    }
}

} // namespace
} // namespace quarnel::test
