// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli against the private Samba server: files held open through real
// SMB clients must be listed exactly, and every kind of failure must be told.
#include "E2eSupport.h"

#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <tuple>

namespace quarnel::e2e {
namespace {

using Row = std::tuple<std::string, std::string, std::string, int>; // user, path, letters, locks

class CliFilesE2eTest : public ::testing::Test {
  protected:
    const TestServer& server = TestServer::Get();

    // The rows that `files` lists in JSON, given `extra` arguments.
    std::multiset<Row> Files(std::vector<std::string> extra) {
        std::vector<std::string> args{"files", "--format", "json"};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliResult run = RunCli(args, server.adminUser, server.adminPassword);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::multiset<Row> rows;
        for (const auto& file : nlohmann::json::parse(run.out)) {
            EXPECT_TRUE(file["id"].is_number_integer());
            EXPECT_EQ(file["server"], server.address);
            rows.insert({file["user"].get<std::string>(), file["path"].get<std::string>(),
                         file["permissions"].get<std::string>(), file["locks"].get<int>()});
        }
        return rows;
    }
};

// Exactly the files held open, with their access and locks; narrowed by
// user, by base path (in other letter case: servers compare paths without
// case, and "sub" must not take in its sibling "subway") and by a client
// path, which names the same folder.
TEST_F(CliFilesE2eTest, ListsExactlyTheFilesHeldOpenAndNarrowsByUserAndByPath) {
    const std::string dir = server.MakeFolder("cli-files");
    server.MakeFolder(dir + "/sub");
    server.MakeFolder(dir + "/subway");
    HeldFiles admin(server.adminUser, server.adminPassword,
                    {dir + "/read.txt:r", dir + "/sub/inner.txt:rw:2", dir + "/subway/next.txt:w"});
    HeldFiles plain(server.plainUser, server.plainPassword,
                    {dir + "/sub/theirs.txt:r", dir + "/Bücher.txt:rw:1"});
    const Row read{server.adminUser, server.ServerPath(dir + "/read.txt"), "R  ", 0};
    const Row inner{server.adminUser, server.ServerPath(dir + "/sub/inner.txt"), "RW ", 2};
    const Row next{server.adminUser, server.ServerPath(dir + "/subway/next.txt"), " W ", 0};
    const Row theirs{server.plainUser, server.ServerPath(dir + "/sub/theirs.txt"), "R  ", 0};
    const Row books{server.plainUser, server.ServerPath(dir + "/Bücher.txt"), "RW ", 1};
    const std::string& a = server.address;
    const std::string base = server.ServerPath(dir + "/SUB");

    EXPECT_EQ(Files({a}), (std::multiset<Row>{read, inner, next, theirs, books}));
    EXPECT_EQ(Files({a, "--holder", server.plainUser}), (std::multiset<Row>{theirs, books}));
    EXPECT_EQ(Files({a, "--base", base}), (std::multiset<Row>{inner, theirs}));
    EXPECT_EQ(Files({"--path", server.NetworkPath(dir + "/sub")}),
              (std::multiset<Row>{inner, theirs}));
    EXPECT_EQ(Files({a, "--base", base, "--holder", server.adminUser}), std::multiset<Row>{inner});
    EXPECT_TRUE(Files({a, "--holder", "nobody-holds-anything"}).empty());
}

// A watch lists, then tells a file opened and closed as JSON lines; a server
// that fails is told once, and once more when it answers again. A wait gives
// up at its timeout naming the holder, and ends with 0 once the holder has
// ended. Stopped, the watch leaves every line whole.
TEST_F(CliFilesE2eTest, WatchTellsOpensAndClosesAndAWaitEndsOnceTheHolderHas) {
    const std::string dir = server.MakeFolder("cli-watch");
    const std::string late = "127.0.0.14"; // nothing listens there until the relay below
    const std::string& admin = server.adminUser;
    const HeldFiles first(server.plainUser, server.plainPassword, {dir + "/first.txt:r"});
    const auto watch = StartCli({"files", server.address, late, "--base", server.ServerPath(dir),
                                 "--watch", "--interval", "1", "--format", "jsonl"},
                                admin, server.adminPassword);
    std::string out, err;
    const auto told = [&](const std::string& what) {
        return Eventually([&] {
            watch->waitForReadyRead(0);
            out += watch->readAllStandardOutput().toStdString();
            err += watch->readAllStandardError().toStdString();
            return (out + err).find(what) != std::string::npos;
        });
    };
    ASSERT_TRUE(told("cannot list the open files on \\\\" + late));
    ASSERT_TRUE(told("first.txt")); // the first listing is out
    auto holder = std::make_unique<HeldFiles>(server.plainUser, server.plainPassword,
                                              std::vector<std::string>{dir + "/book.xlsx:rw"});
    const std::vector<std::string> wait{"wait", server.NetworkPath(dir + "/book.xlsx"),
                                        "--interval", "1"};
    std::vector<std::string> briefly = wait;
    briefly.insert(briefly.end(), {"--timeout", "1"});
    const CliResult gaveUp = RunCli(briefly, admin, server.adminPassword);
    EXPECT_EQ(gaveUp.exitCode, 1);
    EXPECT_NE(gaveUp.err.find("still held open after 1 second: open file "), std::string::npos);
    EXPECT_TRUE(gaveUp.err.ends_with(" (" + server.ServerPath(dir + "/book.xlsx") + ", held by " +
                                     server.plainUser + ")\n"))
        << gaveUp.err;
    ASSERT_TRUE(told("\"event\":\"opened\""));

    const auto waiting = StartCli(wait, admin, server.adminPassword);
    const BrokenServer relay(late, 445, BrokenServer::Answer::Whole);
    ASSERT_TRUE(told("\\\\" + late + " answers again"));
    holder.reset();
    ASSERT_TRUE(waiting->waitForFinished(10000));
    EXPECT_EQ(waiting->exitCode(), 0);
    EXPECT_EQ(waiting->readAll(), "");
    ASSERT_TRUE(told("\"event\":\"closed\",\"server\":\"" + late));
    ::kill(static_cast<pid_t>(watch->processId()), SIGINT);
    ASSERT_TRUE(watch->waitForFinished(10000));
    EXPECT_EQ(watch->exitCode(), 128 + SIGINT);
    out += watch->readAllStandardOutput().toStdString();
    err += watch->readAllStandardError().toStdString();

    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err; // the failure, the answer
    std::multiset<std::string> events;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const auto row = nlohmann::json::parse(line);
        EXPECT_EQ(row["user"], server.plainUser);
        if (!row.contains("event"))
            continue; // a server's listing when it first answers
        EXPECT_EQ(row.size(), 8u) << line;
        EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$")
                        .match(QString::fromStdString(row["time"]))
                        .hasMatch())
            << line;
        events.insert(row["event"].get<std::string>() + " " + row["server"].get<std::string>() +
                      " " + row["path"].get<std::string>());
    }
    const std::string book = " " + server.ServerPath(dir + "/book.xlsx");
    EXPECT_EQ(events, (std::multiset<std::string>{"opened " + server.address + book,
                                                  "closed " + server.address + book,
                                                  "closed " + late + book}));
}

