// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "ListTexts.h"
#include "WindowTest.h"
#include "frmQuarnel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

namespace netstatus = quarnel::platform::netstatus;

class MainWindow : public quarnel::test::WindowTest {
  protected:
    QStringList Row(int index) const { return quarnel::test::RowTexts(*form->lvwFiles, index); }

    bool Idle() const {
        return form->cmdListFiles->isEnabled() && form->cursor().shape() == Qt::ArrowCursor;
    }
};

// Where each control stands is the layout table's to say; what can break is
// the window's centring, the captions and the list's columns.
TEST_F(MainWindow, StartsCentredWithItsCaptionsAndAnEmptyListOfFiveColumns) {
    EXPECT_EQ(form->windowTitle(), "Quarnel");
    EXPECT_EQ(form->size(), QSize(530, 310));
    EXPECT_FALSE(form->windowIcon().isNull());
    const QPoint screenCentre = form->screen()->availableGeometry().center();
    EXPECT_LE((form->frameGeometry().center() - screenCentre).manhattanLength(), 2);
    const QList<QWidget*> controls{form->lblserver,    form->cmdservers, form->lblBasePath,
                                   form->cmdShares,    form->cmdBrowse,  form->Label1,
                                   form->cmdListFiles, form->cmdMessage};
    QStringList captions;
    for (const QWidget* control : controls)
        captions << control->property("text").toString();
    EXPECT_EQ(captions, QStringList({"Server", "...", "Base Path", "$", "...", "User",
                                     "List Quarnel", "Message"}));
    EXPECT_EQ(form->cmdservers->toolTip() + form->cmdShares->toolTip() + form->cmdBrowse->toolTip(),
              "Select a computerSelect a shareBrowse");
    EXPECT_FALSE(form->cmdShares->isEnabled());

    quarnel::ListView* list = form->lvwFiles;
    EXPECT_EQ(list->ListItemCount(), 0);
    const QStringList keys{"User", "Path", "File_ID", "Permissions", "locks"};
    const QStringList texts{"User", "Path", "File ID", "Permissions", "# locks"};
    ASSERT_EQ(list->ColumnHeaderCount(), 5);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(list->ColumnHeaderKey(n), keys[n - 1]);
        EXPECT_EQ(list->ColumnHeaderText(n), texts[n - 1]);
    }
    EXPECT_EQ(list->ExtendedStyle() & 0x30u, 0x30u);
    EXPECT_FALSE(list->MultiSelect());
    EXPECT_TRUE(list->dragEnabled());
}

TEST_F(MainWindow, TabFollowsTheKeyboardOrderFromTheServerBox) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(QApplication::focusWidget(), form->txtServer);

    const auto tabRound = [&] {
        std::vector<QWidget*> visited;
        for (int i = 0; i < 9 && (i == 0 || visited.back() != form->txtServer); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget());
        }
        return visited;
    };
    EXPECT_EQ(tabRound(),
              (std::vector<QWidget*>{form->txtBasePath, form->cmdListFiles, form->cmdMessage,
                                     form->cmdservers, form->txtUser, form->cmdBrowse,
                                     form->lvwFiles, form->txtServer}));
    form->txtServer->setText("srv");
    EXPECT_EQ(tabRound(),
              (std::vector<QWidget*>{form->txtBasePath, form->cmdListFiles, form->cmdMessage,
                                     form->cmdservers, form->cmdShares, form->txtUser,
                                     form->cmdBrowse, form->lvwFiles, form->txtServer}));
}

TEST_F(MainWindow, ShareButtonIsEnabledWhileTheServerHoldsMoreThanSpaces) {
    QTest::keyClicks(form->txtServer, "   ");
    EXPECT_FALSE(form->cmdShares->isEnabled());
    QTest::keyClicks(form->txtServer, "x");
    EXPECT_TRUE(form->cmdShares->isEnabled());
    form->txtServer->clear();
    EXPECT_FALSE(form->cmdShares->isEnabled());
    form->txtServer->setText("\t"); // only spaces count as blank
    EXPECT_TRUE(form->cmdShares->isEnabled());
    form->txtServer->setText(" ");
    EXPECT_FALSE(form->cmdShares->isEnabled());
}

TEST_F(MainWindow, EnterListsOnceWithTheButtonDisabledAndTheHourglassShown) {
    Script({{1, 1, 0, u"C:\\old.txt", u"OLD"}});
    form->cmdListFiles->click();
    ASSERT_EQ(form->lvwFiles->ListItemCount(), 1);

    form->txtServer->setText("srv");
    form->txtBasePath->setText(" C:\\Data ");
    form->txtUser->setText("bob ");
    Script({{7, 3, 0, u"C:\\Data\\a.doc", u"bob"}}, netstatus::MoreData);
    Script({}, netstatus::Success);
    struct {
        bool disabled = false, hourglass = false;
        int rows = -1;
    } during;
    platform.duringCall = [&] {
        if (platform.fileCalls.size() != 2)
            return;
        during.disabled = !form->cmdListFiles->isEnabled();
        during.hourglass = form->cursor().shape() == Qt::WaitCursor;
        during.rows = form->lvwFiles->ListItemCount();
        QTest::keyClick(form->txtUser, Qt::Key_Return);
        QTest::mouseClick(form->cmdListFiles, Qt::LeftButton);
    };
    QTest::keyClick(form->txtServer, Qt::Key_Return);

    ASSERT_EQ(platform.fileCalls.size(), 3u); // the first listing, and two batches of this one
    EXPECT_EQ(platform.fileCalls[1].server, u"\\\\srv");
    EXPECT_EQ(platform.fileCalls[1].basePath, u" C:\\Data ");
    EXPECT_EQ(platform.fileCalls[1].userName, u"bob ");
    EXPECT_TRUE(during.disabled);
    EXPECT_TRUE(during.hourglass);
    EXPECT_EQ(during.rows, 0);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(Row(1), QStringList({"bob", "C:\\Data\\a.doc", "7", "RW ", "0"}));
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 1);

    // Enter in the other boxes lists too; on another button it clicks that one.
    platform.duringCall = nullptr;
    Script({});
    QTest::keyClick(form->txtBasePath, Qt::Key_Enter, Qt::KeypadModifier);
    Script({});
    QTest::keyClick(form->txtUser, Qt::Key_Return);
    EXPECT_EQ(platform.fileCalls.size(), 5u);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->cmdMessage->setFocus();
    Script({});
    QTest::keyClick(form->cmdMessage, Qt::Key_Return);
    EXPECT_EQ(platform.fileCalls.size(), 5u);
}

