// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The long path expansion against scripted directory entries.
#include "FakePlatform.h"
#include "modApi.h"
#include "utf.h"

#include <gtest/gtest.h>

namespace quarnel::test {
namespace {

class LongPathTest : public ::testing::Test {
  protected:
    FakePlatform platform;
    modApi api{platform};
};

// Each component is looked up and replaced by the name the file system
// stores, in the case it stores; one that cannot be named keeps its given
// name, so the result still names the same file. "." and ".." are never
// looked up: the file system would answer with the folder they lead to.
TEST_F(LongPathTest, ShortAliasesBecomeLongNamesAndWhatCannotBeNamedStaysAsGiven) {
    platform.entries = {
        {u"X:\\REPORT~1", u"Reports 2026"},
        {u"X:\\REPORT~1\\MAY~1.DOC", u"May budget.doc"},
        {u"X:\\reports 2026\\may budget.doc", u"May budget.doc"},
        {u"X:\\reports 2026", u"Reports 2026"},
        {u"X:\\REPORT~1\\LOCKED~1", std::nullopt},
        {u"X:\\REPORT~1\\LOCKED~1\\A.TXT", u"a.txt"},
        {u"X:\\GONE~1\\A.TXT", u"a.txt"},
        {u"X:\\GONE~1\\..\\REPORT~1\\.\\MAY~1.DOC", u"May budget.doc"},
        {u"X:\\GONE~1\\..\\REPORT~1\\.", u"Reports 2026"},
        {u"X:\\GONE~1\\..\\REPORT~1", u"Reports 2026"},
        {u"X:\\GONE~1\\..", std::u16string(u"X")}, // not the literal: GCC 12 warns wrongly
        {u"BROKEN", std::nullopt},
        {u"X:\\BAD?NAME\\A.TXT", std::nullopt},
        {u"ALONE~1.TXT", u"alone file.txt"},
    };
    const struct {
        std::u16string given, expected;
    } cases[] = {
        {u"X:\\REPORT~1\\MAY~1.DOC", u"X:\\Reports 2026\\May budget.doc"},
        {u"X:\\REPORT~1\\MAY~1.DOC\\", u"X:\\Reports 2026\\May budget.doc\\"},
        {u"X:\\reports 2026\\may budget.doc", u"X:\\Reports 2026\\May budget.doc"}, // its case
        {u"X:\\REPORT~1\\NEW~1.DOC\\", u"X:\\REPORT~1\\NEW~1.DOC\\"}, // missing last component
        {u"X:\\REPORT~1\\LOCKED~1\\A.TXT", u"X:\\Reports 2026\\LOCKED~1\\a.txt"},
        {u"X:\\GONE~1\\A.TXT", u"X:\\GONE~1\\a.txt"},
        {u"X:\\GONE~1\\..\\REPORT~1\\.\\MAY~1.DOC",
         u"X:\\GONE~1\\..\\Reports 2026\\.\\May budget.doc"},
        {u"X:\\REPORT~1\\..\\", u"X:\\Reports 2026\\..\\"},
        // A path that cannot be searched.
        {u"X:\\BAD?NAME\\A.TXT", u""},
        {u"X:\\BAD?NAME\\A.TXT\\", u"\\"},
        {u"BROKEN", u""},
        // Without a separator, the path is its lookup.
        {u"ALONE~1.TXT", u"alone file.txt"},
        {u"NOTHERE", u""},
        {u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(api.ExpandLongPath(c.given), c.expected) << ToUtf8(c.given);
    // The root is never looked up, and nothing is looked up for an empty path.
    for (const std::u16string& looked : platform.entryLookups)
        EXPECT_TRUE(looked != u"X:" && !looked.empty()) << ToUtf8(looked);
}

TEST_F(LongPathTest, LinuxPathsUseTheirOwnSeparator) {
    platform.separator = u'/';
    platform.entries = {{u"/mnt", u"mnt"},
                        {u"/mnt/data", u"data"},
                        {u"/mnt/data/reports", u"Reports"},
                        {u"/mnt/data/reports/may.doc", u"May.doc"}};
    EXPECT_EQ(api.ExpandLongPath(u"/mnt/data/reports/may.doc"), u"/mnt/data/Reports/May.doc");
    EXPECT_EQ(api.ExpandLongPath(u"/mnt/data/reports/"), u"/mnt/data/Reports/");
}

// A URL or a network path names nothing local: it is never looked up there,
// so that a name the local file system cannot hold does not empty it.
TEST_F(LongPathTest, UrlsAndNetworkPathsAreNotLookedUpLocally) {
    platform.separator = u'/';
    const std::u16string longName(300, u'x');
    const std::u16string paths[] = {u"smb://srv/data/" + longName, u"SMB://srv/data/a",
                                    u"//srv/data/" + longName, u"\\\\srv\\data\\a.txt"};
    for (const std::u16string& path : paths)
        EXPECT_EQ(api.ExpandLongPath(path), path);
    platform.separator = u'\\'; // on Windows, //server/share is not looked up either
    EXPECT_EQ(api.ExpandLongPath(u"//srv/data/a.txt"), u"//srv/data/a.txt");
    EXPECT_TRUE(platform.entryLookups.empty());
}

} // namespace
} // namespace quarnel::test
