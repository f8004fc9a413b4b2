// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "Picker.h"

#include "Form.h"
#include "report/Reason.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>

namespace quarnel {

namespace {

// What the window's outer size (frame and caption included) gives the list
// less, in twips.
constexpr int ListWidthAllowance = 120;
constexpr int ListHeightAllowance = 390;

// The busy pointer over every window of the program while a picker loads;
// the picker itself is not shown yet, and the other windows take input.
class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

// No owner: exec() makes it modal to the whole program.
Picker::Picker() : QDialog(nullptr) {}

void Picker::SetList(ListView* list) {
    list_ = list;
    list_->installEventFilter(this);
    installEventFilter(this);
}

void Picker::ShowModal() {
    const QPointer<Picker> alive(this);
    Form_Load();
    // Closed while it loaded (the main window went meanwhile): not shown.
    if (alive && !unloaded_)
        exec();
    delete alive.data();
}

void Picker::LoadList(modApi& api, std::initializer_list<form::ColumnSetup> columns,
                      const Listing& listing, const std::function<bool()>& enumerate,
                      const std::function<void()>& addRows) {
    list_->ClearColumnHeaders();
    list_->SetLabelEdit(ListView::LabelEditMode::Manual);
    form::AddColumns(*list_, columns);

    const QPointer<Picker> alive(this);
    const BusyCursor busy;
    list_->ClearListItems();
    const bool found = enumerate();
    if (!alive)
        return;
    if (found) {
        const ListView::BulkUpdate bulk(*list_);
        addRows();
    }
    list_->SetEmptyText(!found ? QStringLiteral("Cannot list %1: %2")
                                     .arg(listing.what, QString::fromStdString(report::Reason(
                                                            api.Platform(), api.LastFailure)))
                               : listing.none);
    list_->SetSortOrder(Qt::AscendingOrder);
    list_->SetSortKey(0);
    list_->SetSorted(true);
}

bool Picker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Qt's dialogs close on Escape; a picker does nothing.
        if (key == Qt::Key_Escape)
            return true;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Form_KeyPress(vbKeyReturn);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Picker::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    form::CentreOnScreen(*this);
}

// The window manager may add its frame only after the window was first laid
// out, with no resize of the window itself: the list follows the outer size
// whenever it has changed since the last layout.
bool Picker::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (list_ != nullptr && isVisible() && frameGeometry().size() != laidOutFrame_)
        Form_Resize();
    return handled;
}

void Picker::Form_Resize() {
    laidOutFrame_ = form::FitListToWindow(*this, *list_, ListWidthAllowance, ListHeightAllowance);
}

void Picker::closeEvent(QCloseEvent* event) {
    unloaded_ = true;
    QDialog::closeEvent(event);
}

} // namespace quarnel
