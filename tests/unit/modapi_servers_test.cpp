// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The server enumeration against the scripted platform: what is its own is
// the call and the table; the batch loop is the one the other enumerations
// share.
#include "FakePlatform.h"
#include "modApi.h"

#include <gtest/gtest.h>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

class EnumServersTest : public ::testing::Test {
  protected:
    FakePlatform platform;
    modApi api{platform};

    std::vector<std::u16string> Names() const {
        std::vector<std::u16string> names;
        for (std::int32_t i = 0; i < api.ServerCount; ++i)
            names.push_back(api.Servers[static_cast<std::size_t>(i)].ServerName);
        return names;
    }
};

TEST_F(EnumServersTest, ArgumentsReachThePlatformAsTheCallerGaveThem) {
    struct Case {
        std::uint32_t type;
        std::u16string server, domain;
        FakeString expectedServer, expectedDomain;
    } cases[] = {
        {2, u"", u"", std::nullopt, std::nullopt},
        {2, u"srv", u"CORP", u"\\\\srv", u"CORP"},
        {0xFFFFFFFF, u"\\\\srv", u" corp ", u"\\\\srv", u" corp "},
        {4, u"\\srv", u"", u"\\\\\\srv", std::nullopt},
    };
    for (const Case& c : cases) {
        platform.serverBatches.push_back({netstatus::Success, {}});
        EXPECT_TRUE(api.EnumServers(c.type, c.server, c.domain));
        const ServerEnumCall& call = platform.serverCalls.back();
        EXPECT_EQ(call.server, c.expectedServer);
        EXPECT_EQ(call.domain, c.expectedDomain);
        EXPECT_EQ(call.serverType, c.type);
        EXPECT_EQ(call.level, 100u);
        EXPECT_EQ(call.prefMaxLen, 0xFFFFFFFFu);
        EXPECT_EQ(call.resumeHandle, 0u);
        EXPECT_EQ(api.ServerCount, 0);
    }
}

TEST_F(EnumServersTest, BatchesFillTheTableInOrderAndASecondListingReplacesIt) {
    platform.serverBatches.push_back(
        {netstatus::MoreData, {{500, u"ALPHA"}, {400, u"beta"}, {500, std::nullopt}}});
    platform.serverBatches.push_back(
        {netstatus::Success, {{0x80000000u, u"DELTA"}, {500, u"EPS"}}});
    ASSERT_TRUE(api.EnumServers(2, u"", u""));
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"ALPHA", u"beta", u"", u"DELTA", u"EPS"}));
    EXPECT_EQ(api.Servers.size(), 5u);
    EXPECT_EQ(api.Servers[1], (ServerInfo{400, u"beta"}));
    EXPECT_EQ(api.Servers[3].PlatformId, INT32_MIN);
    EXPECT_EQ(platform.serverCalls[1].resumeHandle, 4u); // as the platform left it

    platform.serverBatches.push_back({netstatus::Success, {{500, u"EPS"}}});
    ASSERT_TRUE(api.EnumServers(2, u"", u""));
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"EPS"}));
    EXPECT_EQ(api.Servers.size(), 1u);
    EXPECT_TRUE(platform.allBuffersReleasedOnce());
}

TEST_F(EnumServersTest, FailingFirstCallEmptiesOnlyTheServerTable) {
    platform.fileBatches.push_back({netstatus::Success, {{1, 1, 0, u"C:\\a", u"ann"}}});
    platform.shareBatches.push_back({netstatus::Success, {{u"data", 0, u"", 0, 0, 0, u"", u""}}});
    platform.serverBatches.push_back({netstatus::Success, {{500, u"ALPHA"}}});
    ASSERT_TRUE(api.EnumOpenFiles(u"srv", u"", u""));
    ASSERT_TRUE(api.EnumShares(u"srv"));
    ASSERT_TRUE(api.EnumServers(2, u"", u""));

    platform.serverBatches.push_back({6118, {}, /*bufferOnFailure=*/true});
    EXPECT_FALSE(api.EnumServers(2, u"", u""));
    EXPECT_EQ(api.ServerCount, 0);
    EXPECT_TRUE(api.Servers.empty());
    EXPECT_EQ(api.OpenFileCount, 1);
    EXPECT_EQ(api.ShareCount, 1);
    EXPECT_EQ(api.Shares[0].NetName, u"data");
    EXPECT_TRUE(platform.allBuffersReleasedOnce());
}

} // namespace
} // namespace quarnel::test
