// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The worker thread of the windows' network stack: every call that can wait
// on the network runs on one worker thread, while the window thread waits
// for it through NetworkWait: it keeps serving the window system, input
// included, and any window can abandon the wait. An abandoned call ends on
// the worker all the same; what it brings is released there and then, and
// its caller hears that it was cancelled.
//
// The worker is always the same thread and runs one call at a time, so a
// call started while another runs waits for it: Samba's libnetapi keeps one
// context for the whole process and takes no concurrent calls.
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
    // Ends the worker once the calls handed to it have returned.
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