// One line names the server and the reason. On a server that lets anonymous
// users in, libnetapi quietly retries without refused credentials: that is
// still a logon failure, whichever call was refused.
TEST_F(CliFilesE2eTest, FailuresGiveAReasonInWordsAndANonZeroExit) {
    const std::string logon = "Logon failure: Unknown user name or bad password (error 1326)";
    struct Case {
        std::vector<std::string> args;
        std::string user, password, reason;
    } cases[] = {
        {{"files", server.address}, server.plainUser, server.plainPassword, "Access is denied"},
        {{"files", server.address}, server.adminUser, "wrong-password", logon},
        {{"shares", server.address}, server.adminUser, "wrong-password", logon},
        {{"share", server.address, server.share}, server.adminUser, "wrong-password", logon},
        // Nothing listens on this loopback address: the port is closed.
        {{"files", "127.0.0.2"},
         server.adminUser,
         server.adminPassword,
         "network path was not found"},
    };
    for (const Case& c : cases) {
        const CliResult run = RunCli(c.args, c.user, c.password);
        EXPECT_EQ(run.exitCode, 1) << c.reason;
        EXPECT_EQ(run.out, "") << c.reason;
        EXPECT_NE(run.err.find("\\\\" + c.args[1]), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

} // namespace
} // namespace quarnel::e2e
