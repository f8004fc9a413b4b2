// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// What the window's export and quarnel-cli write from the query layer's
// records, and the words in which both tell a failure.
#include "FakePlatform.h"
#include "report/Listing.h"
#include "report/Reason.h"
#include "utf.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <sstream>

namespace quarnel::test {
namespace {

using report::Format;

std::string Written(const report::Listing& listing, Format format) {
    std::ostringstream out;
    report::Write(out, listing, format);
    return out.str();
}

const std::vector<OpenFileInfo> TwoFiles{
    {INT32_MIN, 3, 2, u"C:\\Data\\Report, \"May\".doc", u"ann"},
    {7, 2, 0, u"C:\\Data\\Bücher.txt", u"bob"}};

const std::vector<ShareInfo> TwoShares{{u"data", 0, u"Team", 0x3F, -1, 2, u"E:\\Data", u"secret"},
                                       {u"IPC$", 0x80000003u, u"IPC", 0, -1, 1, u"", u""}};

// Each record writer in the formats that tell it apart. JSON is compared as
// its objects, keys in order; its layout is the next test's.
TEST(ReportTest, RecordsInEachFormat) {
    const struct {
        report::Listing listing;
        Format format;
        std::string expected;
    } cases[] = {
        // Columns as wide as their widest cell in characters ("ü" is one),
        // numbers flush right, texts flush left.
        {report::OpenFilesListing(TwoFiles, 2), Format::Table,
         "User  Path                           File ID  Permissions  # locks\n"
         "ann   C:\\Data\\Report, \"May\".doc  -2147483648  RW                 2\n"
         "bob   C:\\Data\\Bücher.txt                   7   W                 0\n"},
        {report::OpenFilesListing(TwoFiles, 2), Format::Csv,
         "User,Path,File ID,Permissions,# locks\r\n"
         "ann,\"C:\\Data\\Report, \"\"May\"\".doc\",-2147483648,\"RW \",2\r\n"
         "bob,C:\\Data\\Bücher.txt,7,\" W \",0\r\n"},
        {report::OpenFilesListing(TwoFiles, 1), Format::Json,
         R"([{"user": "ann", "path": "C:\\Data\\Report, \"May\".doc", "id": -2147483648,
              "permissions": "RW ", "locks": 2}])"},
        // Shares for people: name, remark, current uses and path; in JSON
        // every field but the password.
        {report::SharesListing(TwoShares, 2), Format::Csv,
         "Name,Remark,Current uses,Path\r\ndata,Team,2,E:\\Data\r\nIPC$,IPC,1,\r\n"},
        {report::SharesListing(TwoShares, 2), Format::Json,
         R"([{"name": "data", "type": 0, "remark": "Team", "permissions": 63, "max_uses": -1,
              "current_uses": 2, "path": "E:\\Data"},
             {"name": "IPC$", "type": 2147483651, "remark": "IPC", "permissions": 0,
              "max_uses": -1, "current_uses": 1, "path": ""}])"},
        {report::SharesListing(TwoShares, 1, /*everyField=*/true), Format::Csv,
         "Name,Type,Remark,Permissions,Max uses,Current uses,Path\r\n"
         "data,0,Team,63,-1,2,E:\\Data\r\n"},
        {report::ServersListing({{500, u"ALPHA"}, {400, u"b"}}, 2), Format::Csv,
         "Name\r\nALPHA\r\nb\r\n"},
        {report::ServersListing({{500, u"ALPHA"}}, 1), Format::Json,
         R"([{"name": "ALPHA", "platform_id": 500}])"},
    };
    for (const auto& c : cases) {
        const std::string written = Written(c.listing, c.format);
        if (c.format == Format::Json)
            EXPECT_EQ(nlohmann::ordered_json::parse(written),
                      nlohmann::ordered_json::parse(c.expected));
        else
            EXPECT_EQ(written, c.expected);
    }
}

