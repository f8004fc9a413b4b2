// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "mounts_samba.h"

#include "../utf.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace quarnel::platform::samba {

namespace {

// The kernel writes a blank, a tab, a line break and a backslash in a mount
// table field as \040, \011, \012 and \134.
std::string Unescape(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + static_cast<long>(i) + 1,
                        field.begin() + static_cast<long>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// "%20" and the like, as URLs and GVfs folder names write special characters.
std::string PercentDecode(std::string_view text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 &&
            hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::u16string WithBackslashes(std::string_view path) {
    std::u16string out = FromUtf8(path);
    std::replace(out.begin(), out.end(), u'/', u'\\');
    return out;
}

// The mount point holds the path when it is "/" or a prefix of it that ends
// on a component boundary.
bool Holds(std::string_view mountPoint, std::string_view path) {
    if (mountPoint == "/")
        return true;
    return path.starts_with(mountPoint) &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

// \\server\share, or \\server alone when no share is named.
std::u16string NetworkName(std::string_view server, std::string_view share) {
    std::u16string name = u"\\\\";
    name.append(FromUtf8(server));
    if (!share.empty())
        name.append(u"\\").append(FromUtf8(share));
    return name;
}

// smb://[user@]server/share/path: the network path \\server\share\path. The
// URL is split at its slashes first and each part decoded on its own, so
// that an encoded character can neither act as a separator nor move the end
// of a name.
NetworkDrive FromUrl(std::string_view url) {
    std::string_view rest = url.substr(6);
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::vector<std::string_view> parts = Split(rest, '/');
    if (const auto at = parts[0].rfind('@'); at != std::string_view::npos)
        parts[0].remove_prefix(at + 1); // user@server
    NetworkDrive drive{true, std::nullopt, {}};
    std::string server, share;
    std::u16string below;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string name = PercentDecode(parts[i]);
        if (name.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos)
            drive.invalidName = true;
        if (i == 0)
            server = name;
        else if (i == 1)
            share = name;
        else
            below.append(i > 2 ? u"\\" : u"").append(FromUtf8(name));
    }
    drive.remoteName = NetworkName(server, share);
    drive.rest = below;
    return drive;
}

// GVfs mounts each SMB share as a folder named
// smb-share:server=srv,share=data[,user=...] under its FUSE mount point.
std::optional<NetworkDrive> FromGvfsFolder(std::string_view path) {
    static constexpr std::string_view marker = "/gvfs/smb-share:";
    const auto at = path.find(marker);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string_view folder = path.substr(at + marker.size());
    std::string_view rest;
    if (const auto slash = folder.find('/'); slash != std::string_view::npos) {
        rest = folder.substr(slash + 1);
        folder = folder.substr(0, slash);
    }
    std::string server, share;
    for (std::string_view pair : Split(folder, ',')) {
        const auto eq = pair.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = pair.substr(0, eq);
        if (key == "server")
            server = PercentDecode(pair.substr(eq + 1));
        else if (key == "share")
            share = PercentDecode(pair.substr(eq + 1));
    }
    if (server.empty() || share.empty())
        return std::nullopt;
    return NetworkDrive{true, NetworkName(server, share), WithBackslashes(rest)};
}

} // namespace

std::vector<MountEntry> ParseMountTable(std::string_view table) {
    std::vector<MountEntry> mounts;
    for (std::string_view line : Split(table, '\n')) {
        std::vector<std::string_view> fields;
        for (std::string_view f : Split(line, ' '))
            if (!f.empty())
                fields.push_back(f);
        if (fields.size() < 3)
            continue;
        mounts.push_back({Unescape(fields[0]), Unescape(fields[1]), Unescape(fields[2])});
    }
    return mounts;
}

bool IsSmbFileSystem(std::string_view type) {
    return type == "cifs" || type == "smb3" || type == "smbfs";
}

bool IsSmbUrl(std::string_view path) {
    static constexpr std::string_view scheme = "smb://";
    return path.size() >= scheme.size() &&
           std::equal(scheme.begin(), scheme.end(), path.begin(), [](char a, char b) {
               return a == std::tolower(static_cast<unsigned char>(b));
           });
}

NetworkDrive NetworkDriveFromMounts(std::string_view given, const std::vector<MountEntry>& mounts,
                                    std::string_view workingFolder) {
    if (IsSmbUrl(given))
        return FromUrl(given);
    if (given.empty())
        return {};
    const std::string absolute =
        (std::filesystem::path(workingFolder) / given).lexically_normal().string();
    const std::string_view path = absolute;
    if (!path.starts_with('/'))
        return {};
    if (auto gvfs = FromGvfsFolder(path))
        return *gvfs;

    const MountEntry* holder = nullptr;
    for (const MountEntry& m : mounts)
        if (Holds(m.mountPoint, path) &&
            (holder == nullptr || m.mountPoint.size() >= holder->mountPoint.size()))
            holder = &m;
    if (holder == nullptr || !IsSmbFileSystem(holder->type) || !holder->source.starts_with("//"))
        return {};

    std::string_view below = path.substr(holder->mountPoint == "/" ? 0 : holder->mountPoint.size());
    while (below.starts_with('/'))
        below.remove_prefix(1);
    std::string_view source = holder->source;
    while (source.size() > 2 && source.ends_with('/'))
        source.remove_suffix(1);
    return {true, WithBackslashes(source), WithBackslashes(below)};
}

} // namespace quarnel::platform::samba
