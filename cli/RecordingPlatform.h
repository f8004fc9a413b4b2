// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Passes every call on to another platform and remembers the last status
// that ended an enumeration, so that the command-line companion can say in
// words why a listing failed. The query layer itself never passes a status on.
#pragma once

#include "platform/ForwardingPlatform.h"

namespace quarnel::cli {

class RecordingPlatform final : public platform::ForwardingPlatform {
  public:
    using ForwardingPlatform::ForwardingPlatform;

    // The status of the last platform call that neither succeeded nor
    // announced more data; netstatus::Success when there was none.
    platform::NetStatus LastFailure() const { return lastFailure_; }

  private:
    platform::NetStatus Around(const platform::PlatformCall&,
                               const std::function<platform::NetStatus()>& next) override {
        const platform::NetStatus status = next();
        if (status != platform::netstatus::Success && status != platform::netstatus::MoreData)
            lastFailure_ = status;
        return status;
    }

    platform::NetStatus lastFailure_ = platform::netstatus::Success;
};

} // namespace quarnel::cli
