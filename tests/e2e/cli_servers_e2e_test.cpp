// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli asking three real servers at once, and a fourth that accepts
// connections and never answers: every row names its server and arrives
// whole, the rows come while the silent server is still awaited, and only the
// silent server fails.
#include "E2eSupport.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

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
        std::vector<std::string> args{"files", "--format", format, "--user", servers[0].adminUser};
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

// Only the rows of this test's folder: other tests may hold files too.
template <typename Rows> std::set<std::pair<std::string, std::string>> Ours(const Rows& rows) {
    std::set<std::pair<std::string, std::string>> ours;
    for (const auto& [server, path] : rows)
        if (path.find("\\many\\") != std::string::npos)
            ours.insert({server, path});
    return ours;
}

TEST_F(CliServersE2eTest, RowsOfTheAnsweringServersComeWholeBeforeTheSilentOneFails) {
    const std::string silentAddress = "127.0.0.13";
    const BrokenServer silent445(silentAddress, 445, BrokenServer::Answer::Nothing);
    const BrokenServer silent139(silentAddress, 139, BrokenServer::Answer::Nothing);
    const auto cli =
        StartCli(Args("json", silentAddress), servers[0].adminUser, servers[0].adminPassword);
    // Every answering server's rows are out while the silent one is awaited.
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
    EXPECT_EQ(cli->state(), QProcess::Running) << "the silent server answered";

    ASSERT_TRUE(cli->waitForFinished(60000));
    out += cli->readAllStandardOutput();
    const std::string err = cli->readAllStandardError().toStdString();
    EXPECT_EQ(cli->exitCode(), 1);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("\\\\" + silentAddress + ":"), std::string::npos) << err;

    std::vector<std::pair<std::string, std::string>> rows;
    for (const auto& file : nlohmann::json::parse(out.toStdString()))
        rows.push_back({file.at("server"), file.at("path")});
    EXPECT_EQ(Ours(rows), expected);
}

TEST_F(CliServersE2eTest, CsvAndTableLeadWithTheServerAndEveryRowIsWholeAndSharesToo) {
    // Run one server at a time as well as all at once: the rows are the same.
    for (const char* jobs : {"1", "3"}) {
        std::vector<std::string> args = Args("csv");
        args.insert(args.end(), {"--jobs", jobs});
        const CliResult run = RunCli(args, servers[0].adminUser, servers[0].adminPassword);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::istringstream lines(run.out);
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line, "Server,User,Path,File ID,Permissions,# locks\r");
        std::vector<std::pair<std::string, std::string>> rows;
        while (std::getline(lines, line)) {
            std::vector<std::string> cells;
            std::stringstream fields(line);
            for (std::string cell; std::getline(fields, cell, ',');)
                cells.push_back(cell);
            ASSERT_EQ(cells.size(), 6u) << line;
            rows.push_back({cells[0], cells[2]});
        }
        EXPECT_EQ(Ours(rows), expected);
        // A row torn apart or put together from two servers would name a
        // path of another server's share.
        for (const auto& [server, path] : rows)
            for (const TestServer& s : servers) {
                if (s.address == server) {
                    EXPECT_EQ(path.rfind(s.SharePath(), 0), 0u) << server << " " << path;
                }
            }
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
