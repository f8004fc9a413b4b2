// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The share and server pickers, opened from the main window's buttons over
// the scripted platform, and driven while they are modal.
#include "ListTexts.h"
#include "WhileModal.h"
#include "WindowTest.h"
#include "frmServers.h"
#include "frmShares.h"

#include <QScreen>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

FakeShare Share(std::u16string name, std::u16string remark, std::uint32_t uses, FakeString path) {
    return {std::move(name), 0, std::move(remark), 0, 0xFFFFFFFFu, uses, std::move(path), u""};
}

class Pickers : public WindowTest {
  protected:
    static void DoubleClickRow(ListView& list, int row) {
        const QRect cell = list.visualRect(list.model()->index(row, 0));
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    }

    void ScriptShares() {
        platform.shareBatches.push_back({netstatus::MoreData,
                                         {Share(u"data", u"Team data", 9, u"E:\\Data"),
                                          Share(u"IPC$", u"IPC Service", 10, std::nullopt)}});
        platform.shareBatches.push_back(
            {netstatus::Success, {Share(u"ADMIN$", u"Remote Admin", 0, u"C:\\Windows")}});
    }
};

TEST_F(Pickers, SharePickerListsEveryShareAndEnterPutsItsFolderIntoTheBasePathOnly) {
    ScriptShares();
    form->txtServer->setText("  srv");
    form->txtUser->setText("ann");
    bool busy = false;
    platform.duringCall = [&] {
        busy = QApplication::overrideCursor() != nullptr &&
               QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        // Clicks while the picker loads open no second picker (nor ask again).
        form->cmdShares->click();
        form->cmdservers->click();
    };
    ASSERT_TRUE(WhileModal<frmShares>(form->cmdShares, [&](frmShares& picker) {
        EXPECT_EQ(picker.windowTitle(), "Shares");
        EXPECT_TRUE(picker.isModal());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        ListView& list = *picker.lvwShares;
        EXPECT_EQ(ColumnTexts(list, 0), (QStringList{"ADMIN$", "data", "IPC$"}));
        EXPECT_EQ(ColumnTexts(list, 1), (QStringList{"Remote Admin", "Team data", "IPC Service"}));
        EXPECT_EQ(ColumnTexts(list, 2), (QStringList{"0", "9", "10"}));
        EXPECT_EQ(ColumnTexts(list, 3), (QStringList{"C:\\Windows", "E:\\Data", ""}));
        ClickHeader(list, 3); // sorts as in the main window, numbers as numbers
        EXPECT_EQ(ColumnTexts(list, 2), (QStringList{"0", "9", "10"}));
        EXPECT_TRUE(list.EmptyText().isEmpty());

        list.SetSelectedItem(list.ListItemAt(2)); // "data"
        QTest::keyClick(&list, Qt::Key_Return);
    }));
    EXPECT_TRUE(busy);
    EXPECT_EQ(platform.shareCalls[0].server, u"\\\\  srv"); // the text as it stands
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Data");
    EXPECT_EQ(form->txtServer->text(), "  srv");
    EXPECT_EQ(form->txtUser->text(), "ann");
    EXPECT_TRUE(platform.fileCalls.empty()); // no listing starts
    EXPECT_TRUE(form->frmShares.isNull());   // unloaded

    // Each opening asks again; a share without a folder empties the base path.
    platform.duringCall = nullptr;
    ScriptShares();
    ASSERT_TRUE(WhileModal<frmShares>(
        form->cmdShares, [&](frmShares& picker) { DoubleClickRow(*picker.lvwShares, 2); }));
    EXPECT_EQ(platform.shareCalls.size(), 4u);
    EXPECT_EQ(form->txtBasePath->text(), "");
}

