// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The main window over the responsive platform, while a network call hangs
// on a platform call that the test holds until it lets it go.
#include "FakePlatform.h"
#include "ResponsivePlatform.h"
#include "frmQuarnel.h"

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
        responsive.SetYieldHook([] { QCoreApplication::processEvents(); });
        form = std::make_unique<frmQuarnel>(api);
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
    ResponsivePlatform responsive{fake};
    modApi api{responsive};
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

TEST(ResponsivePlatform, FailureOfTheBackendReachesTheCaller) {
    FakePlatform fake; // NetFileEnum with no batch scripted throws
    ResponsivePlatform responsive(fake);
    modApi api(responsive);
    EXPECT_THROW(api.EnumOpenFiles(u"srv", u"", u""), std::logic_error);
}

} // namespace
} // namespace quarnel::test
