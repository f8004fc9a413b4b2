// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Client-side paths in every form a user can give them: a path on a drive,
// a network path \\server\share\rest, an smb:// URL, a path on an SMB mount
// or in a GVfs share folder, resolved to a server and a path on it.
#include "FakePlatform.h"
#include "NetworkPath.h"
#include "platform/mounts_samba.h"
#include "utf.h"

#include <cstdlib>

using namespace quarnel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<platform::samba::MountEntry> mounts =
        platform::samba::ParseMountTable("//srv/data /mnt/data cifs rw 0 0\n"
                                         "//srv/data/sub /mnt/sub smb3 rw 0 0\n"
                                         "/dev/sda1 / ext4 rw 0 0\n");
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::u16string path = FromUtf8(text);

    test::FakePlatform fake;
    fake.networkDrives[path] = platform::samba::NetworkDriveFromMounts(text, mounts);
    for (const char16_t* share : {u"data", u"share", u"C$", u""})
        fake.shareInfo[share] = {platform::netstatus::Success,
                                 {{share, 0, u"", 0, 0, 0, u"E:\\Data", u""}}};
    modApi api(fake);
    const ResolvedPath resolved = ResolveClientPath(api, path);

    // A resolution names the server as "\\" and its name, nothing more, and
    // the path on it below the share's folder.
    if (resolved.outcome == Resolution::Resolved &&
        (!resolved.server.starts_with(u"\\\\") ||
         resolved.server.find(u'\\', 2) != std::u16string::npos ||
         !resolved.localPath.starts_with(u"E:\\Data")))
        std::abort();
    if (!fake.allBuffersReleasedOnce())
        std::abort();
    return 0;
}
