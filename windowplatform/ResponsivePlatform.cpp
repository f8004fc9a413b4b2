// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "ResponsivePlatform.h"

#include "NetworkWait.h"

#include <exception>

namespace quarnel {

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
// window system until then. An abandoned call's buffer is released and its
// answer is Cancelled, whatever the platform said.
platform::NetStatus ResponsivePlatform::Around(const platform::PlatformCall& call,
                                               const std::function<platform::NetStatus()>& next) {
    platform::NetStatus status = platform::netstatus::Success;
    std::exception_ptr failure;
    const bool kept =
        NetworkWait::Instance().Await([this](std::function<void()> job) { Post(std::move(job)); },
                                      [&] {
                                          try {
                                              status = next();
                                          } catch (...) {
                                              failure = std::current_exception();
                                          }
                                      });
    if (!kept) {
        if (call.buffer != nullptr && *call.buffer != nullptr) {
            inner_.NetApiBufferFree(*call.buffer);
            *call.buffer = nullptr;
        }
        return platform::netstatus::Cancelled;
    }
    if (failure)
        std::rethrow_exception(failure);
    return status;
}

} // namespace quarnel
