// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "frmQuarnel.h"

#include "FilesMenu.h"
#include "FolderBrowser.h"
#include "Form.h"
#include "MsgBox.h"
#include "NetworkWait.h"
#include "frmMessage.h"
#include "frmServers.h"
#include "frmShares.h"
#include "twips.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

#include <algorithm>

namespace quarnel {

namespace {

// The client area, in twips: the inputs, the list and the status bar.
constexpr int StatusBarHeight = 315;
constexpr int FormWidth = 7950;
constexpr int FormHeight = 4650 + StatusBarHeight;
// The smallest client area that shows every control: the buttons right of
// the inputs, the list's headers and a few rows, and the status bar.
constexpr int MinimumWidth = 7695;
constexpr int MinimumHeight = 2400;

// What the window's outer size gives the list less: its border on the width;
// caption, border, the inputs above the list and the status bar below it on
// the height.
constexpr int ListWidthAllowance = 135;
constexpr int ListHeightAllowance = 1335 + StatusBarHeight;

// The columns of lvwFiles that the drags read (the row's own text is 0).
constexpr int UserColumn = 0;
constexpr int PathColumn = 1;

// How often the rows of the batches that came meanwhile join the list.
constexpr int RowsSoFarIntervalMs = 100;
// How long the rows that a timed refresh brought stay marked.
constexpr int NewRowsMarkedMs = 3000;
// The longest timed refresh interval that the settings may hold.
constexpr int MaxRefreshSeconds = 3600;

} // namespace

frmQuarnel::frmQuarnel(modApi& api, const QString& commandLine, QSettings* settings,
                       platform::Platform* unattended, QWidget* parent)
    : QWidget(parent), api_(api), unattended_(unattended ? *unattended : api.Platform()),
      settings_(settings) {
    form::SetUp(*this, QStringLiteral("Quarnel"), FormWidth, FormHeight);
    setMinimumSize(twips::ToPixels(MinimumWidth), twips::ToPixels(MinimumHeight));

    // Each label's access key moves to its box; no two controls share one.
    lblserver->setText(QStringLiteral("&Server"));
    lblserver->setBuddy(txtServer);
    cmdservers->setText(QStringLiteral("..."));
    cmdservers->setToolTip(QStringLiteral("Select a computer"));
    lblBasePath->setText(QStringLiteral("&Base Path"));
    lblBasePath->setBuddy(txtBasePath);
    cmdShares->setText(QStringLiteral("$"));
    cmdShares->setToolTip(QStringLiteral("Select a share"));
    cmdBrowse->setText(QStringLiteral("..."));
    cmdBrowse->setToolTip(QStringLiteral("Browse"));
    Label1->setText(QStringLiteral("&User"));
    Label1->setBuddy(txtUser);
    cmdListFiles->setText(QStringLiteral("&List Quarnel"));
    cmdListFiles->setDefault(true); // see keyPressEvent
    cmdMessage->setText(QStringLiteral("&Message"));
    cmdStop->setText(QStringLiteral("S&top"));
    for (QLabel* label : {lblserver, lblBasePath, Label1})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // What a screen reader says for each control that no caption names; the
    // buttons that show a sign say what they open.
    txtServer->setAccessibleName(QStringLiteral("Server"));
    cmdservers->setAccessibleName(QStringLiteral("Select a computer"));
    txtBasePath->setAccessibleName(QStringLiteral("Base Path"));
    cmdShares->setAccessibleName(QStringLiteral("Select a share"));
    cmdBrowse->setAccessibleName(QStringLiteral("Browse for a file or folder"));
    txtUser->setAccessibleName(QStringLiteral("User"));
    lvwFiles->setAccessibleName(QStringLiteral("Open files"));
    prgBusy->setAccessibleName(QStringLiteral("Waiting for the network"));

    // The status bar: the text takes the room; the busy indicator and Stop
    // show only while the window waits on the network.
    lblStatus->setTextFormat(Qt::PlainText);
    prgBusy->setRange(0, 0);
    prgBusy->setTextVisible(false);
    prgBusy->setMaximumWidth(twips::ToPixels(1200));
    stbStatus->addWidget(lblStatus, 1);
    stbStatus->addPermanentWidget(prgBusy);
    stbStatus->addPermanentWidget(cmdStop);
    stbStatus->setSizeGripEnabled(false);
    ShowBusy();

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

    // The keyboard order follows the layout, row by row; labels take no
    // focus. Qt passes over cmdShares while it is disabled, and over Stop
    // while it is hidden.
    form::SetTabOrder({txtServer, cmdservers, txtBasePath, cmdShares, cmdBrowse, txtUser,
                       cmdListFiles, cmdMessage, lvwFiles, cmdStop});
    txtServer->setFocus();

    connect(cmdListFiles, &QPushButton::clicked, this, &frmQuarnel::cmdListFiles_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmQuarnel::cmdStop_Click);
    connect(txtServer, &QLineEdit::textChanged, this, &frmQuarnel::txtServer_Change);
    connect(cmdMessage, &QPushButton::clicked, this, &frmQuarnel::cmdMessage_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmQuarnel::cmdBrowse_Click);
    connect(lvwFiles, &ListView::ColumnClick, this, &frmQuarnel::lvwFiles_ColumnClick);
    connect(lvwFiles, &ListView::DblClick, this, &frmQuarnel::lvwFiles_DblClick);
    connect(lvwFiles, &ListView::OLEStartDrag, this, &frmQuarnel::lvwFiles_OLEStartDrag);
    connect(lvwFiles, &ListView::OLESetData, this, &frmQuarnel::lvwFiles_OLESetData);
    connect(cmdservers, &QPushButton::clicked, this, &frmQuarnel::cmdservers_Click);
    connect(cmdShares, &QPushButton::clicked, this, &frmQuarnel::cmdShares_Click);
    connect(&NetworkWait::Instance(), &NetworkWait::WaitingChanged, this, &frmQuarnel::ShowBusy);
    rowsSoFar_->setInterval(RowsSoFarIntervalMs);
    connect(rowsSoFar_, &QTimer::timeout, this, &frmQuarnel::ShowRowsSoFar);
    connect(tmrRefresh, &QTimer::timeout, this, &frmQuarnel::tmrRefresh_Timer);
    marksFade_->setSingleShot(true);
    marksFade_->setInterval(NewRowsMarkedMs);
    connect(marksFade_, &QTimer::timeout, lvwFiles, &ListView::ClearMarks);
    txtServer_Change();
    new FilesMenu(*this, api_); // the list's context menu, and F5

    Form_Load(commandLine);
}

void frmQuarnel::Form_Load(const QString& commandLine) {
    // 1. Report view (the only view a ListView has), no editing of item texts
    //    by the user; any number of rows can be selected, to copy or close
    //    them together.
    lvwFiles->SetLabelEdit(ListView::LabelEditMode::Manual);
    lvwFiles->SetMultiSelect(true);

    // 2. The five columns, then their widths; identifiers and lock counts
    //    sort as numbers, and the path takes the room the window gives.
    form::AddColumns(*lvwFiles, {
                                    {"User", "User", 1500},
                                    {"Path", "Path", 2700},
                                    {"File_ID", "File ID", 1275, SortAs::Number},
                                    {"Permissions", "Permissions", 1200},
                                    {"locks", "# locks", 900, SortAs::Number},
                                });
    lvwFiles->SetColumnStretch(PathColumn + 1);

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

    // 6. The inputs, size and column widths of the last run.
    RestoreSettings();

    // 7. Last, a path given on the command line: shown at once, resolved and
    //    listed once the window is up, with the progress in the status bar.
    //    Whoever holds it open is listed, whatever user the last run named.
    if (!commandLine.isEmpty()) {
        txtServer->clear();
        txtUser->clear();
        txtBasePath->setText(commandLine);
        QTimer::singleShot(0, this, [this, commandLine] { StartFromCommandLine(commandLine); });
    }
}

void frmQuarnel::cmdBrowse_Click() {
    const QString path =
        BrowseForFileOrFolder(*this, QStringLiteral("Select a file or folder on a network drive"));
    QString server;
    QString localPath;
    if (path.size() > 2 && ResolveNetworkPath(path, server, localPath)) {
        txtBasePath->setText(localPath);
        txtServer->setText(server);
    }
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
    data.setText(mDragTarget == QStringLiteral("txtBasePath") ? row.SubItem(PathColumn)
                                                              : row.SubItem(UserColumn));
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
    // The status bar keeps to the bottom edge over the full width.
    const int height = twips::ToPixels(StatusBarHeight);
    stbStatus->setGeometry(0, this->height() - height, width(), height);
}

void frmQuarnel::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept(); // the main window's closing is never cancelled
}

