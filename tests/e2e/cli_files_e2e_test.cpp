// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli against the private Samba server: files held open through real
// SMB clients must be listed exactly, and every kind of failure must be told.
#include "E2eSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <tuple>

namespace quarnel::e2e {
namespace {

using Row = std::tuple<std::string, std::string, std::string, int>; // user, path, letters, locks

std::multiset<Row> Rows(const CliResult& run) {
    std::multiset<Row> rows;
    const auto json = nlohmann::json::parse(run.out);
    for (const auto& file : json) {
        EXPECT_TRUE(file["id"].is_number_integer());
        rows.insert({file["user"].get<std::string>(), file["path"].get<std::string>(),
                     file["permissions"].get<std::string>(), file["locks"].get<int>()});
    }
    return rows;
}

class CliFilesE2eTest : public ::testing::Test {
  protected:
    const TestServer& server = TestServer::Get();

    CliResult Files(std::vector<std::string> extra) {
        std::vector<std::string> args{"files", server.address, "--format", "json"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCli(args, server.adminUser, server.adminPassword);
    }
};

TEST_F(CliFilesE2eTest, ListsExactlyTheFilesHeldOpenWithTheirAccessAndLocks) {
    const std::string dir = server.MakeFolder("cli-exact");
    HeldFiles admin(server.adminUser, server.adminPassword,
                    {dir + "/read.txt:r", dir + "/readwrite.txt:rw:2", dir + "/write.txt:w"});
    HeldFiles plain(server.plainUser, server.plainPassword, {dir + "/Bücher.txt:rw:1"});

    const CliResult run = Files({});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::multiset<Row> expected{
        {server.adminUser, server.ServerPath(dir + "/read.txt"), "R  ", 0},
        {server.adminUser, server.ServerPath(dir + "/readwrite.txt"), "RW ", 2},
        {server.adminUser, server.ServerPath(dir + "/write.txt"), " W ", 0},
        {server.plainUser, server.ServerPath(dir + "/Bücher.txt"), "RW ", 1},
    };
    EXPECT_EQ(Rows(run), expected);
}

TEST_F(CliFilesE2eTest, NarrowsByUserAndByBasePath) {
    const std::string dir = server.MakeFolder("cli-narrow");
    server.MakeFolder(dir + "/sub");
    server.MakeFolder(dir + "/subway");
    HeldFiles admin(server.adminUser, server.adminPassword,
                    {dir + "/top.txt:r", dir + "/sub/inner.txt:rw", dir + "/subway/next.txt:r"});
    HeldFiles plain(server.plainUser, server.plainPassword, {dir + "/sub/theirs.txt:r"});

    const CliResult byUser = Files({"--user", server.plainUser});
    ASSERT_EQ(byUser.exitCode, 0) << byUser.err;
    EXPECT_EQ(Rows(byUser),
              (std::multiset<Row>{
                  {server.plainUser, server.ServerPath(dir + "/sub/theirs.txt"), "R  ", 0}}));

    // The base path in other letter case: servers compare paths without case,
    // and "sub" must not take in its sibling "subway".
    std::string base = server.ServerPath(dir + "/SUB");
    const CliResult byBase = Files({"--base", base});
    ASSERT_EQ(byBase.exitCode, 0) << byBase.err;
    EXPECT_EQ(Rows(byBase),
              (std::multiset<Row>{
                  {server.adminUser, server.ServerPath(dir + "/sub/inner.txt"), "RW ", 0},
                  {server.plainUser, server.ServerPath(dir + "/sub/theirs.txt"), "R  ", 0}}));

    const CliResult both = Files({"--base", base, "--user", server.adminUser});
    EXPECT_EQ(Rows(both).size(), 1u);

    const CliResult nobody = Files({"--user", "nobody-holds-anything"});
    EXPECT_EQ(nobody.exitCode, 0);
    EXPECT_EQ(nobody.out, "[]\n");
}

TEST_F(CliFilesE2eTest, FailuresGiveAReasonInWordsAndANonZeroExit) {
    struct Case {
        std::string server, user, password, reason;
    } cases[] = {
        {server.address, server.plainUser, server.plainPassword, "Access is denied"},
        {server.address, server.adminUser, "not-the-password", "Logon failure"},
        // Nothing listens on this loopback address: the port is closed.
        {"127.0.0.2", server.adminUser, server.adminPassword, "network path was not found"},
    };
    for (const Case& c : cases) {
        const CliResult run = RunCli({"files", c.server}, c.user, c.password);
        EXPECT_NE(run.exitCode, 0) << c.reason;
        EXPECT_EQ(run.out, "") << c.reason;
        EXPECT_NE(run.err.find("\\\\" + c.server), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

} // namespace
} // namespace quarnel::e2e
