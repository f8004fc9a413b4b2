// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// SMB mounts standing in for mapped network drives, with mount tables of our own.
#include "platform/mounts_samba.h"

#include <gtest/gtest.h>

namespace quarnel::platform::samba {
namespace {

const char* const kTable = "sysfs /sys sysfs rw,nosuid 0 0\n"
                           "/dev/sda1 / ext4 rw,relatime 0 0\n"
                           "//srv/data /mnt/data cifs rw,vers=3.1.1 0 0\n"
                           "//srv/data/Reports /mnt/data/nested cifs rw 0 0\n"
                           "//srv/pub /mnt/My\\040Share smb3 rw 0 0\n"
                           "nfs1:/export /mnt/nfs nfs4 rw 0 0\n"
                           "/dev/sdb1 /mnt/data/local ext4 rw 0 0\n"
                           "gvfsd-fuse /run/user/1000/gvfs fuse.gvfsd-fuse rw 0 0\n";

NetworkDrive Look(std::string_view path) {
    return NetworkDriveFromMounts(path, ParseMountTable(kTable));
}

// A path on an SMB mount (the table's fields read, octal escapes undone), a
// GVfs share folder or an SMB URL names its share and the rest below it;
// the longest mount point decides, so a local disk
// mounted inside a share is local and a mount of a folder below a share
// names that folder.
TEST(NetworkDriveTest, MountsGvfsFoldersAndUrlsNameTheirShareAndTheRest) {
    const struct {
        std::string_view path;
        std::optional<std::u16string> remoteName; // none: no network drive
        std::u16string rest;
    } cases[] = {
        {"/mnt/data/Reports/May.doc", u"\\\\srv\\data", u"Reports\\May.doc"},
        {"/mnt/data", u"\\\\srv\\data", u""},
        {"/mnt/data/Reports/", u"\\\\srv\\data", u"Reports\\"}, // a trailing separator stays
        {"/mnt/My Share/a b.txt", u"\\\\srv\\pub", u"a b.txt"},
        {"/mnt/data/nested/x.txt", u"\\\\srv\\data\\Reports", u"x.txt"},
        {"/mnt/data/local/x.txt", std::nullopt, u""},
        {"/mnt/database/x", std::nullopt, u""}, // not below "/mnt/data"
        {"/mnt/nfs/file", std::nullopt, u""},
        {"/home/ann/file", std::nullopt, u""},
        {"relative/file", std::nullopt, u""}, // below "/"
        {"", std::nullopt, u""},
        // ".." leaves the mount before the lookup, never to a folder of the share.
        {"/mnt/data/../nfs/file", std::nullopt, u""},
        {"/run/user/1000/gvfs/smb-share:server=srv,share=my%20data,user=ann/Reports/May.doc",
         u"\\\\srv\\my data", u"Reports\\May.doc"},
        {"/run/user/1000/gvfs/smb-share:server=srv,share=data", u"\\\\srv\\data", u""},
        {"/run/user/1000/gvfs/sftp:host=srv/home", std::nullopt, u""}, // other GVfs backends
        {"smb://srv/data/Reports/May%20Plan.doc", u"\\\\srv\\data", u"Reports\\May Plan.doc"},
        {"smb://ann@srv/data", u"\\\\srv\\data", u""},
        {"smb://srv", u"\\\\srv", u""}, // a server alone names no share
        {"smb://srv/", u"\\\\srv", u""},
    };
    for (const auto& c : cases) {
        const NetworkDrive d = Look(c.path);
        EXPECT_EQ(std::tie(d.isNetworkDrive, d.remoteName, d.rest),
                  std::tuple(c.remoteName.has_value(), c.remoteName, c.rest))
            << c.path;
    }
}

TEST(NetworkDriveTest, LaterMountOnTheSamePointHidesTheEarlier) {
    const auto mounts =
        ParseMountTable("//srv/data /mnt/x cifs rw 0 0\n/dev/sdc1 /mnt/x ext4 rw 0 0\n");
    EXPECT_FALSE(NetworkDriveFromMounts("/mnt/x/file", mounts).isNetworkDrive);
}

TEST(NetworkDriveTest, RelativePathsLieBelowTheWorkingFolder) {
    const auto mounts = ParseMountTable(kTable);
    const struct {
        std::string_view path, workingFolder;
        std::u16string rest;
    } cases[] = {
        {"May.doc", "/mnt/data/Reports", u"Reports\\May.doc"},
        {"./May.doc", "/mnt/data/Reports", u"Reports\\May.doc"},
        {"../Plans/x.doc", "/mnt/data/Reports", u"Plans\\x.doc"},
        {"data/x.doc", "/mnt", u"x.doc"},
    };
    for (const auto& c : cases) {
        const NetworkDrive d = NetworkDriveFromMounts(c.path, mounts, c.workingFolder);
        EXPECT_EQ(std::tie(d.isNetworkDrive, d.remoteName, d.rest),
                  std::tuple(true, u"\\\\srv\\data", c.rest))
            << c.path;
    }
    EXPECT_FALSE(NetworkDriveFromMounts("../x", mounts, "/mnt/data").isNetworkDrive);
}

// A URL is split at its slashes before each part is decoded: an encoded
// character neither separates nor ends a name, and a name that holds one
// that no name may hold is marked.
TEST(NetworkDriveTest, SmbUrlsAreSplitBeforeTheyAreDecoded) {
    const struct {
        std::string_view url;
        std::u16string remoteName, rest;
        bool invalid;
    } cases[] = {
        {"SMB://srv/data/a", u"\\\\srv\\data", u"a", false},
        {"Smb://srv/d%61ta/x%25y", u"\\\\srv\\data", u"x%y", false},
        {"smb://srv/data/a%2Fb", u"\\\\srv\\data", u"a/b", true},
        {"smb://srv/data/a%5Cb", u"\\\\srv\\data", u"a\\b", true},
        {"smb://srv/da%2Fta/x", u"\\\\srv\\da/ta", u"x", true},
        {"smb://srv%00.other/data", std::u16string(u"\\\\srv\0.other\\data", 17), u"", true},
        {"smb://ann%40corp@srv/data", u"\\\\srv\\data", u"", false},
    };
    for (const auto& c : cases) {
        const NetworkDrive d = Look(c.url);
        EXPECT_EQ(std::tie(d.isNetworkDrive, d.remoteName, d.rest, d.invalidName),
                  std::tuple(true, c.remoteName, c.rest, c.invalid))
            << c.url;
    }
    EXPECT_FALSE(Look("smbx://srv/data").isNetworkDrive);
}

} // namespace
} // namespace quarnel::platform::samba
