// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli signing in against the private Samba server: an
// authentication file, a password typed on a terminal, and no password on
// any command line.
#include "E2eSupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quarnel::e2e {
namespace {

class CliSignInE2eTest : public ::testing::Test {
  protected:
    // A file of the test's own folder with `text` and the permissions `mode`.
    std::string WriteFile(const std::string& name, const std::string& text, mode_t mode) {
        const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
        file.close();
        ::chmod(path.c_str(), mode);
        return path;
    }

    std::string AdminFile(mode_t mode = 0600) {
        return WriteFile("admin.auth",
                         "username = " + server.adminUser + "\npassword = " + server.adminPassword +
                             "\ndomain = QUARNEL\n",
                         mode);
    }

    const TestServer& server = TestServer::Get();
    QTemporaryDir dir;
};

TEST_F(CliSignInE2eTest, AuthenticationFile) {
    const std::string folder = server.MakeFolder("cli-signin");
    HeldFiles held(server.plainUser, server.plainPassword, {folder + "/held.txt:r"});
    struct Case {
        const char* what;
        std::string file;
        int exitCode;
        std::string out, err; // err: a part of it
    };
    const std::string listed = "User,Path,File ID,Permissions,# locks\r\n" + server.plainUser +
                               "," + server.ServerPath(folder + "/held.txt");
    const std::string fifo = dir.filePath("fifo.auth").toStdString(); // no writer ever comes
    ::mkfifo(fifo.c_str(), 0600);
    const Case cases[] = {
        {"good", AdminFile(), 0, listed, ""},
        {"a FIFO", fifo, 1, "", "fifo.auth is not a file"},
        {"open to others", WriteFile("open.auth", "username = x\npassword = y\n", 0644), 1, "",
         "open.auth is open to others (permissions 0644)"},
        {"wrong password",
         WriteFile("wrong.auth", "username = " + server.adminUser + "\npassword = nope\n", 0600), 1,
         "", "Logon failure"},
        {"no user", WriteFile("nouser.auth", "password = y\n", 0600), 1, "", "names no user"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CliResult run = RunCli({"files", server.address, "--base", server.ServerPath(folder),
                                      "--format", "csv", "-A", c.file},
                                     SignedOutEnvironment());
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
}

// Reads what the terminal shows until `until` appears or the program ends.
std::string ReadTerminal(int fd, const std::string& until = {}) {
    std::string shown;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline &&
           (until.empty() || shown.find(until) == std::string::npos)) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0)
            continue;
        char chunk[512];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0)
            break; // the program ended and the terminal closed
        shown.append(chunk, static_cast<std::size_t>(n));
    }
    return shown;
}

TEST_F(CliSignInE2eTest, UserAsksForThePasswordOnTheTerminalWithItsEchoOff) {
    const std::string cli = CliPath();
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::unsetenv("PASSWD");
        ::unsetenv("KRB5CCNAME");
        ::execl(cli.c_str(), "quarnel-cli", "-U", server.adminUser.c_str(), "shares",
                server.address.c_str(), "--format", "csv", nullptr);
        ::_exit(127);
    }
    const std::string prompt = "Password for [" + server.adminUser + "]: ";
    const std::string before = ReadTerminal(terminal, prompt);
    EXPECT_NE(before.find(prompt), std::string::npos) << before;
    const std::string typed = server.adminPassword + "\n";
    ASSERT_EQ(::write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    const std::string after = ReadTerminal(terminal);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << after;
    EXPECT_NE(after.find(server.share + ","), std::string::npos) << after;
    EXPECT_EQ((before + after).find(server.adminPassword), std::string::npos) << "echoed";
}

// quarnel-cli starts smbclient to send messages; whatever the sign-in, the
// password is never among its arguments, where every user of the computer
// could read it. A stand-in smbclient writes its arguments down first.
TEST_F(CliSignInE2eTest, NoChildProcessGetsThePasswordAsAnArgument) {
    const QString smbclient = QStandardPaths::findExecutable("smbclient");
    ASSERT_FALSE(smbclient.isEmpty());
    const std::string log = dir.filePath("arguments").toStdString();
    const std::string bin = dir.filePath("bin").toStdString();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(bin)));
    WriteFile("bin/smbclient",
              "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" >>'" + log + "'\nexec '" +
                  smbclient.toStdString() + "' \"$@\"\n",
              0700);
    QProcessEnvironment env = SignedOutEnvironment();
    env.insert("PATH", QString::fromStdString(bin) + ":" + env.value("PATH"));
    env.insert("QUARNEL_SMB_CONF", QString::fromStdString(server.smbConf));

    const std::string auth = AdminFile();
    for (const auto& command : std::vector<std::vector<std::string>>{
             {"-A", auth, "files", server.address},
             {"-A", auth, "send", server.adminUser, "--message", "hello"},
         }) {
        const CliResult run = RunCli(command, env);
        EXPECT_EQ(run.exitCode, 0) << run.err;
    }
    QFile arguments(QString::fromStdString(log));
    ASSERT_TRUE(arguments.open(QIODevice::ReadOnly)) << "smbclient never ran";
    const std::string written = arguments.readAll().toStdString();
    EXPECT_NE(written.find("--message=" + server.adminUser), std::string::npos) << written;
    EXPECT_EQ(written.find(server.adminPassword), std::string::npos) << written;
}

} // namespace
} // namespace quarnel::e2e
