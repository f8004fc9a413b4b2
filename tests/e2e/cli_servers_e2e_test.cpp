// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli asking three real servers at once, and a fourth that accepts
// connections and never answers: every row names its server and arrives
// whole, the rows come while the silent server is still awaited, and the run
// ends with its workers, however it ends.
#include "E2eSupport.h"

#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <unistd.h>

namespace quarnel::e2e {
namespace {

class CliServersE2eTest : public ::testing::Test {
  protected:
    void SetUp() override {
        servers = {TestServer::Get(), TestServer::Others()[0], TestServer::Others()[1]};
        // A different number of files on each server, and one file that
        // every server holds under the same name.
        for (std::size_t i = 0; i < servers.size(); ++i) {
            const TestServer& s = servers[i];
            const std::string dir = s.MakeFolder("many");
            std::vector<std::string> files{dir + "/same.txt:rw:1"};
            for (std::size_t n = 0; n <= i; ++n)
                files.push_back(dir + "/own-" + std::to_string(n) + ".txt:r");
            held.push_back(std::make_unique<HeldFiles>(s.adminUser, s.adminPassword, files, s));
            for (const std::string& f : files)
                expected.insert({s.address, s.ServerPath(f.substr(0, f.find(':')))});
        }
    }

    std::vector<std::string> Args(const std::string& format, const std::string& extra = "") {
        std::vector<std::string> args{"files", "--format", format, "--holder",
                                      servers[0].adminUser};
        for (const TestServer& s : servers)
            args.push_back(s.address);
        if (!extra.empty())
            args.push_back(extra);
        return args;
    }

    std::vector<TestServer> servers;
    std::vector<std::unique_ptr<HeldFiles>> held;
    std::set<std::pair<std::string, std::string>> expected; // server, path
};

// The server and path of each row of a JSON listing that lies in this
// test's folder: other tests may hold files too.
std::set<std::pair<std::string, std::string>> Ours(const std::string& json) {
    std::set<std::pair<std::string, std::string>> ours;
    for (const auto& file : nlohmann::json::parse(json)) {
        const std::string path = file.at("path");
        if (path.find("\\many\\") != std::string::npos)
            ours.insert({file.at("server").get<std::string>(), path});
    }
    return ours;
}

// The answering servers' rows come whole while a silent one is awaited.
// Stopped then (SIGTERM to quarnel-cli alone), the run ends at once with the
// rows out so far in a closed JSON array; killed, it takes its workers along:
// none stays connected to the silent server.
TEST_F(CliServersE2eTest, RowsComeWholeWhileASilentServerIsAwaitedAndAStopEndsTheWorkers) {
    const std::string silentAddress = "127.0.0.13";
    const BrokenServer silent445(silentAddress, 445, BrokenServer::Answer::Nothing);
    const BrokenServer silent139(silentAddress, 139, BrokenServer::Answer::Nothing);
    for (const int signal : {SIGTERM, SIGKILL}) {
        const auto cli =
            StartCli(Args("json", silentAddress), servers[0].adminUser, servers[0].adminPassword);
        QByteArray out;
        std::set<std::string> seen;
        while (seen.size() < servers.size() && cli->state() == QProcess::Running) {
            cli->waitForReadyRead(1000);
            out += cli->readAllStandardOutput();
            for (const TestServer& s : servers)
                if (out.contains(QByteArray::fromStdString(s.SharePath()).replace("\\", "\\\\")))
                    seen.insert(s.address);
        }
        EXPECT_EQ(seen.size(), servers.size()) << out.toStdString();
        ASSERT_EQ(cli->state(), QProcess::Running) << "the silent server answered";
        ASSERT_TRUE(Eventually([&] { return silent445.Open() == 1; }));
        ::kill(static_cast<pid_t>(cli->processId()), signal);
        ASSERT_TRUE(cli->waitForFinished(10000));
        if (signal == SIGTERM) {
            EXPECT_EQ(cli->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(cli->exitCode(), 128 + SIGTERM);
            EXPECT_EQ(Ours((out + cli->readAllStandardOutput()).toStdString()), expected);
        }
        EXPECT_TRUE(Eventually([&] { return silent445.Open() == 0; })) << signal;
    }
}

// One server at a time or all at once, the rows are the same, whole, each
// behind its own server (the expected rows name each file's server); the
// table leads with the server too, and shares are asked of several servers
// in the same way.
TEST_F(CliServersE2eTest, OneAtATimeOrAllAtOnceEveryRowIsWholeAndNamesItsServer) {
    for (const char* jobs : {"1", "3"}) {
        std::vector<std::string> args = Args("json");
        args.insert(args.end(), {"--jobs", jobs});
        const CliResult run = RunCli(args, servers[0].adminUser, servers[0].adminPassword);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Ours(run.out), expected) << jobs;
    }

    const CliResult table = RunCli(Args("table"), servers[0].adminUser, servers[0].adminPassword);
    ASSERT_EQ(table.exitCode, 0) << table.err;
    EXPECT_EQ(table.out.rfind("Server", 0), 0u) << table.out;
    for (const TestServer& s : servers)
        EXPECT_NE(table.out.find("\n" + s.address + " "), std::string::npos) << table.out;

    // Shares are asked of several servers in the same way.
    std::vector<std::string> args{"shares", "--format", "json"};
    for (const TestServer& s : servers)
        args.push_back(s.address);
    const CliResult shares = RunCli(args, servers[0].adminUser, servers[0].adminPassword);
    ASSERT_EQ(shares.exitCode, 0) << shares.err;
    std::set<std::pair<std::string, std::string>> found, wanted;
    for (const auto& share : nlohmann::json::parse(shares.out))
        if (share.at("name") == "share")
            found.insert(
                {share.at("server").get<std::string>(), share.at("path").get<std::string>()});
    for (const TestServer& s : servers)
        wanted.insert({s.address, s.SharePath()});
    EXPECT_EQ(found, wanted);
}

} // namespace
} // namespace quarnel::e2e
