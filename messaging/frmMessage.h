// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The send-message window: the user collects recipients, writes a short
// network message and sends it to each recipient in turn, with the progress
// in the status bar and the choice to give up after a failure.
#pragma once

#include "modApi.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QWidget>

namespace quarnel {

class frmMessage : public QWidget {
    Q_OBJECT

  public:
    // Builds the window, owned by `owner` (it stays above the owner, which
    // stays usable), and runs Form_Load, which places it relative to the
    // owner. Closing the window unloads it: the object deletes itself.
    frmMessage(modApi& api, QWidget* owner);

    // The controls, by the names the whole program knows them by.
    QLineEdit* const txtRecip = new QLineEdit(this);
    QPushButton* const cmdAdd = new QPushButton(this);
    QLabel* const Label1 = new QLabel(this);
    QLabel* const Label2 = new QLabel(this);
    QListWidget* const lstRecip = new QListWidget(this);
    QPlainTextEdit* const txtMessage = new QPlainTextEdit(this);
    QPushButton* const cmdClear = new QPushButton(this);
    QPushButton* const cmdSend = new QPushButton(this);
    QPushButton* const cmdHide = new QPushButton(this);
    QPushButton* const cmdClose = new QPushButton(this);
    QStatusBar* const stbStatus = new QStatusBar(this);

    // The longest message, counted as it is sent (a line break is CR LF,
    // two characters). Typing stops there and a longer paste is cut to it.
    static constexpr int MaxMessageLength = 890;

    // The text of the status bar's one panel; empty until the first send.
    QString StatusText() const;

    // The message as it is sent: the field's text with CR LF line breaks.
    QString MessageText() const;

    // Appends a name to the recipients unchanged (no trimming), where the
    // list's alphabetical order puts it, unless the list holds it already
    // (in any case of letters). For other windows.
    void AddRecipient(const QString& name);

  public slots:
    void cmdAdd_Click();
    void cmdClear_Click();
    void cmdSend_Click();
    void cmdHide_Click();
    void cmdClose_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Escape closes the window, as its close box does.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Form_Load(QWidget* owner);
    void Form_Resize();
    void txtRecip_GotFocus();
    void lstRecip_KeyDown(int keyCode);
    void txtMessage_Change();
    void SetStatusText(const QString& text);

    modApi& api_;
    QLabel* const statusPanel_ = new QLabel;
};

} // namespace quarnel
