// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The windows' network stack over the scripted platform: the main window
// while a call hangs on the worker thread until the test lets it go, and the
// sign-in when a server refuses.
#include "FakePlatform.h"
#include "WindowNetwork.h"
#include "frmQuarnel.h"
#include "frmSignIn.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <thread>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

// Holds every platform call until Release; records the threads they ran on.
class Gate {
  public:
    void Pass() {
        std::unique_lock lock(mutex_);
        threads_.insert(std::this_thread::get_id());
        ++entered_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
    }
    void Release() {
        const std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    int Entered() {
        const std::lock_guard lock(mutex_);
        return entered_;
    }
    std::set<std::thread::id> Threads() {
        const std::lock_guard lock(mutex_);
        return threads_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool released_ = false;
    int entered_ = 0;
    std::set<std::thread::id> threads_;
};

class WhileACallHangs : public testing::Test {
  protected:
    void SetUp() override {
        fake.duringCall = [this] { gate.Pass(); };
        fake.fileBatches.push_back({netstatus::MoreData, {{7, 3, 1, u"C:\\a.doc", u"ann"}}});
        fake.fileBatches.push_back({netstatus::Success, {{8, 1, 0, u"C:\\b.doc", u"bob"}}});
        fake.shareInfo[u"data"] = {netstatus::Success,
                                   {{u"data", 0, u"", 0, 0, 0, u"E:\\Data", u""}}};
    }

    void Open(const QString& commandLine = {}) {
        form = std::make_unique<frmQuarnel>(network.Api(), commandLine);
        form->show();
    }

    // Runs `probe` on the window thread once a call hangs on the worker,
    // then lets every call go; `start` begins what makes the call. True
    // when the probe ran.
    bool WhileHanging(const std::function<void()>& start, const std::function<void()>& probe) {
        bool probed = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (gate.Entered() == 0 || probed)
                return;
            probed = true;
            probe();
            gate.Release();
        });
        poll.start(5);
        start();
        return QTest::qWaitFor([&] { return probed; });
    }

    FakePlatform fake;
    WindowNetwork network{fake};
    std::unique_ptr<frmQuarnel> form;
    Gate gate;
};

class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// While a listing waits, the window repaints and takes input, but starts no
// second listing; Escape makes it idle at once, and what the abandoned call
// brings later never reaches the list. The next listing runs on the one
// worker thread, batch after batch.
TEST_F(WhileACallHangs, WindowTakesInputAndEscapeThrowsTheAnswerAway) {
    Open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->txtServer->setText("srv");
    PaintCounter counter;
    ASSERT_TRUE(WhileHanging([&] { QTest::keyClick(form->txtServer, Qt::Key_Return); },
                             [&] {
                                 form->lvwFiles->viewport()->installEventFilter(&counter);
                                 form->lvwFiles->viewport()->update();
                                 EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }));
                                 EXPECT_FALSE(form->cmdListFiles->isEnabled());
                                 EXPECT_TRUE(form->cmdStop->isVisible());
                                 EXPECT_EQ(
                                     form->StatusText(),
                                     QStringLiteral("Listing the open files on \\\\srv\u2026"));
                                 QTest::keyClicks(form->txtUser, "bob");
                                 QTest::keyClick(form->txtUser, Qt::Key_Return);
                                 EXPECT_EQ(form->txtUser->text(), "bob");
                                 EXPECT_EQ(fake.fileCalls.size(), 1u);

                                 QTest::keyClick(form->txtUser, Qt::Key_Escape);
                                 EXPECT_TRUE(form->cmdListFiles->isEnabled());
                                 EXPECT_FALSE(form->cmdStop->isVisible());
                                 EXPECT_EQ(form->StatusText(), "Stopped");
                             }));
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 0);
    EXPECT_EQ(fake.fileCalls.size(), 1u); // the answer's "more data" was thrown away too
    EXPECT_TRUE(fake.allBuffersReleasedOnce());

    fake.fileBatches.push_front({netstatus::MoreData, {{9, 1, 0, u"C:\\c.doc", u"cy"}}});
    form->cmdListFiles->click();
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 2);
    EXPECT_TRUE(form->StatusText().startsWith("2 open files on \\\\srv at "));
    const std::set<std::thread::id> threads = gate.Threads();
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

TEST_F(WhileACallHangs, ClosingClosesAtOnce) {
    Open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    ASSERT_TRUE(WhileHanging([&] { form->cmdListFiles->click(); },
                             [&] {
                                 form->close();
                                 EXPECT_FALSE(form->isVisible());
                             }));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(fake.fileCalls.size(), 1u);
    EXPECT_TRUE(fake.allBuffersReleasedOnce());
}