TEST_F(Pickers, WithoutASelectionNothingIsPickedAndTheCloseBoxChangesNothing) {
    form->txtServer->setText("srv");
    form->txtBasePath->setText("keep");
    platform.shareBatches.push_back({netstatus::AccessDenied, {}}); // an empty list, no message
    platform.serverBatches.push_back({netstatus::Success, {{500, u"ALPHA"}}});
    const auto tryToPick = [](ListView& list) {
        QTest::keyClick(&list, Qt::Key_Return);
        QTest::keyClick(&list, Qt::Key_Escape);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, QPoint(5, list.height() - 25));
        return QApplication::activeModalWidget() == list.window();
    };
    ASSERT_TRUE(WhileModal<frmShares>(form->cmdShares, [&](frmShares& picker) {
        EXPECT_EQ(picker.lvwShares->ListItemCount(), 0);
        EXPECT_EQ(picker.lvwShares->EmptyText(),
                  "Cannot list the shares of \\\\srv: Access is denied (error 5)");
        EXPECT_TRUE(tryToPick(*picker.lvwShares));

        // The picker opens centred, and its list follows the window's size,
        // unless a size would be negative.
        const QRect screen = picker.screen()->availableGeometry();
        EXPECT_LE((picker.frameGeometry().center() - screen.center()).manhattanLength(), 1);
        const auto resizeTo = [&](int width, int height) {
            picker.resize(width, height);
            return QTest::qWaitFor([&] { return picker.size() == QSize(width, height); });
        };
        ListView& list = *picker.lvwShares;
        ASSERT_TRUE(resizeTo(300, 200));
        const QRect outer = picker.frameGeometry();
        EXPECT_EQ(list.geometry(), QRect(0, 4, outer.width() - 8, outer.height() - 26));
        const int height = list.height();
        ASSERT_TRUE(resizeTo(250, 20)); // too low for the list: its height stays, its width follows
        EXPECT_EQ(list.height(), height);
        EXPECT_EQ(list.width(), picker.frameGeometry().width() - 8);
    }));
    ASSERT_TRUE(WhileModal<frmServers>(form->cmdservers, [&](frmServers& picker) {
        EXPECT_EQ(picker.lvwServers->ListItemCount(), 1);
        EXPECT_FALSE(picker.lvwServers->SelectedItem().IsValid());
        EXPECT_TRUE(tryToPick(*picker.lvwServers));
    }));
    EXPECT_EQ(form->txtServer->text() + "|" + form->txtBasePath->text(), "srv|keep");
    EXPECT_TRUE(form->frmShares.isNull() && form->frmServers.isNull());
}

TEST_F(Pickers, ServerPickerListsTheDomainAndAPickEnablesTheSharePicker) {
    platform.serverBatches.push_back(
        {netstatus::Success, {{500, u"beta"}, {500, u"ALPHA"}, {400, u"Gamma"}}});
    form->txtServer->setText("   ");
    form->txtBasePath->setText("D:\\x");
    ASSERT_FALSE(form->cmdShares->isEnabled());
    ASSERT_TRUE(WhileModal<frmServers>(form->cmdservers, [&](frmServers& picker) {
        EXPECT_EQ(picker.windowTitle(), "NT Servers");
        ListView& list = *picker.lvwServers;
        EXPECT_EQ(ColumnTexts(list, 0), (QStringList{"ALPHA", "beta", "Gamma"}));
        ClickHeader(list, 1); // the key's own header reverses the order
        EXPECT_EQ(ColumnTexts(list, 0), (QStringList{"Gamma", "beta", "ALPHA"}));
        DoubleClickRow(list, 1);
    }));
    const ServerEnumCall& call = platform.serverCalls.at(0);
    EXPECT_EQ(std::tie(call.serverType, call.server, call.domain),
              std::tuple(2u, std::nullopt, std::nullopt));
    EXPECT_EQ(form->txtServer->text(), "beta");
    EXPECT_TRUE(form->cmdShares->isEnabled());
    EXPECT_EQ(form->txtBasePath->text(), "D:\\x");
    EXPECT_TRUE(platform.fileCalls.empty());

    // Asked again at the next opening: the servers gone meanwhile are not
    // listed, and an empty list says so.
    platform.serverBatches.push_back({netstatus::Success, {}});
    ASSERT_TRUE(WhileModal<frmServers>(form->cmdservers, [&](frmServers& picker) {
        EXPECT_EQ(picker.lvwServers->ListItemCount(), 0);
        EXPECT_EQ(picker.lvwServers->EmptyText(),
                  "No server of the primary domain is in the browse list");
    }));
}

} // namespace
} // namespace quarnel::test
