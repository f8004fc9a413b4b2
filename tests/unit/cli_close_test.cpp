// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's close and wait commands over the scripted platform.
#include "CliRun.h"

#include <cstdlib>
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

// Each identifier is closed in turn as the server knows it (any other close
// ends the worker), after the listing that names the files in the audit
// trail, and its outcome told: a close on standard output, a failure with
// its reason on standard error, which leaves the rest to be closed.
TEST(CliCloseTest, ClosesEachIdentifierInTurnAndTellsEachOutcome) {
    FakePlatform platform;
    platform.fileBatches = {{netstatus::Success, {{5, 1, 0, u"C:\\a.txt", u"ann"}}}};
    platform.closeStatuses = {netstatus::Success, netstatus::FileIdNotFound, netstatus::Success};
    const std::vector<FileCloseCall> calls{
        {u"\\\\1234", 0x80000000u}, {u"\\\\1234", 5}, {u"\\\\1234", 0xFFFFFFFFu}};
    platform.duringCall = [&] {
        const auto& closes = platform.closeCalls;
        if (closes.empty() ? platform.fileCalls.size() != 1
                           : closes.back() != calls.at(closes.size() - 1))
            std::abort();
    };
    const CliRun run = RunCommand(platform, [](cli::Context& c) {
        cli::CloseOpenFiles(c, "\\\\1234", {"-2147483648", "5", "4294967295"});
    });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Closed open file -2147483648 on \\\\1234\nClosed open file 4294967295 on "
                       "\\\\1234\n");
    EXPECT_EQ(run.err, "quarnel-cli: Could not close open file 5 on \\\\1234: There is not an open "
                       "file with that identification number (error 2314)\n");
}

// A wait ends at once with nothing held open; a file still held open at the
// timeout is named with its holder, and a listing that fails ends the wait.
TEST(CliWaitTest, EndsOnceReleasedOrFailsNamingWhoStillHoldsWhat) {
    const struct {
        FakeBatch<FakeFile> listing;
        int exitCode;
        std::string err;
    } cases[] = {
        {{netstatus::Success, {}}, 0, ""},
        {{netstatus::Success, {{7, 1, 0, u"C:\\d\\a.txt", u"ann"}}},
         1,
         "quarnel-cli: still held open after 1 second: open file 7 on \\\\srv (C:\\d\\a.txt, "
         "held by ann)\n"},
        {{netstatus::AccessDenied, {}},
         1,
         "quarnel-cli: cannot list the open files on \\\\srv: Access is denied (error 5)\n"},
    };
    for (const auto& c : cases) {
        FakePlatform platform;
        platform.fileBatches = {c.listing, c.listing}; // asked again where workers are no processes
        cli::FilesOptions selected;
        selected.servers.names = {"srv"};
        selected.interval = std::chrono::seconds(1);
        const CliRun run = RunCommand(platform, [&](cli::Context& run) {
            cli::WaitUntilReleased(run, selected, std::chrono::seconds(1));
        });
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
    }
}

} // namespace
} // namespace quarnel::test
