// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The caller's Kerberos ticket cache, read before Samba's client is handed
// it. Samba's client does not say why it cannot use a cache: an expired
// ticket, an empty or damaged cache and one that others may read all end
// in "Cannot complete this function". Reading the cache first lets the
// backend say which.
#pragma once

#include "platform.h"

#include <ctime>
#include <string>
#include <string_view>

namespace quarnel::platform::samba {

struct TicketCache {
    enum class State {
        Missing,    // no such cache: nobody got a ticket
        Unreadable, // it cannot be read: empty, damaged
        Refused,    // Samba's client does not open it (open to others, a link, ...)
        NoTicket,   // it names its owner but holds no ticket-granting ticket
        Expired,
        Usable,
    };
    State state = State::Missing;
    std::string name;      // "FILE:/tmp/krb5cc_1000", as the Kerberos library names it
    std::string principal; // its owner, "user@REALM"; empty when it cannot be read
    std::time_t ends = 0;  // the end of the ticket-granting ticket
    std::string problem;   // why it cannot be read or is refused
};

// The cache that KRB5CCNAME names, else the default one, at the time `now`.
TicketCache ReadTicketCache(std::time_t now = std::time(nullptr));

// What stands in the way of signing in with the cache, in words that say
// what to do; empty for a usable ticket.
std::string TicketCacheProblem(const TicketCache& cache);

// The status a sign-in with the cache fails with: ContextExpired for an
// expired ticket, NoSuchLogonSession when there is no usable one, Success
// for a usable ticket.
NetStatus TicketCacheStatus(const TicketCache& cache);

// Whether Samba's client can ask for a Kerberos ticket for the server named
// so: it cannot for an address or "localhost", which name no server's
// principal.
bool KerberosCanName(std::string_view server);

} // namespace quarnel::platform::samba
