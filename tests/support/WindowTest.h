// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The main window over the scripted platform, shown as the program shows it,
// with the window system's events handled while a call yields. Every message
// box is recorded and answered from `answers`; once they are used up, a
// question gets Yes and any other box OK.
#pragma once

#include "FakePlatform.h"
#include "MsgBox.h"
#include "frmQuarnel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace quarnel::test {

// Every control of `window` that takes the focus has a name that a screen
// reader can say (a button's caption names it when it holds a word), and no
// two of its controls, labels included, share an access key.
inline void ExpectNamedWithDistinctAccessKeys(const QWidget& window) {
    QString keys;
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        const QString text = control->property("text").toString();
        const bool captioned =
            qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QLabel*>(control);
        if (const qsizetype amp = text.indexOf(u'&'); captioned && amp >= 0) {
            EXPECT_FALSE(keys.contains(text[amp + 1].toLower())) << text.toStdString();
            keys += text[amp + 1].toLower();
        }
        EXPECT_TRUE(control->focusPolicy() == Qt::NoFocus || !control->accessibleName().isEmpty() ||
                    (captioned && text.contains(QRegularExpression("\\w"))))
            << control->metaObject()->className();
    }
}

// Tab leads from each control of `order` to the next, and from the last to
// the first.
inline void ExpectTabOrder(const std::vector<QWidget*>& order) {
    order.front()->setFocus();
    for (std::size_t i = 1; i <= order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[i % order.size()]) << "after " << i << " tabs";
    }
}

// The window waits for nothing: the list can be asked for, with the arrow
// pointer and no Stop button.
inline bool Idle(const frmQuarnel& form) {
    return form.cmdListFiles->isEnabled() && form.cursor().shape() == Qt::ArrowCursor &&
           !form.cmdStop->isVisible();
}

class WindowTest : public testing::Test {
  protected:
    struct Box {
        QString prompt, title;
        MsgBoxButtons buttons;
        MsgBoxIcon icon;
        bool operator==(const Box&) const = default;
        friend void PrintTo(const Box& box, std::ostream* out) {
            *out << box.title.toStdString() << ": " << box.prompt.toStdString();
        }
    };

    void SetUp() override {
        // As the program yields, but without its worker thread: the scripted
        // platform answers on the window thread.
        api.SetYieldHook([] { QCoreApplication::processEvents(); });
        SetMsgBoxHandler([this](const QString& prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                                const QString& title) {
            boxes.push_back({prompt, title, buttons, icon});
            if (!answers.empty())
                return answers.takeFirst();
            return buttons == MsgBoxButtons::YesNo ? MsgBoxResult::Yes : MsgBoxResult::OK;
        });
        Reopen();
    }

    // A new window in place of the last, started with `commandLine`.
    void Reopen(const QString& commandLine = {}) {
        form = std::make_unique<frmQuarnel>(api, commandLine);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    void TearDown() override {
        SetMsgBoxHandler({});
        form.reset();
    }

    // The next listing's batch of files.
    void Script(std::vector<FakeFile> files,
                platform::NetStatus status = platform::netstatus::Success) {
        platform.fileBatches.push_back({status, std::move(files)});
    }

    QStringList Titles() const {
        QStringList titles;
        for (const Box& box : boxes)
            titles << box.title;
        return titles;
    }

    FakePlatform platform;
    modApi api{platform};
    std::unique_ptr<frmQuarnel> form;
    std::vector<Box> boxes;
    QList<MsgBoxResult> answers;
};

} // namespace quarnel::test
