// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "frmQuarnel.h"

#include "FilesMenu.h"
#include "FolderBrowser.h"
#include "Form.h"
#include "MsgBox.h"
#include "NetworkPath.h"
#include "frmMessage.h"
#include "frmServers.h"
#include "frmShares.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

namespace quarnel {

namespace {

// The client area, in twips.
constexpr int FormWidth = 7950;
constexpr int FormHeight = 4650;

// What the window's outer size gives the list less: its border on the width;
// caption, border and the inputs above the list on the height.
constexpr int ListWidthAllowance = 135;
constexpr int ListHeightAllowance = 1335;

} // namespace

frmQuarnel::frmQuarnel(modApi& api, const QString& commandLine, QWidget* parent)
    : QWidget(parent), api_(api) {
    form::SetUp(*this, QStringLiteral("Quarnel"), FormWidth, FormHeight);

    lblserver->setText(QStringLiteral("Server"));
    cmdservers->setText(QStringLiteral("..."));
    cmdservers->setToolTip(QStringLiteral("Select a computer"));
    lblBasePath->setText(QStringLiteral("Base Path"));
    cmdShares->setText(QStringLiteral("$"));
    cmdShares->setToolTip(QStringLiteral("Select a share"));
    cmdBrowse->setText(QStringLiteral("..."));
    cmdBrowse->setToolTip(QStringLiteral("Browse"));
    Label1->setText(QStringLiteral("User"));
    cmdListFiles->setText(QStringLiteral("List Quarnel"));
    cmdListFiles->setDefault(true); // see keyPressEvent
    cmdMessage->setText(QStringLiteral("Message"));
    for (QLabel* label : {lblserver, lblBasePath, Label1})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    form::PlaceControls({
        {lblserver, 0, 75, 855, 255},
        {txtServer, 960, 45, 4215, 285},
        {cmdservers, 5160, 30, 255, 285},
        {lblBasePath, 0, 375, 855, 255},
        {txtBasePath, 960, 345, 4215, 285},
        {cmdShares, 5160, 345, 255, 285},
        {cmdBrowse, 5415, 345, 255, 285},
        {Label1, 0, 660, 855, 255},
        {txtUser, 960, 630, 4215, 285},
        {cmdListFiles, 5880, 30, 1695, 375},
        {cmdMessage, 5880, 435, 1695, 375},
        {lvwFiles, -15, 930, 7905, 3720},
    });

    // The keyboard order; labels take no focus. Qt passes over cmdShares
    // while it is disabled.
    form::SetTabOrder({txtServer, txtBasePath, cmdListFiles, cmdMessage, cmdservers, cmdShares,
                       txtUser, cmdBrowse, lvwFiles});
    txtServer->setFocus();

    connect(cmdListFiles, &QPushButton::clicked, this, &frmQuarnel::cmdListFiles_Click);
    connect(txtServer, &QLineEdit::textChanged, this, &frmQuarnel::txtServer_Change);
    connect(cmdMessage, &QPushButton::clicked, this, &frmQuarnel::cmdMessage_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmQuarnel::cmdBrowse_Click);
    connect(lvwFiles, &ListView::ColumnClick, this, &frmQuarnel::lvwFiles_ColumnClick);
    connect(lvwFiles, &ListView::DblClick, this, &frmQuarnel::lvwFiles_DblClick);
    connect(lvwFiles, &ListView::OLEStartDrag, this, &frmQuarnel::lvwFiles_OLEStartDrag);
    connect(lvwFiles, &ListView::OLESetData, this, &frmQuarnel::lvwFiles_OLESetData);
    connect(cmdservers, &QPushButton::clicked, this, &frmQuarnel::cmdservers_Click);
    connect(cmdShares, &QPushButton::clicked, this, &frmQuarnel::cmdShares_Click);
    txtServer_Change();
    new FilesMenu(*this, api_); // the list's context menu, and F5

    Form_Load(commandLine);
}

void frmQuarnel::Form_Load(const QString& commandLine) {
    // 1. Report view (the only view a ListView has), no editing of item texts
    //    by the user, one selected item at a time.
    lvwFiles->SetLabelEdit(ListView::LabelEditMode::Manual);
    lvwFiles->SetMultiSelect(false);

    // 2. The five columns, then their widths.
    form::AddColumns(*lvwFiles, {
                                    {"User", "User", 1500},
                                    {"Path", "Path", 2700},
                                    {"File_ID", "File ID", 700},
                                    {"Permissions", "Permissions", 1000},
                                    {"locks", "# locks", 500},
                                });

    // 3. Whole-row selection and columns reordered by dragging their headers,
    //    every other extended style kept.
    const std::uint32_t style = lvwFiles->ExtendedStyle();
    lvwFiles->SetExtendedStyle(style | ListView::LVS_EX_FULLROWSELECT |
                               ListView::LVS_EX_HEADERDRAGDROP);

    // 4. A row can be dragged out of the list.
    lvwFiles->SetOLEDragMode(ListView::DragMode::Automatic);

    // 5. Drops on the base path and the user box are handled by this window.
    OLEDropManual(*txtBasePath, {[this](DragState s) { txtBasePath_OLEDragOver(s); },
                                 [this](const QMimeData& d) { txtBasePath_OLEDragDrop(d); }});
    OLEDropManual(*txtUser, {[this](DragState s) { txtUser_OLEDragOver(s); },
                             [this](const QMimeData& d) { txtUser_OLEDragDrop(d); }});

    // 6. Last, the start-up from a path given on the command line.
    StartFromCommandLine(commandLine);
}

void frmQuarnel::StartFromCommandLine(const QString& commandLine) {
    // The whole text as it was given, quotes and all: a path, written with
    // short or long names, on a network drive or in network form.
    if (commandLine.isEmpty())
        return;
    const QString path =
        QString::fromStdU16String(api_.ExpandLongPath(commandLine.toStdU16String()));
    QString server;
    QString localPath;
    if (!ResolveNetworkPath(path, server, localPath))
        return;
    txtBasePath->setText(localPath);
    txtServer->setText(server);
    cmdListFiles_Click();
}

bool frmQuarnel::ResolveNetworkPath(const QString& path, QString& server, QString& localPath) {
    const ResolvedPath resolved = ResolveClientPath(api_, path.toStdU16String());
    if (const auto message = MessageFor(resolved.outcome))
        MsgBox(this, QString::fromStdU16String(message->prompt), MsgBoxButtons::OK,
               message->icon == ResolutionMessage::Icon::Exclamation ? MsgBoxIcon::Exclamation
                                                                     : MsgBoxIcon::Information,
               QString::fromStdU16String(message->title));
    if (resolved.outcome != Resolution::Resolved)
        return false;
    server = QString::fromStdU16String(resolved.server);
    localPath = QString::fromStdU16String(resolved.localPath);
    return true;
}

void frmQuarnel::cmdBrowse_Click() {
    const QString path =
        BrowseForFileOrFolder(*this, QStringLiteral("Select a file or folder on a network drive"));
    setCursor(Qt::WaitCursor);
    QString server;
    QString localPath;
    if (path.size() > 2 && ResolveNetworkPath(path, server, localPath)) {
        txtBasePath->setText(localPath);
        txtServer->setText(server);
    }
    unsetCursor();
}

namespace {

// A dropped file as the resolution takes it: a local path for a file:// URL,
// any other URL (smb://, as some file managers send SMB places) as it is.
QString DroppedPath(const QUrl& url) {
    return url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded);
}

} // namespace

