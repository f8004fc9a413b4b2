// quarnel-cli's share lookups and path resolution against the private Samba
// server.
#include "E2eSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

TEST_F(CliSharesE2eTest, NetworkPathResolvesToTheSharesFolderAndTheRest) {
    const CliResult run = Run({"resolve", server.NetworkPath("sub/file.txt"), "--format", "json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto resolved = nlohmann::json::parse(run.out);
    EXPECT_EQ(resolved["server"], "\\\\" + server.address);
    EXPECT_EQ(resolved["local_path"], server.ServerPath("sub/file.txt"));
}

TEST_F(CliSharesE2eTest, FilesUnderAClientPathAreListedAndNoOthers) {
    const std::string dir = server.MakeFolder("cli-path");
    server.MakeFolder(dir + "/inside");
    HeldFiles held(server.adminUser, server.adminPassword,
                   {dir + "/inside/a.txt:rw:1", dir + "/outside.txt:r"});
    const CliResult run =
        Run({"files", "--path", server.NetworkPath(dir + "/inside"), "--format", "json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto rows = nlohmann::json::parse(run.out);
    ASSERT_EQ(rows.size(), 1u) << run.out;
    EXPECT_EQ(rows[0]["path"], server.ServerPath(dir + "/inside/a.txt"));
    EXPECT_EQ(rows[0]["user"], server.adminUser);
    EXPECT_EQ(rows[0]["permissions"], "RW ");
    EXPECT_EQ(rows[0]["locks"], 1);
}

TEST_F(CliSharesE2eTest, UnknownShareAndLocalPathsAreToldInTheWindowsWords) {
    const CliResult unknown = Run({"resolve", "\\\\" + server.address + "\\nosuch\\a.txt"});
    EXPECT_NE(unknown.exitCode, 0);
    EXPECT_NE(unknown.err.find("Problem finding share"), std::string::npos) << unknown.err;

    const CliResult local = Run({"resolve", "/tmp"});
    EXPECT_NE(local.exitCode, 0);
    EXPECT_NE(local.err.find("No network drive"), std::string::npos) << local.err;
}

} // namespace
} // namespace quarnel::e2e
