// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The main window: the server, base path and user inputs, the buttons that
// list the open files and open the other windows, the open-file list, and
// the status bar that tells how the latest listing went (and shows its
// progress, with a Stop button, while one is under way).
#pragma once

#include "DropTarget.h"
#include "ListView.h"
#include "modApi.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

class QSettings;

namespace quarnel {

class frmMessage;

class frmQuarnel : public QWidget {
    Q_OBJECT

  public:
    // Builds the window and runs Form_Load. The listing goes through `api`.
    // `commandLine` is the text the program was started with after its name:
    // a path that the window shows in its inputs, then resolves and lists
    // once it is shown. With `settings`, the window starts from the inputs,
    // size, column widths and timed refresh of its last run and keeps them
    // there when it closes. The timed refresh lists through `unattended`
    // (by default the api's platform), where no one is asked to sign in: it
    // runs on its own, and a dialog must not come up unasked.
    explicit frmQuarnel(modApi& api, const QString& commandLine = {}, QSettings* settings = nullptr,
                        platform::Platform* unattended = nullptr, QWidget* parent = nullptr);

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
    // Along the bottom edge: what happened, and while the window waits on
    // the network, a busy indicator and the button that stops the wait.
    QStatusBar* const stbStatus = new QStatusBar(this);
    QLabel* const lblStatus = new QLabel;
    QProgressBar* const prgBusy = new QProgressBar;
    QPushButton* const cmdStop = new QPushButton;

    // The send-message window and the server picker, while they are loaded.
    // Closing this window unloads both (Form_QueryUnload).
    QPointer<QWidget> frmMessage;
    QPointer<QWidget> frmServers;
    // The share picker, while it is loaded.
    QPointer<QWidget> frmShares;

  public slots:
    // Lists the files held open on the server in txtServer, narrowed to
    // txtBasePath and txtUser, into lvwFiles, the rows of each batch as it
    // comes. Listing the same server again keeps the selection and the
    // scroll position on the files that are still listed.
    void cmdListFiles_Click();
    // Abandons the wait under way (Escape does the same): the window is idle
    // at once, and nothing the abandoned call brings reaches it.
    void cmdStop_Click();
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
    // The timed refresh: lists the server, base path and user of the latest
    // listing again, in the background. The rows change at once when it is
    // complete: new ones are marked for a moment, closed ones are gone, and
    // the selection and the scroll position stay on the files still listed.
    // A tick is left out while the window waits on the network, or a dialog
    // or menu is open. A failure is told in the status bar and leaves the
    // rows as they were.
    void tmrRefresh_Timer();
    // Sorts by the clicked column; a second click on it reverses the order.
    void lvwFiles_ColumnClick(int columnHeader);
    // Adds the selected row's user to the recipients of the send-message
    // window and shows it.
    void lvwFiles_DblClick();

  public:
    // Appends `name` to the recipients of the send-message window (creating
    // it when none is loaded) unless it is there already, then shows it as
    // cmdMessage does.
    void AddMessageRecipient(const QString& name);

    // The server whose open files lvwFiles holds: txtServer as the latest
    // listing read it.
    const QString& ListedServer() const { return mListed.server; }

    // Refreshes the list every `seconds` (0: never).
    void SetRefreshInterval(int seconds);
    int RefreshInterval() const;

    // The open file that `row` of lvwFiles stands for; null for no row.
    const OpenFileInfo* ListedFile(const ListItem& row) const;

    // The text of the status bar.
    QString StatusText() const { return lblStatus->text(); }

    // True from the start of a listing (or of the start-up's resolution)
    // until it has ended or was stopped.
    bool Busy() const { return busy_ > 0; }

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
    // backslashes) and the path on that server. A failure is told in the
    // status bar, and with `boxes` also in the message boxes a user can act
    // on. On false the outputs mean nothing.
    bool ResolveNetworkPath(const QString& path, QString& server, QString& localPath,
                            bool boxes = true);
    // The loaded send-message window, loaded first when there is none.
    quarnel::frmMessage& MessageWindow();

    // An operation that waits on the network (a listing, the start-up's
    // resolution): it shows `text` with the busy indicator and Stop, and
    // counts as stopped once Stop was pressed after it began.
    struct Operation {
        std::uint64_t stops;
    };
    Operation BeginOperation(const QString& text);
    bool Stopped(const Operation& operation) const { return operation.stops != stops_; }
    // Ends an operation that was not stopped.
    void EndOperation();
    void ShowBusy();
    void SetStatusText(const QString& text);
    // Adds the rows of the open-file table that the list does not show yet.
    void ShowRowsSoFar();

    void RestoreSettings();
    void SaveSettings();

    modApi& api_;
    platform::Platform& unattended_;
    QSettings* const settings_;
    // The inputs as the latest listing read them.
    struct Inputs {
        QString server, basePath, user;
    };
    Inputs mListed;
    bool listedOnce_ = false;
    // The text box a drag stands over ("txtBasePath", "txtUser"), empty once
    // it has left it. A drop leaves it as it is.
    QString mDragTarget;
    bool centred_ = false;
    QSize laidOutFrame_;      // the outer size the list was last laid out for
    int busy_ = 0;            // operations under way that were not stopped
    std::uint64_t stops_ = 0; // how often Stop was pressed (or the window closed)
    bool listing_ = false;    // a listing is under way and was not stopped
    int rowsShown_ = 0;       // entries of the open-file table that lvwFiles shows
    QTimer* const rowsSoFar_ = new QTimer(this); // adds the rows of new batches meanwhile
    std::uint64_t listings_ = 0;                 // how many listings the user started
    bool refreshing_ = false;                    // a timed refresh waits on the network
    QTimer* const tmrRefresh = new QTimer(this);
    QTimer* const marksFade_ = new QTimer(this); // unmarks the rows a refresh brought
};

} // namespace quarnel
