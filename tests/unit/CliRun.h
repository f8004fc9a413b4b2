// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// A quarnel-cli command run over the scripted platform: what it wrote to
// each stream, and its exit code.
#pragma once

#include "Commands.h"
#include "FakePlatform.h"
#include "report/Audit.h"

#include <sstream>

namespace quarnel::test {

struct CliRun {
    int exitCode;
    std::string out, err;
};

inline CliRun RunCommand(FakePlatform& platform, const std::function<void(cli::Context&)>& command,
                         std::chrono::seconds timeout = platform::Platform::DefaultTimeout) {
    report::SetAuditSink([](const std::string&, bool) {}); // none reaches the machine's log
    std::ostringstream out, err;
    cli::Context run(platform, out, err, timeout);
    command(run);
    return {run.ExitCode(), out.str(), err.str()};
}

} // namespace quarnel::test
