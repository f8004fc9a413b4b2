// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Resolving client-side paths against scripted drives and shares.
#include "FakePlatform.h"
#include "NetworkPath.h"
#include "utf.h"

#include <gtest/gtest.h>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

class ResolveTest : public ::testing::Test {
  protected:
    ResolveTest() {
        platform.shareInfo[u"data"] = {netstatus::Success,
                                       {{u"data", 0, u"", 0, 0, 0, u"E:\\Shares\\Data", u""}}};
        platform.shareInfo[u"root"] = {netstatus::Success,
                                       {{u"root", 0, u"", 0, 0, 0, u"D:\\", u""}}};
        platform.shareInfo[u"IPC$"] = {netstatus::Success, {{u"IPC$", 3, u"", 0, 0, 0, u"", u""}}};
        platform.networkDrives[u"X:\\Reports\\May.doc"] = {true, u"\\\\srv\\data",
                                                           u"Reports\\May.doc"};
        platform.networkDrives[u"X:\\"] = {true, u"\\\\srv\\data", u""};
        platform.networkDrives[u"Y:\\a.txt"] = {true, u"\\\\srv\\data\\sub", u"a.txt"};
        platform.networkDrives[u"Z:\\a.txt"] = {true, std::nullopt, u"a.txt"};
    }
    ResolvedPath Resolve(const std::u16string& path) { return ResolveClientPath(api, path); }

    FakePlatform platform;
    modApi api{platform};
};

// A mapped drive or a network path gives the server and the share's folder
// with the rest of the path, without a trailing backslash for the share
// itself; a share without a folder gives an empty path. Linux users write
// //server/share; "." and ".." are collapsed as Windows collapses them in a
// network path, never above the share, whichever way the path came.
TEST_F(ResolveTest, PathFormsAndDotsNameTheShareAndTheRestBelowIt) {
    platform.networkDrives[u"X:\\a\\..\\b"] = {true, u"\\\\srv\\data", u"a\\..\\b"};
    const struct {
        std::u16string path, localPath;
    } cases[] = {
        {u"X:\\Reports\\May.doc", u"E:\\Shares\\Data\\Reports\\May.doc"},
        {u"X:\\", u"E:\\Shares\\Data"},
        {u"\\\\srv\\data\\Reports\\", u"E:\\Shares\\Data\\Reports\\"},
        {u"\\\\srv\\data", u"E:\\Shares\\Data"},
        {u"\\\\srv\\data\\", u"E:\\Shares\\Data"},
        {u"\\\\srv\\root\\Reports\\May.doc", u"D:\\Reports\\May.doc"},
        {u"\\\\srv\\IPC$\\x", u""},
        {u"//srv/data/Reports/May.doc", u"E:\\Shares\\Data\\Reports\\May.doc"},
        {u"\\\\srv/data\\Reports/May.doc", u"E:\\Shares\\Data\\Reports\\May.doc"},
        {u"\\\\srv\\data\\a\\..\\b", u"E:\\Shares\\Data\\b"},
        {u"\\\\srv\\data\\.\\a\\.\\b\\..", u"E:\\Shares\\Data\\a"},
        {u"\\\\srv\\data\\..\\..\\b", u"E:\\Shares\\Data\\b"},
        {u"//srv/data/..", u"E:\\Shares\\Data"},
        {u"X:\\a\\..\\b", u"E:\\Shares\\Data\\b"},
    };
    for (const auto& c : cases) {
        const ResolvedPath r = Resolve(c.path);
        EXPECT_EQ(std::tie(r.outcome, r.server, r.localPath),
                  std::tuple(Resolution::Resolved, u"\\\\srv", c.localPath))
            << ToUtf8(c.path);
    }
    // The share is looked up by its name on its server.
    EXPECT_EQ(platform.shareInfoCalls.at(0).server, u"\\\\srv");
    EXPECT_EQ(platform.shareInfoCalls.at(0).netName, u"data");
}

// Each way a resolution fails, and what the user is told. A name with a
// control character is refused unasked: a NUL would end the name the
// platform is given early, so that another server is asked than the one
// shown.
TEST_F(ResolveTest, FailuresAndWhatTheUserIsTold) {
    platform.networkDrives[u"W:\\x"] = {true, u"\\\\srv\\data", u"x", /*invalidName=*/true};
    const std::u16string cases[] = {
        std::u16string(u"\\\\srv\0.other\\data\\x", 19),
        u"\\\\srv\\da\x1Bta\\x",
        std::u16string(u"\\\\srv\\data\\a\0b", 14),
        u"W:\\x",
    };
    for (const auto& path : cases)
        EXPECT_EQ(Resolve(path).outcome, Resolution::InvalidName) << ToUtf8(path);
    EXPECT_TRUE(platform.shareInfoCalls.empty());

    EXPECT_EQ(Resolve(u"\\\\srv").outcome, Resolution::NoShare);
    EXPECT_EQ(Resolve(u"C:\\Windows").outcome, Resolution::NoNetworkDrive);
    EXPECT_EQ(Resolve(u"").outcome, Resolution::NoNetworkDrive);
    EXPECT_EQ(Resolve(u"Z:\\a.txt").outcome, Resolution::NoRemoteName);
    EXPECT_EQ(Resolve(u"\\\\srv\\nosuch\\a.txt").outcome, Resolution::ShareNotFound);
    // A drive mapped below a share names "data\sub", which no share is called.
    EXPECT_EQ(Resolve(u"Y:\\a.txt").outcome, Resolution::ShareNotFound);
    EXPECT_EQ(platform.shareInfoCalls.back().netName, u"data\\sub");

    // The words of the boxes are quarnel-cli's test's to show (it joins the
    // lines with a blank); here which outcomes have one, where the lines
    // break, and the icon.
    const ResolutionMessage local = MessageFor(Resolution::NoNetworkDrive).value();
    EXPECT_NE(local.prompt.find(u"selected.\r\nYou can't"), std::u16string::npos);
    EXPECT_EQ(local.icon, ResolutionMessage::Icon::Exclamation);
    EXPECT_EQ(MessageFor(Resolution::ShareNotFound).value().icon,
              ResolutionMessage::Icon::Information);
    EXPECT_FALSE(MessageFor(Resolution::NoShare) || MessageFor(Resolution::NoRemoteName));
}

} // namespace
} // namespace quarnel::test
