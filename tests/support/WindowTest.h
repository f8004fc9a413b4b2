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

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace quarnel::test {

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