// Parts make one document; without its header a table is its rows alone,
// and JSON Lines an object a line. Once told to stop, a writer begins no
// further row and still ends the document.
TEST(ReportTest, PartsOfAListingMakeOneDocument) {
    const std::vector<report::Column> columns{{"Name", "name"}, {"Uses", "uses", true}};
    const std::vector<std::vector<std::vector<std::string>>> parts{
        {{"x", "1"}}, {}, {{"yy", "22"}, {"z", "3"}}};
    struct Case {
        Format format;
        std::string parted, empty;
        bool header = true;
        std::string stopAfter = ""; // stops once the output holds this
    } cases[] = {
        // A table block per part that has rows, each aligned on its own.
        {Format::Table, "Name  Uses\nx        1\n\nName  Uses\nyy      22\nz        3\n",
         "Name  Uses\n"},
        {Format::Csv, "Name,Uses\r\nx,1\r\nyy,22\r\nz,3\r\n", "Name,Uses\r\n"},
        {Format::Json,
         "[\n  {\n    \"name\": \"x\",\n    \"uses\": 1\n  },\n  {\n    \"name\": \"yy\",\n    "
         "\"uses\": 22\n  },\n  {\n    \"name\": \"z\",\n    \"uses\": 3\n  }\n]\n",
         "[]\n"},
        {Format::Jsonl,
         "{\"name\":\"x\",\"uses\":1}\n{\"name\":\"yy\",\"uses\":22}\n{\"name\":\"z\",\"uses\":3}"
         "\n",
         ""},
        {Format::Table, "x  1\nyy  22\nz    3\n", "", false},
        {Format::Csv, "x,1\r\nyy,22\r\nz,3\r\n", "", false},
        {Format::Json,
         "[\n  {\n    \"name\": \"x\",\n    \"uses\": 1\n  },\n  {\n    \"name\": \"yy\",\n    "
         "\"uses\": 22\n  }\n]\n",
         "[]\n", true, "yy"},
        {Format::Csv, "Name,Uses\r\nx,1\r\n", "Name,Uses\r\n", true, "x"},
    };
    for (const Case& c : cases) {
        std::ostringstream parted;
        report::ListingWriter writer(parted, columns, c.format, c.header, [&] {
            return !c.stopAfter.empty() && parted.str().find(c.stopAfter) != std::string::npos;
        });
        for (const auto& part : parts)
            writer.Add(part);
        writer.Finish();
        EXPECT_EQ(parted.str(), c.parted);
        std::ostringstream empty;
        report::Write(empty, {columns, {}}, c.format, false, c.header);
        EXPECT_EQ(empty.str(), c.empty);
    }
}

// Text from the server reaches a terminal only as visible escapes, also
// what would reorder or hide characters, and a spreadsheet never as a
// formula; JSON keeps it exact.
TEST(ReportTest, ServerTextIsEscapedInTablesNeutralisedInCsvAndExactInJson) {
    const std::u16string path =
        u"C:\\a\x1B]0;owned\x07\nann  C:\\forged\u0085bidi\u202Etxt.exe\u200B\U000E0041.doc";
    const auto listing = report::OpenFilesListing({{7, 1, 0, path, u"=cmd|' /C calc'!A0"}}, 1);

    const std::string table = Written(listing, Format::Table);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2) << table;
    EXPECT_EQ(table.find('\x1B'), std::string::npos);
    EXPECT_NE(table.find("C:\\a\\x1B]0;owned\\x07\\x0Aann  C:\\forged\\u0085bidi\\u202Etxt.exe"
                         "\\u200B\\U000E0041.doc"),
              std::string::npos)
        << table;

    EXPECT_NE(Written(listing, Format::Csv).find("\r\n'=cmd|' /C calc'!A0,"), std::string::npos);

    const auto json = nlohmann::json::parse(Written(listing, Format::Json));
    EXPECT_EQ(json[0]["path"], ToUtf8(path));
    EXPECT_EQ(json[0]["user"], "=cmd|' /C calc'!A0");

    const std::pair<std::string, std::string> fields[] = {
        {"=1+2", "'=1+2"},
        {"+1", "'+1"},
        {"-x", "'-x"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\tx"},
        {"\rx", "\"'\rx\""},
        {"-2147483648", "-2147483648"},
        {"a=b", "a=b"},
    };
    for (const auto& [text, field] : fields)
        EXPECT_EQ(report::CsvField(text), field) << text;
}

// A platform whose words for every status are the given ones.
struct WordsPlatform : FakePlatform {
    std::u16string words;
    std::u16string StatusText(platform::NetStatus) override { return words; }
};

// The reason carries the status number once, also when the platform's own
// text holds it, and never in parentheses within parentheses.
TEST(ReportTest, AReasonShowsItsNumberOnce) {
    const struct {
        std::u16string words;
        platform::NetStatus status;
        std::string reason;
    } reasons[] = {
        {u"Access is denied.", 5, "Access is denied (error 5)"},
        {u"Error 2310", 2310, "Error 2310"},
        {u"2310 failed", 2310, "2310 failed"},
        {u"Error 23100", 2310, "Error 23100 (error 2310)"},
        {u"Error 12310", 2310, "Error 12310 (error 2310)"},
    };
    WordsPlatform platform;
    for (const auto& r : reasons) {
        platform.words = r.words;
        EXPECT_EQ(report::Reason(platform, r.status), r.reason);
    }
}

} // namespace
} // namespace quarnel::test
