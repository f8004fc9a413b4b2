// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli against the private Samba server: files held open through real
// SMB clients must be listed exactly, and every kind of failure must be told.
#include "E2eSupport.h"

#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <pwd.h>
#include <set>
#include <sstream>
#include <tuple>
#include <unistd.h>

namespace quarnel::e2e {
namespace {

using Row = std::tuple<std::string, std::string, std::string, int>; // user, path, letters, locks

class CliFilesE2eTest : public ::testing::Test {
  protected:
    const TestServer& server = TestServer::Get();

    // The rows that `files` lists in JSON, given `extra` arguments; their
    // identifiers by path go to `ids`.
    std::multiset<Row> Files(std::vector<std::string> extra) {
        std::vector<std::string> args{"files", "--format", "json"};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliResult run = RunCli(args, server.adminUser, server.adminPassword);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::multiset<Row> rows;
        for (const auto& file : nlohmann::json::parse(run.out)) {
            ids[file["path"]] = std::to_string(file["id"].get<long long>());
            EXPECT_EQ(file["server"], server.address);
            rows.insert({file["user"].get<std::string>(), file["path"].get<std::string>(),
                         file["permissions"].get<std::string>(), file["locks"].get<int>()});
        }
        return rows;
    }

    std::map<std::string, std::string> ids;
};

// Exactly the files held open, with their access and locks; narrowed by
// user, by base path (in other letter case: servers compare paths without
// case, and "sub" must not take in its sibling "subway") and by a client
// path, which names the same folder. close selects as `files` narrows:
// without --yes it closes nothing, with it exactly what is selected, under
// its holder. By identifier, a user who is no administrator is refused with
// the reason, and so is an identifier that no file has, while the next one
// is closed. The log names who closed which file, held by whom, and the
// outcome, and nothing else.
TEST_F(CliFilesE2eTest, ListsAndClosesExactlyTheFilesSelectedByUserAndByPath) {
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

    TestLog log;
    std::vector<std::string> close{"close", a, "--path", base, "--holder", server.plainUser};
    const CliResult listed = log.RunCli(close, server.adminUser, server.adminPassword);
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.out.find(std::get<1>(theirs)), std::string::npos) << listed.out;
    EXPECT_EQ(listed.err, "quarnel-cli: nothing was closed: add --yes to close this open file\n");
    const std::string on = " on \\\\" + a, theirsId = ids[std::get<1>(theirs)];
    const std::string booksId = ids[std::get<1>(books)];
    const CliResult refused =
        log.RunCli({"close", a, booksId}, server.plainUser, server.plainPassword);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "quarnel-cli: Could not close open file " + booksId + on +
                               ": Access is denied (error 5)\n");
    close.push_back("--yes");
    const std::string held = ", held by " + server.plainUser + ")";
    EXPECT_EQ(log.RunCli(close, server.adminUser, server.adminPassword).out,
              "Closed open file " + theirsId + on + " (" + std::get<1>(theirs) + held + "\n");
    // Samba makes an identifier's upper half the number of the process that
    // serves the holder, and no process has the number 0.
    const CliResult byId =
        log.RunCli({"close", a, "1", booksId}, server.adminUser, server.adminPassword);
    EXPECT_EQ(byId.exitCode, 1);
    EXPECT_EQ(byId.out, "Closed open file " + booksId + on + "\n");
    EXPECT_NE(byId.err.find("open file 1" + on + ": There is not an open file"), std::string::npos);
    EXPECT_TRUE(Eventually([&] { return Files({a}) == std::multiset<Row>{read, inner, next}; }));
    // Notices (85) and warnings (84) among the security messages.
    const std::string who = std::string("quarnel-cli: ") + ::getpwuid(::geteuid())->pw_name;
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{"<84>" + who + " could not close open file " + booksId +
                                            on + " (not listed): Access is denied (error 5)",
                                        "<85>" + who + " closed open file " + theirsId + on + " (" +
                                            std::get<1>(theirs) + held,
                                        "<84>" + who + " could not close open file 1" + on +
                                            " (not listed): There is not an open file with that "
                                            "identification number (error 2314)",
                                        "<85>" + who + " closed open file " + booksId + on + " (" +
                                            std::get<1>(books) + held}));
}

// A watch lists, then tells a file opened and closed as JSON lines; a server
// that fails is told once, and once more when it answers again. A wait gives
// up at its timeout naming the holder, and ends with 0 once the holder has
// ended. Stopped, the watch leaves every line whole.
TEST_F(CliFilesE2eTest, WatchTellsOpensAndClosesAndAWaitEndsOnceTheHolderHas) {
    const std::string dir = server.MakeFolder("cli-watch");
    const std::string late = "127.0.0.14"; // nothing listens there until the relay below
    const HeldFiles first(server.plainUser, server.plainPassword, {dir + "/first.txt:r"});
    const auto watch = StartCli({"files", server.address, late, "--base", server.ServerPath(dir),
                                 "--watch", "--interval", "1", "--format", "jsonl"},
                                server.adminUser, server.adminPassword);
    std::string out, err;
    const auto told = [&](const std::string& what) {
        return Eventually([&] {
            watch->waitForReadyRead(0);
            out += watch->readAllStandardOutput().toStdString();
            err += watch->readAllStandardError().toStdString();
            return (out + err).find(what) != std::string::npos;
        });
    };
    ASSERT_TRUE(told("files on \\\\" + late) && told("first.txt")); // the first listing is out
    auto holder = std::make_unique<HeldFiles>(server.plainUser, server.plainPassword,
                                              std::vector<std::string>{dir + "/book.xlsx:rw"});
    const std::string book = server.ServerPath(dir + "/book.xlsx");
    std::vector<std::string> wait{
        "wait", server.NetworkPath(dir + "/book.xlsx"), "--interval", "1", "--timeout", "1"};
    const CliResult gaveUp = RunCli(wait, server.adminUser, server.adminPassword);
    EXPECT_EQ(gaveUp.exitCode, 1);
    EXPECT_TRUE(gaveUp.err.ends_with(" second: open file " + ids[book] + " on \\\\" +
                                     server.address + " (" + book + ", held by " +
                                     server.plainUser + ")\n"))
        << gaveUp.err;
    ASSERT_TRUE(told("\"event\":\"opened\""));

    wait.resize(4); // until released
    const auto waiting = StartCli(wait, server.adminUser, server.adminPassword);
    const BrokenServer relay(late, 445, BrokenServer::Answer::Whole);
    ASSERT_TRUE(told("\\\\" + late + " answers again"));
    holder.reset();
    ASSERT_TRUE(waiting->waitForFinished(10000));
    EXPECT_EQ(waiting->exitCode(), 0);
    ASSERT_TRUE(told("\"event\":\"closed\",\"server\":\"" + late));
    ::kill(static_cast<pid_t>(watch->processId()), SIGINT);
    ASSERT_TRUE(watch->waitForFinished(10000));
    EXPECT_EQ(watch->exitCode(), 128 + SIGINT);
    told(""); // the rest of what it wrote

    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err; // failed, answers again
    std::multiset<std::string> events;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (const auto row = nlohmann::json::parse(line);
            row.contains("event") && row.size() == 8 &&
            QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$)")
                .match(QString::fromStdString(row["time"]))
                .hasMatch())
            events.insert(row["event"].get<std::string>() + " " + row["server"].get<std::string>() +
                          " " + row["path"].get<std::string>());
    EXPECT_EQ(events, (std::multiset<std::string>{"opened " + server.address + " " + book,
                                                  "closed " + server.address + " " + book,
                                                  "closed " + late + " " + book}))
        << out;
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
