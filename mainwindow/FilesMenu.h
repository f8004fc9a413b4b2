// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The context menu of the main window's open-file list: act on one open file
// (ask its holder, close it, copy its path or its row) or on the whole list
// (list again, now or every few seconds, export it). Right-click a row, or press the menu key on
// the selected one; off the rows only the items for the whole list are enabled.
#pragma once

#include "ListView.h"
#include "modApi.h"

#include <QObject>

class QAction;
class QMenu;

namespace quarnel {

class frmQuarnel;

class FilesMenu : public QObject {
    Q_OBJECT

  public:
    // Attaches the menu to the window's lvwFiles, and F5 to the window.
    FilesMenu(frmQuarnel& form, modApi& api);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Shows the menu at `at` (global) for `row`, or for the whole list when
    // `row` is none.
    void Popup(const ListItem& row, const QPoint& at);

    void mnuSendMessage_Click();
    void mnuCloseFile_Click();
    void mnuCopyPath_Click();
    void mnuCopyRow_Click();
    void mnuRefresh_Click();
    void mnuExportList_Click();

    // Writes the open files of lvwFiles, in its order, to `target`: JSON
    // for a .json file, CSV otherwise. On failure, `reason` says why
    // and no file has been written or replaced.
    bool WriteList(const QString& target, QString& reason) const;

    frmQuarnel& form_;
    modApi& api_;
    QMenu* const menu_;
    QAction* const mnuSendMessage;
    QAction* const mnuCloseFile;
    QAction* const mnuCopyPath;
    QAction* const mnuCopyRow;
    QAction* const mnuRefresh;
    QMenu* const mnuRefreshEvery; // a choice of seconds, Off, of the timed refresh
    QAction* const mnuExportList;
    ListItem row_; // the row the menu was opened for
};

} // namespace quarnel
