// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "FolderBrowser.h"

#include "modApi.h"

#include <QWidget>

namespace quarnel {

QString BrowseForFileOrFolder(QWidget& owner, modApi& api, const QString& title) {
    return QString::fromStdU16String(api.Platform().BrowseForFolder(
        static_cast<std::uintptr_t>(owner.winId()), title.toStdU16String()));
}

} // namespace quarnel
