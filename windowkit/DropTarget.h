// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Drops on a control that its window handles itself (manual drop mode): the
// window hears when a drag enters, moves over or leaves the control and gets
// the data of a drop; the control's own drop handling never runs.
#pragma once

#include <functional>

class QMimeData;
class QWidget;

namespace quarnel {

// The states of a drag over a control, with the platform's values.
enum class DragState { Enter = 0, Leave = 1, Over = 2 };

struct DropHandlers {
    std::function<void(DragState state)> dragOver;
    std::function<void(const QMimeData& data)> dragDrop;
};

// Every drag over `control` is offered the action its source proposes, and
// its drop goes to `handlers.dragDrop`. Whatever fails inside a handler is
// swallowed: a drop never disturbs the user with an error.
void OLEDropManual(QWidget& control, DropHandlers handlers);

} // namespace quarnel
