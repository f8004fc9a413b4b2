// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's share lookups and path resolution against the private Samba
// server.
#include "E2eSupport.h"

#include <QtGlobal>
#include <csignal>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

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

// A server that accepts the connection and then never answers, answers with
// something that is no SMB, or answers in part (stalls, trickles, cuts the
// connection) is told as a Windows client tells it, and given up on within
// the window the caller gave, whatever it does meanwhile: on the command line,
// or in the environment as the window program takes it. A message's silent
// or garbled recipient computer likewise.
TEST_F(CliSharesE2eTest, ABadServerIsToldAndGivenUpOnWithinTheTimeout) {
    using Answer = BrokenServer::Answer;
    const std::string late = "The server did not answer within 2 seconds (error 121)\n";
    const std::vector<std::string> send{"send", "anyone", "--message", "hello", "--server"};
    const struct {
        std::vector<std::string> args; // the server's address follows
        int port;
        Answer answer;
        std::string said; // the end of the one line on standard error
    } cases[] = {
        {{"files", "--timeout=2"}, 445, Answer::Nothing, late},
        {{"shares"}, 445, Answer::Garbage, "The server's answer is not SMB (error 58)\n"},
        {{"files", "--timeout=2"}, 445, Answer::Stall, late},
        {{"shares"}, 445, Answer::Trickle, late},
        {{"files", "--timeout=2"}, 445, Answer::Cut, "The server cut the connection (error 64)\n"},
        {send, 139, Answer::Nothing, "failed (The computer did not answer in time)\n"},
        {send, 139, Answer::Garbage, "failed (The computer's answer could not be understood)\n"},
    };
    int address = 20;
    for (const auto& c : cases) {
        const std::string at = "127.0.0." + std::to_string(++address);
        const BrokenServer broken(at, c.port, c.answer);
        std::vector<std::string> args = c.args;
        args.push_back(at);
        qputenv("QUARNEL_TIMEOUT", args[1] == "--timeout=2" ? "30" : "2");
        const auto cli = StartCli(args, server.adminUser, server.adminPassword);
        qunsetenv("QUARNEL_TIMEOUT");
        // Samba's client alone would wait 20 seconds for each answer.
        ASSERT_TRUE(cli->waitForFinished(15000)) << at << " was not given up on";
        const std::string err = cli->readAllStandardError().toStdString();
        EXPECT_EQ(cli->exitCode(), 1);
        EXPECT_TRUE(err.ends_with(c.said)) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

// Usage errors exit with 2, failures with 1; output that cannot be written
// is a failure with its reason, and a reader that closed the pipe ends the
// run without one.
TEST_F(CliSharesE2eTest, ExitCodesAndOutputThatCannotBeWritten) {
    const CliResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.starts_with("quarnel-cli ")) << version.out;
    const CliResult usage = Run({"files", "--bogus"});
    EXPECT_EQ(usage.exitCode, 2) << usage.err;
    EXPECT_EQ(usage.out, "");
    const CliResult full =
        RunCli({"shares", server.address}, server.adminUser, server.adminPassword, {}, "/dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("cannot write the output: No space left on device"), std::string::npos)
        << full.err;
    int pipe[2]; // with no reader from the start, and SIGPIPE as a shell leaves it
    ASSERT_EQ(::pipe(pipe), 0);
    ::close(pipe[0]);
    const pid_t child = ::fork();
    if (child == 0 && std::signal(SIGPIPE, SIG_DFL) != SIG_ERR && ::dup2(pipe[1], 1) == 1)
        ::execl(CliPath().c_str(), "quarnel-cli", "--version", nullptr);
    if (child == 0)
        ::_exit(127);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(pipe[1]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
}

} // namespace
} // namespace quarnel::e2e
