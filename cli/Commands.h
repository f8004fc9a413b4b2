// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The commands of quarnel-cli, written against the platform interface so
// that the tests can run them over the scripted platform. Every command
// reaches its servers through the worker pool (ServerPool.h), each server
// bounded by the timeout, and tells what it did through its Context.
#pragma once

#include "platform/platform.h"
#include "report/Listing.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel::cli {

// --format chooses one of the report layer's formats.
using report::Format;

// The exit codes besides 0.
constexpr int Failure = 1;    // a command failed, or its output could not be written
constexpr int UsageError = 2; // the command line was not understood

// What a command runs with, and the one rule for what it says: results go
// to `out`, each failure's reason to `err` on a line of its own, and the run
// fails (exit code 1) once anything failed. Lines for people, failures
// included, show text from a server or a file as the table does
// (report::Printable), since they may reach a terminal.
class Context {
  public:
    Context(platform::Platform& platform, std::ostream& out, std::ostream& err,
            std::chrono::seconds timeout = platform::Platform::DefaultTimeout);

    platform::Platform& platform;
    std::ostream& out;
    std::ostream& err;
    // How long each server may take, from the start of its worker to its end.
    const std::chrono::seconds timeout;

    // A result for people, on a line of its own, out at once.
    void Say(std::string_view line);
    // A failure: "quarnel-cli: " and the reason on `err`.
    void Fail(std::string_view reason);
    // A note for people on `err`, as a failure is told, that fails nothing.
    void Note(std::string_view text);

    // Whether to go on: no signal asked to stop and the output still takes
    // what is written.
    bool GoOn() const;
    int ExitCode() const { return failed_ ? Failure : 0; }

  private:
    bool failed_ = false;
};

// The servers a listing asks, and how.
struct ServerSet {
    std::vector<std::string> names; // none: the local computer
    // At most this many asked at a time: the work is waiting on the network,
    // so a sweep of a domain takes about as long as its slowest server.
    int jobs = 32;
    bool showProgress = false; // a line on `err` that counts the answers
};

// How a listing is written.
struct Output {
    Format format = Format::Table;
    bool header = true; // the header line of the table and CSV
};

// The open files that `files` lists, and that `close`, `wait` and
// `files --watch` act on: those of each server, narrowed as the window
// narrows them.
struct FilesOptions {
    ServerSet servers;
    std::string basePath;
    std::string holder;
    Output output;
    // A path as a client sees it: resolved first into the server and the
    // base path on it, in place of the two above.
    std::string clientPath;
    // How often `wait` and `files --watch` list again.
    std::chrono::seconds interval{2};
};

// Lists the files held open on each server. Every row names its server: in
// JSON always, in the table and CSV in a first column when more than one
// server is asked. Rows come out as each server answers; a server that fails
// is named with the reason, and the others are listed all the same.
void ListOpenFiles(Context& run, const FilesOptions& options);

// Lists the open files as ListOpenFiles does (in the table or JSON Lines),
// then lists again every interval and writes each file opened or closed
// since, as a row with the event ("opened", "closed") first and its time
// (ISO 8601, UTC) last, until a signal stops it. A server that fails is
// told once, and once more when it answers again; its files are compared
// with what it answered last.
void WatchOpenFiles(Context& run, const FilesOptions& options);

// Waits until none of the open files is held open any more, asking every
// interval; with a terminal, one line on `err` says who still holds them.
// Once `timeout` has passed, each file still held open is a failure that
// names its holder. A listing that fails ends the wait: whether the files
// were released is not known.
void WaitUntilReleased(Context& run, const FilesOptions& options,
                       std::optional<std::chrono::seconds> timeout);

// Closes the open files, each in its server's worker and each written to the
// audit trail (report/Audit.h), with one line for each closed and a failure
// for each that could not be. Without `yes`, closes nothing: lists them as
// ListOpenFiles does and says on `err` how to close them.
void CloseSelectedFiles(Context& run, const FilesOptions& options, bool yes);

// Lists every share of each server, in the same way.
void ListShares(Context& run, const ServerSet& servers, const Output& output);

// Lists the servers of `domain` (empty: the primary domain), as the server
// picker asks for them.
void ListServers(Context& run, const std::string& domain, const Output& output);

// A list of servers, one a line: blanks around a name and empty lines left
// out, as are lines that begin with "#". At most MaxListedServers names and
// lines of at most MaxListLine bytes; false with the reason otherwise, or
// when a line names no server (ServerNameProblem).
constexpr std::size_t MaxListedServers = 10000;
constexpr std::size_t MaxListLine = 1024;
bool ServerNamesFromList(const std::string& text, std::vector<std::string>& names,
                         std::string& reason);

// What keeps `name` from being a server's name (empty, nothing but its two
// backslashes, or holding a control character, "/" or a further "\"); empty
// when it can be one.
std::string ServerNameProblem(const std::string& name);

// Every server of `domain` (empty: this computer's own), as the server
// enumeration finds them, added to `names`. False when they cannot be
// listed, which is told.
bool DomainServers(Context& run, const std::string& domain, std::vector<std::string>& names);

// The names once each, in their first spelling: a server named twice (also
// with and without its two backslashes, or in other letter case) is asked
// once.
std::vector<std::string> EachServerOnce(const std::vector<std::string>& names);

// Describes one share: every field but its password.
void ShowShare(Context& run, const std::string& server, const std::string& name,
               const Output& output);

// Resolves a client-side path, after the long path expansion, into the
// server and the path on it.
void ResolvePath(Context& run, const std::string& path, const Output& output);

// Sends `message` to each recipient in turn, as the send-message window
// does, and tells the outcome of each in the window's words. Line breaks go
// as CR LF. `server` is handed to the platform as it is (empty: not given).
void SendMessages(Context& run, const std::vector<std::string>& recipients,
                  const std::string& message, const std::string& server);

// Closes open files on a server, as an administrator does when their holder
// cannot be asked to, and tells the outcome for each identifier. The server's
// listing names each file's path and holder in the audit trail.
void CloseOpenFiles(Context& run, const std::string& server, const std::vector<std::string>& ids);

// An open file's identifier as the listing shows it (a signed 32-bit
// number) or as the server knows it (the same bits unsigned); nullopt for
// anything else.
std::optional<std::int32_t> ParseFileId(const std::string& text);

// A message read from standard input: its last line break is the end of the
// input, not part of the message.
std::string MessageFromInput(std::string input);

} // namespace quarnel::cli
