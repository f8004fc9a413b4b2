// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli close against the private Samba server: files held open
// through real SMB clients are closed under their holders, by identifier or
// as a path and a holder select them, each close in the system log, and
// refusals are told.
#include "E2eSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pwd.h>
#include <unistd.h>

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

// A path ("sub" in other letter case, not its sibling "subway") and a
// holder select what is closed: without --yes nothing is, with it exactly
// that. A user who is no administrator is refused with the reason, and so is
// an identifier that no file has, while the next one is closed. The log
// names who closed which file, held by whom, and the outcome.
TEST_F(CliCloseE2eTest, ClosesExactlyWhatIsSelectedUnderItsHolderAndLogsEachClose) {
    const std::string dir = server.MakeFolder("cli-close");
    server.MakeFolder(dir + "/sub");
    server.MakeFolder(dir + "/subway");
    HeldFiles plain(server.plainUser, server.plainPassword,
                    {dir + "/sub/a.txt:r", dir + "/subway/b.txt:r", dir + "/c.txt:r"});
    HeldFiles admin(server.adminUser, server.adminPassword, {dir + "/sub/mine.txt:r"});
    const std::string a = server.ServerPath(dir + "/sub/a.txt"),
                      c = server.ServerPath(dir + "/c.txt");
    const std::string on = " on \\\\" + server.address,
                      held = ", held by " + server.plainUser + ")";
    const std::string idA = IdOf(a), idC = IdOf(c);
    ASSERT_FALSE(idA.empty() || idC.empty());
    std::vector<std::string> selected{"close",    server.address,
                                      "--path",   server.ServerPath(dir + "/SUB"),
                                      "--holder", server.plainUser};
    TestLog log;

    const CliResult listed = log.RunCli(selected, server.adminUser, server.adminPassword);
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.out.find(a), std::string::npos) << listed.out;
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 2) << listed.out;
    EXPECT_EQ(listed.err, "quarnel-cli: nothing was closed: add --yes to close this open file\n");
    const CliResult refused =
        log.RunCli({"close", server.address, idC}, server.plainUser, server.plainPassword);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "quarnel-cli: Could not close open file " + idC + on +
                               ": Access is denied (error 5)\n");
    EXPECT_TRUE(plain.CanRead(dir + "/sub/a.txt") && plain.CanRead(dir + "/c.txt"));

    selected.push_back("--yes");
    const CliResult closed = log.RunCli(selected, server.adminUser, server.adminPassword);
    EXPECT_EQ(closed.exitCode, 0) << closed.err;
    EXPECT_EQ(closed.out, "Closed open file " + idA + on + " (" + a + held + "\n");
    // Samba makes an identifier's upper half the number of the process that
    // serves the holder, and no process has the number 0.
    const CliResult byId =
        log.RunCli({"close", server.address, "1", idC}, server.adminUser, server.adminPassword);
    EXPECT_EQ(byId.exitCode, 1);
    EXPECT_EQ(byId.out, "Closed open file " + idC + on + "\n");
    EXPECT_NE(byId.err.find("Could not close open file 1" + on + ": There is not an open file"),
              std::string::npos)
        << byId.err;
    EXPECT_TRUE(Eventually([&] { return !plain.CanRead(dir + "/sub/a.txt"); }));
    EXPECT_TRUE(Eventually([&] { return !plain.CanRead(dir + "/c.txt"); }));
    EXPECT_TRUE(plain.CanRead(dir + "/subway/b.txt") && admin.CanRead(dir + "/sub/mine.txt"));

    // Notices (85) and warnings (84) among the security messages.
    const std::string who = std::string("quarnel-cli: ") + ::getpwuid(::geteuid())->pw_name;
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "<84>" + who + " could not close open file " + idC + on +
                                   " (not listed): Access is denied (error 5)",
                               "<85>" + who + " closed open file " + idA + on + " (" + a + held,
                               "<84>" + who + " could not close open file 1" + on +
                                   " (not listed): There is not an open file with that "
                                   "identification number (error 2314)",
                               "<85>" + who + " closed open file " + idC + on + " (" + c + held}));
}

} // namespace
} // namespace quarnel::e2e
