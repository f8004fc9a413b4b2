// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// How quarnel-cli signs in to servers, in the conventions of Samba's tools:
// -U NAME (the password from PASSWD, else asked for on the terminal),
// -A FILE (an authentication file), -k (the Kerberos ticket cache) and -N
// (no password). A password never goes on the command line; while one is in
// memory the program leaves no core dump, and what it read is wiped once the
// platform has it.
#pragma once

#include "platform/platform.h"

#include <optional>
#include <ostream>
#include <string>

namespace quarnel::cli {

struct SignInOptions {
    std::string user;     // -U: DOMAIN\user, user@REALM or user
    std::string authFile; // -A
    bool kerberos = false;
    bool noPass = false; // -N: no password is asked for or taken from PASSWD
};

// An authentication file's "username = ", "password = " and "domain = "
// lines. Names are matched without regard to case or blanks; a value starts
// after the blanks that follow "=" and runs to the end of its line. Other
// lines are passed over.
struct AuthFile {
    std::string user;
    std::optional<std::string> password;
    std::string domain;
};
AuthFile ParseAuthFile(const std::string& text);

// Gives the platform the credentials that the options name, for every
// server. Returns 0, or 1 after one line on `err` that says why not.
int ApplySignIn(platform::Platform& platform, const SignInOptions& options, std::ostream& err);

} // namespace quarnel::cli
