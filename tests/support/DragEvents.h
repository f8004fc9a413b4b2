// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Drags over a widget through the events that the window system sends it.
#pragma once

#include <QApplication>
#include <QDropEvent>
#include <QWidget>

namespace quarnel::test {

// One event of a copy drag with the left button over the middle of
// `target`: DragEnter, DragMove, DragLeave or Drop. Whether it was taken.
inline bool SendDragEvent(QWidget* target, QEvent::Type type, const QMimeData* data) {
    const QPoint at = target->rect().center();
    if (type == QEvent::DragLeave) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(target, &leave);
        return leave.isAccepted();
    }
    if (type == QEvent::Drop) {
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    }
    if (type == QEvent::DragEnter) {
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        return enter.isAccepted();
    }
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &move);
    return move.isAccepted();
}

// A drag that enters `target`, moves over it and drops there: whether every
// step was taken.
inline bool DropOn(QWidget* target, const QMimeData* data) {
    bool taken = true;
    for (QEvent::Type type : {QEvent::DragEnter, QEvent::DragMove, QEvent::Drop})
        taken = SendDragEvent(target, type, data) && taken;
    return taken;
}

} // namespace quarnel::test
