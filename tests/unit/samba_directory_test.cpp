// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The Linux directory lookup on real folders.
#include "platform/directory_samba.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quarnel::platform::samba {
namespace {

namespace fs = std::filesystem;

class DirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("quarnel-dir-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "Reports 2026");
        std::ofstream(root / "Reports 2026" / "May.doc") << "x";
    }
    void TearDown() override {
        fs::permissions(root / "Reports 2026", fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root);
    }
    std::string At(const std::string& rel) const { return (root / rel).string(); }
    fs::path root;
};

TEST_F(DirectoryTest, GivesTheStoredNameOrEmptyWhenNothingMatchesOrNoneWhenItCannotSearch) {
    EXPECT_EQ(FindEntryName(At("Reports 2026/May.doc")), "May.doc");
    EXPECT_EQ(FindEntryName(At("Reports 2026")), "Reports 2026");
    EXPECT_EQ(FindEntryName(At("Reports 2026/June.doc")), "");
    EXPECT_EQ(FindEntryName(At("Missing/June.doc")), ""); // the folder is not there

    // It fails when the path cannot be searched: a component that is not a folder,
    EXPECT_EQ(FindEntryName(At("Reports 2026/May.doc/inner")), std::nullopt);
    // a name longer than any file system allows,
    EXPECT_EQ(FindEntryName(At(std::string(300, 'n'))), std::nullopt);
    // a folder that may not be read (root reads every folder, so only others
    // can see this refusal).
    if (::geteuid() != 0) {
        fs::permissions(root / "Reports 2026", fs::perms::owner_all, fs::perm_options::remove);
        EXPECT_EQ(FindEntryName(At("Reports 2026/May.doc")), std::nullopt);
    }
}

} // namespace
} // namespace quarnel::platform::samba
