// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Starting the main window with a path on the command line.
#include "ListTexts.h"
#include "WindowTest.h"

namespace quarnel::test {
namespace {

using platform::netstatus::Success;

class StartFromPath : public WindowTest {
  protected:
    void SetUp() override {
        // X: is mapped to \\srv\data, whose folder on the server is E:\Shares\Data.
        platform.entries = {{u"X:\\REPORT~1", u"Reports 2026"},
                            {u"X:\\REPORT~1\\MAYBUD~1.DOC", u"May budget.doc"}};
        platform.networkDrives[u"X:\\Reports 2026\\May budget.doc"] = {
            true, u"\\\\srv\\data", u"Reports 2026\\May budget.doc"};
        platform.shareInfo[u"data"] = {Success,
                                       {{u"data", 0, u"", 0, 0, 0, u"E:\\Shares\\Data", u""}}};
        WindowTest::SetUp();
    }
};

TEST_F(StartFromPath, ShortPathOnAMappedDriveFillsServerAndLongBasePathAndLists) {
    platform.fileBatches.push_back(
        {Success, {{9, 3, 1, u"E:\\Shares\\Data\\Reports 2026\\May budget.doc", u"ann"}}});

    Reopen(QStringLiteral("X:\\REPORT~1\\MAYBUD~1.DOC"));

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->txtServer->text(), "\\\\srv");
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Shares\\Data\\Reports 2026\\May budget.doc");
    // Listed as Enter lists, with what the inputs now say.
    EXPECT_EQ(platform.fileCalls.size(), 1u);
    EXPECT_EQ(ColumnTexts(*form->lvwFiles, 0), QStringList{"ann"});
}

// A path that names no share is told in the status bar, in words of its
// own, with no box over the window; the inputs keep what was given (the
// command line is one text, quotes and all) and nothing is listed. Without
// a command line nothing is looked up.
TEST_F(StartFromPath, APathThatCannotBeResolvedIsToldInTheStatusBar) {
    platform.shareInfo[u"locked"] = {platform::netstatus::AccessDenied, {}};
    const std::pair<QString, QString> cases[] = {
        {"", ""},
        {"C:\\Windows", "C:\\Windows is on no network drive"},
        {"\"X:\\REPORT~1\\MAYBUD~1.DOC\"", "\"X:\\REPORT~1\\MAYBUD~1.DOC\" is on no network drive"},
        {"\\\\srv\\nosuch\\a.doc", "Cannot find the share of \\\\srv\\nosuch\\a.doc: Status 2310"},
        {"\\\\srv\\locked", "Cannot find the share of \\\\srv\\locked: Access is denied (error 5)"},
        {"\\\\srv", "\\\\srv names no share"},
    };
    for (const auto& [commandLine, status] : cases) {
        SCOPED_TRACE(commandLine.toStdString());
        Reopen(commandLine);
        EXPECT_EQ(form->StatusText(), status);
        EXPECT_TRUE(form->txtServer->text().isEmpty());
        EXPECT_EQ(form->txtBasePath->text(), commandLine);
        EXPECT_EQ(form->lvwFiles->ListItemCount(), 0);
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(platform.fileCalls.empty());
    EXPECT_EQ(platform.driveLookups,
              (std::vector<std::u16string>{u"C:\\Windows", u"\"X:\\REPORT~1\\MAYBUD~1.DOC\""}));
}

} // namespace
} // namespace quarnel::test
