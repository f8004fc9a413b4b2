// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The open-file list's context menu, driven as the user drives it: a
// right-click or the menu key on the list, an item chosen from the menu.
#include "ContextMenu.h"
#include "ListTexts.h"
#include "MsgBox.h"
#include "SaveDialog.h"
#include "WindowTest.h"
#include "frmMessage.h"
#include "frmQuarnel.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>

namespace {

namespace netstatus = quarnel::platform::netstatus;

using quarnel::MsgBoxButtons;
using quarnel::MsgBoxIcon;
using quarnel::MsgBoxResult;
using quarnel::test::FakeFile;
using quarnel::test::MenuItem;

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class FilesMenuTest : public quarnel::test::WindowTest {
  protected:
    void SetUp() override {
        quarnel::SetSaveFileNameHandler([this](const QString&) { return saveAs; });
        WindowTest::SetUp();
    }
    void TearDown() override {
        quarnel::SetSaveFileNameHandler({});
        WindowTest::TearDown();
    }

    void List(std::vector<FakeFile> files, const QString& server = QStringLiteral("srv")) {
        platform.fileBatches.push_back({netstatus::Success, std::move(files)});
        form->txtServer->setText(server);
        form->cmdListFiles->click();
    }

    std::vector<MenuItem> RightClick(int row, const QString& choose = {}) {
        return quarnel::test::RightClick(*form->lvwFiles, row, choose);
    }
    std::vector<MenuItem> MenuKey(int row, const QString& choose = {}) {
        return quarnel::test::MenuKey(*form->lvwFiles, row, choose);
    }

    QString saveAs;
};

TEST_F(FilesMenuTest, RowItemsAreEnabledOnlyForARowAndSendOnlyForOneWithAUser) {
    List({{7, 3, 2, u"C:\\Data\\a.doc", u"R&D"}, {8, 1, 0, u"C:\\Data\\b.doc", u"  "}});
    const auto menu = [](const QString& send, bool onRow, bool hasUser) {
        return std::vector<MenuItem>{{send, hasUser},         {"Close File...", onRow},
                                     {"Copy Path", onRow},    {"Copy Row", onRow},
                                     {"Refresh", true},       {"Refresh Every", true},
                                     {"Export List...", true}};
    };
    const auto withUser = menu("Send Message to R&&D...", true, true);
    const auto blankUser = menu("Send Message...", true, false);
    const auto noRow = menu("Send Message...", false, false);
    EXPECT_EQ(RightClick(1), withUser);
    EXPECT_EQ(RightClick(2), blankUser);
    EXPECT_EQ(RightClick(0), noRow);
    EXPECT_EQ(MenuKey(1), withUser);
    EXPECT_EQ(MenuKey(0), noRow);
}

// Copying takes the selected rows whole, their columns in the order shown.
TEST_F(FilesMenuTest, RowItemsActOnTheRowsAsShown) {
    List({{0x80000000u, 3, 2, u"C:\\Data\\a.doc", u"ann"}, {9, 1, 0, u"C:\\b.doc", u"bob"}});
    RightClick(1, "Copy Path");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "C:\\Data\\a.doc");
    RightClick(1, "Copy Row");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "ann\tC:\\Data\\a.doc\t-2147483648\tRW \t2");
    form->lvwFiles->header()->moveSection(1, 0); // the path dragged to the front
    QTest::keyClick(form->lvwFiles, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(form->lvwFiles, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "C:\\Data\\a.doc\tann\t-2147483648\tRW \t2\nC:\\b.doc\tbob\t9\tR  \t0");
    RightClick(2, "Copy Path");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "C:\\Data\\a.doc\nC:\\b.doc");

    RightClick(1, "Send Message to ann..."); // as a double click does
    auto* message = qobject_cast<quarnel::frmMessage*>(form->frmMessage.data());
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->isVisible());
    ASSERT_EQ(message->lstRecip->count(), 1);
    EXPECT_EQ(message->lstRecip->item(0)->text(), "ann");
}

