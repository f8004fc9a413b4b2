// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "frmSignIn.h"

#include "Form.h"

#include <QApplication>

namespace quarnel {

namespace {

// The client area, in twips.
constexpr int FormWidth = 5400;
constexpr int FormHeight = 2520;

} // namespace

frmSignIn::frmSignIn(const QString& server, const QString& reason, bool offerKerberos,
                     QWidget* parent)
    : QDialog(parent) {
    const QString name = server.isEmpty() ? QStringLiteral("the local computer") : server;
    form::SetUp(*this, QStringLiteral("Sign in to ") + name, FormWidth, FormHeight);
    setModal(true);

    lblPrompt->setText(name + QStringLiteral(": ") + reason + QStringLiteral("\n") +
                       QStringLiteral("Sign in as a user that it accepts."));
    lblPrompt->setWordWrap(true);
    lblPrompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblPrompt->setTextFormat(Qt::PlainText);
    lblUser->setText(QStringLiteral("&User"));
    lblUser->setBuddy(txtUser);
    txtUser->setPlaceholderText(QStringLiteral("Domain\\User or user@REALM"));
    lblPassword->setText(QStringLiteral("&Password"));
    lblPassword->setBuddy(txtPassword);
    txtPassword->setEchoMode(QLineEdit::Password);
    chkKerberos->setText(QStringLiteral("Use my &Kerberos ticket"));
    chkKerberos->setVisible(offerKerberos);
    cmdOK->setText(QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdCancel->setText(QStringLiteral("Cancel"));

    form::PlaceControls({
        {lblPrompt, 120, 90, 5160, 600},
        {lblUser, 120, 795, 1080, 255},
        {txtUser, 1200, 765, 4080, 285},
        {lblPassword, 120, 1170, 1080, 255},
        {txtPassword, 1200, 1140, 4080, 285},
        {chkKerberos, 1200, 1515, 4080, 285},
        {cmdOK, 2760, 2010, 1215, 375},
        {cmdCancel, 4065, 2010, 1215, 375},
    });
    form::SetTabOrder({txtUser, txtPassword, chkKerberos, cmdOK, cmdCancel});
    txtUser->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(chkKerberos, &QCheckBox::toggled, this, &frmSignIn::chkKerberos_Click);
    connect(txtUser, &QLineEdit::textChanged, this, &frmSignIn::EnableOK);
    EnableOK();
}

platform::Credentials frmSignIn::Entered() const {
    if (chkKerberos->isChecked())
        return {{}, {}, true};
    return {txtUser->text().toStdU16String(), txtPassword->text().toStdU16String(), false};
}

// The ticket names its own user and needs no password.
void frmSignIn::chkKerberos_Click() {
    txtUser->setEnabled(!chkKerberos->isChecked());
    txtPassword->setEnabled(!chkKerberos->isChecked());
    EnableOK();
}

void frmSignIn::EnableOK() {
    cmdOK->setEnabled(chkKerberos->isChecked() || !form::TrimSpaces(txtUser->text()).isEmpty());
}

std::optional<platform::Credentials> frmSignIn::Ask(const QString& server, const QString& reason,
                                                    bool offerKerberos) {
    frmSignIn dialog(server, reason, offerKerberos, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Entered();
}

} // namespace quarnel
