// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The program's message boxes: modal, described by prompt, title, icon and
// buttons. Tests answer them in place of a person by installing a handler.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace quarnel {

enum class MsgBoxIcon { Exclamation, Information };
// YesNo asks before something that cannot be undone: No is the default.
enum class MsgBoxButtons { OK, OKCancel, YesNo };
enum class MsgBoxResult { OK, Cancel, Yes, No };

// Shows a modal box over `parent` and returns the button pressed. Lines of
// the prompt are separated by CR LF.
MsgBoxResult MsgBox(QWidget* parent, const QString& prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                    const QString& title);

// While a handler is installed, MsgBox asks it instead of showing a box.
// Pass an empty function to show boxes again.
using MsgBoxHandler = std::function<MsgBoxResult(const QString& prompt, MsgBoxButtons buttons,
                                                 MsgBoxIcon icon, const QString& title)>;
void SetMsgBoxHandler(MsgBoxHandler handler);

} // namespace quarnel
