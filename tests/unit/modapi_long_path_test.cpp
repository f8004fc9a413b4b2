// The long path expansion against scripted directory entries.
#include "FakePlatform.h"
#include "modApi.h"

#include <gtest/gtest.h>

namespace quarnel::test {
namespace {

class LongPathTest : public ::testing::Test {
  protected:
    LongPathTest() {
        platform.entries = {
            {u"X:\\REPORT~1", u"Reports 2026"},
            {u"X:\\REPORT~1\\MAY~1.DOC", u"May budget.doc"},
            {u"X:\\Reports 2026", u"Reports 2026"},
            {u"X:\\Reports 2026\\May budget.doc", u"May budget.doc"},
            {u"X:\\reports 2026\\may budget.doc", u"May budget.doc"},
            {u"X:\\reports 2026", u"Reports 2026"},
            {u"X:\\REPORT~1\\LOCKED~1", std::nullopt},
            {u"X:\\REPORT~1\\LOCKED~1\\A.TXT", u"a.txt"},
            {u"X:\\GONE~1\\A.TXT", u"a.txt"},
            {u"BROKEN", std::nullopt},
            {u"X:\\BAD?NAME\\A.TXT", std::nullopt},
            {u"ALONE~1.TXT", u"alone file.txt"},
        };
    }
    FakePlatform platform;
    modApi api{platform};
};

TEST_F(LongPathTest, ShortAliasesBecomeLongNamesAndTheRootStays) {
    EXPECT_EQ(api.ExpandLongPath(u"X:\\REPORT~1\\MAY~1.DOC"), u"X:\\Reports 2026\\May budget.doc");
    EXPECT_EQ(api.ExpandLongPath(u"X:\\REPORT~1\\MAY~1.DOC\\"),
              u"X:\\Reports 2026\\May budget.doc\\");
    EXPECT_EQ(api.ExpandLongPath(u"X:\\Reports 2026\\May budget.doc"),
              u"X:\\Reports 2026\\May budget.doc");
    // The letter case comes from the file system.
    EXPECT_EQ(api.ExpandLongPath(u"X:\\reports 2026\\may budget.doc"),
              u"X:\\Reports 2026\\May budget.doc");
    // The root is never looked up.
    for (const std::u16string& looked : platform.entryLookups)
        EXPECT_NE(looked, u"X:");
}

TEST_F(LongPathTest, MissingLastComponentGivesTheInputUnchanged) {
    EXPECT_EQ(api.ExpandLongPath(u"X:\\REPORT~1\\NEW~1.DOC\\"), u"X:\\REPORT~1\\NEW~1.DOC\\");
}

TEST_F(LongPathTest, FolderThatCannotBeNamedKeepsItsGivenName) {
    // Whether the lookup fails or finds nothing, the result still names the
    // same file: the component stays as given.
    EXPECT_EQ(api.ExpandLongPath(u"X:\\REPORT~1\\LOCKED~1\\A.TXT"),
              u"X:\\Reports 2026\\LOCKED~1\\a.txt");
    EXPECT_EQ(api.ExpandLongPath(u"X:\\GONE~1\\A.TXT"), u"X:\\GONE~1\\a.txt");
}

TEST_F(LongPathTest, DotComponentsStayAsGivenWithoutALookup) {
    // The file system answers a lookup that ends in "." or ".." with the name
    // of the folder they lead to, which would name a different path.
    platform.entries[u"X:\\GONE~1\\..\\REPORT~1\\.\\MAY~1.DOC"] = u"May budget.doc";
    platform.entries[u"X:\\GONE~1\\..\\REPORT~1\\."] = u"Reports 2026";
    platform.entries[u"X:\\GONE~1\\..\\REPORT~1"] = u"Reports 2026";
    platform.entries[u"X:\\GONE~1\\.."] =
        std::u16string(u"X"); // not the literal: GCC 12 warns wrongly
    EXPECT_EQ(api.ExpandLongPath(u"X:\\GONE~1\\..\\REPORT~1\\.\\MAY~1.DOC"),
              u"X:\\GONE~1\\..\\Reports 2026\\.\\May budget.doc");
    EXPECT_EQ(api.ExpandLongPath(u"X:\\REPORT~1\\..\\"), u"X:\\Reports 2026\\..\\");
}

TEST_F(LongPathTest, PathThatCannotBeSearchedGivesEmptyOrALoneSeparator) {
    EXPECT_EQ(api.ExpandLongPath(u"X:\\BAD?NAME\\A.TXT"), u"");
    EXPECT_EQ(api.ExpandLongPath(u"X:\\BAD?NAME\\A.TXT\\"), u"\\");
    EXPECT_EQ(api.ExpandLongPath(u"BROKEN"), u"");
}

TEST_F(LongPathTest, PathWithoutSeparatorIsReplacedByItsLookup) {
    EXPECT_EQ(api.ExpandLongPath(u"ALONE~1.TXT"), u"alone file.txt");
    EXPECT_EQ(api.ExpandLongPath(u"NOTHERE"), u"");
}

TEST_F(LongPathTest, EmptyInputMakesNoLookup) {
    EXPECT_EQ(api.ExpandLongPath(u""), u"");
    EXPECT_TRUE(platform.entryLookups.empty());
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
