// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Starting the main window with a path on the command line.
#include "FakePlatform.h"
#include "MsgBox.h"
#include "frmQuarnel.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include <gtest/gtest.h>

namespace {

using quarnel::frmQuarnel;
using quarnel::MsgBoxButtons;
using quarnel::MsgBoxIcon;
using quarnel::MsgBoxResult;
using quarnel::platform::netstatus::Success;

struct ShownBox {
    QString title;
    bool windowVisible; // whether any window of ours was on screen by then
};

class StartFromPath : public testing::Test {
  protected:
    void SetUp() override {
        quarnel::SetMsgBoxHandler(
            [this](const QString&, MsgBoxButtons, MsgBoxIcon, const QString& title) {
                bool visible = false;
                for (QWidget* w : QApplication::topLevelWidgets())
                    visible = visible || w->isVisible();
                boxes.push_back({title, visible});
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
    std::vector<ShownBox> boxes;
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

// A path on no share of a network drive is told before the window shows,
// and nothing is listed; the command line is one text, quotes and all. A
// path of a server alone says nothing. The words are the resolution's.
TEST_F(StartFromPath, APathOnNoShareIsToldBeforeTheWindowAndListsNothing) {
    const std::pair<QString, QString> cases[] = {
        {"C:\\Windows", "No network drive"},
        {"\"X:\\REPORT~1\\MAYBUD~1.DOC\"", "No network drive"},
        {"\\\\srv\\nosuch\\a.doc", "Problem finding share"},
        {"\\\\srv", {}},
    };
    for (const auto& [commandLine, title] : cases) {
        SCOPED_TRACE(commandLine.toStdString());
        boxes.clear();
        auto form = Start(commandLine);
        ASSERT_EQ(boxes.size(), title.isEmpty() ? 0u : 1u);
        if (!boxes.empty()) {
            EXPECT_EQ(boxes[0].title, title);
            EXPECT_FALSE(boxes[0].windowVisible);
        }
        EXPECT_TRUE(form->txtServer->text().isEmpty());
        EXPECT_TRUE(form->txtBasePath->text().isEmpty());
        EXPECT_FALSE(form->cmdShares->isEnabled());
        EXPECT_EQ(form->lvwFiles->ListItemCount(), 0);
    }
    EXPECT_TRUE(platform.fileCalls.empty());
    EXPECT_EQ(std::count(platform.driveLookups.begin(), platform.driveLookups.end(),
                         u"\"X:\\REPORT~1\\MAYBUD~1.DOC\""),
              1);
}

// Qt would centre a box over its parent even while the parent is not yet
// shown, in the corner of the screen where the parent is to come.
TEST(MsgBoxPlacement, ABoxBeforeTheWindowSitsInTheMiddleOfTheScreen) {
    QWidget notYetShown;
    notYetShown.setGeometry(0, 0, 100, 100);
    QPoint boxCentre, screenCentre;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        boxCentre = box->frameGeometry().center();
        screenCentre = box->screen()->availableGeometry().center();
        box->close();
    });
    quarnel::MsgBox(&notYetShown, QStringLiteral("prompt"), MsgBoxButtons::OK,
                    MsgBoxIcon::Information, QStringLiteral("title"));
    EXPECT_LE((boxCentre - screenCentre).manhattanLength(), 4)
        << boxCentre.x() << "," << boxCentre.y();
}

TEST_F(StartFromPath, WithoutACommandLineNothingIsLookedUp) {
    auto form = Start(QString());
    EXPECT_TRUE(platform.entryLookups.empty());
    EXPECT_TRUE(platform.driveLookups.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(QApplication::focusWidget(), form->txtServer);
}

} // namespace
