// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "E2eSupport.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quarnel::e2e {

std::map<std::string, std::string> ReadEnvFile(const std::string& path) {
    std::map<std::string, std::string> values;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return values;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const auto eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        QString value = line.mid(eq + 1);
        if (value.size() >= 2 && value.startsWith('\'') && value.endsWith('\''))
            value = value.mid(1, value.size() - 2);
        values[line.left(eq).toStdString()] = value.toStdString();
    }
    return values;
}

namespace {

QProcessEnvironment WithCredentials(const std::string& user, const std::string& password) {
    QProcessEnvironment env = SignedOutEnvironment();
    env.insert("USER", QString::fromStdString(user));
    env.insert("PASSWD", QString::fromStdString(password));
    return env;
}

TestServer ReadServer(const std::string& dir) {
    auto v = ReadEnvFile(dir + "/server.env");
    TestServer server{v["QUARNEL_SERVER"],
                      v["QUARNEL_SHARE"],
                      v["QUARNEL_SHARE_DIR"],
                      v["QUARNEL_ADMIN_USER"],
                      v["QUARNEL_ADMIN_PASSWORD"],
                      v["QUARNEL_PLAIN_USER"],
                      v["QUARNEL_PLAIN_PASSWORD"],
                      v["QUARNEL_NETBIOS_NAME"],
                      v["QUARNEL_MESSAGE_DIR"],
                      v["QUARNEL_SMB_CONF"],
                      {}};
    if (server.address.empty())
        ADD_FAILURE() << "the test server of " << dir
                      << " is not running: run the end-to-end tests through ctest, which "
                         "starts it";
    return server;
}

} // namespace

QProcessEnvironment SignedOutEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("USER", "quarnel-nobody");
    env.remove("PASSWD");
    env.remove("KRB5CCNAME");
    return env;
}

std::string CliPath() {
    return QUARNEL_CLI;
}

const TestServer& TestServer::Get() {
    static const TestServer server = ReadServer(QUARNEL_E2E_SERVER_DIR);
    return server;
}

const std::vector<TestServer>& TestServer::Others() {
    static const std::vector<TestServer> others{ReadServer(QUARNEL_E2E_SERVER_DIR "-2"),
                                                ReadServer(QUARNEL_E2E_SERVER_DIR "-3")};
    return others;
}

std::string TestServer::MakeFolder(const std::string& name) const {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(shareDir) / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::all);
    return name;
}

