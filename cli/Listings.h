// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// How the commands ask their servers: the one listing path that every
// command that lists, closes, waits or watches goes through, and the line
// on a terminal that tells how a run is getting on.
#pragma once

#include "Commands.h"
#include "RecordingPlatform.h"
#include "ServerPool.h"
#include "modApi.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quarnel::cli {

// What a listing asks of each server, in that server's worker: `enumerate`
// fills one of the query layer's tables, and `rows` makes the answer's rows
// of it. It may act on them as well, as closing does, and note in the answer
// what failed. `what` names the listing in reasons ("the open files on").
struct Request {
    std::string what;
    std::function<bool(modApi& api, const std::u16string& server)> enumerate;
    std::function<void(modApi& api, const std::string& server, ServerAnswer& answer)> rows;
};

// The open files of each server as `options` narrow them, a row each under
// report::OpenFileColumns.
Request OpenFilesRequest(const FilesOptions& options);

// The servers a set asks, each once; the local computer ("") when it names
// none.
std::vector<std::string> NamesToAsk(const ServerSet& servers);

// Asks every server, each in a worker of its own, and hands each answer to
// `take` as soon as it has arrived, each row behind its server's name as the
// rows name it (report::ServerColumnName). Every failure is a line of the answer's
// failures, a server that did not answer included. With `tell`, they are
// told before `take` sees the answer; otherwise `take` tells what it will.
// `take` answers whether to go on.
using TakeAnswer = std::function<bool(const std::string& server, ServerAnswer& answer)>;
void ListFromServers(Context& run, const ServerSet& servers, const Request& request,
                     const TakeAnswer& take, bool tell = true);

// Writes the rows of every server under `columns` as they arrive, behind a
// first column that names the server (in JSON only when one server is
// asked); returns how many rows were written.
std::size_t WriteFromServers(Context& run, const ServerSet& servers, const Request& request,
                             std::vector<report::Column> columns, const Output& output);

// Turns a client path, when `options` give one, into the server to ask and
// the base path on it; false when it names none, which is told.
bool FromClientPath(Context& run, FilesOptions& options);

// Asks one server in a worker, as the listings ask each of theirs, and tells
// its failures; a worker that gave no answer is told as `unanswered`
// ("cannot close open files on \\srv") and what became of it.
ServerAnswer
AskOne(Context& run, const std::string& server, const std::string& unanswered,
       const std::function<ServerAnswer(modApi& api, RecordingPlatform& recorder)>& ask);

// One line on a terminal, drawn again in place as a run goes on ("3/16
// servers answered"), and taken away before anything else is written
// there. Where `err` is no terminal, nothing is drawn.
class StatusLine {
  public:
    StatusLine(std::ostream& err, bool shown) : err_(err), shown_(shown) {}
    ~StatusLine() { Clear(); }
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    void Show(const std::string& text);
    void Clear();

  private:
    std::ostream& err_;
    bool shown_;
    bool drawn_ = false;
};

} // namespace quarnel::cli
