// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "directory_samba.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace quarnel::platform::samba {

namespace {

struct DirClose {
    void operator()(DIR* d) const { ::closedir(d); }
};

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

std::optional<std::string> FindEntryName(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..")
        return std::string();
    if (name.size() > NAME_MAX || path.size() >= PATH_MAX)
        return std::nullopt;

    const std::unique_ptr<DIR, DirClose> dir(::opendir(folder.c_str()));
    if (!dir)
        return errno == ENOENT ? std::optional<std::string>(std::string()) : std::nullopt;

    struct stat target {};
    const bool exists = ::stat(path.c_str(), &target) == 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (name == entry->d_name)
            return name;
    }
    if (!exists)
        return std::string();
    // The file system found the path under another spelling: the entry that
    // is that same file carries the stored name.
    ::rewinddir(dir.get());
    while (const dirent* entry = ::readdir(dir.get())) {
        struct stat candidate {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &candidate, 0) == 0 &&
            SameFile(candidate, target) && std::string(entry->d_name) != "." &&
            std::string(entry->d_name) != "..")
            return std::string(entry->d_name);
    }
    return std::string();
}

} // namespace quarnel::platform::samba
