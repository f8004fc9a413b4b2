// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "ListTexts.h"
#include "WindowTest.h"

#include <QHeaderView>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

class MainWindow : public WindowTest {
  protected:
    QStringList Row(int index) const { return RowTexts(*form->lvwFiles, index); }
};

// Where each control stands is the layout table's to say; what can break is
// the window's centring, the captions and the list's columns.
TEST_F(MainWindow, StartsCentredWithItsCaptionsAndAnEmptyListOfFiveColumns) {
    EXPECT_EQ(form->windowTitle(), "Quarnel");
    EXPECT_FALSE(form->windowIcon().isNull());
    const QPoint screenCentre = form->screen()->availableGeometry().center();
    EXPECT_LE((form->frameGeometry().center() - screenCentre).manhattanLength(), 2);
    EXPECT_EQ(form->lblserver->text() + form->cmdservers->text() + form->lblBasePath->text() +
                  form->cmdShares->text() + form->cmdBrowse->text() + form->Label1->text() +
                  form->cmdListFiles->text() + form->cmdMessage->text(),
              "&Server...&Base Path$...&User&List Quarnel&Message");
    EXPECT_EQ(form->cmdservers->toolTip() + form->cmdShares->toolTip() + form->cmdBrowse->toolTip(),
              "Select a computerSelect a shareBrowse");
    ExpectNamedWithDistinctAccessKeys(*form);

    ListView* list = form->lvwFiles;
    EXPECT_EQ(list->ListItemCount(), 0);
    QStringList columns;
    for (int n = 1; n <= list->ColumnHeaderCount(); ++n) {
        columns << list->ColumnHeaderKey(n) + "=" + list->ColumnHeaderText(n);
        // Wide enough for its header, with the sort indicator beside it.
        EXPECT_GE(list->header()->sectionSize(n - 1), list->header()->sectionSizeHint(n - 1)) << n;
    }
    EXPECT_EQ(columns.join('|'),
              "User=User|Path=Path|File_ID=File ID|Permissions=Permissions|locks=# locks");
    EXPECT_GE(list->header()->sectionSize(2),
              list->fontMetrics().horizontalAdvance("-2147483648") + 8);
    EXPECT_EQ(list->ExtendedStyle() & 0x30u, 0x30u);
    EXPECT_TRUE(list->MultiSelect());
    EXPECT_TRUE(list->dragEnabled());
}

// The order follows the layout, row by row, from the server box; the share
// picker's button takes its turn exactly while the server holds more than
// spaces.
TEST_F(MainWindow, TabFollowsTheLayoutAndTheShareButtonWantsAServer) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(QApplication::focusWidget(), form->txtServer);
    for (const char* server : {"", "   ", "x", "\t", " x "}) {
        form->txtServer->setText(server);
        const bool shares = QString(server).contains(QRegularExpression("[^ ]"));
        EXPECT_EQ(form->cmdShares->isEnabled(), shares) << '"' << server << '"';
        std::vector<QWidget*> order{form->txtServer,  form->cmdservers, form->txtBasePath,
                                    form->cmdBrowse,  form->txtUser,    form->cmdListFiles,
                                    form->cmdMessage, form->lvwFiles};
        if (shares)
            order.insert(order.begin() + 3, form->cmdShares);
        ExpectTabOrder(order);
    }
}

