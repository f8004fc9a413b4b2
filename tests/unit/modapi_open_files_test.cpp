// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The open-file enumeration against the scripted platform.
#include "FakePlatform.h"
#include "modApi.h"

#include <gtest/gtest.h>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

FakeFile File(std::uint32_t id, std::u16string path, std::u16string user,
              std::uint32_t permissions = 1, std::uint32_t locks = 0) {
    return {id, permissions, locks, std::move(path), std::move(user)};
}

class EnumOpenFilesTest : public ::testing::Test {
  protected:
    FakePlatform platform;
    modApi api{platform};
};

TEST_F(EnumOpenFilesTest, ServerNameGetsTwoBackslashesOnlyWhenItsFirstTwoCharactersLackThem) {
    struct Case {
        std::u16string given, expected;
    } cases[] = {
        {u"srv", u"\\\\srv"},   {u"\\\\srv", u"\\\\srv"}, {u"\\srv", u"\\\\\\srv"},
        {u" srv", u"\\\\ srv"}, {u"SRV ", u"\\\\SRV "},
    };
    for (const Case& c : cases) {
        platform.fileBatches.push_back({netstatus::Success, {}});
        api.EnumOpenFiles(c.given, u"", u"");
        ASSERT_TRUE(platform.fileCalls.back().server.has_value());
        EXPECT_EQ(*platform.fileCalls.back().server, c.expected);
    }
}

TEST_F(EnumOpenFilesTest, EmptyArgumentsGoAsNullAndOthersUnchanged) {
    platform.fileBatches.push_back({netstatus::Success, {}});
    platform.fileBatches.push_back({netstatus::Success, {}});
    EXPECT_TRUE(api.EnumOpenFiles(u"", u"", u"")); // no open files is success
    EXPECT_EQ(api.OpenFileCount, 0);
    EXPECT_TRUE(api.OpenFiles.empty());
    api.EnumOpenFiles(u"srv", u" D:\\Data ", u" bob");

    const FileEnumCall& empty = platform.fileCalls[0];
    EXPECT_FALSE(empty.server.has_value());
    EXPECT_FALSE(empty.basePath.has_value());
    EXPECT_FALSE(empty.userName.has_value());
    const FileEnumCall& given = platform.fileCalls[1];
    EXPECT_EQ(given.basePath, u" D:\\Data ");
    EXPECT_EQ(given.userName, u" bob");
    EXPECT_EQ(given.level, 3u);
    EXPECT_EQ(given.prefMaxLen, 16384u);
}

TEST_F(EnumOpenFilesTest, BatchesFillTheTableInPlatformOrderAndPassTheResumeHandleOn) {
    platform.fileBatches.push_back(
        {netstatus::MoreData,
         {File(1, u"C:\\a", u"ann"), File(2, u"C:\\b", u"bob"), File(3, u"C:\\c", u"cy")}});
    platform.fileBatches.push_back(
        {netstatus::Success, {File(4, u"C:\\d", u"dee"), File(5, u"C:\\e", u"eve")}});

    modApi other(platform); // the tables belong to their own object
    int yields = 0;
    api.SetYieldHook([&] { ++yields; });
    EXPECT_TRUE(api.EnumOpenFiles(u"srv", u"", u""));

    EXPECT_EQ(other.OpenFileCount, 0);
    ASSERT_EQ(api.OpenFileCount, 5);
    ASSERT_EQ(api.OpenFiles.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(api.OpenFiles[i].Id, i + 1);
    EXPECT_EQ(api.OpenFiles[3].PathName, u"C:\\d");
    EXPECT_EQ(api.OpenFiles[4].UserName, u"eve");
    ASSERT_EQ(platform.fileCalls.size(), 2u);
    EXPECT_EQ(platform.fileCalls[0].resumeHandle, 0u);
    EXPECT_EQ(platform.fileCalls[1].resumeHandle, 4u); // as the platform left it
    EXPECT_EQ(yields, 2);
    EXPECT_EQ(platform.buffersHandedOut(), 2);
    EXPECT_TRUE(platform.allBuffersReleasedOnce());
}

TEST_F(EnumOpenFilesTest, RecordFieldsAreCopiedAndNullStringsBecomeEmpty) {
    platform.fileBatches.push_back(
        {netstatus::Success,
         {{0x80000000u, 0xFFu, 7u, std::nullopt, u"ann"},
          {0xFFFFFFFFu, 0u, 0u, u"C:\\Daten\\Bücher \U0001F4D6.txt", std::nullopt}}});

    ASSERT_TRUE(api.EnumOpenFiles(u"srv", u"", u""));
    const OpenFileInfo first{INT32_MIN, 0xFFu, 7, u"", u"ann"};
    const OpenFileInfo second{-1, 0u, 0, u"C:\\Daten\\Bücher \U0001F4D6.txt", u""};
    EXPECT_EQ(api.OpenFiles[0], first);
    EXPECT_EQ(api.OpenFiles[1], second);
}

} // namespace
} // namespace quarnel::test
