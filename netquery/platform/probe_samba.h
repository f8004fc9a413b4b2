// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// libnetapi waits 20 seconds for a server to accept a connection and as
// long again for each answer, and it cannot be told otherwise: its
// connections are made inside the library. Before each call the Samba backend
// therefore asks the server itself, within the window the user chose, whether
// it speaks SMB at all. smbclient, which carries network messages, takes an
// answer it cannot read for silence; the same question tells the two apart.
#pragma once

#include "platform.h"

#include <chrono>
#include <optional>
#include <string>

namespace quarnel::platform::samba {

// The two ways in to an SMB server: SMB directly over TCP (port 445, as
// libnetapi speaks it) and the NetBIOS session service (port 139, which
// carries network messages).
enum class SmbPort { Direct, NetBios };

// Connects to `port` of `server` and sends the first request of its protocol
// (an SMB2 NEGOTIATE, or a NetBIOS session request). The status a Windows
// client gives when the server does not accept the connection in time
// (BadNetPath), accepts it but does not answer in time (SemTimeout) or
// answers with something the protocol does not know (BadNetResponse).
// Nothing when the server answered as it should, and nothing when the probe
// cannot tell (a name only NetBIOS resolves, a refused or closed
// connection): the real client then finds out for itself.
std::optional<NetStatus> ProbeServer(const std::string& server, SmbPort port,
                                     std::chrono::milliseconds timeout);

// The window QUARNEL_TIMEOUT gives in whole seconds; nothing when it is not
// set or holds no positive number.
std::optional<std::chrono::seconds> TimeoutFromEnvironment();

} // namespace quarnel::platform::samba
