// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The platform as the windows use it: every call that can wait on the
// network runs on one worker thread, while the window thread keeps serving
// the window system. It repaints, answers the desktop's "are you alive"
// ping and shows the hourglass, but takes no input: a click, a key or a drop
// made meanwhile is dropped, so that no handler starts inside another and
// no field changes under a running call. A close request waits until the
// call has returned.
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

    platform::NetStatus NetFileEnum(const char16_t* serverName, const char16_t* basePath,
                                    const char16_t* userName, std::uint32_t level,
                                    std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                    std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                    std::uintptr_t* resumeHandle) override;
    platform::NetStatus NetShareEnum(const char16_t* serverName, std::uint32_t level,
                                     std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                     std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                     std::uint32_t* resumeHandle) override;
    platform::NetStatus NetShareGetInfo(const char16_t* serverName, const char16_t* netName,
                                        std::uint32_t level, std::uint8_t** buffer) override;
    platform::NetStatus NetServerEnum(const char16_t* serverName, std::uint32_t level,
                                      std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                      std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                      std::uint32_t serverType, const char16_t* domain,
                                      std::uint32_t* resumeHandle) override;
    platform::NetStatus NetMessageBufferSend(const char16_t* serverName, const char16_t* msgName,
                                             const char16_t* fromName, const std::uint8_t* buffer,
                                             std::uint32_t byteLength) override;
    platform::NetStatus NetFileClose(const char16_t* serverName, std::uint32_t fileId) override;
    // A mapped drive or a mount may stand for a server that does not answer.
    platform::NetworkDrive LookUpNetworkDrive(const std::u16string& path) override;
    std::optional<std::u16string> FindEntryName(const std::u16string& path) override;

    // Everything else never waits on the network and goes straight through,
    // on the window thread: the folder browser is a dialog of the window.
    // The yield between batches is the window's own: the hook set here.
    void YieldToWindowSystem() override { Platform::YieldToWindowSystem(); }

  private:
    // Runs `call` on the worker and returns what it returned, serving the
    // window system until then.
    template <typename Call> auto OffWindowThread(Call call) -> decltype(call());
    void Post(std::function<void()> job);
    void RunJobs();

    std::mutex mutex_;
    std::condition_variable jobsChanged_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread worker_; // last: starts once everything above exists
};

} // namespace quarnel