// Close File asks first, once for all selected files; it closes them on the
// server they were listed from, tells the ones it could not close, and
// lists again, as Refresh does, once any was closed. A failure alone
// changes nothing.
TEST_F(FilesMenuTest, CloseFileAsksOnceThenClosesOnTheListedServerAndListsAgain) {
    List({{0x80000000u, 3, 0, u"C:\\Data\\a.doc", u"ann"}, {8, 1, 0, u"C:\\b.doc", u"bob"}});
    form->txtServer->setText("other"); // typed after the listing: not where the rows are

    answers = {MsgBoxResult::No};
    RightClick(1, "Close File...");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].buttons, MsgBoxButtons::YesNo);
    EXPECT_EQ(boxes[0].title, "Close File");
    for (const char* named : {"C:\\Data\\a.doc", "ann", "\\\\srv", "may be lost"})
        EXPECT_TRUE(boxes[0].prompt.contains(named)) << named;
    EXPECT_TRUE(platform.closeCalls.empty());

    platform.closeStatuses = {netstatus::FileIdNotFound};
    RightClick(1, "Close File...");
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].prompt, "The file could not be closed on \\\\srv:\r\nC:\\Data\\a.doc: There "
                               "is not an open file with that identification number (error 2314)");
    EXPECT_EQ(boxes[2].buttons, MsgBoxButtons::OK);
    EXPECT_EQ(platform.fileCalls.size(), 1u);

    QTest::keyClick(form->lvwFiles, Qt::Key_A, Qt::ControlModifier);
    platform.closeStatuses = {netstatus::Success, netstatus::FileIdNotFound};
    platform.fileBatches.push_back({netstatus::Success, {}});
    RightClick(2, "Close File...");
    const quarnel::test::FileCloseCall a{u"\\\\srv", 0x80000000u}, b{u"\\\\srv", 8};
    EXPECT_EQ(platform.closeCalls, (std::vector<quarnel::test::FileCloseCall>{a, a, b}));
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_TRUE(boxes[3].prompt.startsWith("Close these 2 files")) << boxes[3].prompt.toStdString();
    EXPECT_TRUE(boxes[4].prompt.startsWith("1 of the 2 files could not be closed on \\\\srv:\r\n"
                                           "C:\\b.doc: There is not an open file"));
    ASSERT_EQ(platform.fileCalls.size(), 2u);
    EXPECT_EQ(platform.fileCalls[1].server, u"\\\\other"); // listed again, as Refresh does
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 0);
}

// Chosen in the menu, the timed refresh lists what the latest listing listed
// (not what was typed since) in the background: the rows change at once,
// new ones marked and closed ones gone, and the selection stays on its file.
// A failure is told in the status bar and leaves the rows.
TEST_F(FilesMenuTest, RefreshEveryListsTheSameAgainKeepingTheSelection) {
    List({{1, 1, 0, u"C:\\a", u"ann"}, {2, 1, 0, u"C:\\b", u"bob"}});
    RightClick(0, "Refresh Every>5 Seconds");
    EXPECT_EQ(form->RefreshInterval(), 5);
    form->txtServer->setText("other");
    form->lvwFiles->SetSelectedItem(form->lvwFiles->ListItemAt(2));
    Script({{3, 1, 0, u"C:\\c", u"cy"}, {2, 1, 0, u"C:\\b", u"bob"}});
    form->tmrRefresh_Timer();
    EXPECT_EQ(platform.fileCalls.back().server, u"\\\\srv");
    quarnel::ListView& list = *form->lvwFiles;
    ASSERT_EQ(quarnel::test::ColumnTexts(list, 0).join('|'), "cy|bob");
    EXPECT_EQ(list.SelectedItem().Text(), "bob");
    EXPECT_TRUE(list.IsMarked(list.ListItemAt(1)) && !list.IsMarked(list.ListItemAt(2)));
    Script({}, netstatus::AccessDenied);
    form->tmrRefresh_Timer();
    EXPECT_EQ(quarnel::test::ColumnTexts(list, 0).join('|'), "cy|bob");
    EXPECT_TRUE(form->StatusText().startsWith("Cannot list the open files on \\\\srv: Access is "
                                              "denied (error 5)"));

    RightClick(0, "Refresh Every>Off");
    EXPECT_EQ(form->RefreshInterval(), 0);
}

