// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "FilesMenu.h"

#include "Form.h"
#include "MsgBox.h"
#include "SaveDialog.h"
#include "StatusWords.h"
#include "frmQuarnel.h"
#include "report/Audit.h"
#include "report/Listing.h"
#include "report/Reason.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QSaveFile>

#include <sstream>

namespace quarnel {

namespace {

// The column of lvwFiles that Copy Path reads (the row's own text is 0).
constexpr int PathColumn = 1;

// The choices of "Refresh Every", in seconds; 0 is Off.
constexpr int RefreshChoices[] = {0, 2, 5, 10, 30, 60};

using words::ServerForMessage;

} // namespace

FilesMenu::FilesMenu(frmQuarnel& form, modApi& api)
    : QObject(&form), form_(form), api_(api), menu_(new QMenu(&form)),
      mnuSendMessage(new QAction(this)),
      mnuCloseFile(new QAction(QStringLiteral("Close File..."), this)),
      mnuCopyPath(new QAction(QStringLiteral("Copy Path"), this)),
      mnuCopyRow(new QAction(QStringLiteral("Copy Row"), this)),
      mnuRefresh(new QAction(QStringLiteral("Refresh"), this)),
      mnuRefreshEvery(new QMenu(QStringLiteral("Refresh Every"), menu_)),
      mnuExportList(new QAction(QStringLiteral("Export List..."), this)) {
    menu_->addActions({mnuSendMessage, mnuCloseFile, mnuCopyPath, mnuCopyRow});
    menu_->addSeparator();
    menu_->addAction(mnuRefresh);
    menu_->addMenu(mnuRefreshEvery);
    menu_->addAction(mnuExportList);

    auto* choices = new QActionGroup(mnuRefreshEvery);
    for (const int seconds : RefreshChoices) {
        QAction* choice = mnuRefreshEvery->addAction(
            seconds == 0 ? QStringLiteral("Off") : QStringLiteral("%1 Seconds").arg(seconds));
        choice->setCheckable(true);
        choice->setData(seconds);
        choices->addAction(choice);
        connect(choice, &QAction::triggered, this,
                [this, seconds] { form_.SetRefreshInterval(seconds); });
    }

    // F5 lists again wherever the focus is in the window, menu or not.
    mnuRefresh->setShortcut(QKeySequence(Qt::Key_F5));
    mnuRefresh->setShortcutContext(Qt::WindowShortcut);
    form.addAction(mnuRefresh);

    connect(mnuSendMessage, &QAction::triggered, this, &FilesMenu::mnuSendMessage_Click);
    connect(mnuCloseFile, &QAction::triggered, this, &FilesMenu::mnuCloseFile_Click);
    connect(mnuCopyPath, &QAction::triggered, this, &FilesMenu::mnuCopyPath_Click);
    connect(mnuCopyRow, &QAction::triggered, this, &FilesMenu::mnuCopyRow_Click);
    connect(mnuRefresh, &QAction::triggered, this, &FilesMenu::mnuRefresh_Click);
    connect(mnuExportList, &QAction::triggered, this, &FilesMenu::mnuExportList_Click);

    // A right-click reaches the list's viewport, the menu key the list.
    form.lvwFiles->installEventFilter(this);
    form.lvwFiles->viewport()->installEventFilter(this);
}

bool FilesMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ContextMenu)
        return QObject::eventFilter(watched, event);
    ListView& list = *form_.lvwFiles;
    const auto* request = static_cast<QContextMenuEvent*>(event);
    if (request->reason() == QContextMenuEvent::Mouse) {
        // The row under the pointer, which the press has selected; none off
        // the rows.
        const QModelIndex at = list.indexAt(list.viewport()->mapFromGlobal(request->globalPos()));
        Popup(at.isValid() ? list.ListItemAt(at.row() + 1) : ListItem(), request->globalPos());
    } else {
        // The selected row, with the menu below it.
        const ListItem row = list.SelectedItem();
        QPoint at(0, 0);
        if (row.IsValid())
            at = list.visualRect(list.model()->index(row.Index() - 1, 0)).bottomLeft();
        Popup(row, list.viewport()->mapToGlobal(at));
    }
    return true;
}

void FilesMenu::Popup(const ListItem& row, const QPoint& at) {
    row_ = row;
    const bool onRow = row.IsValid();
    const QString user = row.Text();
    const bool hasUser = onRow && !form::TrimSpaces(user).isEmpty();
    // An "&" in a name is no access key.
    mnuSendMessage->setText(hasUser ? QStringLiteral("Send Message to %1...")
                                          .arg(QString(user).replace('&', QStringLiteral("&&")))
                                    : QStringLiteral("Send Message..."));
    mnuSendMessage->setEnabled(hasUser);
    mnuCloseFile->setEnabled(form_.ListedFile(row) != nullptr);
    mnuCopyPath->setEnabled(onRow);
    mnuCopyRow->setEnabled(onRow);
    // While a listing is under way its button is disabled; the list is
    // then empty and nothing is to be listed or exported yet.
    const bool idle = form_.cmdListFiles->isEnabled();
    mnuRefresh->setEnabled(idle);
    mnuExportList->setEnabled(idle);
    for (QAction* choice : mnuRefreshEvery->actions())
        choice->setChecked(choice->data().toInt() == form_.RefreshInterval());
    menu_->exec(at);
    mnuRefresh->setEnabled(true); // F5 stays available
}

