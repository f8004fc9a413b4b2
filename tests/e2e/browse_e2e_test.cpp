// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The server picker and quarnel-cli servers against a real master browser.
// ctest runs this program inside the client namespace of the browse network
// that scripts/browse-network.sh sets up, once its browse list shows both
// names of its server.
#include "E2eSupport.h"
#include "WhileModal.h"
#include "WindowNetwork.h"
#include "frmQuarnel.h"
#include "frmServers.h"

#include <QTest>
#include <gtest/gtest.h>

namespace quarnel::e2e {
namespace {

class BrowseE2eTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto env = ReadEnvFile(QUARNEL_BROWSE_DIR "/browse.env");
        domain = env["QUARNEL_BROWSE_DOMAIN"];
        ASSERT_FALSE(domain.empty()) << "the browse network is not up: run these tests through "
                                        "ctest, which sets it up";
        const QStringList names = QString::fromStdString(env["QUARNEL_BROWSE_SERVERS"]).split(' ');
        for (const QString& name : names)
            servers.push_back(name.toStdString());
        std::sort(servers.begin(), servers.end());
        // The client's own Samba configuration: its workgroup is the domain.
        qputenv("QUARNEL_SMB_CONF", QByteArray::fromStdString(env["QUARNEL_BROWSE_SMB_CONF"]));
    }

    std::string domain;
    std::vector<std::string> servers; // in order of name
};

TEST_F(BrowseE2eTest, CliListsTheServersOfThePrimaryOrTheNamedDomain) {
    // In order of name; how each format writes them is the unit tests' to show.
    for (const std::string& named : {std::string(), domain}) {
        std::vector<std::string> args{"servers", "--format", "csv"};
        if (!named.empty())
            args.insert(args.end(), {"--domain", named});
        const CliResult run = RunCli(args, "", "");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "Name\r\n" + servers[0] + "\r\n" + servers[1] + "\r\n");
    }

    // A server's name is no domain's, and nobody answers for an unknown one.
    for (const std::string& notADomain : {servers[0], std::string("QUARNELNOSUCH")}) {
        const CliResult failed = RunCli({"servers", "--domain", notADomain}, "", "");
        EXPECT_NE(failed.exitCode, 0);
        EXPECT_EQ(failed.out, "");
        EXPECT_NE(failed.err.find("cannot list the servers of the domain " + notADomain),
                  std::string::npos)
            << failed.err;
    }
    // --domain-servers asks every server that the browse list names: each
    // one's shares, or a line on standard error that names it.
    const CliResult each = RunCli({"shares", "--domain-servers", "--format", "json"}, "", "");
    for (const std::string& name : servers)
        EXPECT_TRUE(each.out.find("\"server\": \"" + name + "\"") != std::string::npos ||
                    each.err.find(name) != std::string::npos)
            << name << " was not asked:\n"
            << each.out << each.err;
    const CliResult unknown = RunCli({"files", "--domain-servers=QUARNELNOSUCH"}, "", "");
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("cannot list the servers of the domain QUARNELNOSUCH"),
              std::string::npos)
        << unknown.err;
}

// The picker lists what the master browser names; what a pick does is the
// window test's to show.
TEST_F(BrowseE2eTest, ServerPickerListsTheServersOfTheDomain) {
    WindowNetwork network(platform::SystemPlatform());
    frmQuarnel form(network.Api());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(test::WhileModal<frmServers>(form.cmdservers, [&](frmServers& picker) {
        ListView& list = *picker.lvwServers;
        ASSERT_EQ(list.ListItemCount(), 2);
        EXPECT_EQ(list.ListItemAt(1).Text().toStdString(), servers[0]);
        EXPECT_EQ(list.ListItemAt(2).Text().toStdString(), servers[1]);
    }));
}

} // namespace
} // namespace quarnel::e2e
