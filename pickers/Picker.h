// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// What the two pickers share: a modal, sizable window whose only control is
// a list that fills it, built and loaded anew at every opening. Enter picks;
// Escape does nothing, since a picker has no cancel button (the close box
// closes it without a pick).
#pragma once

#include "Form.h"
#include "ListView.h"
#include "modApi.h"

#include <QDialog>

#include <functional>

namespace quarnel {

class Picker : public QDialog {
    Q_OBJECT

  public:
    // Loads the window (Form_Load: it enumerates, serving the window system
    // between batches), then shows it modally, centred on the screen, and
    // returns when it has closed. The picker unloads itself: when this
    // returns, the object is gone.
    void ShowModal();

  protected:
    Picker();

    // `list` takes the keys only after the window has seen them, and follows
    // the window's size.
    void SetList(ListView* list);

    virtual void Form_Load() = 0;
    // What a picker's Form_Load does: `columns` as the list's headers, the
    // busy pointer while `enumerate` asks the network through `api`, then
    // `addRows` fills the list, which is sorted by its first column,
    // ascending. An empty list says why over its rows: "Cannot list `what`"
    // and the failure in words, or `none` when the network answered with
    // nothing. Nothing is touched once the picker was closed meanwhile.
    struct Listing {
        QString what; // "the shares of \\srv"
        QString none; // "\\srv has no shares"
    };
    void LoadList(modApi& api, std::initializer_list<form::ColumnSetup> columns,
                  const Listing& listing, const std::function<bool()>& enumerate,
                  const std::function<void()>& addRows);
    // Enter arrives as 13; no other key does.
    virtual void Form_KeyPress(int keyAscii) = 0;

    // The list takes the window's outer size less fixed allowances; a size
    // it refuses leaves that dimension alone and does not stop the other.
    void Form_Resize();

    static constexpr int vbKeyReturn = 13;

    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    ListView* list_ = nullptr;
    bool unloaded_ = false;
    QSize laidOutFrame_; // the outer size the list was last laid out for
};

} // namespace quarnel
