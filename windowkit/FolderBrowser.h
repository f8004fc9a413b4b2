// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The folder browser: the user chooses one file or one folder, in a dialog
// modal to a window. On Windows it is the system's own, which lists files as
// well as folders; elsewhere a file dialog of ours stands in, opened where
// SMB shares are mounted.
#pragma once

#include <QString>

class QWidget;

namespace quarnel {

// The client-side path of the chosen file or folder; empty when the user
// cancelled or the choice has no path in the file system.
QString BrowseForFileOrFolder(QWidget& owner, const QString& title);

} // namespace quarnel
