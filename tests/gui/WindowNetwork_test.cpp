// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The windows' network stack over the scripted platform: the main window
// while a call hangs on the worker thread until the test lets it go, and the
// sign-in when a server refuses.
#include "WindowNetwork.h"
#include "WindowTest.h"
#include "frmSignIn.h"

#include <QCloseEvent>
#include <QTimer>
#include <atomic>
#include <future>
#include <set>
#include <thread>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

class WhileACallHangs : public testing::Test {
  protected:
    void SetUp() override {
        // Every platform call waits until it is released; the threads they
        // ran on are read once the calls are over.
        fake.duringCall = [this] {
            threads.insert(std::this_thread::get_id());
            ++entered;
            released.wait();
        };
        fake.fileBatches.push_back({netstatus::MoreData, {{7, 3, 1, u"C:\\a.doc", u"ann"}}});
        fake.fileBatches.push_back({netstatus::Success, {{8, 1, 0, u"C:\\b.doc", u"bob"}}});
        fake.shareInfo[u"data"] = {netstatus::Success,
                                   {{u"data", 0, u"", 0, 0, 0, u"E:\\Data", u""}}};
    }

    void Open(const QString& commandLine = {}) {
        form = std::make_unique<frmQuarnel>(network.Api(), commandLine);
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    // Runs `probe` on the window thread once a call hangs on the worker,
    // then lets every call go.
    void WhenACallHangs(std::function<void()> probe) {
        QObject::connect(&poll, &QTimer::timeout, [this, probe = std::move(probe)] {
            if (entered == 0 || probed)
                return;
            probed = true;
            probe();
            release.set_value();
        });
        poll.start(5);
    }
    bool Probed() {
        return QTest::qWaitFor([&] { return probed; });
    }

    QTimer poll;
    bool probed = false;
    FakePlatform fake;
    WindowNetwork network{fake};
    std::unique_ptr<frmQuarnel> form;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> entered = 0;
    std::set<std::thread::id> threads;
};

// While a listing waits, the window takes input, but starts no second
// listing; Escape makes it idle at once, and what the abandoned call
// brings later never reaches the list. The next listing runs on the one
// worker thread, batch after batch.
TEST_F(WhileACallHangs, WindowTakesInputAndEscapeThrowsTheAnswerAway) {
    Open();
    form->txtServer->setText("srv");
    WhenACallHangs([&] {
        EXPECT_FALSE(form->cmdListFiles->isEnabled());
        EXPECT_TRUE(form->cmdStop->isVisible());
        EXPECT_EQ(form->cursor().shape(), Qt::BusyCursor);
        EXPECT_EQ(form->StatusText(), QStringLiteral("Listing the open files on \\\\srv\u2026"));
        QTest::keyClicks(form->txtUser, "bob");
        QTest::keyClick(form->txtUser, Qt::Key_Return);
        EXPECT_EQ(form->txtUser->text(), "bob");
        EXPECT_EQ(fake.fileCalls.size(), 1u);

        QTest::keyClick(form->txtUser, Qt::Key_Escape);
        EXPECT_TRUE(Idle(*form));
        EXPECT_EQ(form->StatusText(), "Stopped");
    });
    QTest::keyClick(form->txtServer, Qt::Key_Return);
    ASSERT_TRUE(Probed());
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 0);
    EXPECT_EQ(fake.fileCalls.size(), 1u); // the answer's "more data" was thrown away too
    EXPECT_TRUE(fake.allBuffersReleasedOnce());

    fake.fileBatches.push_front({netstatus::MoreData, {{9, 1, 0, u"C:\\c.doc", u"cy"}}});
    form->cmdListFiles->click();
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 2);
    EXPECT_TRUE(form->StatusText().startsWith("2 open files on \\\\srv at "));
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

// A window that records its closing in a shared log, and may refuse it.
struct Recorder : QWidget {
    Recorder(const char* name, QStringList& log, bool refuse) : log(log), refuse(refuse) {
        setObjectName(name);
    }
    void closeEvent(QCloseEvent* event) override {
        log << objectName();
        event->setAccepted(!refuse);
    }
    QStringList& log;
    bool refuse;
};

