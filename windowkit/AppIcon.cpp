// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace quarnel {

QIcon AppIcon() {
    // Flat colours of the classic 16-colour palette, drawn without smoothing
    // so that the picture stays crisp at its one size.
    const QColor black(0, 0, 0), white(255, 255, 255), silver(192, 192, 192), grey(128, 128, 128),
        navy(0, 0, 128), yellow(255, 255, 0), olive(128, 128, 0);

    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);

    // The page, with its top right corner folded down.
    p.setPen(black);
    p.setBrush(white);
    p.drawPolygon(
        QPolygon({QPoint(3, 1), QPoint(19, 1), QPoint(25, 7), QPoint(25, 30), QPoint(3, 30)}));
    p.setBrush(silver);
    p.drawPolygon(QPolygon({QPoint(19, 1), QPoint(19, 7), QPoint(25, 7)}));

    // Lines of text on the page.
    p.setPen(navy);
    for (int y = 6; y <= 26; y += 4)
        p.drawLine(6, y, y < 10 ? 16 : 22, y);

    // The padlock over the page's lower right corner: shackle, body, keyhole.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(grey, 2));
    p.drawRect(19, 14, 8, 8);
    p.setPen(black);
    p.setBrush(yellow);
    p.drawRect(15, 20, 16, 11);
    p.setPen(olive);
    p.drawLine(16, 30, 30, 30);
    p.drawLine(30, 21, 30, 30);
    p.setPen(black);
    p.setBrush(black);
    p.drawRect(22, 23, 2, 2);
    p.drawLine(23, 25, 23, 28);
    p.end();

    return QIcon(pixmap);
}

} // namespace quarnel
