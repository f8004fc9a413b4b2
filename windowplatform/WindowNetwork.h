// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The windows' way to the network, built in one place for the program and
// its tests: the query layer, over the sign-in, over the worker thread, over
// the system's platform (or a stand-in for it).
//
// The order matters. The sign-in dialog is a window, so the sign-in stands
// outside the worker thread and asks on the window thread; the call it then
// makes again goes through the worker like the first. The query layer
// serves the window system after every batch of an enumeration.
#pragma once

#include "ResponsivePlatform.h"
#include "SignInPlatform.h"
#include "modApi.h"

namespace quarnel {

class WindowNetwork {
  public:
    // By default the sign-in dialog asks.
    explicit WindowNetwork(platform::Platform& system, SignInAsker ask = {});
    WindowNetwork(const WindowNetwork&) = delete;
    WindowNetwork& operator=(const WindowNetwork&) = delete;

    modApi& Api() { return api_; }
    // The same way to the network without the sign-in, for what a window
    // does on its own (a timed refresh): no dialog comes up unasked, and a
    // refusal is passed on as it is. Credentials given earlier hold there
    // too.
    platform::Platform& Unattended() { return worker_; }

  private:
    ResponsivePlatform worker_;
    SignInPlatform signIn_;
    modApi api_;
};

} // namespace quarnel