void frmQuarnel::Form_QueryUnload() {
    SaveSettings();
    // The window goes at once, also while it waits on the network: nothing
    // the wait brings reaches it any more.
    if (Busy() || NetworkWait::Instance().Waiting())
        cmdStop_Click();
    // Unload the send-message window, then the server picker (and a share
    // picker that is still loading), whether shown, hidden or not loaded at
    // all. Whatever each does about being closed, it goes, and this window
    // closes anyway.
    for (QPointer<QWidget>* window : {&frmMessage, &frmServers, &frmShares}) {
        if (QWidget* w = window->data()) {
            w->close();
            w->deleteLater();
        }
        *window = nullptr;
    }
}

void frmQuarnel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (Busy() || NetworkWait::Instance().Waiting())
            cmdStop_Click();
        return;
    }
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

// The settings keep the inputs, the window's place and size, the column
// widths in twips and the timed refresh's interval in seconds (0: off).
void frmQuarnel::RestoreSettings() {
    if (settings_ == nullptr)
        return;
    txtServer->setText(settings_->value(QStringLiteral("Server")).toString());
    txtBasePath->setText(settings_->value(QStringLiteral("BasePath")).toString());
    txtUser->setText(settings_->value(QStringLiteral("User")).toString());
    // A window placed before is not centred again.
    centred_ = restoreGeometry(settings_->value(QStringLiteral("Geometry")).toByteArray());
    const QVariantList widths = settings_->value(QStringLiteral("ColumnWidths")).toList();
    for (int n = 1; n <= widths.size() && n <= lvwFiles->ColumnHeaderCount(); ++n)
        lvwFiles->SetColumnHeaderWidth(n, widths[n - 1].toInt());
    SetRefreshInterval(std::clamp(settings_->value(QStringLiteral("RefreshSeconds")).toInt(), 0,
                                  MaxRefreshSeconds));
}