void frmQuarnel::txtBasePath_OLEDragDrop(const QMimeData& data) {
    if (data.hasUrls()) {
        const QList<QUrl> files = data.urls();
        QString server;
        QString localPath;
        if (!files.isEmpty() && ResolveNetworkPath(DroppedPath(files.first()), server, localPath)) {
            txtServer->setText(server);
            txtBasePath->setText(localPath);
        }
        return;
    }
    if (data.hasText())
        txtBasePath->setText(data.text());
}

void frmQuarnel::txtUser_OLEDragDrop(const QMimeData& data) {
    // A file list gives no user name, whatever text a file manager adds to it.
    if (!data.hasUrls() && data.hasText())
        txtUser->setText(data.text());
}

void frmQuarnel::txtBasePath_OLEDragOver(DragState state) {
    FollowDrag(state, QStringLiteral("txtBasePath"));
}

void frmQuarnel::txtUser_OLEDragOver(DragState state) {
    FollowDrag(state, QStringLiteral("txtUser"));
}

void frmQuarnel::FollowDrag(DragState state, const QString& box) {
    switch (state) {
    case DragState::Enter:
    case DragState::Over:
        mDragTarget = box;
        break;
    case DragState::Leave:
        mDragTarget.clear();
        break;
    }
}

void frmQuarnel::lvwFiles_ColumnClick(int columnHeader) {
    lvwFiles->SortByHeader(columnHeader);
}

void frmQuarnel::lvwFiles_DblClick() {
    if (lvwFiles->ListItemCount() == 0)
        return;
    const ListItem row = lvwFiles->SelectedItem();
    if (!row.IsValid() || form::TrimSpaces(row.Text()).isEmpty())
        return;
    AddMessageRecipient(row.Text());
}

void frmQuarnel::lvwFiles_OLEStartDrag(ListDragData& data, Qt::DropActions& allowedEffects) {
    allowedEffects = Qt::CopyAction;
    data.Announce(QStringLiteral("text/plain"));
}

void frmQuarnel::lvwFiles_OLESetData(ListDragData& data, const QString& format) {
    const ListItem row = lvwFiles->SelectedItem();
    if (format != QStringLiteral("text/plain") || !row.IsValid())
        return;
    data.setText(mDragTarget == QStringLiteral("txtBasePath") ? row.SubItem(1) : row.Text());
}

void frmQuarnel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    form::CentreOnScreen(*this);
}

void frmQuarnel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

// The window manager may add its frame only after the window was first laid
// out, with no resize of the window itself: the list follows the outer size
// whenever it has changed since the last layout.
bool frmQuarnel::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (isVisible() && frameGeometry().size() != laidOutFrame_)
        Form_Resize();
    return handled;
}

