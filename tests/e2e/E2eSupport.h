// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// What the end-to-end tests share: the private Samba server that ctest
// starts for them, real SMB clients that hold files open on it, and runs of
// quarnel-cli.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quarnel::e2e {

// The shell assignments of an env file that a test script wrote, quotes
// removed; empty when there is no such file.
std::map<std::string, std::string> ReadEnvFile(const std::string& path);

// The server that scripts/test-server.sh started, read from its server.env.
struct TestServer {
    std::string address;
    std::string share;
    std::string shareDir; // the shared folder on this machine
    std::string adminUser, adminPassword;
    std::string plainUser, plainPassword;
    std::string netbiosName;
    std::string messageDir; // one file for each network message the server received
    std::string smbConf;    // a Samba client configuration for the test network
    std::string domain;     // the domain of its users, empty for its own

    // Fails the calling test (fatally) when the server is not running.
    static const TestServer& Get();

    // Two more servers of the same kind on addresses of their own, for the
    // tests that ask several servers at once.
    static const std::vector<TestServer>& Others();

    // A fresh, empty folder of the share for one test, and its name relative
    // to the share ("name/" prefix for the files of that test).
    std::string MakeFolder(const std::string& name) const;

    // The path the server reports for a file of the share: "C:" and the
    // local path with backslashes, as Samba names paths for Windows clients.
    std::string ServerPath(const std::string& relative) const;

    // The share's folder as the server reports it.
    std::string SharePath() const;

    // \\address\share followed by `relative` with backslashes.
    std::string NetworkPath(const std::string& relative) const;
};

// The Active Directory domain that scripts/domain-network.sh builds, read
// from its domain.env: a controller, a member file server and this client,
// which holds tickets of three domain users in caches of their own.
struct TestDomain {
    std::string realm, name; // QUARNEL.TEST, QUARNEL
    std::string member, memberAddress;
    std::string admin, adminPassword;         // a domain administrator
    std::string user, userPassword;           // a plain domain user
    std::string groupUser, groupUserPassword; // in a group that the member made administrator
    std::string smbConf, krb5Config;          // the client's Samba and Kerberos configurations
    // Ticket caches: the three users' own, a copy of the administrator's
    // whose tickets ended an hour ago, an empty one and one that is none.
    std::string adminCache, userCache, groupUserCache;
    std::string expiredCache, emptyCache, corruptCache;
    std::string memberLogs; // the member's logs, which name the user of every session
    TestServer server;      // the member's share, as the tests of one server see it

    // Fails the calling test (fatally) when the domain is not up.
    static const TestDomain& Get();

    // The environment of SignedOutEnvironment in the domain, with the ticket
    // cache `cache` (none when empty).
    QProcessEnvironment Environment(const std::string& cache = {}) const;
};

// The sign-ins that the domain's member logs from now on.
class MemberLog {
  public:
    explicit MemberLog(const TestDomain& domain);

    // One "MECHANISM DOMAIN\user" for each session set up since, such as
    // "krb5 QUARNEL\quser" or "NTLMSSP QUARNEL\quser".
    std::vector<std::string> SignIns() const;

  private:
    std::string folder_;
    std::map<std::string, std::uintmax_t> ends_; // each log's size at the start
};

// Files held open through a real SMB client (scripts/hold-open.py) for as
// long as the object lives. Each file is given as PATH:ACCESS[:LOCKS], ACCESS
// r, w or rw.
class HeldFiles {
  public:
    HeldFiles(const std::string& user, const std::string& password,
              const std::vector<std::string>& files, const TestServer& on = TestServer::Get());
    ~HeldFiles();
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;

    // Reads from the open file PATH through the client's handle: true while
    // the server still holds the file open for it.
    bool CanRead(const std::string& path);

  private:
    std::unique_ptr<QProcess> process_;
};

// Asks `done` every tenth of a second until it answers true, for at most ten
// seconds: Samba's server closes a file a moment after it said it would.
bool Eventually(const std::function<bool()>& done);

// A server that accepts TCP connections on `address`:`port` (another
// loopback address than the test server's) for as long as the object lives
// (scripts/relay.py): it never answers, or answers with text that is no SMB,
// or passes on the test server's answer up to its first 1,000 bytes and then
// stalls, cuts the connection or trickles the rest at a byte a second; or
// passes on all of it (Whole), as the test server under another address.
class BrokenServer {
  public:
    enum class Answer { Nothing, Garbage, Stall, Cut, Trickle, Whole };
    BrokenServer(const std::string& address, int port, Answer answer);
    ~BrokenServer();
    BrokenServer(const BrokenServer&) = delete;
    BrokenServer& operator=(const BrokenServer&) = delete;

    bool Listening() const { return listening_; }
    bool Connected() const { return Count("connected") > 0; }         // someone connected
    int Open() const { return Count("connected") - Count("closed"); } // connections open now

  private:
    int Count(const char* event) const;
    std::unique_ptr<QProcess> relay_;
    bool listening_ = false;
    mutable QByteArray events_;
};

struct CliResult {
    int exitCode = -1;
    std::string out, err;
};

// The system log of the programs that a test starts through it: they run in
// a private mount namespace where a folder of the test's own stands at /dev,
// with this log's socket and the devices they need, so that nothing reaches
// the machine's log. For as long as the object lives.
class TestLog {
  public:
    TestLog();
    ~TestLog();
    TestLog(const TestLog&) = delete;
    TestLog& operator=(const TestLog&) = delete;

    // Runs quarnel-cli as RunCli does, logging here.
    CliResult RunCli(const std::vector<std::string>& args, const std::string& user,
                     const std::string& password) const;

    // What was logged so far, a line each as "<PRIORITY>TAG: TEXT", such as
    // "<85>quarnel-cli: root closed ...", without the time and process.
    std::vector<std::string> Lines();

  private:
    std::string folder_;
    int socket_ = -1;
};

// Starts quarnel-cli with the given arguments and USER / PASSWD set as
// Samba's tools read them, and leaves it running.
std::unique_ptr<QProcess> StartCli(const std::vector<std::string>& args, const std::string& user,
                                   const std::string& password);

// Runs quarnel-cli as StartCli does; `input` is all of its standard input.
// Its standard output goes to `outputFile` when one is named.
CliResult RunCli(const std::vector<std::string>& args, const std::string& user,
                 const std::string& password, const std::string& input = {},
                 const std::string& outputFile = {});

// The same in an environment of the caller's choosing.
CliResult RunCli(const std::vector<std::string>& args, const QProcessEnvironment& environment,
                 const std::string& input = {}, const std::string& outputFile = {});

// The environment of this process without credentials: no PASSWD, no
// Kerberos ticket cache and a USER that no server knows.
QProcessEnvironment SignedOutEnvironment();

// quarnel-cli's path.
std::string CliPath();

} // namespace quarnel::e2e
