// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The small dialog that asks for credentials when a server refuses a call:
// a user name (Domain\User or user@REALM), a password with its echo off, and
// the Kerberos ticket instead when the caller holds one.
#pragma once

#include "platform/platform.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

namespace quarnel {

class frmSignIn : public QDialog {
    Q_OBJECT

  public:
    // `server` as the user typed it (empty: the local computer), `reason`
    // the refusal in words; the ticket is offered with `offerKerberos`.
    frmSignIn(const QString& server, const QString& reason, bool offerKerberos,
              QWidget* parent = nullptr);

    QLabel* const lblPrompt = new QLabel(this);
    QLabel* const lblUser = new QLabel(this);
    QLineEdit* const txtUser = new QLineEdit(this);
    QLabel* const lblPassword = new QLabel(this);
    QLineEdit* const txtPassword = new QLineEdit(this);
    QCheckBox* const chkKerberos = new QCheckBox(this);
    QPushButton* const cmdOK = new QPushButton(this);
    QPushButton* const cmdCancel = new QPushButton(this);

    // What the person entered, once OK was pressed.
    platform::Credentials Entered() const;

    // Shows the dialog modally over the active window: the credentials, or
    // nullopt on Cancel.
    static std::optional<platform::Credentials> Ask(const QString& server, const QString& reason,
                                                    bool offerKerberos);

  private:
    void chkKerberos_Click();
    void EnableOK();
};

} // namespace quarnel
