// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "ListTexts.h"
#include "twips.h"

#include <QLineEdit>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quarnel::test {
namespace {

// A list with the columns "Name" and "Size" and one row per (name, size).
void Fill(ListView& list, const std::vector<std::pair<QString, QString>>& rows) {
    list.AddColumnHeader("Name", "Name");
    list.AddColumnHeader("Size", "Size");
    for (const auto& [name, size] : rows)
        list.AddListItem(name).SetSubItem(1, size);
}

TEST(ListViewItems, GoToTheEndShowSubItemsNextAndDieWithAClear) {
    ListView list;
    Fill(list, {});
    list.AddColumnHeader("c", "C");
    ListItem first = list.AddListItem("one");
    first.SetSubItem(2, "z");
    first.SetSubItem(1, "y");
    ListItem second = list.AddListItem("two");
    EXPECT_EQ(ColumnTexts(list, 0), QStringList({"one", "two"}));
    EXPECT_EQ(ColumnTexts(list, 1), QStringList({"y", ""}));
    EXPECT_EQ(ColumnTexts(list, 2), QStringList({"z", ""}));
    EXPECT_EQ(second.Index(), 2);
    EXPECT_EQ(list.ListItemAt(1), first);
    EXPECT_FALSE(list.SelectedItem().IsValid());

    list.ClearListItems();
    ListItem fresh = list.AddListItem("new"); // where the old first row was stored
    first.SetSubItem(1, "through a stale handle");
    EXPECT_FALSE(first.IsValid());
    EXPECT_EQ(first.Text(), "");
    EXPECT_EQ(fresh.SubItem(1), "");
    EXPECT_EQ(list.ListItemCount(), 1);
}

TEST(ListViewSorting, SortsByTheKeyColumnAsTextWithoutRegardToCaseAndKeepsItsOrder) {
    ListView list;
    Fill(list, {{"Bob", "9"}, {"alice", "100"}, {"Carol", "10"}, {"bob", "1"}});

    list.SetSortKey(1);
    EXPECT_EQ(ColumnTexts(list, 1), QStringList({"9", "100", "10", "1"})); // not sorted yet
    list.SetSorted(true);
    EXPECT_EQ(ColumnTexts(list, 1), QStringList({"1", "10", "100", "9"}));

    list.SetSortOrder(Qt::DescendingOrder); // re-sorts at once
    EXPECT_EQ(ColumnTexts(list, 1), QStringList({"9", "100", "10", "1"}));

    list.SetSortKey(0);
    list.SetSortOrder(Qt::AscendingOrder);
    // "Bob" and "bob" are equal and keep the order they had.
    EXPECT_EQ(ColumnTexts(list, 0), QStringList({"alice", "Bob", "bob", "Carol"}));

    // While sorted, rows added or changed take their places, and the
    // selection stays on its row.
    ListItem bob = list.ListItemAt(3);
    list.SetSelectedItem(bob);
    ListItem x = list.AddListItem("x");
    list.AddListItem("b");
    EXPECT_EQ(ColumnTexts(list, 0), QStringList({"alice", "b", "Bob", "bob", "Carol", "x"}));
    EXPECT_EQ(bob.Index(), 4);
    x.SetSubItem(1, "0"); // not the key column: stays
    EXPECT_EQ(x.Index(), 6);
    x.SetText("a");
    EXPECT_EQ(ColumnTexts(list, 0), QStringList({"a", "alice", "b", "Bob", "bob", "Carol"}));
    EXPECT_EQ(list.SelectedItem(), bob);
    EXPECT_EQ(list.ListItemAt(5), bob);

    list.SetSorted(false);
    list.AddListItem("aaron");
    EXPECT_EQ(ColumnTexts(list, 0).last(), "aaron");
}

TEST(ListViewBulkUpdate, ResetsTheViewOnceAndSortsAtItsEnd) {
    ListView list;
    Fill(list, {});
    list.SetSortKey(1);
    list.SetSortOrder(Qt::DescendingOrder);
    list.SetSorted(true);
    QSignalSpy resets(list.model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(list.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy changes(list.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy layouts(list.model(), &QAbstractItemModel::layoutChanged);

    {
        ListView::BulkUpdate outer(list);
        {
            ListView::BulkUpdate inner(list);
            for (int i = 0; i < 500; ++i)
                list.AddListItem(QString::number(i)).SetSubItem(1, QString::number(i % 10));
        }
        EXPECT_EQ(resets.count(), 0); // the inner bracket ends nothing
    }

    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count() + changes.count() + layouts.count(), 0);
    ASSERT_EQ(list.ListItemCount(), 500);
    EXPECT_EQ(list.ListItemAt(1).SubItem(1), "9");
    EXPECT_EQ(list.ListItemAt(1).Text(), "9"); // equal keys keep the order added
    EXPECT_EQ(list.ListItemAt(500).Text(), "490");

    // Rows added to a list that holds some are inserted and then sorted in:
    // the selection stays on its row.
    const ListItem selected = list.ListItemAt(250);
    list.SetSelectedItem(selected);
    list.BeginUpdate();
    list.AddListItem("new").SetSubItem(1, "9");
    list.EndUpdate();
    EXPECT_TRUE(resets.count() == 1 && inserts.count() == 1) << "the view is told without a reset";
    EXPECT_EQ(list.ListItemAt(51).Text(), "new");
    EXPECT_EQ(list.SelectedItem(), selected);
    EXPECT_EQ(selected.Index(), 251);
}

// Twips go to the nearest pixel, halves away from zero.
TEST(ListViewBehaviour, StyleBitsSelectionEventsLabelEditAndTwips) {
    EXPECT_EQ(QList<int>({twips::ToPixels(700), twips::ToPixels(500), twips::ToPixels(7),
                          twips::ToPixels(-15)}),
              QList<int>({47, 33, 0, -1}));
    ListView list;
    Fill(list, {{"a", "1"}, {"b", "2"}});
    list.resize(300, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QSignalSpy columnClicks(&list, &ListView::ColumnClick);
    QSignalSpy doubleClicks(&list, &ListView::DblClick);

    list.SetExtendedStyle(list.ExtendedStyle() | 0x30 | 0x1);
    EXPECT_EQ(list.ExtendedStyle(), 0x31u); // other bits are kept
    EXPECT_TRUE(list.header()->sectionsMovable());
    // A click on any column selects the whole row, one row at a time.
    const auto cell = [&](int row, int column) {
        return list.visualRect(list.model()->index(row, column)).center();
    };
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell(1, 1));
    EXPECT_EQ(list.SelectedItem(), list.ListItemAt(2));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell(0, 1));
    EXPECT_EQ(list.SelectedItem(), list.ListItemAt(1));
    EXPECT_EQ(list.selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(doubleClicks.count(), 1);
    list.SetExtendedStyle(0);
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectItems);
    EXPECT_FALSE(list.header()->sectionsMovable());

    ClickHeader(list, 2);
    ASSERT_EQ(columnClicks.count(), 1);
    EXPECT_EQ(columnClicks.at(0).at(0).toInt(), 2);
    EXPECT_FALSE(list.Sorted()); // a header click sorts nothing by itself

    // Text is edited in place only when asked for.
    list.SetSelectedItem(list.ListItemAt(1));
    QTest::keyClick(&list, Qt::Key_F2);
    EXPECT_EQ(list.findChild<QLineEdit*>(), nullptr);
    list.SetLabelEdit(ListView::LabelEditMode::Automatic);
    QTest::keyClick(&list, Qt::Key_F2);
    EXPECT_NE(list.findChild<QLineEdit*>(), nullptr);
}

} // namespace
} // namespace quarnel::test
