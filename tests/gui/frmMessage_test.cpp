// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The send-message window over the scripted platform, opened from the main
// window as the user opens it; message boxes are answered by a handler.
#include "WindowTest.h"
#include "frmMessage.h"
#include "twips.h"

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

class MessageWindow : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        form->move(100, 50);
        window = Open();
    }

    frmMessage* Open() {
        form->cmdMessage->click();
        auto* opened = qobject_cast<frmMessage*>(form->frmMessage.data());
        EXPECT_TRUE(opened != nullptr && QTest::qWaitForWindowExposed(opened));
        return opened;
    }

    void Add(const QString& name) {
        window->txtRecip->setText(name);
        window->cmdAdd->click();
    }

    // Adds `recipients` and sends `text` as the user does; returns what the
    // status bar said during each call, which runs under the hourglass.
    QStringList Send(const QStringList& recipients, const QString& text) {
        for (const QString& name : recipients)
            window->AddRecipient(name);
        window->txtMessage->setPlainText(text);
        QStringList progress;
        platform.duringCall = [&] {
            progress << window->StatusText();
            EXPECT_EQ(window->cursor().shape(), Qt::WaitCursor);
        };
        window->cmdSend->click();
        platform.duringCall = nullptr;
        EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
        return progress;
    }

    QStringList Recipients() const {
        QStringList names;
        for (int i = 0; i < window->lstRecip->count(); ++i)
            names << window->lstRecip->item(i)->text();
        return names;
    }

    frmMessage* window = nullptr;
};

// It opens beside the main window (HideKeepsEverythingAndCloseDiscardsIt
// checks where, and that it opens empty); the message grows with the
// window, the buttons and the status bar keep to the bottom edge, Add to
// the right edge. Tab starts in the message and skips the labels.
TEST_F(MessageWindow, OpensOwnedByTheMainWindowAndFollowsItsSizeAndTheTabOrder) {
    EXPECT_EQ(window->windowTitle(), "Send Network Message");
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(window->parentWidget(), form.get());
    EXPECT_TRUE(window->isWindow());
    EXPECT_FALSE(window->isModal());

    QStringList captions;
    for (QPushButton* b :
         {window->cmdAdd, window->cmdClear, window->cmdSend, window->cmdHide, window->cmdClose}) {
        captions << b->text();
        EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->text().toStdString();
    }
    EXPECT_EQ(captions, QStringList({"&Add", "C&lear list", "&Send", "&Hide", "&Close"}));
    ExpectNamedWithDistinctAccessKeys(*window);

    window->resize(500, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->stbStatus->geometry(), QRect(0, 400 - 21, 500, 21));
    EXPECT_EQ(window->cmdSend->geometry(), twips::Rect(1485, 3585, 1110, 375).translated(0, 110));
    EXPECT_EQ(window->txtMessage->geometry(),
              twips::Rect(1560, 690, 3855, 2790).adjusted(0, 0, 133, 110));
    EXPECT_EQ(window->cmdAdd->geometry(), twips::Rect(3615, 45, 1110, 375).translated(133, 0));

    QApplication::setActiveWindow(window);
    EXPECT_EQ(QApplication::focusWidget(), window->txtMessage);
    ExpectTabOrder({window->txtMessage, window->txtRecip, window->cmdAdd, window->lstRecip,
                    window->cmdSend, window->cmdHide, window->cmdClose, window->cmdClear});
    EXPECT_TRUE(window->txtMessage->toPlainText().isEmpty()); // Tab typed nothing

    // Getting the focus selects the whole recipient.
    window->txtRecip->setText("someone");
    window->txtRecip->deselect();
    window->txtRecip->setFocus();
    EXPECT_EQ(window->txtRecip->selectedText(), "someone");
}

