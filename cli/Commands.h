// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The commands of quarnel-cli, written against the platform interface so
// that the tests can run them over the scripted platform. Each returns the
// program's exit code: 0 on success (also when nothing is listed), 1 with a
// one-line reason on `err` on failure.
#pragma once

#include "platform/platform.h"
#include "report/Listing.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quarnel::cli {

// --format chooses one of the report layer's formats.
using report::Format;

// The servers a listing asks, and how.
struct ServerSet {
    std::vector<std::string> names; // none: the local computer
    int jobs = 8;                   // at most this many asked at a time
    bool showProgress = false;      // a line on `err` that counts the answers
};

struct FilesOptions {
    ServerSet servers;
    std::string basePath;
    std::string user;
    Format format = Format::Table;
    // A path as a client sees it: resolved first into the server and the
    // base path on it, in place of the two above.
    std::string clientPath;
};

// Lists the files held open on each server. Every row names its server: in
// JSON always, in the table and CSV in a first column when more than one
// server is asked. Rows come out as each server answers; a server that fails
// is named on `err` with the reason, the others are listed all the same, and
// the exit code is 1.
int ListOpenFiles(platform::Platform& platform, const FilesOptions& options, std::ostream& out,
                  std::ostream& err);

// Lists every share of each server, in the same way.
int ListShares(platform::Platform& platform, const ServerSet& servers, Format format,
               std::ostream& out, std::ostream& err);

// Lists the servers of `domain` (empty: the primary domain), as the server
// picker asks for them.
int ListServers(platform::Platform& platform, const std::string& domain, Format format,
                std::ostream& out, std::ostream& err);

// The server names of a list: one a line, blanks around a name and empty
// lines left out, as are lines that begin with "#".
std::vector<std::string> ServerNamesFromList(const std::string& text);

// Every server of `domain` (empty: this computer's own), as the server
// enumeration finds them. Fails (false) with a reason on `err`.
bool DomainServers(platform::Platform& platform, const std::string& domain,
                   std::vector<std::string>& names, std::ostream& err);

// The names once each, in their first spelling: a server named twice (also
// with and without its two backslashes, or in other letter case) is asked
// once.
std::vector<std::string> EachServerOnce(const std::vector<std::string>& names);

// Describes one share: every field but its password.
int ShowShare(platform::Platform& platform, const std::string& server, const std::string& name,
              Format format, std::ostream& out, std::ostream& err);

// Resolves a client-side path, after the long path expansion, into the
// server and the path on it.
int ResolvePath(platform::Platform& platform, const std::string& path, Format format,
                std::ostream& out, std::ostream& err);

// Sends `message` to each recipient in turn, as the send-message window
// does, and writes one line per recipient with the outcome in the window's
// words. Line breaks go as CR LF. Fails (1) when any send failed, or at once
// when the message holds nothing but spaces. `server` is handed to the
// platform as it is (empty: not given).
int SendMessages(platform::Platform& platform, const std::vector<std::string>& recipients,
                 const std::string& message, const std::string& server, std::ostream& out,
                 std::ostream& err);

// Closes open files on a server, as an administrator does when their holder
// cannot be asked to. `arguments` are [SERVER] ID...: the first is the server
// unless it is an identifier (the local computer then; a server named like a
// number is written with its two backslashes). Writes one line per
// identifier with the outcome, and fails (1) when any close failed, or at
// once, closing nothing, when no identifier is given or one is no number.
int CloseOpenFiles(platform::Platform& platform, const std::vector<std::string>& arguments,
                   std::ostream& out, std::ostream& err);

// An open file's identifier as the listing shows it (a signed 32-bit
// number) or as the server knows it (the same bits unsigned); nullopt for
// anything else.
std::optional<std::int32_t> ParseFileId(const std::string& text);

// A message read from standard input: its last line break is the end of the
// input, not part of the message.
std::string MessageFromInput(std::string input);

} // namespace quarnel::cli
