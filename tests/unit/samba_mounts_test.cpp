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

TEST(MountTableTest, ParsesFieldsAndUndoesOctalEscapes) {
    const auto mounts = ParseMountTable(kTable);
    ASSERT_EQ(mounts.size(), 8u);
    EXPECT_EQ(mounts[2].source, "//srv/data");
    EXPECT_EQ(mounts[2].mountPoint, "/mnt/data");
    EXPECT_EQ(mounts[2].type, "cifs");
    EXPECT_EQ(mounts[4].mountPoint, "/mnt/My Share");
}

TEST(NetworkDriveTest, SmbMountsGiveTheirShareAndThePathBelowTheMountPoint) {
    NetworkDrive d = Look("/mnt/data/Reports/May.doc");
    EXPECT_TRUE(d.isNetworkDrive);
    EXPECT_EQ(d.remoteName, u"\\\\srv\\data");
    EXPECT_EQ(d.rest, u"Reports\\May.doc");

    d = Look("/mnt/data");
    EXPECT_TRUE(d.isNetworkDrive);
    EXPECT_EQ(d.rest, u"");

    d = Look("/mnt/data/Reports/");
    EXPECT_EQ(d.rest, u"Reports\\"); // a trailing separator stays

    d = Look("/mnt/My Share/a b.txt");
    EXPECT_TRUE(d.isNetworkDrive);
    EXPECT_EQ(d.remoteName, u"\\\\srv\\pub");
    EXPECT_EQ(d.rest, u"a b.txt");
}

TEST(NetworkDriveTest, TheLongestMountPointDecides) {
    // A mount of a folder below a share names that folder, as a drive mapped
    // below a share does.
    NetworkDrive d = Look("/mnt/data/nested/x.txt");
    EXPECT_EQ(d.remoteName, u"\\\\srv\\data\\Reports");
    EXPECT_EQ(d.rest, u"x.txt");
    // A local disk mounted inside an SMB mount is local.
    EXPECT_FALSE(Look("/mnt/data/local/x.txt").isNetworkDrive);
    // "/mnt/database" is not below "/mnt/data".
    EXPECT_FALSE(Look("/mnt/database/x").isNetworkDrive);
}

TEST(NetworkDriveTest, LaterMountOnTheSamePointHidesTheEarlier) {
    const auto mounts =
        ParseMountTable("//srv/data /mnt/x cifs rw 0 0\n/dev/sdc1 /mnt/x ext4 rw 0 0\n");
    EXPECT_FALSE(NetworkDriveFromMounts("/mnt/x/file", mounts).isNetworkDrive);
}

TEST(NetworkDriveTest, OtherFileSystemsAndRelativePathsAreNoNetworkDrive) {
    EXPECT_FALSE(Look("/mnt/nfs/file").isNetworkDrive);
    EXPECT_FALSE(Look("/home/ann/file").isNetworkDrive);
    EXPECT_FALSE(Look("relative/file").isNetworkDrive);
    EXPECT_FALSE(Look("C:\\Windows").isNetworkDrive);
    EXPECT_FALSE(Look("").isNetworkDrive);
}

TEST(NetworkDriveTest, GvfsSmbShareFolders) {
    NetworkDrive d =
        Look("/run/user/1000/gvfs/smb-share:server=srv,share=my%20data,user=ann/Reports/May.doc");
    EXPECT_TRUE(d.isNetworkDrive);
    EXPECT_EQ(d.remoteName, u"\\\\srv\\my data");
    EXPECT_EQ(d.rest, u"Reports\\May.doc");
    d = Look("/run/user/1000/gvfs/smb-share:server=srv,share=data");
    EXPECT_EQ(d.remoteName, u"\\\\srv\\data");
    EXPECT_EQ(d.rest, u"");
    // Other GVfs backends are no SMB shares.
    EXPECT_FALSE(Look("/run/user/1000/gvfs/sftp:host=srv/home").isNetworkDrive);
}

TEST(NetworkDriveTest, SmbUrlsNameTheirShare) {
    NetworkDrive d = Look("smb://srv/data/Reports/May%20Plan.doc");
    EXPECT_TRUE(d.isNetworkDrive);
    EXPECT_EQ(d.remoteName, u"\\\\srv\\data");
    EXPECT_EQ(d.rest, u"Reports\\May Plan.doc");
    EXPECT_EQ(Look("smb://ann@srv/data").remoteName, u"\\\\srv\\data");
    // A URL of a server alone names no share.
    EXPECT_EQ(Look("smb://srv").remoteName, u"\\\\srv");
    EXPECT_EQ(Look("smb://srv/").remoteName, u"\\\\srv");
}

} // namespace
} // namespace quarnel::platform::samba
