// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The main window's work on the network: the listing of open files, the
// start-up from a path, the resolution of a path, and what the status bar
// says of them while they wait and once they have ended.
#include "frmQuarnel.h"

#include "MsgBox.h"
#include "NetworkPath.h"
#include "NetworkWait.h"
#include "StatusWords.h"

#include <QApplication>

#include <set>
#include <tuple>

namespace quarnel {

namespace {

// The columns that know a row again when the same server is listed anew:
// user, path and the server's identifier of the open file.
const std::vector<int> RowKeyColumns{0, 1, 2};

QString LookingUp(const QString& path) {
    return QStringLiteral("Looking up %1\u2026").arg(path);
}

} // namespace

frmQuarnel::Operation frmQuarnel::BeginOperation(const QString& text) {
    ++busy_;
    setCursor(Qt::BusyCursor); // the window takes input meanwhile
    SetStatusText(text);
    ShowBusy();
    return {stops_};
}

void frmQuarnel::EndOperation() {
    if (--busy_ == 0)
        unsetCursor();
    ShowBusy();
}

void frmQuarnel::ShowBusy() {
    const bool waiting = Busy() || NetworkWait::Instance().Waiting();
    prgBusy->setVisible(waiting);
    cmdStop->setVisible(waiting);
}

void frmQuarnel::SetStatusText(const QString& text) {
    lblStatus->setText(text);
    lblStatus->setToolTip(text); // the whole of a text that the bar cuts short
}

void frmQuarnel::cmdStop_Click() {
    ++stops_;
    busy_ = 0;
    unsetCursor();
    const bool incomplete = listing_ && lvwFiles->ListItemCount() > 0;
    if (listing_) {
        listing_ = false;
        rowsSoFar_->stop();
        cmdListFiles->setEnabled(true);
    }
    NetworkWait::Instance().Abandon();
    SetStatusText(incomplete ? QStringLiteral("Stopped; the list is incomplete")
                             : QStringLiteral("Stopped"));
    ShowBusy();
}

void frmQuarnel::cmdListFiles_Click() {
    if (listing_)
        return; // a listing runs already: the button is disabled meanwhile
    // The window takes input while the enumeration waits, so the user can
    // stop it or close the window meanwhile: nothing of it is touched then.
    const QPointer<frmQuarnel> alive(this);
    const QString server = txtServer->text();
    const std::optional<ListView::Place> place =
        server == mListed.server ? std::optional(lvwFiles->PlaceOf(RowKeyColumns)) : std::nullopt;
    ++listings_; // the list is this listing's from here on
    const Operation listing = BeginOperation(
        QStringLiteral("Listing the open files on %1\u2026").arg(words::ServerForMessage(server)));
    listing_ = true;
    const bool hadFocus = focusWidget() == cmdListFiles;
    cmdListFiles->setEnabled(false);
    QWidget* const focusMovedTo = focusWidget();

    lvwFiles->ClearListItems();
    rowsShown_ = 0;
    mListed = {server, txtBasePath->text(), txtUser->text()};
    listedOnce_ = true;
    rowsSoFar_->start();
    const bool listed = api_.EnumOpenFiles(
        server.toStdU16String(), mListed.basePath.toStdU16String(), mListed.user.toStdU16String());
    if (!alive || Stopped(listing))
        return; // Stop has made the window idle already
    rowsSoFar_->stop();
    ShowRowsSoFar();
    if (place)
        lvwFiles->ReturnTo(*place);
    listing_ = false;
    // A button that lost the focus by being disabled gets it back unless the
    // user has moved it since.
    cmdListFiles->setEnabled(true);
    if (hadFocus && focusWidget() == focusMovedTo)
        cmdListFiles->setFocus();
    if (listed && api_.OpenFileCount > 0)
        cmdMessage->setEnabled(true);
    EndOperation();
    SetStatusText(words::ListingOutcome(api_, listed, server));
    if (tmrRefresh->isActive())
        tmrRefresh->start(); // the next timed refresh a whole interval from now
}

void frmQuarnel::tmrRefresh_Timer() {
    // Refreshes never stack, and nothing changes under a question or a menu.
    if (!listedOnce_ || listing_ || refreshing_ || Busy() ||
        NetworkWait::Instance().CallsUnderWay() || QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr)
        return;
    // The window takes input meanwhile: the user may stop the wait, list
    // anew (which then owns the list) or close the window.
    const QPointer<frmQuarnel> alive(this);
    const Inputs inputs = mListed;
    const std::uint64_t stops = stops_, listings = listings_;
    modApi fresh(unattended_);
    fresh.SetYieldHook([] { QCoreApplication::processEvents(); });
    refreshing_ = true;
    const bool listed =
        fresh.EnumOpenFiles(inputs.server.toStdU16String(), inputs.basePath.toStdU16String(),
                            inputs.user.toStdU16String());
    if (!alive)
        return;
    refreshing_ = false;
    if (stops != stops_ || listings != listings_)
        return;
    // A listing that stopped early would take away rows of files still open.
    if (!listed || fresh.LastBatchEnd != modApi::BatchEnd::Complete) {
        SetStatusText(words::ListingOutcome(fresh, listed, inputs.server));
        return;
    }
    using Key = std::tuple<std::u16string, std::u16string, std::int32_t>;
    std::set<Key> before;
    for (std::int32_t i = 0; i < api_.OpenFileCount; ++i) {
        const OpenFileInfo& file = api_.OpenFiles[static_cast<std::size_t>(i)];
        before.insert({file.UserName, file.PathName, file.Id});
    }
    const ListView::Place place = lvwFiles->PlaceOf(RowKeyColumns);
    // The rows stand for the entries of the open-file table (ListedFile):
    // the fresh table takes the old one's place, and the rows are made anew
    // in one step.
    std::swap(api_.OpenFiles, fresh.OpenFiles);
    api_.OpenFileCount = fresh.OpenFileCount;
    {
        const ListView::BulkUpdate bulk(*lvwFiles);
        lvwFiles->ClearListItems();
        rowsShown_ = 0;
        ShowRowsSoFar();
        for (int row = 1; row <= lvwFiles->ListItemCount(); ++row) {
            const ListItem item = lvwFiles->ListItemAt(row);
            const OpenFileInfo& file = *ListedFile(item);
            if (!before.contains({file.UserName, file.PathName, file.Id}))
                lvwFiles->MarkListItem(item);
        }
    }
    lvwFiles->ReturnTo(place);
    if (api_.OpenFileCount > 0)
        cmdMessage->setEnabled(true);
    SetStatusText(words::ListingOutcome(fresh, true, inputs.server));
    marksFade_->start();
}

// A row for each entry of the query layer's table, in its order, so that a
// row's AddedIndex is its entry (ListedFile). The rows join the list in one
// step, which keeps the selection and the scroll position.
void frmQuarnel::ShowRowsSoFar() {
    if (rowsShown_ >= api_.OpenFileCount)
        return;
    const ListView::BulkUpdate bulk(*lvwFiles);
    for (; rowsShown_ < api_.OpenFileCount; ++rowsShown_) {
        const OpenFileInfo& file = api_.OpenFiles[static_cast<std::size_t>(rowsShown_)];
        ListItem item = lvwFiles->AddListItem(QString::fromStdU16String(file.UserName));
        item.SetSubItem(1, QString::fromStdU16String(file.PathName));
        item.SetSubItem(2, QString::number(file.Id));
        item.SetSubItem(3, QString::fromStdU16String(PermissionLetters(file.Permissions)));
        item.SetSubItem(4, QString::number(file.NumLocks));
    }
}

// The rows stand for the entries of the query layer's open-file table: only
// this window lists open files, and it empties the list before it does.
const OpenFileInfo* frmQuarnel::ListedFile(const ListItem& row) const {
    const int entry = row.AddedIndex();
    if (entry < 0 || entry >= api_.OpenFileCount)
        return nullptr;
    return &api_.OpenFiles[static_cast<std::size_t>(entry)];
}

void frmQuarnel::StartFromCommandLine(const QString& commandLine) {
    // The whole text as it was given, quotes and all: a path, written with
    // short or long names, on a network drive or in network form.
    const QPointer<frmQuarnel> alive(this);
    const Operation start = BeginOperation(LookingUp(commandLine));
    const QString path =
        QString::fromStdU16String(api_.ExpandLongPath(commandLine.toStdU16String()));
    if (!alive || Stopped(start))
        return;
    EndOperation();
    // A failure is told in the status bar, the window being up already; the
    // inputs keep what was given.
    QString server;
    QString localPath;
    if (!ResolveNetworkPath(path, server, localPath, /*boxes=*/false))
        return;
    txtBasePath->setText(localPath);
    txtServer->setText(server);
    cmdListFiles_Click();
}

bool frmQuarnel::ResolveNetworkPath(const QString& path, QString& server, QString& localPath,
                                    bool boxes) {
    const QPointer<frmQuarnel> alive(this);
    const Operation lookUp = BeginOperation(LookingUp(path));
    const ResolvedPath resolved = ResolveClientPath(api_, path.toStdU16String());
    if (!alive || Stopped(lookUp))
        return false;
    EndOperation();
    if (resolved.outcome == Resolution::Resolved) {
        server = QString::fromStdU16String(resolved.server);
        localPath = QString::fromStdU16String(resolved.localPath);
        SetStatusText(
            QStringLiteral("%1 is %2 on %3").arg(path, localPath, words::ServerForMessage(server)));
        return true;
    }
    SetStatusText(words::ResolutionFailure(api_, resolved.outcome, path));
    if (const auto message = MessageFor(resolved.outcome); message && boxes)
        MsgBox(this, QString::fromStdU16String(message->prompt), MsgBoxButtons::OK,
               message->icon == ResolutionMessage::Icon::Exclamation ? MsgBoxIcon::Exclamation
                                                                     : MsgBoxIcon::Information,
               QString::fromStdU16String(message->title));
    return false;
}

} // namespace quarnel
