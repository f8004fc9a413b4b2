// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Reads a list as the user sees it and clicks its headers as the user does.
#pragma once

#include "ListView.h"

#include <QHeaderView>
#include <QTest>

namespace quarnel::test {

// The texts of column `column` (from 0), top to bottom.
inline QStringList ColumnTexts(const ListView& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        texts << list.model()->index(row, column).data().toString();
    return texts;
}

// The texts of row `row` (from 1), left to right.
inline QStringList RowTexts(const ListView& list, int row) {
    QStringList texts;
    for (int column = 0; column < list.model()->columnCount(); ++column)
        texts << list.model()->index(row - 1, column).data().toString();
    return texts;
}

// A click in the middle of header `n` (from 1).
inline void ClickHeader(ListView& list, int n) {
    QHeaderView* header = list.header();
    const int middle = header->sectionViewportPosition(n - 1) + header->sectionSize(n - 1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(middle, header->height() / 2));
}

} // namespace quarnel::test
