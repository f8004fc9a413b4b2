// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The main window: the server, base path and user inputs, the buttons that
// list the open files and open the other windows, and the open-file list.
#pragma once

#include "DropTarget.h"
#include "ListView.h"
#include "modApi.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace quarnel {

class frmMessage;

class frmQuarnel : public QWidget {
    Q_OBJECT

  public:
    // Builds the window and runs Form_Load. The listing goes through `api`.
    // `commandLine` is the text the program was started with after its name:
    // a path whose open files are listed before the window is first shown.
    explicit frmQuarnel(modApi& api, const QString& commandLine = {}, QWidget* parent = nullptr);

    // The controls, by the names the whole program knows them by. Other
    // windows write txtServer and txtBasePath; the listing fills lvwFiles.
    QLabel* const lblserver = new QLabel(this);
    QLineEdit* const txtServer = new QLineEdit(this);
    QPushButton* const cmdservers = new QPushButton(this);
    QLabel* const lblBasePath = new QLabel(this);
    QLineEdit* const txtBasePath = new QLineEdit(this);
    QPushButton* const cmdShares = new QPushButton(this);
    QPushButton* const cmdBrowse = new QPushButton(this);
    QLabel* const Label1 = new QLabel(this);
    QLineEdit* const txtUser = new QLineEdit(this);
    QPushButton* const cmdListFiles = new QPushButton(this);
    QPushButton* const cmdMessage = new QPushButton(this);
    ListView* const lvwFiles = new ListView(this);

    // The send-message window and the server picker, while they are loaded.
    // Closing this window unloads both (Form_QueryUnload).
    QPointer<QWidget> frmMessage;
    QPointer<QWidget> frmServers;
    // The share picker, while it is loaded.
    QPointer<QWidget> frmShares;

  public slots:
    // Lists the files held open on the server in txtServer, narrowed to
    // txtBasePath and txtUser, into lvwFiles.
    void cmdListFiles_Click();
    // Keeps cmdShares enabled exactly while txtServer holds more than spaces.
    void txtServer_Change();
    // Show the server picker and the share picker modally; each returns when
    // its picker has closed.
    void cmdservers_Click();
    void cmdShares_Click();
    // Shows the send-message window modeless, owned by this window; when
    // none is loaded, one is created first, which places it.
    void cmdMessage_Click();
    // Turns the file or folder chosen in the folder browser into the server
    // and the base path.
    void cmdBrowse_Click();
    // Sorts by the clicked column; a second click on it reverses the order.
    void lvwFiles_ColumnClick(int columnHeader);
    // Adds the selected row's user to the recipients of the send-message
    // window and shows it.
    void lvwFiles_DblClick();

  public:
    // Appends `name` unchanged to the recipients of the send-message window
    // (creating it when none is loaded), then shows it as cmdMessage does.
    void AddMessageRecipient(const QString& name);

    // The server whose open files lvwFiles holds: txtServer as the latest
    // listing read it.
    const QString& ListedServer() const { return mListedServer; }

    // The open file that `row` of lvwFiles stands for; null for no row.
    const OpenFileInfo* ListedFile(const ListItem& row) const;

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Form_Load(const QString& commandLine);
    void Form_Resize();
    void Form_QueryUnload();
    // A row dragged out of the list gives its path to the base path box and
    // its user to anything else; the text is made when the target asks.
    void lvwFiles_OLEStartDrag(ListDragData& data, Qt::DropActions& allowedEffects);
    void lvwFiles_OLESetData(ListDragData& data, const QString& format);
    void txtBasePath_OLEDragDrop(const QMimeData& data);
    void txtUser_OLEDragDrop(const QMimeData& data);
    void txtBasePath_OLEDragOver(DragState state);
    void txtUser_OLEDragOver(DragState state);
    void FollowDrag(DragState state, const QString& box);
    void StartFromCommandLine(const QString& commandLine);
    // Turns a client-side path into the server's name (with its two
    // backslashes) and the path on that server; shows the messages a user
    // can act on. On false the outputs mean nothing.
    bool ResolveNetworkPath(const QString& path, QString& server, QString& localPath);
    // The loaded send-message window, loaded first when there is none.
    quarnel::frmMessage& MessageWindow();

    modApi& api_;
    QString mListedServer;
    // The text box a drag stands over ("txtBasePath", "txtUser"), empty once
    // it has left it. A drop leaves it as it is.
    QString mDragTarget;
    bool centred_ = false;
    QSize laidOutFrame_; // the outer size the list was last laid out for
};

} // namespace quarnel
