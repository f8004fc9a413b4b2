// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "NetworkWait.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace quarnel {

struct NetworkWait::Pending {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false; // the job has run; written by the job's thread

    // The window thread's alone.
    QEventLoop* loop = nullptr;
    bool abandoned = false;

    bool Done() {
        const std::lock_guard lock(mutex);
        return done;
    }
};

NetworkWait& NetworkWait::Instance() {
    static NetworkWait wait;
    return wait;
}

bool NetworkWait::Waiting() const {
    return std::any_of(waits_.begin(), waits_.end(),
                       [](const Pending* p) { return !p->abandoned; });
}

void NetworkWait::Changed(bool wasWaiting) {
    if (Waiting() != wasWaiting)
        emit WaitingChanged(!wasWaiting);
}

void NetworkWait::Abandon() {
    const bool wasWaiting = Waiting();
    for (Pending* pending : waits_)
        pending->abandoned = true;
    Changed(wasWaiting);
}

bool NetworkWait::Await(const Poster& post, std::function<void()> job) {
    // Shared with the job, which may end after an abandoned wait was left.
    const auto pending = std::make_shared<Pending>();
    const bool wasWaiting = Waiting();
    waits_.push_back(pending.get());
    Changed(wasWaiting);

    post([pending, job = std::move(job)] {
        job();
        {
            const std::lock_guard lock(pending->mutex);
            pending->done = true;
        }
        pending->ended.notify_all();
        // Wakes the window thread, in whatever loop it runs by then.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [pending] {
                if (pending->loop != nullptr)
                    pending->loop->quit();
            },
            Qt::QueuedConnection);
    });

    QEventLoop loop;
    pending->loop = &loop;
    while (!pending->Done()) {
        // An event loop cannot run once the application is quitting.
        if (loop.exec() == -1) {
            std::unique_lock lock(pending->mutex);
            pending->ended.wait(lock, [&] { return pending->done; });
        }
    }
    pending->loop = nullptr;

    const bool abandoned = pending->abandoned;
    const bool stillWaiting = Waiting();
    waits_.erase(std::find(waits_.begin(), waits_.end(), pending.get()));
    Changed(stillWaiting);
    return !abandoned;
}

} // namespace quarnel