TEST_F(MainWindow, RowsShowPermissionLettersAndSignedNumbers) {
    Script({{1, 3, 0, u"C:\\rw.doc", u"ALICE"},
            {2, 2, 1, u"C:\\w.doc", u"BOB"},
            {3, 0, 12, u"C:\\none.doc", u"CAROL"}},
           netstatus::MoreData);
    Script({{0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFFu, u"C:\\all.doc", u"DAVE"},
            {5, 4 | 0x40, 2, std::nullopt, std::nullopt},
            {2147483647u, 1, 0, u"C:\\r.doc", u"EVE"}});
    // The rows of all batches arrive at once: the list is emptied, then
    // filled, and never told of single rows (which would not scale).
    QSignalSpy resets(form->lvwFiles->model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(form->lvwFiles->model(), &QAbstractItemModel::rowsInserted);
    form->cmdListFiles->click();

    EXPECT_EQ(resets.count(), 2);
    EXPECT_EQ(inserts.count(), 0);
    ASSERT_EQ(form->lvwFiles->ListItemCount(), 6);
    EXPECT_EQ(Row(1), QStringList({"ALICE", "C:\\rw.doc", "1", "RW ", "0"}));
    EXPECT_EQ(Row(2), QStringList({"BOB", "C:\\w.doc", "2", " W ", "1"}));
    EXPECT_EQ(Row(3), QStringList({"CAROL", "C:\\none.doc", "3", "   ", "12"}));
    EXPECT_EQ(Row(4), QStringList({"DAVE", "C:\\all.doc", "-2147483648", "RWC", "-1"}));
    EXPECT_EQ(Row(5), QStringList({"", "", "5", "  C", "2"}));
    EXPECT_EQ(Row(6), QStringList({"EVE", "C:\\r.doc", "2147483647", "R  ", "0"}));
}

TEST_F(MainWindow, AFailedOrEmptyListingShowsNothing) {
    Script({{4, 1, 0, u"d", u"u4"}});
    form->cmdListFiles->click();
    platform.fileBatches.push_back({netstatus::BadNetPath, {}});
    form->cmdListFiles->click();
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 0);
    EXPECT_TRUE(Idle());

    Script({});
    form->cmdListFiles->click();
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 0);

    // A failure after a batch keeps that batch's rows.
    Script({{5, 1, 0, u"e", u"u5"}}, netstatus::MoreData);
    platform.fileBatches.push_back({netstatus::BadNetPath, {}, true});
    form->cmdListFiles->click();
    EXPECT_EQ(Row(1).front(), "u5");
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 1);
    EXPECT_TRUE(Idle());
}

TEST_F(MainWindow, ListFollowsTheWindowSizeEachDimensionOnItsOwn) {
    const auto resizeTo = [&](int width, int height) {
        form->resize(width, height);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->size() == QSize(width, height); }));
    };
    resizeTo(600, 400);
    const QRect outer = form->frameGeometry();
    EXPECT_EQ(form->lvwFiles->geometry(),
              QRect(-1, 62, outer.width() - 135 / 15, outer.height() - 1335 / 15));

    // Too low for the list: its height stays, its width still follows.
    const int height = form->lvwFiles->height();
    resizeTo(300, 60);
    ASSERT_LT(form->frameGeometry().height(), 1335 / 15);
    EXPECT_EQ(form->lvwFiles->height(), height);
    EXPECT_EQ(form->lvwFiles->width(), form->frameGeometry().width() - 135 / 15);
}

// A window that records its closing in a shared log, and may refuse it.
class Recorder : public QWidget {
  public:
    Recorder(QString name, QStringList& log, bool refuse) : log_(log), refuse_(refuse) {
        setObjectName(name);
    }

  protected:
    void closeEvent(QCloseEvent* event) override {
        log_ << objectName();
        event->setAccepted(!refuse_);
    }

  private:
    QStringList& log_;
    bool refuse_;
};

TEST_F(MainWindow, ClosingUnloadsTheMessageWindowThenTheServerPicker) {
    QStringList log;
    QPointer<QWidget> message = new Recorder("frmMessage", log, true); // hidden, and refuses
    QPointer<QWidget> servers = new Recorder("frmServers", log, false);
    servers->show();
    form->frmMessage = message;
    form->frmServers = servers;

    EXPECT_TRUE(form->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(log, QStringList({"frmMessage", "frmServers"}));
    EXPECT_TRUE(message.isNull());
    EXPECT_TRUE(servers.isNull());
    EXPECT_FALSE(form->isVisible());
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
