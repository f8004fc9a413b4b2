// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli asking several servers: each in a worker of its own over the
// scripted platform, rows behind their server's name, failures told per
// server, and the parts of a listing written as one document.
#include "CliRun.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <unistd.h>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;
using cli::Format;

// Each server answers as scripted here, in the worker that asks it: "a" with
// one file, "b" refuses, "c" stops after one batch, "d" crashes its worker,
// "e" never answers and is ended at the deadline.
void ScriptServers(FakePlatform& platform) {
    platform.duringCall = [&platform] {
        const std::u16string server = platform.fileCalls.back().server.value_or(u"");
        const bool firstCall = platform.fileCalls.size() == 1;
        if (server == u"\\\\a")
            platform.fileBatches.push_back({netstatus::Success, {{1, 1, 0, u"C:\\a.txt", u"ann"}}});
        else if (server == u"\\\\b")
            platform.fileBatches.push_back({netstatus::AccessDenied, {}});
        else if (server == u"\\\\c" && firstCall)
            platform.fileBatches.push_back({netstatus::MoreData, {{2, 3, 1, u"C:\\c.txt", u"cy"}}});
        else if (server == u"\\\\c")
            platform.fileBatches.push_back({netstatus::BadNetPath, {}});
        else if (server == u"\\\\e")
            ::pause();
        else
            std::abort();
    };
}

TEST(CliServersTest, EveryServerIsAskedAndEachFailureIsToldWithItsServer) {
    for (const auto& [jobs, format] : {std::pair{1, Format::Json}, {4, Format::Csv}}) {
        FakePlatform platform;
        ScriptServers(platform);
        cli::FilesOptions options;
        options.servers = {{"a", "\\\\b", "c", "d", "e", "A"}, jobs};
        options.output.format = format;
        const CliRun run = RunCommand(
            platform, [&](cli::Context& c) { cli::ListOpenFiles(c, options); },
            std::chrono::seconds(1));
        EXPECT_EQ(run.exitCode, 1);

        std::set<std::string> errors;
        std::istringstream lines(run.err);
        for (std::string line; std::getline(lines, line);)
            errors.insert(line);
        EXPECT_EQ(errors, (std::set<std::string>{
                              "quarnel-cli: cannot list the open files on \\\\b: Access is "
                              "denied (error 5)",
                              "quarnel-cli: the listing of the open files on \\\\c stopped "
                              "early: The network path was not found (error 53)",
                              "quarnel-cli: cannot list the open files on \\\\d: the worker "
                              "that asked it was killed by signal 6 (Aborted)",
                              "quarnel-cli: cannot list the open files on \\\\e: Status 121"}));

        std::set<std::string> rows;
        if (format == Format::Json) {
            for (const auto& file : nlohmann::json::parse(run.out))
                rows.insert(file.at("server").get<std::string>() + " " +
                            file.at("path").get<std::string>());
            EXPECT_EQ(rows, (std::set<std::string>{"a C:\\a.txt", "c C:\\c.txt"}));
        } else {
            std::istringstream csv(run.out);
            for (std::string line; std::getline(csv, line);)
                rows.insert(line);
            EXPECT_EQ(rows, (std::set<std::string>{"Server,User,Path,File ID,Permissions,# locks\r",
                                                   "a,ann,C:\\a.txt,1,\"R  \",0\r",
                                                   "c,cy,C:\\c.txt,2,\"RW \",1\r"}));
        }
    }
}

// A list names servers one a line, within bounds on its lines and on the
// servers it names; a line that names no server stops it with the reason.
TEST(CliServersTest, ServerListsSkipBlanksAndCommentsWithinBoundsAndNameEachServerOnce) {
    std::vector<std::string> names;
    std::string reason, many;
    ASSERT_TRUE(cli::ServerNamesFromList("# ours\n  fs1 \r\n\n\tfs2\r\n  # old\n\\\\FS1\nfs3",
                                         names, reason));
    EXPECT_EQ(names, (std::vector<std::string>{"fs1", "fs2", "\\\\FS1", "fs3"}));
    for (std::size_t i = 0; i <= cli::MaxListedServers; ++i)
        many += "s" + std::to_string(i) + "\n";
    const std::pair<std::string, std::string> refused[] = {
        {"# " + std::string(cli::MaxListLine, 'x') + "\nfs1", "line 1 is longer than 1024 bytes"},
        {"fs1\nfs\x1B]0;x\x07\n", "line 2 holds a character that no server name may hold"},
        {many, "it names more than 10000 servers"},
    };
    for (const auto& [text, why] : refused) {
        EXPECT_FALSE(cli::ServerNamesFromList(text, names, reason));
        EXPECT_EQ(reason, why);
    }
    EXPECT_EQ(cli::EachServerOnce({"fs1", "fs2", "\\\\FS1", "fs3", "Fs2"}),
              (std::vector<std::string>{"fs1", "fs2", "fs3"}));
}

} // namespace
} // namespace quarnel::test
