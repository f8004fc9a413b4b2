// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's files, resolve and servers commands over the scripted
// platform: what each writes, and the reasons on failure.
#include "CliRun.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

using cli::Format;

// A resolution in JSON; one that fails is told on one line (the box's two
// lines become one), whichever command resolved.
TEST(CliFilesTest, ResolutionInJsonAndFailuresToldOnOneLine) {
    FakePlatform platform;
    platform.shareInfo[u"data"] = {netstatus::Success,
                                   {{u"data", 0, u"", 0, 0, 0, u"E:\\Data", u""}}};
    const CliRun resolved = RunCommand(platform, [](cli::Context& run) {
        cli::ResolvePath(run, "\\\\srv\\data\\Reports\\May.doc", {Format::Json});
    });
    ASSERT_EQ(resolved.exitCode, 0) << resolved.err;
    EXPECT_EQ(
        nlohmann::json::parse(resolved.out),
        nlohmann::json({{"server", "\\\\srv"}, {"local_path", "E:\\Data\\Reports\\May.doc"}}));

    const CliRun local = RunCommand(
        platform, [](cli::Context& run) { cli::ResolvePath(run, "C:\\Windows", {Format::Json}); });
    cli::FilesOptions byPath;
    byPath.clientPath = "\\\\srv\\nosuch\\x";
    const CliRun unknown =
        RunCommand(platform, [&](cli::Context& run) { cli::ListOpenFiles(run, byPath); });
    EXPECT_EQ(local.exitCode, 1);
    EXPECT_EQ(local.out + unknown.out, "");
    EXPECT_EQ(local.err, "quarnel-cli: No network drive: Only files or folders on a NETWORK drive "
                         "can be selected. You can't use this program for a local Computer.\n");
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.err, "quarnel-cli: Problem finding share: It seems I have some problems "
                           "getting Share Information: Status 2310\n");
}

// The picker's question (servers, of the primary domain unless named; any
// other question ends the worker), in JSON with the platform identifiers; a
// refusal names the domain.
TEST(CliServersTest, NamesWithPlatformIdsInJsonAndFailuresNameTheDomain) {
    FakePlatform platform;
    std::optional<std::u16string> domain;
    platform.duringCall = [&] {
        if (platform.serverCalls.back().serverType != 2 ||
            platform.serverCalls.back().domain != domain)
            std::abort();
    };
    platform.serverBatches = {{netstatus::Success, {{500, u"ALPHA"}, {400, u"b"}}}};
    const CliRun listed =
        RunCommand(platform, [](cli::Context& run) { cli::ListServers(run, "", {Format::Json}); });
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(nlohmann::json::parse(listed.out),
              nlohmann::json::parse(R"([{"name":"ALPHA","platform_id":500},
                                        {"name":"b","platform_id":400}])"));
    platform.serverBatches = {{netstatus::AccessDenied, {}}};
    domain = u"CORP";
    const CliRun refused = RunCommand(
        platform, [](cli::Context& run) { cli::ListServers(run, "CORP", {Format::Json}); });
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(
        refused.err,
        "quarnel-cli: cannot list the servers of the domain CORP: Access is denied (error 5)\n");
}

} // namespace
} // namespace quarnel::test
