// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's command line: the options that stand before or after any
// command, and the table of commands, each of which declares its own options
// and what runs it. The parsing, the dispatch and --help come from it, and so
// do the bash completion and the tests that hold the manual page to it.
#pragma once

#include "SignIn.h"
#include "platform/platform.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace quarnel::cli {

// The exit codes besides 0.
constexpr int Failure = 1;    // a command failed, or its output could not be written
constexpr int UsageError = 2; // the command line was not understood

// What a command runs with once its options are parsed: the platform with
// the sign-in and the timeout applied, and the program's two streams.
struct Context {
    platform::Platform& platform;
    std::ostream& out;
    std::ostream& err;
};

class CommandLine {
  public:
    // Runs a command with its options parsed; returns the exit code.
    using Handler = std::function<int(const Context&)>;

    CommandLine();

    // Parses `arguments` (without the program's name) and runs the command
    // they name. Usage errors exit with 2 after CLI11's message, --help and
    // --version with 0.
    int Run(std::vector<std::string> arguments, std::ostream& out, std::ostream& err);

    // Every command and option, as --help shows them.
    const CLI::App& App() const { return app_; }

  private:
    CLI::App app_;
    SignInOptions signIn_;
    int timeout_ = 0;
    std::vector<std::pair<const CLI::App*, Handler>> commands_;
};

} // namespace quarnel::cli
