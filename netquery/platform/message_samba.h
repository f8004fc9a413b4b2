// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Network messages on Linux. libnetapi has no message sending, so the Samba
// backend runs Samba's smbclient in message mode (-M): it resolves the
// recipient's NetBIOS messenger name (<03>) as Samba's configuration says
// (WINS, broadcast, lmhosts), connects to the NetBIOS session service on
// port 139, and hands the text over with the messenger requests of SMB1.
//
// This file holds the parts that need no program run: the command line, the
// text as smbclient reads it, and the status a run's outcome stands for.
#pragma once

#include "platform.h"
#include "process_samba.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel::platform::samba {

// A failure whose kind nobody recognised; it has no network error text of
// its own (ERROR_GEN_FAILURE).
inline constexpr NetStatus GenFailure = 31;

struct MessageRequest {
    std::u16string recipient;
    // Where the message is delivered: a host name or address that smbclient
    // connects to instead of resolving the recipient's name. Empty: the
    // recipient's name is resolved. Two leading backslashes are dropped.
    std::u16string server;
    // The sender's name; empty lets smbclient take the user it runs for
    // (USER, or the account's name).
    std::u16string sender;
    // A Samba configuration file for smbclient in place of the system's;
    // empty for the system's.
    std::string configFile;
    // How long smbclient waits for each answer.
    std::chrono::seconds timeout = Platform::DefaultTimeout;
    // smb.conf settings over the file's ("name = value"), and the level of
    // smbclient's messages (empty: 0).
    std::vector<std::string> options = {};
    std::string debugLevel = {};
};

// smbclient reads at most this many bytes of message, each line break
// counted as CR LF, and drops the rest.
inline constexpr std::size_t SmbclientMessageLimit = 1598;

// The code page smbclient is told to send the text in: Samba's default DOS
// code page, which Western Windows uses as well.
inline constexpr const char* MessageCodePage = "CP850";

// Refuses, before anything is sent, a text that smbclient cannot deliver
// whole and as written: MessageTooLong for one beyond SmbclientMessageLimit,
// NoTranslation for one holding a character outside MessageCodePage
// or a NUL, which would end it early. Nothing for a text that can go.
std::optional<NetStatus> UndeliverableText(std::u16string_view text);

// The arguments of the smbclient run that delivers a message; each value is
// joined to its option so that a name starting with "-" stays a name. No
// password goes on it: message mode sets up no session and never uses one,
// and --no-pass keeps smbclient from asking for one on the standard input
// that carries the text. The code page is named, so that what arrives is
// what UndeliverableText let through. Nothing (nullopt) for a sender that
// holds "%", which smbclient would split into a user name and a password.
std::optional<std::vector<std::string>> SmbclientMessageArguments(const MessageRequest& request);

// The text of a message buffer: `byteLength` bytes of UTF-16LE. Nothing for
// an odd length or a null buffer with bytes; empty for length 0.
std::optional<std::u16string> DecodeMessageBuffer(const std::uint8_t* buffer,
                                                  std::uint32_t byteLength);

// The text as smbclient is to read it: UTF-8, each CR LF as one LF, since
// smbclient writes every LF it reads as CR LF on the wire.
std::string SmbclientMessageText(std::u16string_view text);

// The status that a run of smbclient in message mode stands for: success
// when it ended by itself with 0 and named no failure; otherwise the
// NT_STATUS it printed last (after "Error " or "returned "), as a Windows
// client would report it; "not supported" when smbclient could not be
// started (or NetBIOS is switched off); SemTimeout, as for a silent peer,
// when it had to be killed; GenFailure for anything else.
NetStatus MessageStatus(const ProcessOutcome& outcome);

} // namespace quarnel::platform::samba
