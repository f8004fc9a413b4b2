// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "ServerPool.h"

namespace quarnel::cli {

// netapi32 would take concurrent calls, but without fork() a worker per
// server would be a program start per server; the servers are asked in turn.
void AskServers(const std::vector<std::string>& servers, int, std::chrono::seconds,
                const AskServer& ask, const ServerAnswered& answered) {
    for (std::size_t i = 0; i < servers.size(); ++i)
        if (!answered(i, ask(servers[i])))
            return;
}

} // namespace quarnel::cli
