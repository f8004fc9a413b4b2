// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Sizes and positions of Quarnel's windows and controls are given in twips:
// 1440 to the inch, 15 to a device-independent pixel. Qt's high-DPI scaling
// takes it from device-independent pixels to the screen.
#pragma once

#include <QRect>

namespace quarnel::twips {

inline constexpr int PerPixel = 15;

// Twips to device-independent pixels, to the nearest pixel (halves away from
// zero, so that -15 is -1 as 15 is 1).
constexpr int ToPixels(int twips) {
    return twips >= 0 ? (twips + PerPixel / 2) / PerPixel : -((-twips + PerPixel / 2) / PerPixel);
}

constexpr int FromPixels(int pixels) {
    return pixels * PerPixel;
}

// A control's place in its window's client area, given in twips.
inline QRect Rect(int left, int top, int width, int height) {
    return QRect(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

} // namespace quarnel::twips
