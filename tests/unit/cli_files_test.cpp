// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's files, resolve and servers commands over the scripted
// platform: what each writes, and the exit codes and reasons on failure.
#include "Commands.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

using cli::Format;

struct CliRun {
    int exitCode;
    std::string out, err;
};

cli::FilesOptions Options(std::string server, Format format, std::string base = "",
                          std::string user = "") {
    cli::FilesOptions options;
    options.servers.names = {std::move(server)};
    options.basePath = std::move(base);
    options.user = std::move(user);
    options.format = format;
    return options;
}

class CliFilesTest : public ::testing::Test {
  protected:
    FakePlatform platform;

    CliRun Files(cli::FilesOptions options) {
        std::ostringstream out, err;
        const int code = cli::ListOpenFiles(platform, options, out, err);
        return {code, out.str(), err.str()};
    }
};

// The records go out through the report layer's writers; the command puts
// their server first, also when it asks only one.
TEST_F(CliFilesTest, JsonNamesTheServerOfEveryRowFirst) {
    platform.fileBatches.push_back(
        {netstatus::Success, {{0x80000000u, 3, 2, u"C:\\a.doc", u"ann"}}});
    const CliRun run = Files(Options("srv", Format::Json));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(nlohmann::ordered_json::parse(run.out), nlohmann::ordered_json::parse(R"([
        {"server": "srv", "user": "ann", "path": "C:\\a.doc", "id": -2147483648,
         "permissions": "RW ", "locks": 2}])"));
}

TEST_F(CliFilesTest, FailureNamesTheServerAndTheReasonOnOneLine) {
    platform.fileBatches.push_back({netstatus::AccessDenied, {}});
    const CliRun run = Files(Options("srv", Format::Json));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "quarnel-cli: cannot list the open files on \\\\srv: Access is denied (error 5)\n");

    cli::FilesOptions byPath;
    byPath.clientPath = "\\\\srv\\nosuch\\x";
    const CliRun resolving = Files(byPath);
    EXPECT_EQ(resolving.exitCode, 1);
    EXPECT_EQ(resolving.err, "quarnel-cli: Problem finding share: It seems I have some problems "
                             "getting Share Information: Status 2310\n");
}

TEST_F(CliFilesTest, ListingThatStopsEarlyShowsItsRowsButDoesNotClaimSuccess) {
    platform.fileBatches.push_back({netstatus::MoreData, {{1, 1, 0, u"C:\\a", u"ann"}}});
    platform.fileBatches.push_back({platform::netstatus::BadNetPath, {}});
    const CliRun run = Files(Options("\\\\srv", Format::Csv));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.out.find("ann,C:\\a,1,\"R  \",0"), std::string::npos);
    EXPECT_NE(run.err.find("stopped early"), std::string::npos);
    EXPECT_NE(run.err.find("\\\\srv"), std::string::npos);
}

class CliSharesTest : public ::testing::Test {
  protected:
    FakePlatform platform;
    std::ostringstream out, err;
};

TEST_F(CliSharesTest, ResolutionInJsonAndALocalPathToldOnOneLine) {
    platform.shareInfo[u"data"] = {platform::netstatus::Success,
                                   {{u"data", 0, u"", 0, 0, 0, u"E:\\Data", u""}}};
    ASSERT_EQ(cli::ResolvePath(platform, "\\\\srv\\data\\Reports\\May.doc", Format::Json, out, err),
              0);
    EXPECT_EQ(
        nlohmann::json::parse(out.str()),
        nlohmann::json({{"server", "\\\\srv"}, {"local_path", "E:\\Data\\Reports\\May.doc"}}));
    // The box's two lines become one.
    EXPECT_NE(cli::ResolvePath(platform, "C:\\Windows", Format::Json, out, err), 0);
    EXPECT_NE(err.str().find("No network drive: Only files or folders on a NETWORK drive can be "
                             "selected. You can't use this program for a local Computer."),
              std::string::npos);
}

TEST(CliServersTest, NamesWithPlatformIdsInJsonAndFailuresNameTheDomain) {
    FakePlatform platform;
    std::ostringstream out, err;
    platform.serverBatches.push_back(
        {platform::netstatus::Success, {{500, u"ALPHA"}, {400, u"b"}}});
    ASSERT_EQ(cli::ListServers(platform, "", Format::Json, out, err), 0);
    EXPECT_EQ(nlohmann::json::parse(out.str()),
              nlohmann::json::parse(R"([{"name":"ALPHA","platform_id":500},
                                        {"name":"b","platform_id":400}])"));
    EXPECT_EQ(platform.serverCalls[0].serverType, 2u);
    EXPECT_FALSE(platform.serverCalls[0].domain.has_value());

    platform.serverBatches.push_back({platform::netstatus::AccessDenied, {}});
    out.str("");
    EXPECT_NE(cli::ListServers(platform, "CORP", Format::Json, out, err), 0);
    EXPECT_EQ(platform.serverCalls[1].domain, u"CORP");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(
        err.str(),
        "quarnel-cli: cannot list the servers of the domain CORP: Access is denied (error 5)\n");
}

} // namespace
} // namespace quarnel::test
