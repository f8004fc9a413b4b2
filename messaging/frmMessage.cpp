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

#include <algorithm>

namespace quarnel {

namespace {

// The client area, in twips: also the smallest the window gets.
constexpr int FormWidth = 5505;
constexpr int FormHeight = 4350;

// Where the window opens: this far right of and below the main window's
// top left corner, in twips.
constexpr int OffsetFromOwnerLeft = 2000;
constexpr int OffsetFromOwnerTop = 1000;

constexpr int vbKeyDelete = 46;

// How a control follows a change of the window's size (see Form_Resize).
enum Follow : unsigned {
    Stays = 0,
    Wider = 1,  // its width grows with the window's
    Taller = 2, // its height grows with the window's
    Right = 4,  // it moves with the right edge
    Down = 8,   // it moves with the bottom edge
};

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

    setMinimumSize(twips::ToPixels(FormWidth), twips::ToPixels(FormHeight));

    // Each access key is the window's own: the labels lead to their fields.
    cmdAdd->setText(QStringLiteral("&Add"));
    Label1->setText(QStringLiteral("&To"));
    Label1->setBuddy(lstRecip);
    Label2->setText(QStringLiteral("&Message"));
    Label2->setBuddy(txtMessage);
    cmdClear->setText(QStringLiteral("C&lear list"));
    cmdSend->setText(QStringLiteral("&Send"));
    cmdHide->setText(QStringLiteral("&Hide"));
    cmdClose->setText(QStringLiteral("&Close"));
    txtRecip->setAccessibleName(QStringLiteral("Recipient"));
    lstRecip->setAccessibleName(QStringLiteral("Recipients"));
    txtMessage->setAccessibleName(QStringLiteral("Message"));
    for (QLabel* label : {Label1, Label2})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // No button is the default: Enter in the name field adds the name, and
    // elsewhere does what the focused control does with it.
    for (QPushButton* button : {cmdAdd, cmdClear, cmdSend, cmdHide, cmdClose}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    lstRecip->setSortingEnabled(true);
    lstRecip->setSelectionMode(QAbstractItemView::SingleSelection);
    txtMessage->setTabChangesFocus(true); // Tab moves on, as in every other field
    stbStatus->addWidget(statusPanel_, 1);

    Form_Resize();

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
    Form_Resize();
}

// Each control's place at the window's first size, in twips, and how it
// follows a larger one: the message grows with the window, the recipients
// grow downwards, the buttons and the status bar keep to the bottom edge,
// and the name field and Add keep to the top, Add at the right edge.
void frmMessage::Form_Resize() {
    struct Placed {
        QWidget* control;
        int left, top, width, height;
        unsigned follow;
    };
    const Placed layout[] = {
        {txtRecip, 60, 90, 3540, 285, Wider},
        {cmdAdd, 3615, 45, 1110, 375, Right},
        {Label1, 120, 450, 495, 255, Stays},
        {Label2, 1680, 450, 975, 255, Stays},
        {lstRecip, 0, 690, 1575, 2790, Taller},
        {txtMessage, 1560, 690, 3855, 2790, Wider | Taller},
        {cmdClear, 165, 3585, 1110, 375, Down},
        {cmdSend, 1485, 3585, 1110, 375, Down},
        {cmdHide, 2805, 3585, 1110, 375, Down},
        {cmdClose, 4125, 3585, 1110, 375, Down},
        {stbStatus, 0, 4035, 5505, 315, Wider | Down},
    };
    const int wider = std::max(0, width() - twips::ToPixels(FormWidth));
    const int taller = std::max(0, height() - twips::ToPixels(FormHeight));
    for (const Placed& p : layout) {
        QRect place = twips::Rect(p.left, p.top, p.width, p.height);
        place.adjust((p.follow & Right) ? wider : 0, (p.follow & Down) ? taller : 0,
                     (p.follow & (Wider | Right)) ? wider : 0,
                     (p.follow & (Taller | Down)) ? taller : 0);
        p.control->setGeometry(place);
    }
}

void frmMessage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close(); // as the close box does
        return;
    }
    QWidget::keyPressEvent(event);
}

bool frmMessage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtRecip && event->type() == QEvent::FocusIn)
        txtRecip_GotFocus();
    // Enter in the name field adds the name, and the field is ready for the
    // next one.
    if (watched == txtRecip && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cmdAdd_Click();
            txtRecip_GotFocus();
            return true;
        }
    }
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
    // A name in the list already would get the message twice.
    for (int i = 0; i < lstRecip->count(); ++i)
        if (lstRecip->item(i)->text().compare(name, Qt::CaseInsensitive) == 0)
            return;
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
            if (window) {
                window->unsetCursor();
                window->cmdSend->setEnabled(true);
            }
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

    // The window takes input while each message waits on the network, but
    // no second round of sending starts inside this one.
    cmdSend->setEnabled(false);
    const int count = lstRecip->count();
    for (int i = 0; i < count; ++i) {
        const QListWidgetItem* item = lstRecip->item(i);
        if (item == nullptr)
            break;
        const QString entry = item->text();
        SetStatusText(QStringLiteral("Sending message to ") + entry);
        std::u16string errorText;
        const bool sent = api_.SendNetMessage(message.toStdU16String(), entry.toStdU16String(),
                                              errorText, u"", u"");
        if (!alive)
            return; // closed meanwhile: the rest get nothing
        if (sent) {
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
