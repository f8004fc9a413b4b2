// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Working with the open-file list of the main window: sorting by a header
// click, messaging a row's holder, dragging a row onto the inputs, drops
// from other programs, the folder browser and the tool tips of cut cells.
#include "DragEvents.h"
#include "ListTexts.h"
#include "MsgBox.h"
#include "WindowTest.h"
#include "frmMessage.h"
#include "frmQuarnel.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace {

using quarnel::frmQuarnel;
using quarnel::ListItem;
using quarnel::platform::netstatus::Success;
using quarnel::test::FakeFile;

class ListInteractions : public quarnel::test::WindowTest {
  protected:
    void SetUp() override {
        // X: is mapped to \\srv\data, whose folder on the server is E:\Data.
        platform.shareInfo[u"data"] = {Success, {{u"data", 0, u"", 0, 0, 0, u"E:\\Data", u""}}};
        WindowTest::SetUp();
    }

    void List(std::vector<FakeFile> files) {
        Script(std::move(files));
        form->cmdListFiles_Click();
    }

    // Three rows whose numbers sort differently as text and as numbers.
    void ListThree() {
        List({{9, 1, 0, u"E:\\Data\\b.doc", u"bob"},
              {100, 3, 12, u"E:\\Data\\C.doc", u"ALICE"},
              {10, 2, 3, u"E:\\Data\\a.doc", u"carol"}});
    }

    // The texts of column n (from 1), top to bottom, between bars.
    std::string Column(int n) const {
        return quarnel::test::ColumnTexts(*form->lvwFiles, n - 1).join('|').toStdString();
    }
    void ClickHeader(int n) { quarnel::test::ClickHeader(*form->lvwFiles, n); }

    void Select(const QString& user) {
        for (int i = 1; i <= form->lvwFiles->ListItemCount(); ++i)
            if (form->lvwFiles->ListItemAt(i).Text() == user)
                form->lvwFiles->SetSelectedItem(form->lvwFiles->ListItemAt(i));
    }
};

TEST_F(ListInteractions, HeaderClicksSortByTextAndReverseOnTheSameHeader) {
    struct Case {
        std::vector<int> clicks;
        int column;
        std::string expected;
    } const cases[] = {
        // The key starts at the first column: its first click reverses.
        {{1}, 1, "carol|bob|ALICE"},
        {{2}, 2, R"(E:\Data\a.doc|E:\Data\b.doc|E:\Data\C.doc)"},
        {{2, 2}, 2, R"(E:\Data\C.doc|E:\Data\b.doc|E:\Data\a.doc)"},
        {{2, 2, 2}, 2, R"(E:\Data\a.doc|E:\Data\b.doc|E:\Data\C.doc)"},
        {{2, 2, 1}, 1, "ALICE|bob|carol"}, // a change of column starts ascending
        {{3}, 3, "9|10|100"},              // identifiers and lock counts as numbers
        {{5, 5}, 5, "12|3|0"},
    };
    for (const Case& c : cases) {
        SetUp();
        ListThree();
        Select("bob");
        for (int n : c.clicks)
            ClickHeader(n);
        EXPECT_EQ(Column(c.column), c.expected) << "after " << c.clicks.size() << " clicks";
        EXPECT_EQ(form->lvwFiles->SelectedItem().Text(), "bob"); // the selection keeps its row
        const QHeaderView& header = *form->lvwFiles->header();   // shows what it sorts by
        EXPECT_TRUE(header.isSortIndicatorShown());
        EXPECT_EQ(header.sortIndicatorSection(), c.column - 1);
        EXPECT_EQ(header.sortIndicatorOrder(), form->lvwFiles->SortOrder());
        // A new listing keeps the order.
        ListThree();
        EXPECT_EQ(Column(c.column), c.expected);
    }
}

