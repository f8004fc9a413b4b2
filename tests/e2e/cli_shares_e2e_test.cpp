// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's share lookups and path resolution against the private Samba
// server.
#include "E2eSupport.h"

#include <QtGlobal>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quarnel::e2e {
namespace {

class CliSharesE2eTest : public ::testing::Test {
  protected:
    const TestServer& server = TestServer::Get();

    CliResult Run(const std::vector<std::string>& args) {
        return RunCli(args, server.adminUser, server.adminPassword);
    }
};

TEST_F(CliSharesE2eTest, ShareTableHoldsTheTestShareAndIpc) {
    const CliResult run = Run({"shares", server.address, "--format", "json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::map<std::string, nlohmann::json> byName;
    for (const auto& share : nlohmann::json::parse(run.out))
        byName[share["name"]] = share;
    ASSERT_TRUE(byName.contains(server.share)) << run.out;
    ASSERT_TRUE(byName.contains("IPC$")) << run.out;
    EXPECT_EQ(byName[server.share]["path"], server.SharePath());
    EXPECT_EQ(byName[server.share]["remark"], "Quarnel test share");
    EXPECT_EQ(byName["IPC$"]["type"].get<std::uint32_t>() & 0xFF, 3u); // inter-process share

    const CliResult one = Run({"share", server.address, server.share, "--format", "json"});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    const auto info = nlohmann::json::parse(one.out);
    EXPECT_TRUE(info.is_object());
    EXPECT_EQ(info["path"], server.SharePath());
    EXPECT_EQ(info.size(), 7u);
}

TEST_F(CliSharesE2eTest, UnknownShareAndLocalPathsAreToldInTheWindowsWords) {
    // Samba calls an unknown share an invalid name; Windows says it does not
    // exist, once, whichever way it was asked for.
    const CliResult share = Run({"share", server.address, "nosuch"});
    EXPECT_EQ(share.exitCode, 1);
    EXPECT_TRUE(share.err.ends_with(": This shared resource does not exist (error 2310)\n"))
        << share.err;
    const CliResult unknown = Run({"resolve", "\\\\" + server.address + "\\nosuch\\a.txt"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("Problem finding share"), std::string::npos) << unknown.err;
    EXPECT_TRUE(unknown.err.ends_with("Information: This shared resource does not exist (error "
                                      "2310)\n"))
        << unknown.err;

    const CliResult local = Run({"resolve", "/tmp"});
    EXPECT_EQ(local.exitCode, 1);
    EXPECT_NE(local.err.find("No network drive"), std::string::npos) << local.err;
}

// Paths as people write them name the same folder; "." and ".." never climb
// above the share, and a URL is split before it is decoded.
TEST_F(CliSharesE2eTest, PathFormsResolveAlikeAndUnsafeOnesAreRefused) {
    const std::string& a = server.address;
    const std::string longName(300, 'x'); // more than a local file name may hold
    const std::pair<std::string, std::string> resolved[] = {
        {server.NetworkPath("sub/file.txt"), "sub/file.txt"},
        {"//" + a + "/share/sub/file.txt", "sub/file.txt"},
        {"SMB://" + a + "/share/sub/x/../file.txt", "sub/file.txt"},
        {"smb://" + a + "/sh%61re/sub/./my%20file.txt", "sub/my file.txt"},
        {"\\\\" + a + "\\share\\..\\..\\sub\\file.txt", "sub/file.txt"},
        {"smb://" + a + "/share/sub/" + longName, "sub/" + longName},
    };
    for (const auto& [path, relative] : resolved) {
        const CliResult run = Run({"resolve", path, "--format", "json"});
        ASSERT_EQ(run.exitCode, 0) << path << ": " << run.err;
        EXPECT_EQ(
            nlohmann::json::parse(run.out),
            nlohmann::json({{"server", "\\\\" + a}, {"local_path", server.ServerPath(relative)}}))
            << path;
    }
    for (const std::string& path :
         {"smb://" + a + "%00.example/share/a", "smb://" + a + "/share/a%2F..%2F..%2Fb"}) {
        const CliResult run = Run({"resolve", path});
        EXPECT_EQ(run.exitCode, 1) << path;
        EXPECT_NE(run.err.find("a character no name may hold"), std::string::npos) << run.err;
    }
}

// A server that accepts the connection and then never answers, or answers
// with something that is no SMB, is told as a Windows client tells it,
// within the window the caller gave.
TEST_F(CliSharesE2eTest, SilentOrGarbledServerIsToldWithinTheTimeout) {
    const BrokenServer silent("127.0.0.2", 445, BrokenServer::Answer::Nothing);
    const BrokenServer garbled("127.0.0.3", 445, BrokenServer::Answer::Garbage);
    const struct {
        std::string address, reason;
    } cases[] = {
        {"127.0.0.2", "The server did not answer within 1 second (error 121)"},
        {"127.0.0.3", "The server's answer is not SMB (error 58)"},
    };
    // The window is given on the command line, or in the environment as the
    // window program takes it.
    for (const auto& c : cases) {
        const CliResult files = Run({"files", c.address, "--timeout", "1"});
        EXPECT_EQ(files.exitCode, 1);
        EXPECT_NE(files.err.find(c.reason), std::string::npos) << files.err;
        qputenv("QUARNEL_TIMEOUT", "1");
        const CliResult shares = Run({"shares", c.address});
        qunsetenv("QUARNEL_TIMEOUT");
        EXPECT_EQ(shares.exitCode, 1);
        EXPECT_NE(shares.err.find(c.reason), std::string::npos) << shares.err;
    }
}

// Usage errors exit with 2, failures with 1; output that cannot be written
// is a failure with its reason.
TEST_F(CliSharesE2eTest, ExitCodesAndOutputThatCannotBeWritten) {
    const CliResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.starts_with("quarnel-cli ")) << version.out;
    for (const std::vector<std::string>& usage : {std::vector<std::string>{"files", "--path", ""},
                                                  {"shares", ""},
                                                  {"files", "--bogus"},
                                                  {"shares", "--format", "xml"},
                                                  {"files", "--timeout", "0"},
                                                  {}}) {
        const CliResult run = Run(usage);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_EQ(run.out, "");
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--version"}, {"shares", server.address}}) {
        const CliResult full =
            RunCli(args, server.adminUser, server.adminPassword, {}, "/dev/full");
        EXPECT_EQ(full.exitCode, 1) << args[0];
        EXPECT_NE(full.err.find("cannot write the output: No space left on device"),
                  std::string::npos)
            << full.err;
    }
}

} // namespace
} // namespace quarnel::e2e
