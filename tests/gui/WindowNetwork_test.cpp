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
        form = std::make_unique<frmQuarnel>(network.Api());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        fake.duringCall = [this] { gate.Pass(); };
        fake.fileBatches.push_back({netstatus::MoreData, {{7, 3, 1, u"C:\\a.doc", u"ann"}}});
        fake.fileBatches.push_back({netstatus::Success, {{8, 1, 0, u"C:\\b.doc", u"bob"}}});
        form->txtServer->setText("srv");
    }

    // Starts the listing and runs `probe` on the window thread once the
    // first call hangs; lets the call go after it. True when the probe ran.
    bool ListWhileHanging(const std::function<void()>& probe) {
        bool probed = false;
        QTimer::singleShot(0, form.get(), [&] {
            probed = QTest::qWaitFor([&] { return gate.Entered() == 1; });
            probe();
            gate.Release();
        });
        QTest::keyClick(form->txtServer, Qt::Key_Return);
        return probed;
    }

    QStringList Rows() const {
        QStringList rows;
        for (int i = 1; i <= form->lvwFiles->ListItemCount(); ++i) {
            const ListItem item = form->lvwFiles->ListItemAt(i);
            rows << item.Text() + '|' + item.SubItem(1) + '|' + item.SubItem(3);
        }
        return rows;
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

TEST_F(WhileACallHangs, WindowRepaintsButTakesNoInputAndTheListingEndsAsUsual) {
    PaintCounter counter;
    bool repainted = false;
    ASSERT_TRUE(ListWhileHanging([&] {
        form->lvwFiles->viewport()->installEventFilter(&counter);
        form->lvwFiles->viewport()->update();
        repainted = QTest::qWaitFor([&] { return counter.paints > 0; });
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

        QTest::keyClicks(form->txtServer, "typed");
        QTest::keyClick(form->txtUser, Qt::Key_Return);
        QTest::mouseClick(form->cmdListFiles, Qt::LeftButton);
        QTest::mouseClick(form->cmdMessage, Qt::LeftButton);
        QTest::keyClick(form->txtServer, Qt::Key_M, Qt::AltModifier);
        EXPECT_EQ(form->txtServer->text(), "srv");
        EXPECT_EQ(fake.fileCalls.size(), 1u);
    }));
    EXPECT_TRUE(repainted);

    EXPECT_EQ(Rows(), QStringList({"ann|C:\\a.doc|RW ", "bob|C:\\b.doc|R  "}));
    EXPECT_EQ(fake.fileCalls.size(), 2u);
    EXPECT_EQ(form->txtServer->text(), "srv");
    EXPECT_TRUE(form->frmMessage.isNull()); // the click on "Message" opened nothing
    EXPECT_TRUE(form->cmdListFiles->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(fake.allBuffersReleasedOnce());

    // Both batches ran on one thread, and not on the window's.
    const std::set<std::thread::id> threads = gate.Threads();
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

TEST_F(WhileACallHangs, CloseRequestIsCarriedOutOnceTheCallHasReturned) {
    ASSERT_TRUE(ListWhileHanging([&] {
        form->close();
        EXPECT_TRUE(form->isVisible());
    }));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(fake.fileCalls.size(), 2u); // the listing went on to its end
    EXPECT_TRUE(fake.allBuffersReleasedOnce());
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
        {"expired ticket, signed in", netstatus::ContextExpired, netstatus::Success, true, given, 1,
         2, true},
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

    // The browse list signs in as the local computer does, with what was
    // given for it.
    FakePlatform fake;
    fake.signIn = {true, false};
    fake.serverBatches.push_back({netstatus::AccessDenied, {}});
    fake.serverBatches.push_back({netstatus::Success, {{500, u"ALPHA"}}});
    WindowNetwork network(fake, [&](const QString& server, const QString&, bool) {
        EXPECT_EQ(server, QString());
        return std::optional(given);
    });
    EXPECT_TRUE(network.Api().EnumServers(platform::servertype::Server, u"", u""));
    EXPECT_EQ(network.Api().ServerCount, 1);
    EXPECT_EQ(fake.credentialsGiven,
              (std::vector<std::pair<std::u16string, platform::Credentials>>{{u"", given}}));
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
