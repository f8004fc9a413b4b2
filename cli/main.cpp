// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli: Quarnel's query layer for scripts.
#include "CommandLine.h"
#include "Console.h"
#include "FileStream.h"

#include <cerrno>
#include <cstring>

int main(int argc, char** argv) {
    quarnel::cli::PrepareConsole();
    quarnel::cli::StopOnSignals();
    quarnel::cli::FileStream out(stdout);
    quarnel::cli::FileStream err(stderr);
    int code = quarnel::cli::CommandLine().Run(quarnel::cli::Arguments(argc, argv), out, err);
    // Output that did not arrive is a failure. A reader that closed the
    // pipe has what it wanted: that ends quietly, but not with 0. A run that
    // a signal stopped ends as the shell tells such a run, with 128 and the
    // signal's number, once its output is well-formed.
    if (const int error = out.Finish(); error != 0) {
        if (error != EPIPE)
            err << "quarnel-cli: cannot write the output: " << std::strerror(error) << '\n';
        code = code == 0 ? quarnel::cli::Failure : code;
    }
    if (err.Finish() != 0 && code == 0)
        code = quarnel::cli::Failure;
    if (const int signal = quarnel::cli::StopSignal(); signal != 0)
        code = 128 + signal;
    return code;
}