TEST_F(ListInteractions, DoubleClickAddsTheSelectedUserToTheMessageRecipients) {
    QTest::mouseDClick(form->lvwFiles->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(form->frmMessage, nullptr); // an empty list does nothing

    List({{1, 1, 0, u"E:\\a", u"  "}, {2, 1, 0, u"E:\\b", u" ALICE"}});
    const auto doubleClick = [&](int row) {
        const QRect cell = form->lvwFiles->visualRect(form->lvwFiles->model()->index(row, 0));
        QTest::mouseDClick(form->lvwFiles->viewport(), Qt::LeftButton, {}, cell.center());
    };
    doubleClick(0);
    EXPECT_EQ(form->frmMessage, nullptr); // a blank user does nothing
    doubleClick(1);
    doubleClick(1);
    auto* message = qobject_cast<quarnel::frmMessage*>(form->frmMessage.data());
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->isVisible());
    ASSERT_EQ(message->lstRecip->count(), 1);
    EXPECT_EQ(message->lstRecip->item(0)->text(), " ALICE"); // untrimmed, and added once
}

// Drags over the two boxes through Qt's events, as the window system sends them.
class DragAndDrop : public ListInteractions {
  protected:
    static void Send(QWidget* box, QEvent::Type type, const QMimeData* data) {
        EXPECT_TRUE(quarnel::test::SendDragEvent(box, type, data) || type == QEvent::DragLeave);
    }

    static void DropOn(QWidget* box, const QMimeData* data) {
        EXPECT_TRUE(quarnel::test::DropOn(box, data));
    }

    // What dragging the selected row carries, as the list starts the drag.
    std::unique_ptr<quarnel::ListDragData> DragRow(const QString& user) {
        Select(user);
        Qt::DropActions allowed;
        auto data = form->lvwFiles->StartDragData(allowed);
        EXPECT_EQ(allowed, Qt::CopyAction);
        return data;
    }
};

TEST_F(DragAndDrop, ARowGivesItsPathToTheBasePathAndItsUserToAnythingElse) {
    ListThree();
    ClickHeader(2); // rows sorted: the drag still carries the selected row
    auto row = DragRow("ALICE");
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->hasText());
    EXPECT_EQ(row->text(), "ALICE"); // no drag over a box yet

    DropOn(form->txtUser, row.get());
    EXPECT_EQ(form->txtUser->text(), "ALICE");

    DropOn(form->txtBasePath, row.get());
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Data\\C.doc");
    EXPECT_TRUE(platform.driveLookups.empty()); // no resolution
    // The drop leaves the target as it was: another program now gets the path.
    EXPECT_EQ(row->text(), "E:\\Data\\C.doc");

    Send(form->txtBasePath, QEvent::DragEnter, row.get());
    Send(form->txtBasePath, QEvent::DragLeave, row.get());
    EXPECT_EQ(row->text(), "ALICE");
    EXPECT_EQ(row->data("text/html"), QByteArray()); // nothing but text

    form->lvwFiles->ClearListItems();
    EXPECT_FALSE(row->hasText() && !row->text().isEmpty()); // no row, no text
    Qt::DropActions allowed;
    EXPECT_EQ(form->lvwFiles->StartDragData(allowed), nullptr);
}

