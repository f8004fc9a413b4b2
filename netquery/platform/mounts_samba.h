// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// On Linux, SMB mounts play the part of mapped network drives: a path lies
// on a "network drive" when the mount that holds it is an SMB mount (cifs,
// smb3), or when it lies in a GVfs smb-share folder. An smb:// URL, as file
// managers hand over SMB places that are not mounted, names its share
// directly.
#pragma once

#include "platform.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel::platform::samba {

struct MountEntry {
    std::string source;     // for SMB mounts //server/share[/folder]
    std::string mountPoint; // absolute
    std::string type;       // cifs, smb3, ext4, ...
};

// Whether a mount of this file system type (cifs, ext4, ...) is an SMB
// mount.
bool IsSmbFileSystem(std::string_view type);

// Whether a path is an smb:// URL; the scheme's case does not matter.
bool IsSmbUrl(std::string_view path);

// The lines of a mount table in the format of /proc/self/mounts, with its
// octal escapes (\040 for a blank, ...) undone.
std::vector<MountEntry> ParseMountTable(std::string_view table);

// Looks a UTF-8 path up in a mount table: the longest mount point that holds
// it decides (the later of two mounts on one point hides the earlier). A
// relative path lies below `workingFolder`; "." and ".." are taken away as
// the file system would before the lookup.
NetworkDrive NetworkDriveFromMounts(std::string_view path, const std::vector<MountEntry>& mounts,
                                    std::string_view workingFolder = "/");

} // namespace quarnel::platform::samba
