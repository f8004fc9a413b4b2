// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The folder browser of the main window: the user chooses one file or one
// folder, in a dialog modal to the window. On Windows it is the system's own
// (through the platform interface); elsewhere a file dialog of ours stands in,
// opened where SMB shares are mounted.
#pragma once

#include <QString>

class QWidget;

namespace quarnel {

class modApi;

// The client-side path of the chosen file or folder; empty when the user
// cancelled or the choice has no path in the file system.
QString BrowseForFileOrFolder(QWidget& owner, modApi& api, const QString& title);

} // namespace quarnel
