// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "WindowNetwork.h"

#include <QCoreApplication>

namespace quarnel {

WindowNetwork::WindowNetwork(platform::Platform& system, SignInAsker ask)
    : worker_(system), signIn_(worker_, std::move(ask)), api_(signIn_) {
    api_.SetYieldHook([] { QCoreApplication::processEvents(); });
}

} // namespace quarnel
