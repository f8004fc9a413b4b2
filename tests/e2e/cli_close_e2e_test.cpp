// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli close against the private Samba server: a file held open
// through a real SMB client is closed under its holder, and refusals are
// told.
#include "E2eSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quarnel::e2e {
namespace {

class CliCloseE2eTest : public ::testing::Test {
  protected:
    const TestServer& server = TestServer::Get();

    // The identifier that `files --format json` gives the file at
    // `serverPath`; empty while it is not listed.
    std::string IdOf(const std::string& serverPath) const {
        const CliResult run = RunCli({"files", server.address, "--format", "json"},
                                     server.adminUser, server.adminPassword);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        for (const auto& file : nlohmann::json::parse(run.out))
            if (file["path"] == serverPath)
                return std::to_string(file["id"].get<long long>());
        return {};
    }
};

// A user who is no administrator is refused with the reason on standard
// error; so is an identifier that no file has, and the administrator closes
// the next one under its holder, and no other file.
TEST_F(CliCloseE2eTest, ClosesTheFileUnderItsHolderAndRefusesWithAReason) {
    const std::string dir = server.MakeFolder("cli-close");
    HeldFiles holder(server.plainUser, server.plainPassword, {dir + "/a.txt:r", dir + "/b.txt:r"});
    const std::string a = server.ServerPath(dir + "/a.txt");
    const std::string id = IdOf(a);
    ASSERT_FALSE(id.empty());
    const CliResult refused =
        RunCli({"close", server.address, id}, server.plainUser, server.plainPassword);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "quarnel-cli: Could not close open file " + id + " on \\\\" +
                               server.address + ": Access is denied (error 5)\n");
    EXPECT_TRUE(holder.CanRead(dir + "/a.txt"));
    EXPECT_EQ(IdOf(a), id);

    // Samba makes an identifier's upper half the number of the process that
    // serves the holder, and no process has the number 0.
    const CliResult run =
        RunCli({"close", server.address, "1", id}, server.adminUser, server.adminPassword);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Closed open file " + id + " on \\\\" + server.address + "\n");
    EXPECT_NE(run.err.find("Could not close open file 1 on "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("not an open file with that identification number"), std::string::npos);
    EXPECT_TRUE(Eventually([&] { return !holder.CanRead(dir + "/a.txt"); }));
    EXPECT_TRUE(Eventually([&] { return IdOf(a).empty(); }));
    EXPECT_TRUE(holder.CanRead(dir + "/b.txt"));
    EXPECT_FALSE(IdOf(server.ServerPath(dir + "/b.txt")).empty());
}

} // namespace
} // namespace quarnel::e2e
