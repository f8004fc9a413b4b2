// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Signing in inside an Active Directory domain: Kerberos and passwords
// against the member file server, what each failure says, and browsing the
// domain with the credentials given. ctest runs this program in the client
// namespace of the domain that scripts/domain-network.sh builds.
#include "E2eSupport.h"

#include "modApi.h"
#include "utf.h"

#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

namespace quarnel::e2e {
namespace {

// Whether a sign-in of MemberLog::SignIns ends with `who`: "QUARNEL\\quser",
// or with its mechanism, "krb5 QUARNEL\\quser".
bool SignedIn(const std::vector<std::string>& signIns, const std::string& who) {
    return std::any_of(signIns.begin(), signIns.end(),
                       [&](const std::string& s) { return s.ends_with(who); });
}

class DomainE2eTest : public ::testing::Test {
  protected:
    // quarnel-cli with the ticket cache `cache` (none when empty) and the
    // environment variables `extra` (name and value).
    CliResult Run(const std::vector<std::string>& args, const std::string& cache,
                  const std::vector<std::pair<QString, std::string>>& extra = {}) const {
        QProcessEnvironment env = domain.Environment(cache);
        for (const auto& [name, value] : extra)
            env.insert(name, QString::fromStdString(value));
        return RunCli(args, env);
    }

    // A file of the test's own folder with `text`, readable by its owner alone.
    std::string PrivateFile(const std::string& name, const std::string& text) const {
        const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path) << text;
        ::chmod(path.c_str(), 0600);
        return path;
    }

    std::string Qualified(const std::string& user) const { return domain.name + "\\" + user; }

    const TestDomain& domain = TestDomain::Get();
    QTemporaryDir dir;
};

// -k signs in as the owner of the ticket in the cache: a domain
// administrator lists, closes and sees the shares; a plain domain user is
// refused; a user whose group the member made administrator lists.
TEST_F(DomainE2eTest, KerberosSignsInAsTheTicketsOwner) {
    const std::string folder = domain.server.MakeFolder("kerberos");
    HeldFiles held(domain.user, domain.userPassword, {folder + "/held.txt:rw"}, domain.server);
    const std::string base = domain.server.ServerPath(folder);
    const std::string listed =
        Qualified(domain.user) + "," + domain.server.ServerPath(folder + "/held.txt") + ",";
    const std::string share = domain.server.share + ",", krb = "krb5 QUARNEL\\";
    const std::string admin = krb + "Administrator";
    const struct {
        std::string option, cache, command;
        int exitCode;
        std::string out, err, signIn; // parts of them
    } cases[] = {
        {"-k", domain.adminCache, "files", 0, listed, "", admin},
        {"--use-kerberos=required", domain.adminCache, "files", 0, listed, "", admin},
        {"-k", domain.adminCache, "shares", 0, share, "", admin},
        {"-k", domain.userCache, "files", 1, "", "Access is denied", krb + domain.user},
        {"-k", domain.groupUserCache, "files", 0, listed, "", krb + domain.groupUser},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option + " " + c.command + " with " + c.cache);
        const MemberLog log(domain);
        std::vector<std::string> args{c.option, c.command, domain.member, "--format", "csv"};
        if (c.command == "files")
            args.insert(args.end(), {"--base", base});
        const CliResult run = Run(args, c.cache);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        EXPECT_TRUE(SignedIn(log.SignIns(), c.signIn)) << c.signIn;
    }

    const auto listing = nlohmann::json::parse(
        Run({"-k", "files", domain.member, "--base", base, "--format", "json"}, domain.adminCache)
            .out);
    ASSERT_EQ(listing.size(), 1u);
    const std::string id = std::to_string(listing[0]["id"].get<long long>());
    const CliResult closed = Run({"-k", "close", domain.member, id}, domain.adminCache);
    EXPECT_EQ(closed.exitCode, 0) << closed.err;
    EXPECT_TRUE(Eventually([&] { return !held.CanRead(folder + "/held.txt"); }));
}

