// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Asking servers, one or many at once. libnetapi keeps one context per
// process and takes no concurrent calls, so on Linux each server is asked in
// a worker process of its own, forked from this one, which never touches
// libnetapi itself: a worker inherits the options and credentials as they
// stand, costs no program start, and one that hangs or crashes takes only
// its own server with it. A worker has until its deadline, teardown
// included, and ends with this process. On Windows the servers are asked one
// after another, and the system's client decides how long to wait.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quarnel::cli {

// What one server answered: its rows, and the reasons of what failed, each
// for a line of its own.
struct ServerAnswer {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> failures;
    // Set when no answer came back: `late` when the worker was still at it
    // at its deadline and was ended there; otherwise `lost` says what became
    // of it ("the worker that asked it was killed by signal 9 (Killed)").
    bool late = false;
    std::optional<std::string> lost;

    bool Failed() const { return !failures.empty() || late || lost; }
};

using AskServer = std::function<ServerAnswer(const std::string& server)>;
// Takes one answer; false asks to stop asking (the output is gone).
using ServerAnswered = std::function<bool(std::size_t index, ServerAnswer answer)>;

// Asks `ask` about every server, at most `jobs` at a time and each for at
// most `timeout`, and hands each answer to `answered` on the calling thread
// as soon as it is complete, in the order the answers arrive. Stops, ending
// the workers under way, when `answered` says so or a signal asks the
// program to stop (Console.h).
void AskServers(const std::vector<std::string>& servers, int jobs, std::chrono::seconds timeout,
                const AskServer& ask, const ServerAnswered& answered);

} // namespace quarnel::cli
