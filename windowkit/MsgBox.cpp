// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "MsgBox.h"

#include <QMessageBox>

namespace quarnel {

namespace {

MsgBoxHandler& Handler() {
    static MsgBoxHandler handler;
    return handler;
}

} // namespace

void SetMsgBoxHandler(MsgBoxHandler handler) {
    Handler() = std::move(handler);
}

MsgBoxResult MsgBox(QWidget* parent, const QString& prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                    const QString& title) {
    if (Handler())
        return Handler()(prompt, buttons, icon, title);
    QMessageBox::StandardButtons shown = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::Ok;
    if (buttons == MsgBoxButtons::OKCancel)
        shown = QMessageBox::Ok | QMessageBox::Cancel;
    if (buttons == MsgBoxButtons::YesNo) {
        shown = QMessageBox::Yes | QMessageBox::No;
        defaultButton = QMessageBox::No;
    }
    QMessageBox box(
        icon == MsgBoxIcon::Exclamation ? QMessageBox::Warning : QMessageBox::Information, title,
        QString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), shown, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MsgBoxResult::Cancel;
    case QMessageBox::Yes:
        return MsgBoxResult::Yes;
    case QMessageBox::No:
        return MsgBoxResult::No;
    default:
        return MsgBoxResult::OK;
    }
}

} // namespace quarnel
