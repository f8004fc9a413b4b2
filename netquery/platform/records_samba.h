// The parts of the Samba backend that need no server: turning libnetapi's
// UTF-8 records into the UTF-16 layout the query layer reads, narrowing open
// files to a base path, and naming the reason of a failed connection.
#pragma once

#include "platform.h"

#include <cstdint>
#include <string>
#include <string_view>

struct FILE_INFO_3;

namespace quarnel::platform::samba {

// libnetapi's status when it could not reach a server's IPC$ share at all.
inline constexpr NetStatus WERR_CAN_NOT_COMPLETE = 1003;

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

// libnetapi reports every failure to open a connection as 1003 and prints
// the session set-up status on standard output. Turns that into the status a
// Windows client gives for the same failure: the logon failure or refusal
// named in `clientOutput`, or "network path not found" when no session was
// set up at all.
NetStatus TranslateConnectFailure(NetStatus status, std::string_view clientOutput);

} // namespace quarnel::platform::samba
