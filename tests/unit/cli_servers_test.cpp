// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli asking several servers: each in a worker of its own over the
// scripted platform, rows behind their server's name, failures told per
// server, and the parts of a listing written as one document.
#include "Commands.h"
#include "FakePlatform.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;
using cli::Format;

// Each server answers as scripted here, in the worker that asks it: "a" with
// one file, "b" refuses, "c" stops after one batch, "d" crashes its worker.
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
        else
            std::abort();
    };
}

TEST(CliServersTest, EveryServerIsAskedAndEachFailureIsToldWithItsServer) {
    for (const int jobs : {1, 4}) {
        for (const Format format : {Format::Json, Format::Csv}) {
            FakePlatform platform;
            ScriptServers(platform);
            cli::FilesOptions options;
            options.servers = {{"a", "\\\\b", "c", "d", "A"}, jobs};
            options.format = format;
            std::ostringstream out, err;
            EXPECT_EQ(cli::ListOpenFiles(platform, options, out, err), 1);

            std::set<std::string> errors;
            std::istringstream lines(err.str());
            for (std::string line; std::getline(lines, line);)
                errors.insert(line);
            EXPECT_EQ(errors, (std::set<std::string>{
                                  "quarnel-cli: cannot list the open files on \\\\b: Access is "
                                  "denied (error 5)",
                                  "quarnel-cli: the listing of the open files on \\\\c stopped "
                                  "early: The network path was not found (error 53)",
                                  "quarnel-cli: cannot list the open files on \\\\d: the worker "
                                  "that asked it was killed by signal 6 (Aborted)"}));

            std::set<std::string> rows;
            if (format == Format::Json) {
                for (const auto& file : nlohmann::json::parse(out.str()))
                    rows.insert(file.at("server").get<std::string>() + " " +
                                file.at("path").get<std::string>());
                EXPECT_EQ(rows, (std::set<std::string>{"a C:\\a.txt", "c C:\\c.txt"}));
            } else {
                std::istringstream csv(out.str());
                for (std::string line; std::getline(csv, line);)
                    rows.insert(line);
                EXPECT_EQ(rows,
                          (std::set<std::string>{"Server,User,Path,File ID,Permissions,# locks\r",
                                                 "a,ann,C:\\a.txt,1,\"R  \",0\r",
                                                 "c,cy,C:\\c.txt,2,\"RW \",1\r"}));
            }
        }
    }
}

TEST(CliServersTest, ServerListsSkipBlanksAndCommentsAndNameEachServerOnce) {
    EXPECT_EQ(cli::ServerNamesFromList("# ours\n  fs1 \r\n\n\tfs2\r\n  # old\n\\\\FS1\nfs3"),
              (std::vector<std::string>{"fs1", "fs2", "\\\\FS1", "fs3"}));
    EXPECT_EQ(cli::EachServerOnce({"fs1", "fs2", "\\\\FS1", "fs3", "Fs2"}),
              (std::vector<std::string>{"fs1", "fs2", "fs3"}));
}

} // namespace
} // namespace quarnel::test
