// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Quarnel's icon, for the main window, the pickers and the message window.
#pragma once

#include <QIcon>

namespace quarnel {

// A page held by a padlock, 32 x 32 pixels in a few flat colours. Needs a
// QGuiApplication.
QIcon AppIcon();

} // namespace quarnel