// The second listing starts from an empty list: no row of the first stays.
TEST_F(MainWindow, EnterListsWhatTheInputsSayAsTheyStand) {
    Script({{1, 1, 0, u"C:\\old.txt", u"OLD"}});
    form->cmdListFiles->click();
    ASSERT_EQ(form->lvwFiles->ListItemCount(), 1);

    form->txtServer->setText("srv");
    form->txtBasePath->setText(" C:\\Data ");
    form->txtUser->setText("bob ");
    Script({{7, 3, 0, u"C:\\Data\\a.doc", u"bob"}}, netstatus::MoreData);
    Script({}, netstatus::Success);
    QTest::keyClick(form->txtServer, Qt::Key_Return);

    ASSERT_EQ(platform.fileCalls.size(), 3u); // the first listing, and two batches of this one
    EXPECT_EQ(platform.fileCalls[1].server, u"\\\\srv");
    EXPECT_EQ(platform.fileCalls[1].basePath, u" C:\\Data ");
    EXPECT_EQ(platform.fileCalls[1].userName, u"bob ");
    EXPECT_TRUE(Idle(*form));
    EXPECT_EQ(Row(1), QStringList({"bob", "C:\\Data\\a.doc", "7", "RW ", "0"}));
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 1);

    // Enter in the other boxes and on the list lists too; on another button
    // it clicks that one.
    for (QWidget* where :
         {static_cast<QWidget*>(form->txtBasePath), static_cast<QWidget*>(form->txtUser),
          static_cast<QWidget*>(form->lvwFiles)}) {
        Script({});
        QTest::keyClick(where, Qt::Key_Enter, Qt::KeypadModifier);
    }
    EXPECT_EQ(platform.fileCalls.size(), 6u);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->cmdMessage->setFocus();
    Script({});
    QTest::keyClick(form->cmdMessage, Qt::Key_Return);
    EXPECT_EQ(platform.fileCalls.size(), 6u);
}

TEST_F(MainWindow, RowsShowPermissionLettersAndSignedNumbers) {
    Script({{1, 3, 0, u"C:\\rw.doc", u"ALICE"},
            {2, 2, 1, u"C:\\w.doc", u"BOB"},
            {3, 0, 12, u"C:\\none.doc", u"CAROL"}},
           netstatus::MoreData);
    Script({{0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFFu, u"C:\\all.doc", u"DAVE"},
            {5, 4 | 0x40, 2, std::nullopt, std::nullopt},
            {2147483647u, 1, 0, u"C:\\r.doc", u"EVE"}});
    form->cmdListFiles->click();
    ASSERT_EQ(form->lvwFiles->ListItemCount(), 6);
    EXPECT_EQ(Row(1), QStringList({"ALICE", "C:\\rw.doc", "1", "RW ", "0"}));
    EXPECT_EQ(Row(2), QStringList({"BOB", "C:\\w.doc", "2", " W ", "1"}));
    EXPECT_EQ(Row(3), QStringList({"CAROL", "C:\\none.doc", "3", "   ", "12"}));
    EXPECT_EQ(Row(4), QStringList({"DAVE", "C:\\all.doc", "-2147483648", "RWC", "-1"}));
    EXPECT_EQ(Row(5), QStringList({"", "", "5", "  C", "2"}));
    EXPECT_EQ(Row(6), QStringList({"EVE", "C:\\r.doc", "2147483647", "R  ", "0"}));
}

// A failed listing shows an empty list, as a server without open files
// does: the status bar tells them apart, in quarnel-cli's words, and says
// when a failure after some batches left the list incomplete.
TEST_F(MainWindow, TheStatusBarTellsHowTheListingEnded) {
    form->txtServer->setText("srv");
    const FakeFile file{5, 1, 0, u"e", u"u5"};
    struct Case {
        std::vector<std::pair<platform::NetStatus, std::vector<FakeFile>>> batches;
        int rows;
        QString starts, ends;
    } const cases[] = {
        {{{netstatus::Success, {file}}}, 1, "1 open file on \\\\srv at ", ""},
        {{{netstatus::Success, {}}}, 0, "0 open files on \\\\srv at ", ""},
        {{{netstatus::BadNetPath, {}}},
         0,
         "Cannot list the open files on \\\\srv: The network path was not found (error 53) (at ",
         ")"},
        {{{netstatus::MoreData, {file}}, {netstatus::AccessDenied, {}}},
         1,
         "1 open file on \\\\srv at ",
         "; the list is incomplete, the listing stopped early: Access is denied (error 5)"},
    };
    for (const Case& c : cases) {
        for (const auto& [status, files] : c.batches)
            Script(files, status);
        form->cmdListFiles->click();
        EXPECT_EQ(form->lvwFiles->ListItemCount(), c.rows);
        EXPECT_TRUE(form->StatusText().startsWith(c.starts)) << form->StatusText().toStdString();
        EXPECT_TRUE(form->StatusText().endsWith(c.ends)) << form->StatusText().toStdString();
        EXPECT_TRUE(Idle(*form));
    }
}

