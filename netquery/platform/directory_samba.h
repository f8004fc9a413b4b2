// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The directory lookup of the long path expansion, on Linux: the name of the
// entry that matches a path, as the file system stores it.
#pragma once

#include <optional>
#include <string>

namespace quarnel::platform::samba {

// The stored name of the entry that `path` (UTF-8, "/" between components)
// names: the exact name when the folder holds it, otherwise the entry that
// the file system itself took for it (a case-insensitive file system such as
// an SMB mount answers for other letter cases too). Empty when nothing
// matches or the folder does not exist; nullopt when the path cannot be
// searched: no permission on a folder, a component that is not a folder, a
// name too long.
std::optional<std::string> FindEntryName(const std::string& path);

} // namespace quarnel::platform::samba
