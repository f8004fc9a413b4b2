// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The mount table, as the kernel writes it and as anything mounted may make
// it look, and the lookup of paths in it: the mount table, then a path.
#include "FuzzInput.h"
#include "platform/mounts_samba.h"

#include <cstdlib>

using namespace quarnel::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quarnel::fuzz::FuzzInput input(data, size);
    const std::string table = input.Line();
    const std::string path = input.Line();
    const std::vector<samba::MountEntry> mounts = samba::ParseMountTable(table);

    std::vector<std::string> paths{path};
    for (const samba::MountEntry& m : mounts)
        paths.push_back(m.mountPoint + "/x");
    for (const std::string& p : paths) {
        const NetworkDrive drive = samba::NetworkDriveFromMounts(p, mounts);
        // A network drive is named \\server\share..., or not at all.
        if (drive.remoteName && !drive.remoteName->starts_with(u"\\\\"))
            std::abort();
        if (!drive.isNetworkDrive && (drive.remoteName || !drive.rest.empty()))
            std::abort();
    }
    return 0;
}
