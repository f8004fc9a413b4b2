// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// From a path as a client sees it to the server that holds it and the path
// on that server: a path on a mapped network drive (on Linux an SMB mount or
// an smb:// URL) or a network path \\server\share\rest. The window shows
// the two messages a user can act on; the command-line companion prints them.
#pragma once

#include "modApi.h"

#include <optional>
#include <string>
#include <string_view>

namespace quarnel {

enum class Resolution {
    Resolved,
    NoNetworkDrive, // the path lies on no network drive
    NoRemoteName,   // a network drive whose connection the platform cannot name
    NoShare,        // the path or connection names a server but no share
    ShareNotFound,  // the server does not describe the share
    InvalidName,    // a server, share or folder name holds a control character
};

struct ResolvedPath {
    Resolution outcome = Resolution::NoNetworkDrive;
    std::u16string server;    // "\\" and the server's name
    std::u16string localPath; // the share's folder and the rest of the path
};

// Resolves a client-side path, asking the platform for the connection behind
// a drive and the server for the share's folder. "." and ".." below the
// share are collapsed as Windows collapses them in a network path, never
// climbing above the share.
ResolvedPath ResolveClientPath(modApi& api, const std::u16string& path);

// A network path: two separators, \\server\share or //server/share.
bool IsNetworkPath(std::u16string_view path);

// A URL (smb://...): a scheme of two letters or more before "://".
bool IsUrl(std::u16string_view path);

// A backslash-separated path with "." dropped and each ".." taking away the
// part before it; a ".." with nothing before it is dropped.
std::u16string CollapseDots(std::u16string_view path);

// A message box of the resolution: its title, prompt (lines separated by
// CR LF) and icon.
struct ResolutionMessage {
    enum class Icon { Exclamation, Information } icon;
    std::u16string title;
    std::u16string prompt;
};

// The message a user is shown for an outcome; none for the outcomes that the
// user cannot act on, and none for success.
std::optional<ResolutionMessage> MessageFor(Resolution outcome);

} // namespace quarnel
