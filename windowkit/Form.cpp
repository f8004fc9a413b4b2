// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "Form.h"

#include "AppIcon.h"
#include "ListView.h"
#include "twips.h"

#include <QScreen>
#include <QWidget>

namespace quarnel::form {

namespace {

constexpr int FontPointSize = 8;

} // namespace

void SetUp(QWidget& window, const QString& caption, int widthTwips, int heightTwips) {
    window.setWindowTitle(caption);
    window.setWindowIcon(AppIcon());
    QFont text = window.font();
    text.setPointSize(FontPointSize);
    window.setFont(text);
    window.resize(twips::ToPixels(widthTwips), twips::ToPixels(heightTwips));
}

void PlaceControls(std::initializer_list<Place> places) {
    for (const Place& p : places)
        p.control->setGeometry(twips::Rect(p.left, p.top, p.width, p.height));
}

void SetTabOrder(std::initializer_list<QWidget*> order) {
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (previous != nullptr)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

void CentreOnScreen(QWidget& window) {
    if (const QScreen* s = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

void AddColumns(ListView& list, std::initializer_list<ColumnSetup> columns) {
    for (const ColumnSetup& c : columns)
        list.AddColumnHeader(QString::fromLatin1(c.key), QString::fromLatin1(c.text), c.sortAs);
    int n = 1;
    for (const ColumnSetup& c : columns)
        list.SetColumnHeaderWidth(n++, c.width);
}

QSize FitListToWindow(const QWidget& window, ListView& list, int widthAllowance,
                      int heightAllowance) {
    const QSize outer = window.frameGeometry().size();
    list.SetWidth(twips::FromPixels(outer.width()) - widthAllowance);
    list.SetHeight(twips::FromPixels(outer.height()) - heightAllowance);
    return outer;
}

QStringView TrimSpaces(QStringView s) {
    while (!s.isEmpty() && s.front() == u' ')
        s = s.sliced(1);
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

} // namespace quarnel::form
