// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's command line: the options that stand before or after any
// command, and the table of commands, each of which declares its own options
// and what runs it. The parsing, the dispatch and --help come from it, and so
// do the bash completion and the tests that hold the manual page to it.
#pragma once

#include "Commands.h"
#include "SignIn.h"
#include "platform/platform.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace quarnel::cli {

class CommandLine {
  public:
    // Runs a command with its options parsed, with the platform set up as
    // the options say. A usage error found only then (a message that holds
    // nothing) is thrown as CLI11's ValidationError.
    using Handler = std::function<void(Context&)>;

    CommandLine();

    // Parses `arguments` (without the program's name) and runs the command
    // they name on the system's platform; returns the exit code. Usage errors
    // exit with 2 after CLI11's message, --help and --version with 0.
    int Run(std::vector<std::string> arguments, std::ostream& out, std::ostream& err);

    // Every command and option, as --help shows them.
    const CLI::App& App() const { return app_; }

  private:
    CLI::App app_;
    SignInOptions signIn_;
    platform::ClientSettings settings_;
    std::string workgroup_;
    int timeout_ = static_cast<int>(platform::Platform::DefaultTimeout.count());
    std::vector<std::pair<const CLI::App*, Handler>> commands_;
};

} // namespace quarnel::cli
