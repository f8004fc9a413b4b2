// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The share queries against the scripted platform.
#include "FakePlatform.h"
#include "modApi.h"

#include <gtest/gtest.h>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

FakeShare Share(std::u16string name, std::u16string path = u"", std::uint32_t type = 0) {
    return {std::move(name), type, u"remark of share", 0, 0xFFFFFFFFu, 3, std::move(path), u""};
}

class SharesTest : public ::testing::Test {
  protected:
    FakePlatform platform;
    modApi api{platform};
};

// The batch loop is the open-file enumeration's; what is the shares' own is
// the call and that no share is left out, whatever its type.
TEST_F(SharesTest, EnumSharesAsksForEverythingAndKeepsEveryShareInOrder) {
    platform.shareBatches.push_back(
        {netstatus::MoreData,
         {Share(u"ADMIN$", u"C:\\Windows", 0x80000000u), Share(u"data", u"E:\\Data"),
          Share(u"IPC$", u"", 0x80000003u)}});
    platform.shareBatches.push_back(
        {netstatus::Success, {Share(u"C$", u"C:\\"), Share(u"print$")}});

    EXPECT_TRUE(api.EnumShares(u"srv"));
    EXPECT_EQ(platform.shareCalls[0].server, u"\\\\srv");
    EXPECT_EQ(platform.shareCalls[0].level, 2u);
    EXPECT_EQ(platform.shareCalls[0].prefMaxLen, 0xFFFFFFu);
    EXPECT_EQ(platform.shareCalls[1].resumeHandle, 4u);
    ASSERT_EQ(api.ShareCount, 5);
    ASSERT_EQ(api.Shares.size(), 5u);
    const std::u16string names[] = {u"ADMIN$", u"data", u"IPC$", u"C$", u"print$"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(api.Shares[i].NetName, names[i]);
    EXPECT_EQ(api.Shares[2].ShareType, 0x80000003u);
    EXPECT_EQ(api.Shares[1].MaxUses, -1);
    EXPECT_TRUE(platform.allBuffersReleasedOnce());

    platform.shareBatches.push_back({netstatus::AccessDenied, {}, true});
    EXPECT_FALSE(api.EnumShares(u""));
    EXPECT_FALSE(platform.shareCalls.back().server.has_value());
    EXPECT_EQ(api.ShareCount, 0);
    EXPECT_TRUE(platform.allBuffersReleasedOnce());
}

TEST_F(SharesTest, GetShareInfoFillsAllEightFieldsAndLeavesTheTableAlone) {
    platform.shareBatches.push_back({netstatus::Success, {Share(u"listed")}});
    ASSERT_TRUE(api.EnumShares(u"srv"));
    platform.shareInfo[u"data"] = {
        netstatus::Success, {{u"data", 7, u"Team data", 0x3F, 10, 2, u"E:\\Data", u"secret"}}};

    ShareInfo info;
    ASSERT_TRUE(api.GetShareInfo(u"srv", u"data", info));
    EXPECT_EQ(info, (ShareInfo{u"data", 7, u"Team data", 0x3F, 10, 2, u"E:\\Data", u"secret"}));
    EXPECT_EQ(platform.shareInfoCalls[0].server, u"\\\\srv");
    EXPECT_EQ(platform.shareInfoCalls[0].level, 2u);
    EXPECT_EQ(api.ShareCount, 1);
    EXPECT_EQ(api.Shares[0].NetName, u"listed");
    EXPECT_TRUE(platform.allBuffersReleasedOnce());
}

TEST_F(SharesTest, GetShareInfoWithoutFolderOrNullStringsGivesEmptyFields) {
    platform.shareInfo[u"IPC$"] = {
        netstatus::Success, {{u"IPC$", 3, std::nullopt, 0, 0, 0, std::nullopt, std::nullopt}}};
    ShareInfo info{u"x", 1, u"x", 1, 1, 1, u"x", u"x"};
    ASSERT_TRUE(api.GetShareInfo(u"srv", u"IPC$", info));
    EXPECT_EQ(info.Path, u"");
    EXPECT_EQ(info.Remark, u"");
    EXPECT_EQ(info.Password, u"");
}

TEST_F(SharesTest, FailedLookupLeavesTheCallersRecordAndReleasesTheBuffer) {
    platform.shareInfo[u"locked"] = {netstatus::AccessDenied, {Share(u"locked")}, true};
    const ShareInfo before{u"keep", 1, u"me", 2, 3, 4, u"as", u"is"};
    ShareInfo info = before;
    EXPECT_FALSE(api.GetShareInfo(u"srv", u"locked", info));
    EXPECT_EQ(info, before);
    // A name with a folder behind it goes unchanged; no share has that name.
    EXPECT_FALSE(api.GetShareInfo(u"srv", u"data\\sub", info));
    EXPECT_EQ(platform.shareInfoCalls.back().netName, u"data\\sub");
    // An empty share name is passed as it is, not as null.
    EXPECT_FALSE(api.GetShareInfo(u"", u"", info));
    EXPECT_EQ(platform.shareInfoCalls.back().netName, u"");
    EXPECT_FALSE(platform.shareInfoCalls.back().server.has_value());
    EXPECT_EQ(info, before);
    EXPECT_EQ(platform.buffersHandedOut(), 1);
    EXPECT_TRUE(platform.allBuffersReleasedOnce());
}

} // namespace
} // namespace quarnel::test
