// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Starting the main window with a path on the command line.
#include "FakePlatform.h"
#include "MsgBox.h"
#include "frmQuarnel.h"

#include <QApplication>
#include <QTest>
#include <algorithm>

#include <gtest/gtest.h>

namespace {

using quarnel::frmQuarnel;
using quarnel::MsgBoxButtons;
using quarnel::MsgBoxIcon;
using quarnel::MsgBoxResult;
using quarnel::platform::netstatus::Success;

class StartFromPath : public testing::Test {
  protected:
    void SetUp() override {
        quarnel::SetMsgBoxHandler(
            [this](const QString&, MsgBoxButtons, MsgBoxIcon, const QString& title) {
                boxes.push_back(title);
                return MsgBoxResult::OK;
            });
        // X: is mapped to \\srv\data, whose folder on the server is E:\Shares\Data.
        platform.entries = {{u"X:\\REPORT~1", u"Reports 2026"},
                            {u"X:\\REPORT~1\\MAYBUD~1.DOC", u"May budget.doc"}};
        platform.networkDrives[u"X:\\Reports 2026\\May budget.doc"] = {
            true, u"\\\\srv\\data", u"Reports 2026\\May budget.doc"};
        platform.shareInfo[u"data"] = {Success,
                                       {{u"data", 0, u"", 0, 0, 0, u"E:\\Shares\\Data", u""}}};
    }
    void TearDown() override { quarnel::SetMsgBoxHandler({}); }

    std::unique_ptr<frmQuarnel> Start(const QString& commandLine) {
        auto form = std::make_unique<frmQuarnel>(api, commandLine);
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }

    quarnel::test::FakePlatform platform;
    quarnel::modApi api{platform};
    QStringList boxes;
};

TEST_F(StartFromPath, ShortPathOnAMappedDriveFillsServerAndLongBasePathAndLists) {
    platform.fileBatches.push_back(
        {Success, {{9, 3, 1, u"E:\\Shares\\Data\\Reports 2026\\May budget.doc", u"ann"}}});

    auto form = Start(QStringLiteral("X:\\REPORT~1\\MAYBUD~1.DOC"));

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->txtServer->text(), "\\\\srv");
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Shares\\Data\\Reports 2026\\May budget.doc");
    EXPECT_TRUE(form->cmdShares->isEnabled());
    ASSERT_EQ(platform.fileCalls.size(), 1u);
    EXPECT_EQ(platform.fileCalls[0].server, u"\\\\srv");
    EXPECT_EQ(platform.fileCalls[0].basePath, u"E:\\Shares\\Data\\Reports 2026\\May budget.doc");
    EXPECT_FALSE(platform.fileCalls[0].userName.has_value());
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 1);
    EXPECT_EQ(form->lvwFiles->ListItemAt(1).Text(), "ann");
    EXPECT_TRUE(form->cmdListFiles->isEnabled());
}

// A path that names no share is told in the status bar, in words of its
// own, with no box over the window; the inputs keep what was given (the
// command line is one text, quotes and all) and nothing is listed.
TEST_F(StartFromPath, APathThatCannotBeResolvedIsToldInTheStatusBar) {
    platform.shareInfo[u"locked"] = {quarnel::platform::netstatus::AccessDenied, {}};
    const std::pair<QString, QString> cases[] = {
        {"C:\\Windows", "C:\\Windows is on no network drive"},
        {"\"X:\\REPORT~1\\MAYBUD~1.DOC\"", "\"X:\\REPORT~1\\MAYBUD~1.DOC\" is on no network drive"},
        {"\\\\srv\\nosuch\\a.doc", "Cannot find the share of \\\\srv\\nosuch\\a.doc: Status 2310"},
        {"\\\\srv\\locked", "Cannot find the share of \\\\srv\\locked: Access is denied (error 5)"},
        {"\\\\srv", "\\\\srv names no share"},
    };
    for (const auto& [commandLine, status] : cases) {
        SCOPED_TRACE(commandLine.toStdString());
        auto form = Start(commandLine);
        EXPECT_EQ(form->StatusText(), status);
        EXPECT_TRUE(form->txtServer->text().isEmpty());
        EXPECT_EQ(form->txtBasePath->text(), commandLine);
        EXPECT_EQ(form->lvwFiles->ListItemCount(), 0);
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(platform.fileCalls.empty());
    EXPECT_EQ(std::count(platform.driveLookups.begin(), platform.driveLookups.end(),
                         u"\"X:\\REPORT~1\\MAYBUD~1.DOC\""),
              1);
}

TEST_F(StartFromPath, WithoutACommandLineNothingIsLookedUp) {
    auto form = Start(QString());
    EXPECT_TRUE(platform.entryLookups.empty());
    EXPECT_TRUE(platform.driveLookups.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(QApplication::focusWidget(), form->txtServer);
}

} // namespace
