// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's files, shares, resolve and servers commands over the
// scripted platform: the output formats, and the exit codes and reasons on
// failure.
#include "Commands.h"
#include "FakePlatform.h"
#include "report/Listing.h"
#include "utf.h"

#include <algorithm>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;

using cli::Format;

struct CliRun {
    int exitCode;
    std::string out, err;
};

cli::FilesOptions Options(std::string server, Format format, std::string base = "",
                          std::string user = "") {
    cli::FilesOptions options;
    options.servers.names = {std::move(server)};
    options.basePath = std::move(base);
    options.user = std::move(user);
    options.format = format;
    return options;
}

class CliFilesTest : public ::testing::Test {
  protected:
    FakePlatform platform;

    CliRun Files(cli::FilesOptions options) {
        std::ostringstream out, err;
        const int code = cli::ListOpenFiles(platform, options, out, err);
        return {code, out.str(), err.str()};
    }
    void ScriptTwoFiles() {
        platform.fileBatches.push_back(
            {netstatus::Success,
             {{0x80000000u, 3, 2, u"C:\\Data\\Report, \"May\".doc", u"ann"},
              {7, 2, 0, u"C:\\Data\\Bücher.txt", u"bob"}}});
    }
};

TEST_F(CliFilesTest, JsonHasTheServerAndTheFiveKeysWithNumbersAsNumbers) {
    ScriptTwoFiles();
    const CliRun run = Files(Options("srv", Format::Json));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    ASSERT_TRUE(json.is_array());
    ASSERT_EQ(json.size(), 2u);
    const auto& first = json[0];
    EXPECT_EQ(first.size(), 6u);
    EXPECT_EQ(first["server"], "srv");
    EXPECT_EQ(first["user"], "ann");
    EXPECT_EQ(first["path"], "C:\\Data\\Report, \"May\".doc");
    EXPECT_TRUE(first["id"].is_number_integer());
    EXPECT_EQ(first["id"], -2147483648LL); // the identifier as the list shows it
    EXPECT_EQ(first["permissions"], "RW ");
    EXPECT_EQ(first["locks"], 2);
    EXPECT_EQ(json[1]["path"], "C:\\Data\\Bücher.txt");
    EXPECT_EQ(json[1]["permissions"], " W ");
}

TEST_F(CliFilesTest, CsvQuotesWhatNeedsQuotingAndEndsLinesWithCrLf) {
    ScriptTwoFiles();
    const CliRun run = Files(Options("srv", Format::Csv));
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "User,Path,File ID,Permissions,# locks\r\n"
                       "ann,\"C:\\Data\\Report, \"\"May\"\".doc\",-2147483648,\"RW \",2\r\n"
                       "bob,C:\\Data\\Bücher.txt,7,\" W \",0\r\n");
}

TEST_F(CliFilesTest, TableAlignsColumnsByCharactersNotBytes) {
    ScriptTwoFiles();
    const CliRun run = Files(Options("srv", Format::Table));
    ASSERT_EQ(run.exitCode, 0);
    std::istringstream lines(run.out);
    std::string header, first, second;
    std::getline(lines, header);
    std::getline(lines, first);
    std::getline(lines, second);
    // The path column is as wide as its longest path; "ü" is one character.
    const auto column = [](const std::string& line, const std::string& text) {
        std::size_t chars = 0;
        for (std::size_t i = 0; i < line.find(text); ++i)
            chars += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
        return chars;
    };
    // Numbers stand flush right under their header, texts flush left.
    EXPECT_EQ(column(header, "File ID") + 7, column(first, "-2147483648") + 11);
    EXPECT_EQ(column(header, "Permissions"), column(first, "RW "));
    EXPECT_EQ(column(first, "RW "), column(second, " W "));
}

