// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// How quarnel-cli signs in to servers, in the conventions of Samba's tools:
// -U NAME (the password from PASSWD, else asked for on the terminal),
// -A FILE (an authentication file), -k or --use-kerberos (Kerberos) and -N
// (no password). A password never goes on the command line; while one is in
// memory the program leaves no core dump, and what it read is wiped once the
// platform has it.
//
// Kerberos alone (-k, --use-kerberos=required) signs in as Samba's tools
// do: with a password for the user that -U or -A names (PASSWD, the file's
// password line), a ticket got with it; without one, the ticket in the
// cache, which must then be that user's. Samba's tools would sign in as
// whoever the cache belongs to; here another user's ticket is refused in
// words. Kerberos never asks for a password on the terminal.
#pragma once

#include "platform/platform.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace quarnel::cli {

// --use-kerberos: Kerberos alone (-k), Kerberos when it can (the ticket when
// there is one, or one got with the password), or never the ticket cache.
enum class KerberosUse { Desired, Required, Off };

struct SignInOptions {
    std::string user;     // -U: DOMAIN\user, user@REALM or user
    std::string authFile; // -A
    KerberosUse kerberos = KerberosUse::Desired;
    bool noPass = false; // -N: no password is asked for or taken from PASSWD
};

// Whether a user name as -U or an authentication file gives it names the
// owner of the Kerberos principal "user@REALM": the same user, and for
// "user@REALM" the same realm ("DOMAIN\user" names the domain by its NetBIOS
// name, which a principal does not carry). Case does not matter, as in the
// domain's own comparison.
bool NamesPrincipal(std::string_view user, std::string_view principal);

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
