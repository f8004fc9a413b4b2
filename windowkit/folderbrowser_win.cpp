// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "FolderBrowser.h"

#include <QWidget>

#include <windows.h>

#include <shlobj.h>

#include <cwchar>
#include <string>

namespace quarnel {

// Files as well as folders, from the desktop down, with no display-name
// buffer and no callback. A virtual item (a network place, a printer) has
// no file-system path and is ignored.
QString BrowseForFileOrFolder(QWidget& owner, const QString& title) {
    const std::wstring caption = title.toStdWString();
    BROWSEINFOW settings{};
    settings.hwndOwner = reinterpret_cast<HWND>(owner.winId());
    settings.pidlRoot = nullptr;
    settings.pszDisplayName = nullptr;
    settings.lpszTitle = caption.c_str();
    settings.ulFlags = BIF_BROWSEINCLUDEFILES;
    settings.lpfn = nullptr;
    const auto item = ::SHBrowseForFolderW(&settings);
    if (item == nullptr)
        return {}; // cancelled
    wchar_t path[MAX_PATH] = {};
    const bool found = ::SHGetPathFromIDListW(item, path) != FALSE;
    ::CoTaskMemFree(item);
    if (!found)
        return {};
    return QString::fromWCharArray(path, static_cast<qsizetype>(std::wcslen(path)));
}

} // namespace quarnel
