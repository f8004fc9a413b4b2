// The commands of quarnel-cli, written against the platform interface so
// that the tests can run them over the scripted platform. Each returns the
// program's exit code: 0 on success (also when nothing is listed), 1 with a
// one-line reason on `err` on failure.
#pragma once

#include "Output.h"
#include "platform/platform.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quarnel::cli {

struct FilesOptions {
    std::string server; // empty: the local computer
    std::string basePath;
    std::string user;
    Format format = Format::Table;
    // A path as a client sees it: resolved first into the server and the
    // base path on it, in place of the two above.
    std::string clientPath;
};

// Lists the files held open on a server.
int ListOpenFiles(platform::Platform& platform, const FilesOptions& options, std::ostream& out,
                  std::ostream& err);

// Lists every share of a server.
int ListShares(platform::Platform& platform, const std::string& server, Format format,
               std::ostream& out, std::ostream& err);

// Lists the servers of `domain` (empty: the primary domain), as the server
// picker asks for them.
int ListServers(platform::Platform& platform, const std::string& domain, Format format,
                std::ostream& out, std::ostream& err);

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
