// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Server enumeration on Linux. libnetapi has none; libsmbclient browses a
// domain instead: smb://DOMAIN/ asks the domain's master browser, found by
// its NetBIOS name, for the list of servers that announce themselves there.
// The browse list answers "which servers", nothing finer, and carries no
// platform identifiers.
#pragma once

#include "platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quarnel::platform::samba {

// Whether the browse list can answer a server-type mask: it lists every
// computer that announces itself as a server, so it answers any mask that
// asks for servers and no other.
bool BrowseListAnswers(std::uint32_t serverType);

struct BrowseRequest {
    std::string domain;     // UTF-8; empty: the workgroup of the Samba configuration
    std::string configFile; // a Samba configuration in place of the system's; empty: the system's
    // Credentials for the master browser; an empty user browses anonymously.
    std::string user, password;
    // Kerberos alone (with the password, or else the caller's ticket
    // cache), Kerberos first and then the password, or the password alone.
    enum class Kerberos { Off, Desired, Required };
    Kerberos kerberos = Kerberos::Off;
};

// The browse list of the domain, asked in a child process: the master
// browser speaks only SMB1, and libsmbclient sets the client's protocols for
// the whole process, where libnetapi would go on using them. On success
// `names` holds the servers in the master browser's order.
NetStatus BrowseDomain(const BrowseRequest& request, std::vector<std::string>& names);

// The status that libsmbclient's errno stands for, as a Windows client
// reports the same outcome: no master browser, or a name that is no domain,
// is "the list of servers is not available".
NetStatus BrowseStatus(int error);

// What the child hands back: its errno, then each name ended by a NUL. And
// the reading of it; nothing (false) for an answer cut short.
std::string EncodeBrowseAnswer(int error, const std::vector<std::string>& names);
bool DecodeBrowseAnswer(const std::string& answer, int& error, std::vector<std::string>& names);

} // namespace quarnel::platform::samba
