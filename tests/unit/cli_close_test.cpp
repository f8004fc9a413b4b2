// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's close and wait commands over the scripted platform.
#include "CliRun.h"
#include "report/SystemLog.h"

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
// ends the worker), and its outcome told: a close on standard output, a
// failure with its reason on standard error, which leaves the rest to be
// closed. The audit trail names each file as the server lists it.
TEST(CliCloseTest, ClosesEachIdentifierInTurnTellsAndRecordsEachOutcome) {
    FakePlatform platform;
    platform.fileBatches = {{netstatus::Success, {{5, 1, 0, u"C:\\a.txt", u"ann"}}}};
    platform.closeStatuses = {netstatus::Success, netstatus::FileIdNotFound, netstatus::Success};
    const std::vector<FileCloseCall> calls{
        {u"\\\\1234", 0x80000000u}, {u"\\\\1234", 5}, {u"\\\\1234", 0xFFFFFFFFu}};
    platform.duringCall = [&] {
        const auto& closes = platform.closeCalls;
        if (!closes.empty() && closes.back() != calls.at(closes.size() - 1))
            std::abort();
    };
    const CliRun run = RunCommand(platform, [](cli::Context& c) {
        cli::CloseOpenFiles(c, "\\\\1234", {"-2147483648", "5", "4294967295"});
    });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Closed open file -2147483648 on \\\\1234\nClosed open file 4294967295 on "
                       "\\\\1234\n");
    const std::string notFound =
        "There is not an open file with that identification number (error 2314)";
    EXPECT_EQ(run.err, "quarnel-cli: Could not close open file 5 on \\\\1234: " + notFound + "\n");
    const std::string who = report::LocalAccount();
    EXPECT_EQ(run.audit,
              (std::vector<std::string>{
                  "notice " + who + " closed open file -2147483648 on \\\\1234 (not listed)",
                  "warning " + who +
                      " could not close open file 5 on \\\\1234 (C:\\a.txt, held by "
                      "ann): " +
                      notFound,
                  "notice " + who + " closed open file -1 on \\\\1234 (not listed)"}));
}

// What the path and the holder select (the listing is asked with both) is
// listed without --yes, and nothing closed; with it each file is closed in
// its server's worker, told and recorded.
TEST(CliCloseTest, ClosesWhatIsSelectedOnlyWithYes) {
    for (const bool yes : {false, true}) {
        FakePlatform platform;
        platform.fileBatches = {
            {netstatus::Success,
             {{7, 1, 0, u"C:\\d\\a.txt", u"ann"}, {8, 3, 1, u"C:\\d\\b", u"ann"}}}};
        platform.closeStatuses = {netstatus::Success, netstatus::AccessDenied};
        platform.duringCall = [&] {
            const FileEnumCall& listing = platform.fileCalls.back();
            if (listing.basePath != u"C:\\d" || listing.userName != u"ann" ||
                (!yes && !platform.closeCalls.empty()))
                std::abort();
        };
        cli::FilesOptions selected;
        selected.servers.names = {"srv"};
        selected.basePath = "C:\\d";
        selected.holder = "ann";
        const CliRun run = RunCommand(
            platform, [&](cli::Context& c) { cli::CloseSelectedFiles(c, selected, yes); });
        const std::string who = report::LocalAccount();
        if (!yes) {
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_EQ(run.out, "User  Path        File ID  Permissions  # locks\n"
                               "ann   C:\\d\\a.txt        7  R                  0\n"
                               "ann   C:\\d\\b            8  RW                 1\n");
            EXPECT_EQ(run.err,
                      "quarnel-cli: nothing was closed: add --yes to close these 2 open files\n");
            EXPECT_TRUE(run.audit.empty());
            continue;
        }
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "Closed open file 7 on \\\\srv (C:\\d\\a.txt, held by ann)\n");
        EXPECT_EQ(run.err, "quarnel-cli: Could not close open file 8 on \\\\srv (C:\\d\\b, held "
                           "by ann): Access is denied (error 5)\n");
        EXPECT_EQ(run.audit,
                  (std::vector<std::string>{"notice " + who +
                                                " closed open file 7 on \\\\srv (C:\\d\\a.txt, "
                                                "held by ann)",
                                            "warning " + who +
                                                " could not close open file 8 on \\\\srv "
                                                "(C:\\d\\b, held by ann): Access is denied "
                                                "(error 5)"}));
    }
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
        platform.fileBatches = {c.listing};
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
