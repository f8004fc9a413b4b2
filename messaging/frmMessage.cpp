// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "frmMessage.h"

#include "Form.h"
#include "MsgBox.h"
#include "twips.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QShortcutEvent>
#include <QTextCursor>

namespace quarnel {

namespace {

// The client area and the status bar's height, in twips.
constexpr int FormWidth = 5505;
constexpr int FormHeight = 4350;
constexpr int StatusBarHeight = 315;

// Where the window opens: this far right of and below the main window's
// top left corner, in twips.
constexpr int OffsetFromOwnerLeft = 2000;
constexpr int OffsetFromOwnerTop = 1000;

constexpr int vbKeyDelete = 46;

// A recipient in the list: the list keeps them in alphabetical order, upper
// and lower case alike, which Qt's own item order (by character code) does
// not.
class RecipientItem : public QListWidgetItem {
  public:
    explicit RecipientItem(const QString& name) : QListWidgetItem(name) {}
    bool operator<(const QListWidgetItem& other) const override {
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

} // namespace

frmMessage::frmMessage(modApi& api, QWidget* owner) : QWidget(owner, Qt::Window), api_(api) {
    setAttribute(Qt::WA_DeleteOnClose); // closing unloads
    form::SetUp(*this, QStringLiteral("Send Network Message"), FormWidth, FormHeight);

    cmdAdd->setText(QStringLiteral("&Add"));
    Label1->setText(QStringLiteral("To"));
    Label2->setText(QStringLiteral("Message"));
    cmdClear->setText(QStringLiteral("&Clear list"));
    cmdSend->setText(QStringLiteral("&Send"));
    cmdHide->setText(QStringLiteral("&Hide"));
    cmdClose->setText(QStringLiteral("&Close"));
    for (QLabel* label : {Label1, Label2})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // No button is the default or the cancel button: Enter and Escape do
    // nothing by themselves.
    for (QPushButton* button : {cmdAdd, cmdClear, cmdSend, cmdHide, cmdClose}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    lstRecip->setSortingEnabled(true);
    lstRecip->setSelectionMode(QAbstractItemView::SingleSelection);
    txtMessage->setTabChangesFocus(true); // Tab moves on, as in every other field
    stbStatus->addWidget(statusPanel_, 1);

    form::PlaceControls({
        {txtRecip, 60, 90, 3540, 285},
        {cmdAdd, 3615, 45, 1110, 375},
        {Label1, 120, 450, 495, 255},
        {Label2, 1680, 450, 975, 255},
        {lstRecip, 0, 690, 1575, 2790},
        {txtMessage, 1560, 690, 3855, 2790},
        {cmdClear, 165, 3585, 1110, 375},
        {cmdSend, 1485, 3585, 1110, 375},
        {cmdHide, 2805, 3585, 1110, 375},
        {cmdClose, 4125, 3585, 1110, 375},
        {stbStatus, 0, 4035, 5505, 315},
    });

    // The keyboard order; the labels and the status bar take no focus.
    form::SetTabOrder(
        {txtMessage, txtRecip, cmdAdd, lstRecip, cmdSend, cmdHide, cmdClose, cmdClear});
    stbStatus->setFocusPolicy(Qt::NoFocus);
    txtMessage->setFocus();

    txtRecip->installEventFilter(this);
    lstRecip->installEventFilter(this);
    cmdAdd->installEventFilter(this);
    connect(cmdAdd, &QPushButton::clicked, this, &frmMessage::cmdAdd_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmMessage::cmdClear_Click);
    connect(cmdSend, &QPushButton::clicked, this, &frmMessage::cmdSend_Click);
    connect(cmdHide, &QPushButton::clicked, this, &frmMessage::cmdHide_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmMessage::cmdClose_Click);
    connect(txtMessage, &QPlainTextEdit::textChanged, this, &frmMessage::txtMessage_Change);

    Form_Load(owner);
}

void frmMessage::Form_Load(QWidget* owner) {
    if (owner == nullptr)
        return;
    // Both edges are the windows' outer edges, frame included.
    move(owner->pos() +
         QPoint(twips::ToPixels(OffsetFromOwnerLeft), twips::ToPixels(OffsetFromOwnerTop)));
}

void frmMessage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The status bar stays along the bottom edge over the full width; every
    // other control keeps its place.
    const int height = twips::ToPixels(StatusBarHeight);
    stbStatus->setGeometry(0, this->height() - height, width(), height);
}

bool frmMessage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtRecip && event->type() == QEvent::FocusIn)
        txtRecip_GotFocus();
    // The access key of "&Add" moves the focus to the button and clicks it
    // at once. Qt would leave the focus in the name field and click a moment
    // later, when the next name may already be half typed.
    if (watched == cmdAdd && event->type() == QEvent::Shortcut &&
        !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
        cmdAdd->setFocus(Qt::ShortcutFocusReason);
        cmdAdd->click();
        return true;
    }
    if (watched == lstRecip && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        lstRecip_KeyDown(vbKeyDelete);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString frmMessage::StatusText() const {
    return statusPanel_->text();
}

void frmMessage::SetStatusText(const QString& text) {
    statusPanel_->setText(text);
    statusPanel_->repaint(); // the send loop gives the event loop no chance to
}

QString frmMessage::MessageText() const {
    return txtMessage->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void frmMessage::AddRecipient(const QString& name) {
    lstRecip->addItem(new RecipientItem(name));
}

void frmMessage::txtRecip_GotFocus() {
    // Typing replaces the whole name.
    txtRecip->setSelection(0, static_cast<int>(txtRecip->text().size()));
}

void frmMessage::lstRecip_KeyDown(int keyCode) {
    // Shift, Ctrl and Alt make no difference.
    if (keyCode != vbKeyDelete)
        return;
    const QList<QListWidgetItem*> selected = lstRecip->selectedItems();
    if (selected.isEmpty())
        return;
    delete lstRecip->takeItem(lstRecip->row(selected.first()));
    lstRecip->clearSelection(); // nothing is selected after a removal
}

void frmMessage::txtMessage_Change() {
    // Counted as sent, each line break as CR LF.
    const QString text = txtMessage->toPlainText();
    const qsizetype length = text.size() + text.count(u'\n');
    if (length <= MaxMessageLength)
        return;
    const auto units = [&](qsizetype i) { return text[i] == u'\n' ? 2 : 1; };
    // What was just typed or pasted ends at the cursor: cut it back; when
    // that is not enough (text set from outside), cut the end of the text.
    qsizetype end = txtMessage->textCursor().position();
    qsizetype start = end;
    qsizetype excess = length - MaxMessageLength;
    while (start > 0 && excess > 0)
        excess -= units(--start);
    if (excess > 0) {
        end = start = text.size();
        excess = length - MaxMessageLength;
        while (start > 0 && excess > 0)
            excess -= units(--start);
    }
    if (start > 0 && text[start].isLowSurrogate() && text[start - 1].isHighSurrogate())
        --start; // never half a character
    QTextCursor cut(txtMessage->document());
    cut.setPosition(static_cast<int>(start));
    cut.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
    cut.removeSelectedText(); // changes the text again, now within the limit
}

void frmMessage::cmdAdd_Click() {
    const QStringView name = form::TrimSpaces(txtRecip->text());
    if (!name.isEmpty())
        AddRecipient(name.toString());
    // The focus stays on the button, where the click or the access key put
    // it (see eventFilter).
}

void frmMessage::cmdClear_Click() {
    lstRecip->clear();
}

void frmMessage::cmdSend_Click() {
    const QPointer<frmMessage> alive(this);
    setCursor(Qt::WaitCursor);
    struct Restore {
        const QPointer<frmMessage>& window;
        ~Restore() {
            if (window)
                window->unsetCursor();
        }
    } restore{alive};

    // The recipients are checked before the message.
    if (lstRecip->count() == 0) {
        MsgBox(this, QStringLiteral("No recipient selected"), MsgBoxButtons::OK,
               MsgBoxIcon::Exclamation, QStringLiteral("Select at least one recipient"));
        return;
    }
    const QString message = MessageText();
    if (form::TrimSpaces(message).isEmpty()) {
        MsgBox(this, QStringLiteral("Can not send an empty message!"), MsgBoxButtons::OK,
               MsgBoxIcon::Exclamation, QStringLiteral("No message text"));
        return;
    }

    const int count = lstRecip->count();
    for (int i = 0; i < count; ++i) {
        const QListWidgetItem* item = lstRecip->item(i);
        if (item == nullptr)
            break;
        const QString entry = item->text();
        SetStatusText(QStringLiteral("Sending message to ") + entry);
        std::u16string errorText;
        if (api_.SendNetMessage(message.toStdU16String(), entry.toStdU16String(), errorText, u"",
                                u"")) {
            SetStatusText(QStringLiteral("Message to ") + entry +
                          QStringLiteral(" send successfully"));
            continue;
        }
        const QString error = QString::fromStdU16String(errorText);
        SetStatusText(QStringLiteral("Sending message to ") + entry + QStringLiteral(" failed (") +
                      error + QStringLiteral(")"));
        const MsgBoxResult answer = MsgBox(
            this,
            QStringLiteral("Error sending message to : ") + entry + QStringLiteral("\r\n") + error +
                QStringLiteral("\r\n\r\nPress cancel to abort all messages"),
            MsgBoxButtons::OKCancel, MsgBoxIcon::Exclamation, QStringLiteral("Message not send"));
        if (!alive || answer == MsgBoxResult::Cancel)
            return;
    }
}

void frmMessage::cmdHide_Click() {
    hide(); // recipients, message and status text stay
}

void frmMessage::cmdClose_Click() {
    close(); // unloads: everything goes with the window
}

} // namespace quarnel