std::string TestServer::ServerPath(const std::string& relative) const {
    std::string path = SharePath() + "\\" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string TestServer::SharePath() const {
    std::string path = "C:" + shareDir;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string TestServer::NetworkPath(const std::string& relative) const {
    std::string path = "\\\\" + address + "\\" + share + "\\" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

const TestDomain& TestDomain::Get() {
    static const TestDomain domain = [] {
        auto v = ReadEnvFile(QUARNEL_DOMAIN_DIR "/domain.env");
        TestDomain d;
        d.realm = v["QUARNEL_DOMAIN_REALM"];
        d.name = v["QUARNEL_DOMAIN_NAME"];
        d.member = v["QUARNEL_DOMAIN_MEMBER"];
        d.memberAddress = v["QUARNEL_DOMAIN_MEMBER_ADDRESS"];
        d.admin = v["QUARNEL_DOMAIN_ADMIN"];
        d.adminPassword = v["QUARNEL_DOMAIN_ADMIN_PASSWORD"];
        d.user = v["QUARNEL_DOMAIN_USER"];
        d.userPassword = v["QUARNEL_DOMAIN_USER_PASSWORD"];
        d.groupUser = v["QUARNEL_DOMAIN_GROUP_USER"];
        d.groupUserPassword = v["QUARNEL_DOMAIN_GROUP_USER_PASSWORD"];
        d.smbConf = v["QUARNEL_DOMAIN_SMB_CONF"];
        d.krb5Config = v["QUARNEL_DOMAIN_KRB5_CONFIG"];
        d.adminCache = v["QUARNEL_DOMAIN_ADMIN_CCACHE"];
        d.userCache = v["QUARNEL_DOMAIN_USER_CCACHE"];
        d.groupUserCache = v["QUARNEL_DOMAIN_GROUP_USER_CCACHE"];
        d.expiredCache = v["QUARNEL_DOMAIN_EXPIRED_CCACHE"];
        d.emptyCache = v["QUARNEL_DOMAIN_EMPTY_CCACHE"];
        d.corruptCache = v["QUARNEL_DOMAIN_CORRUPT_CCACHE"];
        d.memberLogs = v["QUARNEL_DOMAIN_MEMBER_LOGS"];
        d.server.address = d.member;
        d.server.share = v["QUARNEL_DOMAIN_SHARE"];
        d.server.shareDir = v["QUARNEL_DOMAIN_SHARE_DIR"];
        d.server.domain = d.name;
        return d;
    }();
    if (domain.realm.empty())
        ADD_FAILURE() << "the test domain is not up: run these tests through ctest, which "
                         "builds it";
    return domain;
}

QProcessEnvironment TestDomain::Environment(const std::string& cache) const {
    QProcessEnvironment env = SignedOutEnvironment();
    env.insert("KRB5_CONFIG", QString::fromStdString(krb5Config));
    env.insert("QUARNEL_SMB_CONF", QString::fromStdString(smbConf));
    if (!cache.empty())
        env.insert("KRB5CCNAME", QString::fromStdString(cache));
    return env;
}

MemberLog::MemberLog(const TestDomain& domain) : folder_(domain.memberLogs) {
    for (const auto& log : std::filesystem::directory_iterator(folder_))
        if (log.is_regular_file())
            ends_[log.path().string()] = log.file_size();
}

std::vector<std::string> MemberLog::SignIns() const {
    // smbd logs each session as
    //   Successful AuthZ: [SMB2,krb5] user [QUARNEL]\[quser] [S-1-5-...] ...
    static const QRegularExpression signIn(
        R"(Successful AuthZ: \[[^,\]]*,([^\]]*)\] user \[([^\]]*)\]\\\[([^\]]*)\])");
    std::vector<std::string> found;
    for (const auto& log : std::filesystem::directory_iterator(folder_)) {
        if (!log.is_regular_file())
            continue;
        QFile file(QString::fromStdString(log.path().string()));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const auto known = ends_.find(log.path().string());
        file.seek(known != ends_.end() ? static_cast<qint64>(known->second) : 0);
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = signIn.globalMatch(text); match.hasNext();) {
            const auto m = match.next();
            found.push_back(
                (m.captured(1) + ' ' + m.captured(2) + '\\' + m.captured(3)).toStdString());
        }
    }
    return found;
}

HeldFiles::HeldFiles(const std::string& user, const std::string& password,
                     const std::vector<std::string>& files, const TestServer& server)
    : process_(std::make_unique<QProcess>()) {
    QStringList args{"--server", QString::fromStdString(server.address),
                     "--user",   QString::fromStdString(user),
                     "--share",  QString::fromStdString(server.share)};
    if (!server.domain.empty())
        args << "--domain" << QString::fromStdString(server.domain);
    for (const std::string& file : files)
        args << QString::fromStdString(file);
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->setProcessEnvironment(WithCredentials(user, password));
    process_->start(QUARNEL_HOLD_OPEN, args);
    if (!process_->waitForStarted(10000)) {
        ADD_FAILURE() << "could not start the SMB client that holds files open";
        return;
    }
    while (!process_->canReadLine() && process_->state() == QProcess::Running)
        process_->waitForReadyRead(20000);
    const QByteArray line = process_->readLine().trimmed();
    if (line != "ready")
        ADD_FAILURE() << "the SMB client did not open the files: " << line.toStdString();
}

bool HeldFiles::CanRead(const std::string& path) {
    process_->write(QByteArray::fromStdString("read " + path + "\n"));
    while (!process_->canReadLine() && process_->state() == QProcess::Running)
        process_->waitForReadyRead(20000);
    const QByteArray line = process_->readLine().trimmed();
    EXPECT_TRUE(line.startsWith("read "))
        << "the SMB client did not answer: " << line.toStdString();
    return line == "read ok";
}

HeldFiles::~HeldFiles() {
    process_->closeWriteChannel();
    if (!process_->waitForFinished(10000)) {
        process_->kill();
        process_->waitForFinished(5000);
    }
}

bool Eventually(const std::function<bool()>& done) {
    for (int i = 0; i < 100; ++i) {
        if (done())
            return true;
        QThread::msleep(100);
    }
    return done();
}

BrokenServer::BrokenServer(const std::string& address, int port, Answer answer)
    : relay_(std::make_unique<QProcess>()) {
    static const char* const answers[] = {"silent", "garbage", "stall", "cut", "trickle", "whole"};
    std::string listen = address + ":" + std::to_string(port);
    if (answer >= Answer::Stall)
        listen += "=" + TestServer::Get().address + ":445";
    relay_->start(QUARNEL_RELAY,
                  {"--tell", "--delay-ms", "0", "--answer", answers[static_cast<int>(answer)],
                   QString::fromStdString(listen)});
    listening_ = relay_->waitForReadyRead(10000) && relay_->readLine().trimmed() == "ready";
    if (!listening_)
        ADD_FAILURE() << "cannot listen on " << listen << ": "
                      << relay_->readAllStandardError().toStdString();
}

BrokenServer::~BrokenServer() {
    relay_->kill();
    relay_->waitForFinished(5000);
}

int BrokenServer::Count(const char* event) const {
    relay_->waitForReadyRead(0);
    events_ += relay_->readAllStandardOutput();
    return static_cast<int>(events_.count(QByteArray(event) + "\n"));
}

namespace {

// With `logFolder`, in a private mount namespace whose /dev is that folder:
// its socket "log", and the devices a program needs bound into it.
std::unique_ptr<QProcess> StartCliIn(const std::vector<std::string>& args,
                                     const QProcessEnvironment& environment,
                                     const std::string& outputFile = {},
                                     const std::string& logFolder = {}) {
    auto cli = std::make_unique<QProcess>();
    cli->setProcessEnvironment(environment);
    if (!outputFile.empty())
        cli->setStandardOutputFile(QString::fromStdString(outputFile));
    QStringList arguments;
    for (const std::string& a : args)
        arguments << QString::fromStdString(a);
    if (logFolder.empty()) {
        cli->start(QUARNEL_CLI, arguments);
    } else {
        const char* const intoDev =
            R"(set -e; d=$1; shift
               for n in null zero full random urandom; do : > "$d/$n"; mount --bind "/dev/$n" "$d/$n"; done
               ln -sfn /proc/self/fd "$d/fd"; mount --rbind "$d" /dev; exec "$@")";
        cli->start("unshare",
                   QStringList{"--mount", "--propagation", "private", "sh", "-c", intoDev, "sh",
                               QString::fromStdString(logFolder), QUARNEL_CLI} +
                       arguments);
    }
    if (!cli->waitForStarted(10000))
        ADD_FAILURE() << "could not start quarnel-cli";
    return cli;
}

// Waits for quarnel-cli, given `input`, to end and gives what it wrote.
CliResult Finish(QProcess& cli, const std::string& input) {
    cli.write(input.data(), static_cast<qint64>(input.size()));
    cli.closeWriteChannel();
    CliResult result;
    if (!cli.waitForFinished(60000)) {
        ADD_FAILURE() << "quarnel-cli did not finish";
        cli.kill();
        cli.waitForFinished();
        return result;
    }
    result.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    result.out = cli.readAllStandardOutput().toStdString();
    result.err = cli.readAllStandardError().toStdString();
    return result;
}

} // namespace

std::unique_ptr<QProcess> StartCli(const std::vector<std::string>& args, const std::string& user,
                                   const std::string& password) {
    return StartCliIn(args, WithCredentials(user, password));
}

CliResult RunCli(const std::vector<std::string>& args, const std::string& user,
                 const std::string& password, const std::string& input,
                 const std::string& outputFile) {
    return RunCli(args, WithCredentials(user, password), input, outputFile);
}

CliResult RunCli(const std::vector<std::string>& args, const QProcessEnvironment& environment,
                 const std::string& input, const std::string& outputFile) {
    return Finish(*StartCliIn(args, environment, outputFile), input);
}

TestLog::TestLog() {
    char folder[] = "/tmp/quarnel-log-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        ADD_FAILURE() << "cannot make a folder for the log: " << std::strerror(errno);
        return;
    }
    folder_ = folder;
    sockaddr_un at{};
    at.sun_family = AF_UNIX;
    std::snprintf(at.sun_path, sizeof at.sun_path, "%s/log", folder);
    socket_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0)
        ADD_FAILURE() << "cannot bind the log socket: " << std::strerror(errno);
}

TestLog::~TestLog() {
    ::close(socket_);
    std::filesystem::remove_all(folder_);
}

CliResult TestLog::RunCli(const std::vector<std::string>& args, const std::string& user,
                          const std::string& password) const {
    return Finish(*StartCliIn(args, WithCredentials(user, password), {}, folder_), {});
}

std::vector<std::string> TestLog::Lines() {
    std::vector<std::string> lines;
    char message[8192];
    for (ssize_t n; (n = ::recv(socket_, message, sizeof message, 0)) > 0;) {
        // <85>Mar  2 14:03:12 quarnel-cli[4711]: text
        const std::string text(message, static_cast<std::size_t>(n));
        const std::size_t tag = text.find(' ', text.find(':')) + 1, pid = text.find('[', tag);
        lines.push_back(text.substr(0, text.find('>') + 1) + text.substr(tag, pid - tag) +
                        text.substr(text.find("]: ", pid) + 1));
    }
    return lines;
}

} // namespace quarnel::e2e
