// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The Windows pieces against the system's own calls: long names of real
// short (8.3) aliases, the network calls, and what reaches standard output.
// CI runs these under Wine.
#include "Commands.h"
#include "Console.h"
#include "FakePlatform.h"
#include "modApi.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <io.h>
#include <iostream>
#include <sstream>
#include <string>

namespace quarnel::test {
namespace {

// What Wine lacks, said once: its netapi32 enumerates neither open files nor
// shares (ERROR_NOT_SUPPORTED) and knows no share (NERR_NetNameNotFound).
// Under Wine the tests check that these failures are reported as failures;
// on Windows the answers depend on the machine's Server service.
bool UnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::u16string U16(const std::wstring& s) {
    return std::u16string(s.begin(), s.end());
}

// A folder of long names in the temporary folder, removed again:
// <base>\Reports 2026\May budget.doc.
class RealShortNamesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
        ASSERT_GT(::GetLongPathNameW(temp, temp, MAX_PATH), 0u); // in place, as it may be
        base =
            std::wstring(temp) + L"Quarnel long names " + std::to_wstring(::GetCurrentProcessId());
        folder = base + L"\\Reports 2026";
        file = folder + L"\\May budget.doc";
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(std::ofstream(std::filesystem::path(file)).good());
    }
    void TearDown() override { std::filesystem::remove_all(base); }

    // The system's short form of an existing path.
    static std::wstring Short(const std::wstring& path) {
        wchar_t result[MAX_PATH];
        const DWORD length = ::GetShortPathNameW(path.c_str(), result, MAX_PATH);
        EXPECT_GT(length, 0u) << "no short name for the path";
        return std::wstring(result, length);
    }

    std::wstring base, folder, file;
    modApi api{platform::SystemPlatform()};
};

TEST_F(RealShortNamesTest, ExpansionGivesBackTheLongPath) {
    const std::wstring shortFolder = Short(folder);
    const std::wstring shortFile = Short(file);
    if (shortFile == file) // Wine always makes them; a Windows volume may not
        GTEST_SKIP() << "this volume makes no short (8.3) names";
    const struct {
        std::wstring given, expanded;
    } cases[] = {
        {shortFile, file},
        {shortFolder + L"\\", folder + L"\\"},
        // The last component does not exist: the input comes back as it was.
        {shortFolder + L"\\NOSUCH~1.DOC", shortFolder + L"\\NOSUCH~1.DOC"},
        {shortFolder + L"\\NOSUCH~1.DOC\\", shortFolder + L"\\NOSUCH~1.DOC\\"},
        // A folder that does not exist keeps its given name, so the result
        // still names the same file; ".." stays as it is.
        {Short(base) + L"\\Not here\\..\\" + shortFile.substr(Short(base).size() + 1),
         base + L"\\Not here\\..\\Reports 2026\\May budget.doc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(api.ExpandLongPath(U16(c.given)), U16(c.expanded));
}

// A listing that the system refuses is a failure with the system's reason,
// never an empty success.
TEST(WindowsNetworkTest, RefusedListingIsAFailureInWords) {
    if (!UnderWine())
        GTEST_SKIP() << "the answer depends on this machine's Server service";
    cli::FilesOptions options;
    options.servers.names = {"127.0.0.1"};
    options.output.format = cli::Format::Csv;
    std::ostringstream out, err;
    cli::Context run(platform::SystemPlatform(), out, err);
    cli::ListOpenFiles(run, options);
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("not supported"), std::string::npos) << err.str();
}

// CSV ends its lines with CR LF; standard output passes them on unchanged.
TEST(WindowsConsoleTest, CsvReachesStandardOutputWithCrLf) {
    FakePlatform fake;
    fake.fileBatches.push_back(
        {platform::netstatus::Success, {{1, 1, 0, u"C:\\data\\a.txt", u"ann"}}});
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring captured =
        std::wstring(temp) + L"quarnel stdout " + std::to_wstring(::GetCurrentProcessId());

    // Standard output goes to a file in text mode, as when redirected.
    std::cout.flush();
    std::fflush(stdout);
    const int saved = _dup(_fileno(stdout));
    const int into = _wopen(captured.c_str(), _O_CREAT | _O_TRUNC | _O_WRONLY | _O_TEXT, 0600);
    ASSERT_GE(into, 0);
    _dup2(into, _fileno(stdout));
    _close(into);
    cli::PrepareConsole();
    cli::FilesOptions options;
    options.servers.names = {"srv"};
    options.output.format = cli::Format::Csv;
    std::ostringstream err;
    cli::Context run(fake, std::cout, err);
    cli::ListOpenFiles(run, options);
    std::cout.flush();
    std::fflush(stdout);
    _dup2(saved, _fileno(stdout));
    _close(saved);

    std::ifstream in(std::filesystem::path(captured), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    in.close();
    ::DeleteFileW(captured.c_str());
    EXPECT_EQ(run.ExitCode(), 0) << err.str();
    EXPECT_NE(bytes.find("# locks\r\nann,"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("\r\r"), std::string::npos) << bytes;
}

} // namespace
} // namespace quarnel::test