// Text from the server reaches a terminal only as visible escapes, and a
// spreadsheet never as a formula; JSON keeps it exact.
TEST_F(CliFilesTest, ServerTextIsEscapedInTablesNeutralisedInCsvAndExactInJson) {
    const std::u16string path = u"C:\\a\x1B]0;owned\x07\nann  C:\\forged\u0085.doc";
    platform.fileBatches.push_back({netstatus::Success, {{7, 1, 0, path, u"=cmd|' /C calc'!A0"}}});

    const CliRun table = Files(Options("srv", Format::Table));
    EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 2) << table.out;
    EXPECT_EQ(table.out.find('\x1B'), std::string::npos);
    EXPECT_NE(table.out.find("C:\\a\\x1B]0;owned\\x07\\x0Aann  C:\\forged\\u0085.doc"),
              std::string::npos)
        << table.out;

    platform.fileBatches.push_back({netstatus::Success, {{7, 1, 0, path, u"=cmd|' /C calc'!A0"}}});
    const CliRun csv = Files(Options("srv", Format::Csv));
    EXPECT_NE(csv.out.find("\r\n'=cmd|' /C calc'!A0,"), std::string::npos) << csv.out;

    platform.fileBatches.push_back({netstatus::Success, {{7, 1, 0, path, u"=cmd|' /C calc'!A0"}}});
    const auto json = nlohmann::json::parse(Files(Options("srv", Format::Json)).out);
    EXPECT_EQ(json[0]["path"], ToUtf8(path));
    EXPECT_EQ(json[0]["user"], "=cmd|' /C calc'!A0");
}

TEST(CsvFieldTest, FormulasGetAnApostropheNumbersAndOtherTextDoNot) {
    const std::pair<std::string, std::string> cases[] = {
        {"=1+2", "'=1+2"},
        {"+1", "'+1"},
        {"-x", "'-x"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\tx"},
        {"\rx", "\"'\rx\""},
        {"-2147483648", "-2147483648"},
        {"a=b", "a=b"},
    };
    for (const auto& [text, field] : cases)
        EXPECT_EQ(report::CsvField(text), field) << text;
}

// The reason carries the status number once, also when the platform's own
// text holds it, and never in parentheses within parentheses.
TEST_F(CliFilesTest, AReasonShowsItsNumberOnce) {
    platform.fileBatches.push_back({2310, {}});
    EXPECT_EQ(Files(Options("srv", Format::Table)).err,
              "quarnel-cli: cannot list the open files on \\\\srv: Status 2310\n");

    cli::FilesOptions byPath;
    byPath.clientPath = "\\\\srv\\nosuch\\x";
    const CliRun run = Files(byPath);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "quarnel-cli: Problem finding share: It seems I have some problems getting "
                       "Share Information: Status 2310\n");
}

TEST_F(CliFilesTest, FailureNamesTheServerAndTheReasonOnOneLine) {
    platform.fileBatches.push_back({netstatus::AccessDenied, {}});
    const CliRun run = Files(Options("srv", Format::Json));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "quarnel-cli: cannot list the open files on \\\\srv: Access is denied (error 5)\n");
}

TEST_F(CliFilesTest, ListingThatStopsEarlyShowsItsRowsButDoesNotClaimSuccess) {
    platform.fileBatches.push_back({netstatus::MoreData, {{1, 1, 0, u"C:\\a", u"ann"}}});
    platform.fileBatches.push_back({platform::netstatus::BadNetPath, {}});
    const CliRun run = Files(Options("\\\\srv", Format::Csv));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.out.find("ann,C:\\a,1,\"R  \",0"), std::string::npos);
    EXPECT_NE(run.err.find("stopped early"), std::string::npos);
    EXPECT_NE(run.err.find("\\\\srv"), std::string::npos);
}

class CliSharesTest : public ::testing::Test {
  protected:
    FakePlatform platform;
    std::ostringstream out, err;
};

