// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's ways to follow the open files over time: `files --watch`
// writes each file opened and closed as it is seen, and `wait` waits until
// the files under a path have been released.
#include "Commands.h"

#include "Console.h"
#include "Listings.h"
#include "report/Audit.h"
#include "report/Reason.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <set>

namespace quarnel::cli {

namespace {

// A row of ListFromServers' open files: the server's name, then the open
// file's columns (user, path, identifier, permissions, locks).
using Row = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

// The rows of `rows` whose open file (its user, path and identifier) is none
// of `known`'s.
std::vector<Row> Unknown(const std::vector<Row>& known, const std::vector<Row>& rows) {
    std::set<Row> keys;
    for (const Row& row : known)
        keys.insert({row[1], row[2], row[3]});
    std::vector<Row> unknown;
    for (const Row& row : rows)
        if (!keys.contains({row[1], row[2], row[3]}))
            unknown.push_back(row);
    return unknown;
}

// The time in ISO 8601, in UTC: "2026-03-02T13:03:12Z".
std::string Now() {
    const std::time_t now = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
    return text;
}

// "3 open files held by ann, bob, carol and 2 others": short enough for a
// line of a terminal.
std::string StillHeld(const std::vector<Row>& held) {
    std::vector<std::string> holders;
    for (const Row& row : held)
        if (std::find(holders.begin(), holders.end(), row[1]) == holders.end())
            holders.push_back(row[1]);
    constexpr std::size_t Named = 3;
    std::string text = std::to_string(held.size()) +
                       (held.size() == 1 ? " open file held by " : " open files held by ");
    for (std::size_t i = 0; i < std::min(holders.size(), Named); ++i)
        text += (i == 0 ? "" : ", ") + holders[i];
    if (holders.size() > Named)
        text += " and " + std::to_string(holders.size() - Named) + " others";
    return text;
}

} // namespace

void WatchOpenFiles(Context& run, const FilesOptions& given) {
    FilesOptions options = given;
    if (!FromClientPath(run, options))
        return;
    const Request request = OpenFilesRequest(options);
    std::vector<report::Column> columns = report::OpenFileColumns();
    columns.insert(columns.begin(), {"Server", "server", false,
                                     /*jsonOnly=*/NamesToAsk(options.servers).size() == 1});
    std::vector<report::Column> eventColumns = columns;
    eventColumns.insert(eventColumns.begin(), {"Event", "event"});
    eventColumns.push_back({"Time", "time"});
    const auto stopped = [&run] { return !run.GoOn(); };
    const Output& output = options.output;
    report::ListingWriter listing(run.out, columns, output.format, output.header, stopped);
    report::ListingWriter events(run.out, eventColumns, output.format, output.header, stopped);

    std::map<std::string, std::vector<Row>> held; // by server: what it answered last
    std::set<std::string> failing;                // told already
    const TakeAnswer take = [&](const std::string& server, ServerAnswer& answer) {
        // A listing that stopped early would make its missing files seem closed.
        if (answer.Failed()) {
            if (failing.insert(server).second)
                for (const std::string& failure : answer.failures)
                    run.Fail(failure);
            return true;
        }
        if (failing.erase(server) > 0)
            run.Note(report::ServerForMessage(server) + " answers again");
        if (const auto known = held.find(server); known == held.end()) {
            listing.Add(answer.rows);
        } else {
            std::vector<Row> changes;
            const std::string time = Now();
            for (const auto& [event, rows] :
                 {std::pair("closed", Unknown(answer.rows, known->second)),
                  std::pair("opened", Unknown(known->second, answer.rows))})
                for (Row row : rows) {
                    row.insert(row.begin(), event);
                    row.push_back(time);
                    changes.push_back(std::move(row));
                }
            events.Add(changes);
        }
        held[server] = std::move(answer.rows);
        run.out.flush();
        return true;
    };
    ServerSet servers = options.servers;
    ListFromServers(run, servers, request, take, /*tell=*/false);
    if (!held.empty())
        listing.Finish();
    servers.showProgress = false;
    while (run.GoOn() && Pause(options.interval))
        ListFromServers(run, servers, request, take, /*tell=*/false);
}

void WaitUntilReleased(Context& run, const FilesOptions& given,
                       std::optional<std::chrono::seconds> timeout) {
    FilesOptions options = given;
    if (!FromClientPath(run, options))
        return;
    const Request request = OpenFilesRequest(options);
    const Clock::time_point deadline = timeout ? Clock::now() + *timeout : Clock::time_point::max();
    ServerSet servers = options.servers;
    servers.showProgress = false;
    StatusLine status(run.err, StandardErrorIsTerminal());
    for (;;) {
        std::vector<Row> held;
        bool failed = false;
        ListFromServers(
            run, servers, request,
            [&](const std::string&, ServerAnswer& answer) {
                if (answer.Failed()) {
                    status.Clear();
                    for (const std::string& failure : answer.failures)
                        run.Fail(failure);
                    failed = true;
                }
                held.insert(held.end(), answer.rows.begin(), answer.rows.end());
                return true;
            },
            /*tell=*/false);
        // Once a listing failed, whether the files were released is not known.
        if (failed || held.empty() || !run.GoOn())
            return;
        const Clock::duration left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            status.Clear();
            const auto seconds = timeout->count();
            for (const Row& row : held)
                run.Fail("still held open after " + std::to_string(seconds) +
                         (seconds == 1 ? " second: " : " seconds: ") +
                         report::OpenFileForMessage(row[0], row[3], row[2], row[1]));
            return;
        }
        status.Show(StillHeld(held));
        if (!Pause(std::chrono::ceil<std::chrono::milliseconds>(
                std::min<Clock::duration>(options.interval, left))))
            return;
    }
}

} // namespace quarnel::cli