TEST_F(DragAndDrop, FilesFromAFileManagerAreResolvedOnTheBasePathOnly) {
    platform.networkDrives[u"/mnt/data/Reports/May.doc"] = {true, u"\\\\srv\\data",
                                                            u"Reports\\May.doc"};
    QMimeData files;
    files.setUrls({QUrl("file:///mnt/data/Reports/May.doc"), QUrl("file:///mnt/data/other.doc"),
                   QUrl("smb://srv/data/third.doc")});
    files.setText("/mnt/data/Reports/May.doc"); // as some file managers add

    DropOn(form->txtUser, &files);
    EXPECT_TRUE(form->txtUser->text().isEmpty());

    DropOn(form->txtBasePath, &files);
    ASSERT_EQ(platform.driveLookups.size(), 1u); // the first file only
    EXPECT_EQ(form->txtServer->text(), "\\\\srv");
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Data\\Reports\\May.doc");
    EXPECT_TRUE(form->cmdShares->isEnabled());
    EXPECT_TRUE(boxes.empty());

    platform.networkDrives[u"smb://srv/data/My%20File.doc"] = {true, u"\\\\srv\\data",
                                                               u"My File.doc"};
    QMimeData smb;
    smb.setUrls({QUrl("smb://srv/data/My%20File.doc")});
    DropOn(form->txtBasePath, &smb); // the URL goes to the resolution as it came
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Data\\My File.doc");

    QMimeData local;
    local.setUrls({QUrl::fromLocalFile("/tmp/local.txt")});
    DropOn(form->txtBasePath, &local);
    EXPECT_EQ(Titles(), QStringList{"No network drive"});
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Data\\My File.doc");

    QMimeData text;
    text.setText(" D:\\Some where\\ ");
    DropOn(form->txtBasePath, &text);
    EXPECT_EQ(form->txtBasePath->text(), " D:\\Some where\\ "); // unchanged
}

class Browse : public ListInteractions {
  protected:
    // Chooses `path` in the folder browser once it is open; an empty path
    // cancels it. Returns the browser's title.
    QString ChooseInBrowser(const QString& path) {
        QString title;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            title = dialog->windowTitle();
            EXPECT_EQ(dialog->parentWidget(), form.get());
            if (path.isEmpty()) {
                dialog->reject();
                return;
            }
            // A folder is chosen by showing it with nothing typed, a file by
            // selecting it.
            const QFileInfo chosen(path);
            dialog->setDirectory(chosen.isDir() ? path : chosen.path());
            auto* choose = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
            EXPECT_TRUE(choose->isEnabled());
            if (!chosen.isDir())
                dialog->selectFile(path);
            choose->click();
        });
        QTest::mouseClick(form->cmdBrowse, Qt::LeftButton);
        EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
        return title;
    }
};

TEST_F(Browse, AFileOrFolderOnANetworkDriveFillsBasePathAndServer) {
    QTemporaryDir mount;
    ASSERT_TRUE(mount.isValid());
    const QString folder = mount.path() + "/Reports";
    const QString file = folder + "/May.doc";
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile(file).open(QIODevice::WriteOnly);
    platform.networkDrives[folder.toStdU16String()] = {true, u"\\\\srv\\data", u"Reports"};
    platform.networkDrives[file.toStdU16String()] = {true, u"\\\\srv\\data", u"Reports\\May.doc"};

    EXPECT_EQ(ChooseInBrowser(file), "Select a file or folder on a network drive");
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Data\\Reports\\May.doc");
    EXPECT_EQ(form->txtServer->text(), "\\\\srv");

    ChooseInBrowser(folder);
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Data\\Reports");

    ChooseInBrowser({});
    ChooseInBrowser(mount.path()); // on no network drive
    EXPECT_EQ(Titles(), QStringList{"No network drive"});
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Data\\Reports");
}

TEST_F(ListInteractions, ACutCellShowsItsWholeTextAsItsToolTip) {
    const std::u16string longPath = u"E:\\Data\\" + std::u16string(120, u'x') + u".doc";
    List({{123456789, 7, 123456789, longPath, u"ann"}});
    auto tipAt = [this](int column) {
        const QRect cell = form->lvwFiles->visualRect(form->lvwFiles->model()->index(0, column));
        QHelpEvent e(QEvent::ToolTip, cell.center(),
                     form->lvwFiles->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(form->lvwFiles->viewport(), &e);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(0), ""); // whole
    EXPECT_EQ(tipAt(2), ""); // an identifier shows whole
    EXPECT_EQ(tipAt(1), QString::fromStdU16String(longPath));
    EXPECT_EQ(form->lvwFiles->ColumnHeaderWidth(3), 1275); // the widths stay
}

} // namespace
