// quarnel-cli's files command over the scripted platform: the three output
// formats and the exit codes and reasons on failure.
#include "Commands.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace quarnel::test {
namespace {

using cli::Format;
using platform::ERROR_ACCESS_DENIED;
using platform::ERROR_MORE_DATA;
using platform::NERR_Success;

struct CliRun {
    int exitCode;
    std::string out, err;
};

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
            {NERR_Success,
             {{0x80000000u, 3, 2, u"C:\\Data\\Report, \"May\".doc", u"ann"},
              {7, 2, 0, u"C:\\Data\\Bücher.txt", u"bob"}}});
    }
};

TEST_F(CliFilesTest, JsonHasExactlyTheFiveKeysWithNumbersAsNumbers) {
    ScriptTwoFiles();
    const CliRun run = Files({"srv", "", "", Format::Json});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    ASSERT_TRUE(json.is_array());
    ASSERT_EQ(json.size(), 2u);
    const auto& first = json[0];
    EXPECT_EQ(first.size(), 5u);
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
    const CliRun run = Files({"srv", "", "", Format::Csv});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "User,Path,File ID,Permissions,# locks\r\n"
                       "ann,\"C:\\Data\\Report, \"\"May\"\".doc\",-2147483648,\"RW \",2\r\n"
                       "bob,C:\\Data\\Bücher.txt,7,\" W \",0\r\n");
}

TEST_F(CliFilesTest, TableAlignsColumnsByCharactersNotBytes) {
    ScriptTwoFiles();
    const CliRun run = Files({"srv", "", "", Format::Table});
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

TEST_F(CliFilesTest, EmptyListingSucceedsWithHeaderOnly) {
    platform.fileBatches.push_back({NERR_Success, {}});
    EXPECT_EQ(Files({"srv", "", "", Format::Json}).out, "[]\n");
    platform.fileBatches.push_back({NERR_Success, {}});
    const CliRun csv = Files({"srv", "", "", Format::Csv});
    EXPECT_EQ(csv.exitCode, 0);
    EXPECT_EQ(csv.out, "User,Path,File ID,Permissions,# locks\r\n");
}

TEST_F(CliFilesTest, FailureNamesTheServerAndTheReasonOnOneLine) {
    platform.fileBatches.push_back({ERROR_ACCESS_DENIED, {}});
    const CliRun run = Files({"srv", "", "", Format::Json});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "quarnel-cli: cannot list the open files on \\\\srv: Access is denied (error 5)\n");
}

TEST_F(CliFilesTest, ListingThatStopsEarlyShowsItsRowsButDoesNotClaimSuccess) {
    platform.fileBatches.push_back({ERROR_MORE_DATA, {{1, 1, 0, u"C:\\a", u"ann"}}});
    platform.fileBatches.push_back({platform::ERROR_BAD_NETPATH, {}});
    const CliRun run = Files({"\\\\srv", "", "", Format::Csv});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.out.find("ann,C:\\a,1,\"R  \",0"), std::string::npos);
    EXPECT_NE(run.err.find("stopped early"), std::string::npos);
    EXPECT_NE(run.err.find("\\\\srv"), std::string::npos);
}

TEST_F(CliFilesTest, PassesServerBasePathAndUserToTheQueryLayer) {
    platform.fileBatches.push_back({NERR_Success, {}});
    Files({"srv", "C:\\Däta", "bob", Format::Table});
    ASSERT_EQ(platform.fileCalls.size(), 1u);
    EXPECT_EQ(platform.fileCalls[0].server, u"\\\\srv");
    EXPECT_EQ(platform.fileCalls[0].basePath, u"C:\\Däta");
    EXPECT_EQ(platform.fileCalls[0].userName, u"bob");
}

} // namespace
} // namespace quarnel::test