// Started with a path, the window is up with the path in its inputs while
// the server is asked about its share; then it lists.
TEST_F(WhileACallHangs, StartedWithAPathTheWindowShowsBeforeTheServerAnswers) {
    ASSERT_TRUE(WhileHanging([&] { Open("\\\\srv\\data\\a.doc"); },
                             [&] {
                                 EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
                                 EXPECT_EQ(form->txtBasePath->text(), "\\\\srv\\data\\a.doc");
                                 EXPECT_EQ(form->StatusText(),
                                           QStringLiteral("Looking up \\\\srv\\data\\a.doc\u2026"));
                                 EXPECT_TRUE(form->cmdStop->isVisible());
                             }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->Busy(); }));
    EXPECT_EQ(form->txtServer->text(), "\\\\srv");
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Data\\a.doc");
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 2);
}

TEST(WindowNetwork, FailureOfTheBackendReachesTheCaller) {
    FakePlatform fake; // NetFileEnum with no batch scripted throws
    WindowNetwork network(fake);
    EXPECT_THROW(network.Api().EnumOpenFiles(u"srv", u"", u""), std::logic_error);
}

// A refused listing asks once, on the window thread, and is made again on
// the worker with what was given; it asks only for a refusal, only where
// credentials can be given, and Cancel passes the refusal on. Whatever
// stands around the system's platform passes the timeout on to it.
TEST(WindowNetwork, AsksOnceForARefusalAndCallsAgain) {
    const platform::Credentials given{u"DOM\\admin", u"secret", false};
    struct Case {
        const char* what;
        platform::NetStatus first, second;
        bool takesCredentials;
        std::optional<platform::Credentials> answer;
        int asks, calls;
        bool listed;
    };
    const Case cases[] = {
        {"logon failure, signed in", netstatus::LogonFailure, netstatus::Success, true, given, 1, 2,
         true},
        {"access denied, signed in", netstatus::AccessDenied, netstatus::Success, true, given, 1, 2,
         true},
        {"cancelled", netstatus::AccessDenied, netstatus::Success, true, std::nullopt, 1, 1, false},
        {"refused again: asked once only", netstatus::LogonFailure, netstatus::LogonFailure, true,
         given, 1, 2, false},
        {"no refusal", netstatus::BadNetPath, netstatus::Success, true, given, 0, 1, false},
        {"logon session only", netstatus::LogonFailure, netstatus::Success, false, given, 0, 1,
         false},
    };
    const std::thread::id windowThread = std::this_thread::get_id();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakePlatform fake;
        fake.signIn = {c.takesCredentials, true};
        fake.fileBatches.push_back({c.first, {}, /*bufferOnFailure=*/true});
        fake.fileBatches.push_back({c.second, {FakeFile{7, 1, 0, u"C:\\a", u"bob"}}});
        fake.duringCall = [&] { EXPECT_NE(std::this_thread::get_id(), windowThread); };
        int asks = 0;
        WindowNetwork network(
            fake, [&](const QString& server, const QString& reason, bool offerKerberos) {
                ++asks;
                EXPECT_EQ(std::this_thread::get_id(), windowThread);
                EXPECT_EQ(server, QStringLiteral("\\\\srv"));
                EXPECT_FALSE(reason.isEmpty());
                EXPECT_TRUE(offerKerberos);
                return c.answer;
            });
        modApi& api = network.Api();
        EXPECT_EQ(api.EnumOpenFiles(u"srv", u"", u"") && api.OpenFileCount == 1, c.listed);
        EXPECT_EQ(asks, c.asks);
        EXPECT_EQ(static_cast<int>(fake.fileCalls.size()), c.calls);
        EXPECT_TRUE(fake.allBuffersReleasedOnce());
        if (c.calls == 2)
            ASSERT_EQ(fake.credentialsGiven,
                      (std::vector<std::pair<std::u16string, platform::Credentials>>{
                          {u"\\\\srv", given}}));
        else
            EXPECT_TRUE(fake.credentialsGiven.empty());
        api.Platform().SetTimeout(std::chrono::seconds(5));
        EXPECT_EQ(fake.timeout, std::chrono::seconds(5));
    }
}

// The dialog gives what was typed, or the ticket alone; OK waits for a user
// name unless the ticket is chosen.
TEST(SignInDialog, GivesWhatWasEntered) {
    frmSignIn dialog(QStringLiteral("\\\\srv"), QStringLiteral("Access is denied."), true);
    EXPECT_FALSE(dialog.cmdOK->isEnabled());
    QTest::keyClicks(dialog.txtUser, QStringLiteral("DOM\\admin"));
    QTest::keyClicks(dialog.txtPassword, QStringLiteral("secret"));
    EXPECT_TRUE(dialog.cmdOK->isEnabled());
    EXPECT_EQ(dialog.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.Entered(), (platform::Credentials{u"DOM\\admin", u"secret", false}));
    dialog.chkKerberos->setChecked(true);
    EXPECT_FALSE(dialog.txtPassword->isEnabled());
    EXPECT_EQ(dialog.Entered(), (platform::Credentials{{}, {}, true}));

    frmSignIn withoutTicket(QString(), QStringLiteral("Access is denied."), false);
    EXPECT_TRUE(withoutTicket.chkKerberos->isHidden());
    EXPECT_TRUE(withoutTicket.windowTitle().endsWith(QStringLiteral("the local computer")));
}

} // namespace
} // namespace quarnel::test
