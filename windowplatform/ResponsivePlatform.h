// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The worker thread of the windows' network stack: every call that can wait
// on the network runs on one worker thread, while the window thread keeps
// serving the window system. It repaints, answers the desktop's "are you
// alive" ping and shows the hourglass, but takes no input: a click, a key
// or a drop made meanwhile is dropped, so that no handler starts inside
// another and no field changes under a running call. A close request waits
// until the call has returned.
//
// The worker is always the same thread and runs one call at a time: Samba's
// libnetapi keeps one context for the whole process.
#pragma once

#include "platform/ForwardingPlatform.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quarnel {

class ResponsivePlatform final : public platform::ForwardingPlatform {
  public:
    explicit ResponsivePlatform(platform::Platform& backend);
    // Ends the worker once the call it runs, if any, has returned.
    ~ResponsivePlatform() override;
    ResponsivePlatform(const ResponsivePlatform&) = delete;
    ResponsivePlatform& operator=(const ResponsivePlatform&) = delete;

  private:
    // Every call that can wait on the network runs on the worker; the rest
    // never waits and goes straight through, on the window thread.
    platform::NetStatus Around(const platform::PlatformCall& call,
                               const std::function<platform::NetStatus()>& next) override;

    void Post(std::function<void()> job);
    void RunJobs();

    std::mutex mutex_;
    std::condition_variable jobsChanged_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread worker_; // last: starts once everything above exists
};

} // namespace quarnel
