// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "ResponsivePlatform.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <exception>

namespace quarnel {

namespace {

bool IsInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Gesture:
    case QEvent::NativeGesture:
        return true;
    default:
        return false;
    }
}

// For as long as it lives, the application takes no input, shows the
// hourglass, and turns every window's close request into a note.
class BusyApplication : public QObject {
  public:
    BusyApplication() {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        qApp->installEventFilter(this);
    }
    ~BusyApplication() override {
        qApp->removeEventFilter(this);
        QGuiApplication::restoreOverrideCursor();
    }
    BusyApplication(const BusyApplication&) = delete;
    BusyApplication& operator=(const BusyApplication&) = delete;

    // Closes the windows whose close box was pressed, or that the desktop
    // session asked to close, while the application was busy.
    void CarryOutCloseRequests() {
        qApp->removeEventFilter(this);
        for (const QPointer<QWidget>& window : closeRequests_)
            if (window)
                window->close();
        closeRequests_.clear();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (IsInput(event->type())) {
            event->ignore(); // a drag is refused, not accepted unseen
            return true;
        }
        if (event->type() == QEvent::Close && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            auto* window = static_cast<QWidget*>(watched);
            if (!closeRequests_.contains(window))
                closeRequests_.push_back(window);
            event->ignore();
            return true;
        }
        return false;
    }

  private:
    QList<QPointer<QWidget>> closeRequests_;
};

} // namespace

ResponsivePlatform::ResponsivePlatform(platform::Platform& backend)
    : ForwardingPlatform(backend), worker_([this] { RunJobs(); }) {}

ResponsivePlatform::~ResponsivePlatform() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    jobsChanged_.notify_all();
    worker_.join();
}

void ResponsivePlatform::Post(std::function<void()> job) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    jobsChanged_.notify_all();
}

void ResponsivePlatform::RunJobs() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            jobsChanged_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

// Runs the call on the worker and returns what it returned, serving the
// window system until then.
platform::NetStatus ResponsivePlatform::Around(const platform::PlatformCall&,
                                               const std::function<platform::NetStatus()>& next) {
    platform::NetStatus status = platform::netstatus::Success;
    std::exception_ptr failure;
    std::atomic<bool> done = false;
    Post([&] {
        try {
            status = next();
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true);
        // Wakes the window thread, which may be waiting for events.
        QMetaObject::invokeMethod(
            qApp, [] {}, Qt::QueuedConnection);
    });
    {
        BusyApplication busy;
        while (!done.load())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        busy.CarryOutCloseRequests();
    }
    if (failure)
        std::rethrow_exception(failure);
    return status;
}

} // namespace quarnel