void frmQuarnel::Form_Resize() {
    // The two steps stand alone: a size the list refuses (negative, when the
    // window gets very small) leaves that dimension as it was.
    laidOutFrame_ =
        form::FitListToWindow(*this, *lvwFiles, ListWidthAllowance, ListHeightAllowance);
}

void frmQuarnel::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept(); // the main window's closing is never cancelled
}

void frmQuarnel::Form_QueryUnload() {
    // Unload the send-message window, then the server picker, whether shown,
    // hidden or not loaded at all. Whatever either does about being closed,
    // it goes, and this window closes anyway.
    for (QPointer<QWidget>* window : {&frmMessage, &frmServers}) {
        if (QWidget* w = window->data()) {
            w->close();
            w->deleteLater();
        }
        *window = nullptr;
    }
}

void frmQuarnel::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    // cmdListFiles is the default button: Enter clicks it, unless another
    // button has the focus, which then clicks itself. A disabled button
    // ignores the click, so Enter starts no listing inside a listing.
    event->accept();
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (button == nullptr)
        button = cmdListFiles;
    button->click(); // may close this window: nothing may follow
}

quarnel::frmMessage& frmQuarnel::MessageWindow() {
    auto* window = qobject_cast<quarnel::frmMessage*>(frmMessage.data());
    if (window == nullptr) {
        window = new quarnel::frmMessage(api_, this);
        frmMessage = window;
    }
    return *window;
}

void frmQuarnel::cmdMessage_Click() {
    quarnel::frmMessage& window = MessageWindow();
    window.show();
    window.raise();
    window.activateWindow();
}

void frmQuarnel::AddMessageRecipient(const QString& name) {
    MessageWindow().AddRecipient(name);
    cmdMessage_Click();
}

// A picker enumerates while it loads, before it is modal, and serves the
// window system between batches: a click meanwhile opens no second picker.
void frmQuarnel::cmdservers_Click() {
    if (frmServers || frmShares)
        return;
    auto* picker = new quarnel::frmServers(api_, txtServer);
    frmServers = picker;
    picker->ShowModal();
}

void frmQuarnel::cmdShares_Click() {
    if (frmServers || frmShares)
        return;
    auto* picker = new quarnel::frmShares(api_, txtServer->text(), txtBasePath);
    frmShares = picker;
    picker->ShowModal();
}

void frmQuarnel::txtServer_Change() {
    cmdShares->setEnabled(!form::TrimSpaces(txtServer->text()).isEmpty());
}

void frmQuarnel::cmdListFiles_Click() {
    // The enumeration yields to the event loop after every batch, so the user
    // can close the window meanwhile: nothing of it is touched once it is gone.
    const QPointer<frmQuarnel> alive(this);

    setCursor(Qt::WaitCursor);
    const bool hadFocus = focusWidget() == cmdListFiles;
    cmdListFiles->setEnabled(false);
    QWidget* const focusMovedTo = focusWidget();

    // Whatever happens below, the button and the pointer come back, and a
    // button that lost the focus by being disabled gets it back unless the
    // user has moved it since.
    struct Restore {
        const QPointer<frmQuarnel>& window;
        bool hadFocus;
        QWidget* focusMovedTo;
        ~Restore() {
            if (!window)
                return;
            window->cmdListFiles->setEnabled(true);
            if (hadFocus && window->focusWidget() == focusMovedTo)
                window->cmdListFiles->setFocus();
            window->unsetCursor();
        }
    } restore{alive, hadFocus, focusMovedTo};

    lvwFiles->ClearListItems();
    mListedServer = txtServer->text();
    const bool found =
        api_.EnumOpenFiles(txtServer->text().toStdU16String(), txtBasePath->text().toStdU16String(),
                           txtUser->text().toStdU16String());
    if (!alive || !found || api_.OpenFileCount <= 0)
        return;

    {
        // A row for each entry of the query layer's table, in its order, so
        // that a row's AddedIndex is its entry (ListedFile).
        ListView::BulkUpdate bulk(*lvwFiles);
        for (std::int32_t i = 0; i < api_.OpenFileCount; ++i) {
            const OpenFileInfo& file = api_.OpenFiles[static_cast<std::size_t>(i)];
            ListItem item = lvwFiles->AddListItem(QString::fromStdU16String(file.UserName));
            item.SetSubItem(1, QString::fromStdU16String(file.PathName));
            item.SetSubItem(2, QString::number(file.Id));
            item.SetSubItem(3, QString::fromStdU16String(PermissionLetters(file.Permissions)));
            item.SetSubItem(4, QString::number(file.NumLocks));
        }
    }
    cmdMessage->setEnabled(true);
}

// The rows stand for the entries of the query layer's open-file table: only
// this window lists open files, and it empties the list before it does.
const OpenFileInfo* frmQuarnel::ListedFile(const ListItem& row) const {
    const int entry = row.AddedIndex();
    if (entry < 0 || entry >= api_.OpenFileCount)
        return nullptr;
    return &api_.OpenFiles[static_cast<std::size_t>(entry)];
}

} // namespace quarnel
