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
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace quarnel::test {

// Every input and button of `window` has a name that a screen reader can
// say (a button's caption names it when it holds a word), and no two of its
// controls, labels included, share an access key.
inline void ExpectNamedWithDistinctAccessKeys(const QWidget& window) {
    QString keys;
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        const QString text = control->property("text").toString();
        const auto* button = qobject_cast<const QAbstractButton*>(control);
        if (const qsizetype amp = text.indexOf(u'&');
            (button != nullptr || qobject_cast<const QLabel*>(control)) && amp >= 0) {
            EXPECT_FALSE(keys.contains(text[amp + 1].toLower())) << text.toStdString();
            keys += text[amp + 1].toLower();
        }
        const bool input = qobject_cast<const QLineEdit*>(control) ||
                           qobject_cast<const QPlainTextEdit*>(control) ||
                           (qobject_cast<const QAbstractItemView*>(control) &&
                            !qobject_cast<const QHeaderView*>(control));
        const bool wordless = button != nullptr && !text.contains(QRegularExpression("\\w"));
        if (input || wordless) {
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->metaObject()->className() << " " << text.toStdString();
        }
    }
}

class WindowTest : public testing::Test {
  protected:
    struct Box {
        QString prompt, title;
        MsgBoxButtons buttons;
        MsgBoxIcon icon;
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
        form = std::make_unique<frmQuarnel>(api);
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