void frmQuarnel::SaveSettings() {
    if (settings_ == nullptr)
        return;
    settings_->setValue(QStringLiteral("Server"), txtServer->text());
    settings_->setValue(QStringLiteral("BasePath"), txtBasePath->text());
    settings_->setValue(QStringLiteral("User"), txtUser->text());
    settings_->setValue(QStringLiteral("Geometry"), saveGeometry());
    QVariantList widths;
    for (int n = 1; n <= lvwFiles->ColumnHeaderCount(); ++n)
        widths << lvwFiles->ColumnHeaderWidth(n);
    settings_->setValue(QStringLiteral("ColumnWidths"), widths);
    settings_->setValue(QStringLiteral("RefreshSeconds"), RefreshInterval());
    settings_->sync(); // the program may end before the settings would be written
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

void frmQuarnel::SetRefreshInterval(int seconds) {
    if (seconds > 0)
        tmrRefresh->start(seconds * 1000);
    else
        tmrRefresh->stop();
}

int frmQuarnel::RefreshInterval() const {
    return tmrRefresh->isActive() ? tmrRefresh->interval() / 1000 : 0;
}

void frmQuarnel::txtServer_Change() {
    cmdShares->setEnabled(!form::TrimSpaces(txtServer->text()).isEmpty());
}

} // namespace quarnel
