// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The parts of the Samba backend that need no server: turning libnetapi's
// UTF-8 records into the UTF-16 layout the query layer reads, narrowing open
// files to a base path, and naming the reason of a failed connection.
#pragma once

#include "platform.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct FILE_INFO_3;
struct SHARE_INFO_2;

namespace quarnel::platform::samba {

// libnetapi's status when it could not reach a server's IPC$ share at all.
inline constexpr NetStatus WERR_CAN_NOT_COMPLETE = 1003;

// The server name as libnetapi takes it: Windows names a server "\\srv",
// libnetapi only "srv", so two leading backslashes are dropped. Nothing else
// changes, so a name the platform would reject stays rejected.
std::u16string LibnetapiServerName(std::u16string_view server);

// True when `path` is `base` or lies below it: a case-insensitive prefix that
// ends on a path component boundary, "\" and "/" counting alike. Samba's
// server ignores the base path of an open-file enumeration, so the backend
// narrows the answer itself, as a Windows server would.
bool LiesUnder(std::u16string_view path, std::u16string_view base);

// Copies those of `count` libnetapi records that lie under `basePath` (all of
// them when it is empty) into one block of FileInfo3 records followed by
// their strings, allocated with malloc. Sets *kept to the number of records.
std::uint8_t* PackFileInfo3(const FILE_INFO_3* records, std::uint32_t count,
                            std::u16string_view basePath, std::uint32_t* kept);

// Copies `count` libnetapi share records into one block of ShareInfo2
// records followed by their strings, allocated with malloc.
std::uint8_t* PackShareInfo2(const SHARE_INFO_2* records, std::uint32_t count);

// Copies server names (UTF-8) into one block of ServerInfo100 records
// followed by their strings, allocated with malloc; each record carries
// `platformId`.
std::uint8_t* PackServerInfo100(const std::vector<std::string>& names, std::uint32_t platformId);

// libnetapi reports every failure to open a connection as 1003, and when the
// server refuses the credentials it quietly tries again without any, so the
// server's answer then speaks of that anonymous attempt, whether it failed
// or, on a server that lets anonymous users in, succeeded. What really went
// wrong is printed by its client code on standard output. Turns that into
// the status a Windows client gives: a logon failure when the credentials
// were refused, the refusal named in `clientOutput`, or "network path not
// found" when no session was set up at all.
//
// A call whose connection ended under it gets a status that names something
// else altogether ("The printer destination cannot be found"); Samba's log
// at level 0 (`log`) names what happened: the server cut the connection
// (NetNameDeleted), or no answer came in time (SemTimeout).
NetStatus TranslateConnectFailure(NetStatus status, std::string_view clientOutput,
                                  std::string_view log = {});

} // namespace quarnel::platform::samba
