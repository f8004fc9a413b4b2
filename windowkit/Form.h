// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// What every window of Quarnel sets up the same way: caption, icon, text
// size, client area and the places of its controls in twips, the keyboard
// order, its place on the screen, and a list's columns and size.
#pragma once

#include "ListView.h"

#include <QSize>
#include <QString>
#include <QStringView>
#include <initializer_list>

class QWidget;

namespace quarnel::form {

// The caption, the tool's icon, text of eight points (the places in twips
// are made for it) and the client area, in twips.
void SetUp(QWidget& window, const QString& caption, int widthTwips, int heightTwips);

// A control's place in its window's client area, in twips.
struct Place {
    QWidget* control;
    int left, top, width, height;
};
void PlaceControls(std::initializer_list<Place> places);

// The keyboard order, first to last.
void SetTabOrder(std::initializer_list<QWidget*> order);

// Puts the window, frame and all, in the middle of its screen's free area.
void CentreOnScreen(QWidget& window);

// A list's columns, in order, with their keys, header texts, widths in twips
// and how they sort: all columns are added first, then their widths are set.
struct ColumnSetup {
    const char* key;
    const char* text;
    int width;
    SortAs sortAs = SortAs::Text;
};
void AddColumns(ListView& list, std::initializer_list<ColumnSetup> columns);

// Lays `list` out to the window's outer size (frame and caption included)
// less the allowances, in twips. Each dimension stands alone: a size the
// list refuses (negative, when the window gets very small) leaves that one
// as it was. Returns the outer size it laid out for: the window manager may
// add its frame after the first layout without resizing the window, so a
// window lays out again whenever its outer size differs from that.
QSize FitListToWindow(const QWidget& window, ListView& list, int widthAllowance,
                      int heightAllowance);

// The text less its leading and trailing spaces (spaces only, not all white
// space), as the windows test their inputs.
QStringView TrimSpaces(QStringView text);

} // namespace quarnel::form