// Each way the ticket cache can fail says so in one line of its own, where
// Samba's client says "Cannot complete this function" or prints its own
// line before "Access is denied"; so does -k with an address. The expired
// ticket is found also without -k.
TEST_F(DomainE2eTest, AnUnusableTicketOrAnAddressIsToldInWords) {
    const std::string open = dir.filePath("open.ccache").toStdString();
    std::filesystem::copy_file(domain.adminCache, open);
    ::chmod(open.c_str(), 0644);
    const std::string& address = domain.memberAddress;
    const std::string expired = "The Kerberos ticket of Administrator@" + domain.realm + " expired";
    const std::string none = dir.filePath("none").toStdString(), &member = domain.member;
    const struct {
        std::string cache, err; // a part of it
        std::vector<std::string> args;
    } cases[] = {
        {none, "There is no Kerberos ticket (no cache FILE:", {"-k", "files", member}},
        {domain.expiredCache, expired, {"-k", "files", member}},
        {domain.expiredCache, expired, {"files", member}},
        {domain.emptyCache, "cannot be read (it is empty)", {"files", member}},
        {domain.corruptCache, "cannot be read (", {"files", member}},
        {open, "it is open to others (permissions 0644)", {"files", member}},
        {domain.adminCache, "Kerberos needs the server's name", {"-k", "files", address}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const CliResult run = Run(c.args, c.cache);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

// With -U, -k signs in as the user named: with the user's password, by a
// ticket got with it; without, by the ticket in the cache, which must be
// that user's. --use-kerberos=off leaves the cache alone.
TEST_F(DomainE2eTest, KerberosWithAUserSignsInAsThatUserOrSaysWhyNot) {
    const std::string user = Qualified(domain.user);
    const std::pair<QString, std::string> password{"PASSWD", domain.userPassword};
    const std::string notTheCaches =
        "cannot sign in as " + user +
        ": the Kerberos ticket cache holds the ticket of Administrator@" + domain.realm;
    const struct {
        std::vector<std::string> options;
        std::vector<std::pair<QString, std::string>> environment;
        int exitCode;
        std::string err, signIn; // parts of them
    } cases[] = {
        {{"-k", "-U", domain.admin}, {}, 0, "", "krb5 QUARNEL\\Administrator"},
        {{"-k", "-U", user}, {}, 1, notTheCaches, ""},
        {{"-k", "-U", domain.user + "@" + domain.realm}, {password}, 0, "", "krb5 " + user},
        {{"--use-kerberos=off"}, {{"USER", user}, password}, 0, "", user},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.back());
        const MemberLog log(domain);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"shares", domain.member});
        const CliResult run = Run(args, domain.adminCache, c.environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        const std::vector<std::string> signIns = log.SignIns();
        EXPECT_TRUE(c.signIn.empty() ? signIns.empty() : SignedIn(signIns, c.signIn)) << c.signIn;
    }
}

// A domain administrator signs in by password as DOMAIN\user and as
// user@REALM.
TEST_F(DomainE2eTest, PasswordSignInTakesBothFormsOfTheName) {
    const std::string password = "\npassword = " + domain.adminPassword + "\n";
    for (const std::string& file :
         {"username = " + domain.admin + "\ndomain = " + domain.name + password,
          "username = " + domain.admin + "@" + domain.realm + password}) {
        SCOPED_TRACE(file);
        const CliResult run = Run({"-A", PrivateFile("auth", file), "files", domain.member}, "");
        EXPECT_EQ(run.exitCode, 0) << run.err;
    }
}

// The window signs in to each server on its own. Samba's client, when it
// trades a password for a ticket, points KRB5CCNAME at a cache of its own:
// the next server, to be asked with the caller's ticket, must still get it.
TEST_F(DomainE2eTest, APasswordForOneServerLeavesTheTicketCacheToTheNext) {
    ::setenv("KRB5_CONFIG", domain.krb5Config.c_str(), 1);
    ::setenv("KRB5CCNAME", domain.groupUserCache.c_str(), 1);
    platform::Platform& system = platform::SystemPlatform();
    const std::u16string byPassword = FromUtf8(domain.member + "." + domain.realm);
    const std::u16string byTicket = FromUtf8(domain.member);
    system.SetCredentials(byPassword, {FromUtf8(domain.user + "@" + domain.realm),
                                       FromUtf8(domain.userPassword), false});
    system.SetCredentials(byTicket, {u"", u"", true});
    modApi api(system);
    EXPECT_TRUE(api.EnumShares(byPassword)) << api.LastFailure;
    EXPECT_TRUE(api.EnumOpenFiles(byTicket, u"", u""))
        << "the member of the administrators' group was not the one who signed in";
    EXPECT_STREQ(std::getenv("KRB5CCNAME"), domain.groupUserCache.c_str());
}

// servers and --domain-servers ask the master browser (the member) with
// the credentials given; the member lets nobody browse anonymously.
TEST_F(DomainE2eTest, BrowsingSignsInWithTheCredentialsGiven) {
    const std::string auth = PrivateFile("user.auth", "username = " + domain.user +
                                                          "\npassword = " + domain.userPassword +
                                                          "\ndomain = " + domain.name + "\n");
    const std::string names = "Name\r\n" + domain.member + "\r\n", user = Qualified(domain.user);
    const struct {
        std::vector<std::string> args;
        std::string cache, out, signIn;
    } cases[] = {
        {{"-A", auth, "servers", "--domain", domain.name}, "", names, user},
        {{"-A", auth, "shares", "--domain-servers"}, "", "\n" + domain.server.share + ",", user},
        {{"-k", "servers"}, domain.adminCache, names, "krb5 QUARNEL\\Administrator"},
    };
    for (auto c : cases) {
        c.args.insert(c.args.end(), {"--format", "csv"});
        SCOPED_TRACE(testing::PrintToString(c.args));
        const MemberLog log(domain);
        const CliResult run = Run(c.args, c.cache);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
        const std::vector<std::string> signIns = log.SignIns();
        EXPECT_TRUE(SignedIn(signIns, c.signIn)) << c.signIn;
        EXPECT_FALSE(SignedIn(signIns, "\\quarnel-nobody")) << "the environment's USER";
    }
}

} // namespace
} // namespace quarnel::e2e