// Closing the main window, also while a call waits, closes it at once and
// unloads the send-message window, then the server picker, whatever they
// say about being closed.
TEST_F(WhileACallHangs, ClosingClosesAtOnceAndUnloadsTheOtherWindows) {
    Open();
    QStringList log;
    QPointer<QWidget> message = new Recorder("frmMessage", log, true); // hidden, and refuses
    QPointer<QWidget> servers = new Recorder("frmServers", log, false);
    servers->show();
    form->frmMessage = message;
    form->frmServers = servers;
    WhenACallHangs([&] {
        EXPECT_TRUE(form->close());
        EXPECT_FALSE(form->isVisible());
    });
    form->cmdListFiles->click();
    ASSERT_TRUE(Probed());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(log, QStringList({"frmMessage", "frmServers"}));
    EXPECT_TRUE(message.isNull() && servers.isNull());
    EXPECT_EQ(fake.fileCalls.size(), 1u);
    EXPECT_TRUE(fake.allBuffersReleasedOnce());
}

// Started with a path, the window is up with the path in its inputs while
// the server is asked about its share; then it lists (StartFromPath tests
// what it resolves and lists).
TEST_F(WhileACallHangs, StartedWithAPathTheWindowShowsBeforeTheServerAnswers) {
    WhenACallHangs([&] {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        EXPECT_EQ(form->txtBasePath->text(), "\\\\srv\\data\\a.doc");
        EXPECT_EQ(form->StatusText(), QStringLiteral("Looking up \\\\srv\\data\\a.doc\u2026"));
        EXPECT_TRUE(form->cmdStop->isVisible());
    });
    Open("\\\\srv\\data\\a.doc");
    ASSERT_TRUE(Probed());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->Busy(); }));
    EXPECT_EQ(form->txtBasePath->text(), "E:\\Data\\a.doc");
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 2);
}

// A refused listing asks once, on the window thread, and is made again on
// the worker with what was given; it asks only where credentials can be
// given, and Cancel passes the refusal on (the e2e test signs in to a real
// server after each refusal it gives). Whatever stands around the system's
// platform passes the timeout on to it, and a failure of the system's
// platform reaches the caller.
TEST(WindowNetwork, AsksOnceForARefusalAndCallsAgain) {
    const platform::Credentials given{u"DOM\\admin", u"secret", false};
    using Given = std::vector<std::pair<std::u16string, platform::Credentials>>;
    constexpr platform::NetStatus Ok = netstatus::Success, Denied = netstatus::AccessDenied,
                                  Refused = netstatus::LogonFailure;
    struct Case {
        const char* what;
        platform::NetStatus first, second;
        bool takesCredentials;
        std::optional<platform::Credentials> answer;
        int asks, calls;
        bool listed;
    };
    const Case cases[] = {
        {"access denied, signed in", Denied, Ok, true, given, 1, 2, true},
        {"expired ticket, signed in", netstatus::ContextExpired, Ok, true, given, 1, 2, true},
        {"cancelled", Denied, Ok, true, std::nullopt, 1, 1, false},
        {"refused again: asked once only", Refused, Refused, true, given, 1, 2, false},
        {"logon session only", Refused, Ok, false, given, 0, 1, false},
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
        EXPECT_EQ(fake.credentialsGiven, (c.calls == 2 ? Given{{u"\\\\srv", given}} : Given{}));
        api.Platform().SetTimeout(std::chrono::seconds(5));
        EXPECT_EQ(fake.timeout, std::chrono::seconds(5));
    }

    // The browse list signs in as the local computer does, with what was
    // given for it.
    FakePlatform fake;
    fake.signIn = {true, false};
    fake.serverBatches = {{Denied, {}}, {Ok, {{500, u"ALPHA"}}}};
    WindowNetwork network(fake, [&](const QString& server, const QString&, bool) {
        EXPECT_EQ(server, QString());
        return std::optional(given);
    });
    EXPECT_TRUE(network.Api().EnumServers(platform::servertype::Server, u"", u""));
    EXPECT_EQ(network.Api().ServerCount, 1);
    EXPECT_EQ(fake.credentialsGiven, (Given{{u"", given}}));

    FakePlatform failing; // NetFileEnum with no batch scripted throws: the caller hears it
    EXPECT_THROW(WindowNetwork(failing).Api().EnumOpenFiles(u"srv", u"", u""), std::logic_error);
}

// What the user types and the ticket's choice are driven in the end-to-end
// tests; the dialog for the browse list names the local computer.
TEST(SignInDialog, ForTheBrowseListNamesTheLocalComputerAndOffersNoTicketWithoutOne) {
    frmSignIn dialog(QString(), QStringLiteral("Access is denied."), false);
    EXPECT_TRUE(dialog.chkKerberos->isHidden());
    EXPECT_TRUE(dialog.windowTitle().endsWith(QStringLiteral("the local computer")));
}

} // namespace
} // namespace quarnel::test