// Add (and Enter in the name field) trims the name, keeps the list sorted
// and takes no name twice; sending removes nobody; Delete (with any
// modifiers) removes the selected entry.
TEST_F(MessageWindow, RecipientsAreAddedTrimmedAndSortedAndDeleteRemovesTheSelectedOne) {
    QApplication::setActiveWindow(window);
    window->txtRecip->setFocus();
    Add("   ");
    EXPECT_EQ(window->lstRecip->count(), 0);
    // The access key clicks the button at once, typed ahead or not, and the
    // focus ends on it.
    window->txtRecip->setText("  carl ");
    QTest::keyClick(window, Qt::Key_A, Qt::AltModifier);
    QTest::keyClicks(QApplication::focusWidget(), "xyz");
    EXPECT_EQ(Recipients(), QStringList({"carl"}));
    EXPECT_EQ(window->txtRecip->text(), "  carl "); // the field keeps its text
    EXPECT_EQ(QApplication::focusWidget(), window->cmdAdd);
    Add("Bob");
    window->txtRecip->setText("alice");
    QTest::keyClick(window->txtRecip, Qt::Key_Return);
    EXPECT_EQ(window->txtRecip->selectedText(), "alice"); // ready for the next name
    Add("bob");
    window->AddRecipient(" dave "); // from outside: unchanged
    window->AddRecipient("Alice");
    // Alphabetical, upper and lower case alike.
    EXPECT_EQ(Recipients(), QStringList({" dave ", "alice", "Bob", "carl"}));

    Send({}, "Please close the file");
    ASSERT_EQ(platform.messageCalls.size(), 4u);
    EXPECT_EQ(platform.messageCalls[0].msgName, u" dave ");
    EXPECT_EQ(platform.messageCalls[2].msgName, u"Bob");
    EXPECT_EQ(window->StatusText(), "Message to carl send successfully");
    EXPECT_EQ(window->lstRecip->count(), 4);

    window->lstRecip->setFocus();
    QTest::keyClick(window->lstRecip, Qt::Key_Delete); // nothing selected
    EXPECT_EQ(window->lstRecip->count(), 4);
    window->lstRecip->item(1)->setSelected(true);
    QTest::keyClick(window->lstRecip, Qt::Key_Backspace);
    EXPECT_EQ(window->lstRecip->count(), 4);
    QTest::keyClick(window->lstRecip, Qt::Key_Delete, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(Recipients(), QStringList({" dave ", "Bob", "carl"}));
    QTest::keyClick(window->lstRecip, Qt::Key_Delete); // nothing is selected any more
    EXPECT_EQ(window->lstRecip->count(), 3);
    window->cmdClear->click();
    EXPECT_EQ(window->lstRecip->count(), 0);
}

TEST_F(MessageWindow, NothingIsSentWithoutARecipientOrText) {
    Send({}, "hi");
    Send({"ann"}, "    ");
    EXPECT_EQ(boxes, (std::vector<Box>{{"No recipient selected", "Select at least one recipient",
                                        MsgBoxButtons::OK, MsgBoxIcon::Exclamation},
                                       {"Can not send an empty message!", "No message text",
                                        MsgBoxButtons::OK, MsgBoxIcon::Exclamation}}));
    EXPECT_TRUE(platform.messageCalls.empty());
    EXPECT_TRUE(window->StatusText().isEmpty());

    // Line breaks alone are a message, sent as typed with CR LF.
    Send({}, "\n\n");
    EXPECT_EQ(boxes.size(), 2u);
    ASSERT_EQ(platform.messageCalls.size(), 1u);
    EXPECT_EQ(platform.messageCalls[0].Text(), u"\r\n\r\n");
    EXPECT_FALSE(platform.messageCalls[0].server || platform.messageCalls[0].fromName);
}

// Each recipient in turn, the status bar telling each during its call; after
// a failure OK goes on, and the last outcome stays; Cancel spares the rest.
TEST_F(MessageWindow, EachRecipientInTurnAndAfterAFailureOkGoesOnCancelStops) {
    platform.messageStatuses = {netstatus::BadNetPath, netstatus::Success, 1};
    EXPECT_EQ(Send({"ann", "bob", "carl"}, " hi "),
              QStringList(
                  {"Sending message to ann", "Sending message to bob", "Sending message to carl"}));
    EXPECT_EQ(platform.messageCalls.at(1).Text(), u" hi "); // not trimmed
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].prompt.startsWith("Error sending message to : ann\r\nBad network path"));
    EXPECT_EQ(window->StatusText(), "Sending message to carl failed (Unknown error)");

    platform.messageCalls.clear();
    boxes.clear();
    platform.messageStatuses = {netstatus::NameNotFound};
    answers = {MsgBoxResult::Cancel};
    Send({}, "hello");
    EXPECT_EQ(platform.messageCalls.size(), 1u);
    EXPECT_EQ(boxes, (std::vector<Box>{{"Error sending message to : ann\r\n"
                                        "Message alias could not be found on the network.\r\n\r\n"
                                        "Press cancel to abort all messages",
                                        "Message not send", MsgBoxButtons::OKCancel,
                                        MsgBoxIcon::Exclamation}}));
    EXPECT_EQ(window->StatusText(),
              "Sending message to ann failed (Message alias could not be found on the network.)");
}

TEST_F(MessageWindow, HideKeepsEverythingAndCloseDiscardsIt) {
    Send({"ann"}, "keep me");
    const QPoint placed = window->pos();

    window->cmdHide->click();
    EXPECT_FALSE(window->isVisible());
    form->move(form->pos() + QPoint(40, 40));
    EXPECT_EQ(Open(), window); // the same instance, where it was
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), placed);
    EXPECT_EQ(Recipients(), QStringList({"ann"}));
    EXPECT_EQ(window->txtMessage->toPlainText(), "keep me");
    EXPECT_EQ(window->StatusText(), "Message to ann send successfully");

    window->cmdClose->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form->frmMessage.isNull());
    window = Open(); // a fresh instance, placed anew
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->lstRecip->count(), 0);
    EXPECT_TRUE(window->txtMessage->toPlainText().isEmpty());
    EXPECT_TRUE(window->StatusText().isEmpty());
    EXPECT_EQ(window->pos(), form->pos() + QPoint(133, 67));

    QTest::keyClick(window->txtMessage, Qt::Key_Escape); // as the close box does, as Close does
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form->frmMessage.isNull());
}

TEST_F(MessageWindow, MessageIsLimitedAsSentAndALongPasteIsCut) {
    QPlainTextEdit* text = window->txtMessage;
    text->insertPlainText(QString(1000, u'x'));
    EXPECT_EQ(text->toPlainText().size(), 890);

    // Typing at the limit adds nothing; a line break counts as CR LF.
    text->setPlainText(QString(889, u'y'));
    text->moveCursor(QTextCursor::End);
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(text->toPlainText(), QString(889, u'y'));
    QTest::keyClick(text, Qt::Key_Z);
    EXPECT_EQ(window->MessageText().size(), 890);

    // A paste in the middle is cut; what stood after it stays.
    text->setPlainText(QString(880, u'a') + "END");
    QTextCursor cursor = text->textCursor();
    cursor.setPosition(10);
    text->setTextCursor(cursor);
    text->insertPlainText(QString(50, u'b'));
    const QString result = text->toPlainText();
    EXPECT_EQ(result.size(), 890);
    EXPECT_TRUE(result.endsWith("aaaEND"));
    EXPECT_EQ(result.count(u'b'), 7);
}

} // namespace
} // namespace quarnel::test
