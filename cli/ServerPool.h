// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Asking many servers at once. libnetapi keeps one context per process and
// takes no concurrent calls, so on Linux each server is asked in a worker
// process of its own, forked from this one before it has touched libnetapi:
// a worker inherits the options and credentials as they stand, costs no
// program start, and one that hangs or crashes takes only its own server
// with it. On Windows the servers are asked one after another.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quarnel::cli {

// What one server answered: the rows it listed and the lines it has to say
// on standard error, each ending in a line break.
struct ServerAnswer {
    std::vector<std::vector<std::string>> rows;
    std::string errors;
    bool failed = false;
    // Set when the worker ended without handing back an answer: what became
    // of it ("the worker was killed by signal 9").
    std::optional<std::string> lost;
};

using AskServer = std::function<ServerAnswer(const std::string& server)>;
using ServerAnswered = std::function<void(std::size_t index, ServerAnswer answer)>;

// Asks `ask` about every server, at most `jobs` at a time, and hands each
// answer to `answered` on the calling thread as soon as it is complete, in
// the order the answers arrive. A single server is asked in this process.
void AskServers(const std::vector<std::string>& servers, int jobs, const AskServer& ask,
                const ServerAnswered& answered);

} // namespace quarnel::cli