// Listing the same server again keeps the selected files selected and the
// file at the top at the top, as far as they are still listed; another
// server starts afresh.
TEST_F(MainWindow, ListingAgainKeepsTheSelectionAndTheScrollPosition) {
    const auto list = [&](const QString& server, int gone) {
        std::vector<FakeFile> files;
        for (int id = gone < 0 ? 0 : 2; id < 80; ++id)
            if (id != gone)
                files.push_back({static_cast<std::uint32_t>(id), 1, 0, u"C:\\f", u"u"});
        Script(files);
        form->txtServer->setText(server);
        form->cmdListFiles->click();
    };
    ListView& rows = *form->lvwFiles;
    list("srv", -1);
    for (int row : {30, 33})
        rows.selectionModel()->select(rows.model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    rows.scrollTo(rows.model()->index(25, 0), QAbstractItemView::PositionAtTop);
    list("srv", 30); // 0, 1 and 30 are gone; 25 and 33 stay
    ASSERT_EQ(rows.SelectedItems().size(), 1u);
    EXPECT_EQ(rows.SelectedItems()[0].SubItem(2), "33");
    EXPECT_EQ(rows.indexAt(QPoint(0, 0)).siblingAtColumn(2).data().toString(), "25");
    list("other", 30);
    EXPECT_TRUE(rows.SelectedItems().empty());
    EXPECT_EQ(rows.verticalScrollBar()->value(), 0);
}

// The window starts from the inputs, size, column widths and timed refresh
// of its last run; a path on the command line takes the place of the
// inputs.
TEST_F(MainWindow, StartsWhereTheLastRunEnded) {
    const QTemporaryDir dir;
    QSettings settings(dir.filePath("quarnel.conf"), QSettings::IniFormat);
    auto first = std::make_unique<frmQuarnel>(api, QString(), &settings);
    first->txtServer->setText("srv");
    first->txtBasePath->setText("D:\\Data");
    first->txtUser->setText("ann");
    first->lvwFiles->SetColumnHeaderWidth(1, 2100);
    first->SetRefreshInterval(10);
    first->show();
    first->setGeometry(40, 50, 600, 420);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->height() == 420; }));
    first->close();

    for (const QString& commandLine : {QString(), QStringLiteral("X:\\a.doc")}) {
        frmQuarnel again(api, commandLine, &settings);
        EXPECT_EQ(again.txtServer->text() + again.txtBasePath->text() + again.txtUser->text(),
                  commandLine.isEmpty() ? "srvD:\\Dataann" : commandLine);
        EXPECT_EQ(again.size(), QSize(600, 420));
        EXPECT_EQ(again.lvwFiles->ColumnHeaderWidth(1), 2100);
        EXPECT_EQ(again.RefreshInterval(), 10);
    }
}

TEST_F(MainWindow, WindowDeletedWhileTheEnumerationYieldsIsLeftAlone) {
    Script({{1, 1, 0, u"a", u"u"}}, netstatus::MoreData);
    Script({{2, 1, 0, u"b", u"u"}});
    platform.duringCall = [&] {
        if (platform.fileCalls.size() == 1)
            form.reset();
    };
    QPointer<QPushButton> button = form->cmdListFiles;
    button->click();
    EXPECT_TRUE(button.isNull());
    EXPECT_TRUE(platform.fileBatches.empty());
    EXPECT_EQ(api.OpenFileCount, 2);
}

} // namespace
} // namespace quarnel::test
