// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Opens a list's context menu the way the user does, a right-click or the
// menu key, and reads what it offers or chooses an item from it.
#pragma once

#include "ListView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace quarnel::test {

struct MenuItem {
    QString text;
    bool enabled;
    bool operator==(const MenuItem&) const = default;
};

// Sends `event` to `receiver` and returns the items of the menu it opens,
// separators left out; activates the item whose text is `choose`, if any,
// with the keyboard, else closes the menu. "Menu>Item" chooses an item of a
// submenu.
inline std::vector<MenuItem> MenuFor(QWidget* receiver, QContextMenuEvent& event,
                                     const QString& choose) {
    std::vector<MenuItem> items;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no menu opened";
        const QString item = choose.section(u'>', 0, 0), subitem = choose.section(u'>', 1);
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            items.push_back({action->text(), action->isEnabled()});
            if (action->text() == item)
                chosen = action;
        }
        if (chosen != nullptr && chosen->menu() != nullptr) {
            for (QAction* action : chosen->menu()->actions())
                if (action->text() == subitem)
                    action->trigger();
            chosen = nullptr;
        }
        if (chosen == nullptr) {
            menu->close();
            return;
        }
        menu->setActiveAction(chosen);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QCoreApplication::sendEvent(receiver, &event);
    return items;
}

// Right-clicks row `row` of the list (from 1; 0 below the rows).
inline std::vector<MenuItem> RightClick(ListView& list, int row, const QString& choose = {}) {
    QPoint at(5, list.viewport()->height() - 2);
    if (row > 0)
        at = list.visualRect(list.model()->index(row - 1, 0)).center();
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
    return MenuFor(list.viewport(), event, choose);
}

// Presses the menu key in the list with row `row` selected (0: none).
inline std::vector<MenuItem> MenuKey(ListView& list, int row, const QString& choose = {}) {
    list.SetSelectedItem(list.ListItemAt(row));
    list.setFocus();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    return MenuFor(&list, event, choose);
}

} // namespace quarnel::test