void FilesMenu::mnuSendMessage_Click() {
    if (row_.IsValid())
        form_.AddMessageRecipient(row_.Text());
}

// Closes every selected file after one question, each written to the audit
// trail; tells the ones that could not be closed, and lists again when any
// was.
void FilesMenu::mnuCloseFile_Click() {
    std::vector<OpenFileInfo> files; // copies: the question may outlast the listing
    for (const ListItem& row : form_.lvwFiles->SelectedItems())
        if (const OpenFileInfo* file = form_.ListedFile(row))
            files.push_back(*file);
    if (files.empty())
        return;
    const QString server = form_.ListedServer();
    const QString title = QStringLiteral("Close File");
    const QString prompt =
        files.size() == 1
            ? QStringLiteral("Close this file, which %2 holds open on %3?\r\n%1\r\n\r\n"
                             "Changes that %2 has not saved to it may be lost.")
                  .arg(QString::fromStdU16String(files[0].PathName),
                       QString::fromStdU16String(files[0].UserName), ServerForMessage(server))
            : QStringLiteral("Close these %1 files, which their holders hold open on %2?\r\n\r\n"
                             "Changes that their holders have not saved to them may be lost.")
                  .arg(files.size())
                  .arg(ServerForMessage(server));
    if (MsgBox(&form_, prompt, MsgBoxButtons::YesNo, MsgBoxIcon::Exclamation, title) !=
        MsgBoxResult::Yes)
        return;

    // The window takes input while each close waits, and may close meanwhile.
    const QPointer<frmQuarnel> alive(&form_);
    QStringList failed;
    for (const OpenFileInfo& file : files) {
        if (!report::CloseAndRecord(api_, server.toStdString(), file))
            failed << QString::fromStdU16String(file.PathName) + QStringLiteral(": ") +
                          words::Reason(api_);
        if (!alive)
            return;
    }
    if (!failed.isEmpty()) {
        const QString which =
            files.size() == 1
                ? QStringLiteral("The file")
                : QStringLiteral("%1 of the %2 files").arg(failed.size()).arg(files.size());
        MsgBox(&form_,
               QStringLiteral("%1 could not be closed on %2:\r\n")
                       .arg(which, ServerForMessage(server)) +
                   failed.join(QStringLiteral("\r\n")),
               MsgBoxButtons::OK, MsgBoxIcon::Exclamation, title);
    }
    if (failed.size() < static_cast<qsizetype>(files.size()))
        mnuRefresh_Click();
}

void FilesMenu::mnuCopyPath_Click() {
    QStringList paths;
    for (const ListItem& row : form_.lvwFiles->SelectedItems())
        paths << row.SubItem(PathColumn);
    if (!paths.isEmpty())
        QGuiApplication::clipboard()->setText(paths.join(u'\n'));
}

void FilesMenu::mnuCopyRow_Click() {
    form_.lvwFiles->CopySelectedRows();
}

void FilesMenu::mnuRefresh_Click() {
    form_.cmdListFiles->click(); // ignored while a listing is under way
}

void FilesMenu::mnuExportList_Click() {
    const QString title = QStringLiteral("Export List");
    const QString target = SaveFileName(&form_, title, QStringLiteral("open-files.csv"),
                                        {{QStringLiteral("CSV files"), QStringLiteral("csv")},
                                         {QStringLiteral("JSON files"), QStringLiteral("json")}});
    if (target.isEmpty())
        return;
    QString reason;
    if (!WriteList(target, reason))
        MsgBox(
            &form_,
            QStringLiteral("The list could not be exported to\r\n%1\r\n\r\n%2").arg(target, reason),
            MsgBoxButtons::OK, MsgBoxIcon::Exclamation, title);
}

bool FilesMenu::WriteList(const QString& target, QString& reason) const {
    const ListView& list = *form_.lvwFiles;
    // Each row names its server, as quarnel-cli's JSON does; the CSV of one
    // server keeps the list's five columns.
    report::Listing listing{report::OpenFileColumns(), {}};
    listing.columns.insert(listing.columns.begin(), {"Server", "server", false, true});
    const std::string server = report::ServerColumnName(form_.ListedServer().toStdString());
    for (int i = 1; i <= list.ListItemCount(); ++i)
        if (const OpenFileInfo* file = form_.ListedFile(list.ListItemAt(i))) {
            listing.rows.push_back(report::OpenFileRow(*file));
            listing.rows.back().insert(listing.rows.back().begin(), server);
        }
    const bool json =
        QFileInfo(target).suffix().compare(QStringLiteral("json"), Qt::CaseInsensitive) == 0;
    std::ostringstream text;
    report::Write(text, listing, json ? report::Format::Json : report::Format::Csv);

    // The rows go to a temporary file beside the target, which takes the
    // target's place only once all of it is written: a failed export leaves
    // no half file, and an older file of that name as it was.
    QSaveFile file(target);
    const std::string bytes = text.str();
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
}

} // namespace quarnel