TEST_F(CliSharesTest, SharesInJsonHaveTheServerAndTheSevenKeysAndNoPassword) {
    platform.shareBatches.push_back(
        {platform::netstatus::Success,
         {{u"data", 0, u"Team", 0x3F, 0xFFFFFFFFu, 2, u"E:\\Data", u"secret"},
          {u"IPC$", 0x80000003u, u"IPC", 0, 0xFFFFFFFFu, 1, std::nullopt, std::nullopt}}});
    ASSERT_EQ(cli::ListShares(platform, {{"srv"}}, Format::Json, out, err), 0);
    const auto json = nlohmann::ordered_json::parse(out.str());
    ASSERT_EQ(json.size(), 2u);
    const std::vector<std::string> keys{"server",      "name",     "type",         "remark",
                                        "permissions", "max_uses", "current_uses", "path"};
    std::vector<std::string> seen;
    for (const auto& [key, value] : json[0].items())
        seen.push_back(key);
    EXPECT_EQ(seen, keys);
    EXPECT_EQ(json[0]["max_uses"], -1);
    EXPECT_EQ(json[1]["type"], 0x80000003u);
    EXPECT_EQ(json[1]["path"], "");
    EXPECT_EQ(out.str().find("secret"), std::string::npos);
}

TEST_F(CliSharesTest, ShareTableForPeopleShowsNameRemarkUsesAndPath) {
    platform.shareBatches.push_back(
        {platform::netstatus::Success, {{u"data", 0, u"Team", 0, 5, 2, u"E:\\Data", u"secret"}}});
    ASSERT_EQ(cli::ListShares(platform, {{"srv"}}, Format::Csv, out, err), 0);
    EXPECT_EQ(out.str(), "Name,Remark,Current uses,Path\r\ndata,Team,2,E:\\Data\r\n");
}

TEST_F(CliSharesTest, ResolutionInJsonAndALocalPathToldOnOneLine) {
    platform.shareInfo[u"data"] = {platform::netstatus::Success,
                                   {{u"data", 0, u"", 0, 0, 0, u"E:\\Data", u""}}};
    ASSERT_EQ(cli::ResolvePath(platform, "\\\\srv\\data\\Reports\\May.doc", Format::Json, out, err),
              0);
    EXPECT_EQ(
        nlohmann::json::parse(out.str()),
        nlohmann::json({{"server", "\\\\srv"}, {"local_path", "E:\\Data\\Reports\\May.doc"}}));
    // The box's two lines become one.
    EXPECT_NE(cli::ResolvePath(platform, "C:\\Windows", Format::Json, out, err), 0);
    EXPECT_NE(err.str().find("No network drive: Only files or folders on a NETWORK drive can be "
                             "selected. You can't use this program for a local Computer."),
              std::string::npos);
}

TEST(CliServersTest, NamesWithPlatformIdsInJsonAndFailuresNameTheDomain) {
    FakePlatform platform;
    std::ostringstream out, err;
    platform.serverBatches.push_back(
        {platform::netstatus::Success, {{500, u"ALPHA"}, {400, u"b"}}});
    ASSERT_EQ(cli::ListServers(platform, "", Format::Json, out, err), 0);
    EXPECT_EQ(nlohmann::json::parse(out.str()),
              nlohmann::json::parse(R"([{"name":"ALPHA","platform_id":500},
                                        {"name":"b","platform_id":400}])"));
    EXPECT_EQ(platform.serverCalls[0].serverType, 2u);
    EXPECT_FALSE(platform.serverCalls[0].domain.has_value());

    platform.serverBatches.push_back({platform::netstatus::Success, {{500, u"ALPHA"}}});
    out.str("");
    ASSERT_EQ(cli::ListServers(platform, "CORP", Format::Csv, out, err), 0);
    EXPECT_EQ(out.str(), "Name\r\nALPHA\r\n");
    EXPECT_EQ(platform.serverCalls[1].domain, u"CORP");

    platform.serverBatches.push_back({platform::netstatus::AccessDenied, {}});
    out.str("");
    EXPECT_NE(cli::ListServers(platform, "CORP", Format::Json, out, err), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(
        err.str(),
        "quarnel-cli: cannot list the servers of the domain CORP: Access is denied (error 5)\n");
}

} // namespace
} // namespace quarnel::test
