// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// A quarnel-cli command run over the scripted platform: what it wrote to
// each stream, the audit records of its closes, and its exit code.
#pragma once

#include "Commands.h"
#include "FakePlatform.h"
#include "report/Audit.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace quarnel::test {

struct CliRun {
    int exitCode;
    std::string out, err;
    std::vector<std::string> audit; // "notice LINE" or "warning LINE" each
};

inline CliRun RunCommand(FakePlatform& platform, const std::function<void(cli::Context&)>& command,
                         std::chrono::seconds timeout = platform::Platform::DefaultTimeout) {
    // The closes run in forked workers: their records come back through a file.
    const auto records = std::filesystem::temp_directory_path() /
                         ("quarnel-audit-" + std::to_string(std::random_device()()));
    report::SetAuditSink([records](const std::string& line, bool failed) {
        std::ofstream(records, std::ios::app) << (failed ? "warning " : "notice ") << line << '\n';
    });
    std::ostringstream out, err;
    cli::Context run(platform, out, err, timeout);
    command(run);
    report::SetAuditSink({});
    CliRun result{run.ExitCode(), out.str(), err.str(), {}};
    std::ifstream written(records);
    for (std::string line; std::getline(written, line);)
        result.audit.push_back(line);
    written.close();
    std::filesystem::remove(records);
    return result;
}

} // namespace quarnel::test