TEST_F(FilesMenuTest, F5AndRefreshListAgainWithTheCurrentInputs) {
    List({});
    form->txtUser->setText("bob");
    platform.fileBatches.push_back({netstatus::Success, {}});
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get())); // shortcuts reach the active window
    QTest::keyClick(form->txtServer, Qt::Key_F5);
    platform.fileBatches.push_back({netstatus::Success, {}});
    RightClick(0, "Refresh");
    ASSERT_EQ(platform.fileCalls.size(), 3u);
    EXPECT_EQ(platform.fileCalls[1].userName, u"bob");
    EXPECT_EQ(platform.fileCalls[2].userName, u"bob");
}

TEST_F(FilesMenuTest, ExportWritesTheListedFilesInTheirOrderByTheSuffixOrTellsWhyNot) {
    List({{7, 3, 2, u"C:\\Data\\b, \"q\".doc", u"ann"},
          {0x80000000u, 1, 0, u"C:\\Data\\a.doc", u"bob"},
          {40, 2, 1, u"C:\\Data\\Bücher.txt", u"cy"}});
    form->lvwFiles->SetSortKey(1);
    form->lvwFiles->SetSortOrder(Qt::DescendingOrder);
    form->lvwFiles->SetSorted(true);
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    saveAs = dir.filePath("list.csv");
    RightClick(0, "Export List...");
    EXPECT_EQ(ReadText(saveAs), "User,Path,File ID,Permissions,# locks\r\n"
                                "cy,C:\\Data\\Bücher.txt,40,\" W \",1\r\n"
                                "ann,\"C:\\Data\\b, \"\"q\"\".doc\",7,\"RW \",2\r\n"
                                "bob,C:\\Data\\a.doc,-2147483648,\"R  \",0\r\n");

    saveAs = dir.filePath("list.JSON");
    RightClick(0, "Export List...");
    const auto json = nlohmann::json::parse(ReadText(saveAs).toStdString());
    ASSERT_EQ(json.size(), 3u);
    EXPECT_EQ(json[0]["user"].get<std::string>() + json[1]["user"].get<std::string>() +
                  json[2]["user"].get<std::string>(),
              "cyannbob");
    EXPECT_EQ(json[2]["id"], -2147483648LL);
    EXPECT_EQ(json[0]["server"], "srv"); // as quarnel-cli names it

    List({});
    saveAs = dir.filePath("list.csv"); // replaced
    RightClick(0, "Export List...");
    EXPECT_EQ(ReadText(saveAs), "User,Path,File ID,Permissions,# locks\r\n");
    EXPECT_TRUE(boxes.empty());

    // Folders that no one can write into, root included: one that is not
    // there and one that is a file. The box names the file and a reason.
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    for (const QString& target : {dir.filePath("gone/list.csv"), dir.filePath("plain/list.csv")}) {
        boxes.clear();
        saveAs = target;
        RightClick(0, "Export List...");
        ASSERT_EQ(boxes.size(), 1u) << target.toStdString();
        EXPECT_EQ(boxes[0].title, "Export List");
        EXPECT_TRUE(boxes[0].prompt.contains(target)) << boxes[0].prompt.toStdString();
        EXPECT_FALSE(boxes[0].prompt.section("\r\n\r\n", 1).trimmed().isEmpty()) << "no reason";
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"list.csv", "list.JSON", "plain"}));
}

} // namespace
