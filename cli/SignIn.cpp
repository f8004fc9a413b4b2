// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "SignIn.h"

#include "Console.h"
#include "Secrets.h"
#include "report/Listing.h"
#include "utf.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace quarnel::cli {

namespace {

std::string_view TrimLeadingBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

std::string_view TrimBlanks(std::string_view s) {
    s = TrimLeadingBlanks(s);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

// The lines are read where they stand: the password is copied once, into
// the file's settings.
AuthFile ParseAuthFile(const std::string& text) {
    AuthFile file;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = std::string_view(text).substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        std::string name(TrimBlanks(line.substr(0, eq)));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const std::string_view value = TrimLeadingBlanks(line.substr(eq + 1));
        if (name == "username")
            file.user = value;
        else if (name == "password")
            file.password = std::string(value);
        else if (name == "domain")
            file.domain = value;
    }
    return file;
}

bool NamesPrincipal(std::string_view user, std::string_view principal) {
    auto same = [](std::string_view a, std::string_view b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) ==
                   std::tolower(static_cast<unsigned char>(y));
        });
    };
    const std::size_t at = principal.rfind('@');
    const std::string_view owner = principal.substr(0, at);
    if (const std::size_t cut = user.find_first_of("\\/"); cut != std::string_view::npos)
        return same(user.substr(cut + 1), owner);
    if (const std::size_t realm = user.rfind('@'); realm != std::string_view::npos)
        return at != std::string_view::npos && same(user.substr(0, realm), owner) &&
               same(user.substr(realm + 1), principal.substr(at + 1));
    return same(user, owner);
}

namespace {

// The user that -A, -U or, with --use-kerberos=off, USER names, and the
// password that comes with it (the file's, else PASSWD unless -N). False
// after a line on `err` that says why there is none.
bool NamedUser(const SignInOptions& options, std::string& user,
               std::optional<std::string>& password, std::ostream& err) {
    if (!options.authFile.empty()) {
        std::string reason;
        std::optional<std::string> text = ReadPrivateFile(options.authFile, reason);
        if (!text) {
            err << "quarnel-cli: " << reason << '\n';
            return false;
        }
        KeepOutOfCoreDumps();
        AuthFile file = ParseAuthFile(*text);
        WipeSecret(*text);
        if (file.user.empty()) {
            err << "quarnel-cli: " << options.authFile
                << " names no user (a line \"username = NAME\")\n";
            return false;
        }
        const bool qualified = file.user.find_first_of("\\@") != std::string::npos;
        user = file.domain.empty() || qualified ? file.user : file.domain + '\\' + file.user;
        password = file.password;
        if (file.password)
            WipeSecret(*file.password);
    } else if (!options.user.empty()) {
        user = options.user;
    } else if (options.kerberos == KerberosUse::Off) {
        // Without the ticket, USER names the user ("user%password" as well),
        // as Samba's tools read it.
        const char* environment = std::getenv("USER");
        user = environment != nullptr ? environment : "";
        if (const auto cut = user.find('%'); cut != std::string::npos) {
            password = user.substr(cut + 1);
            user.erase(cut);
        }
        if (user.empty()) {
            err << "quarnel-cli: --use-kerberos=off: no user to sign in as: give -U or -A\n";
            return false;
        }
    }
    if (!password && !user.empty() && !options.noPass)
        if (const char* given = std::getenv("PASSWD"))
            password = given;
    return true;
}

} // namespace

int ApplySignIn(platform::Platform& platform, const SignInOptions& options, std::ostream& err) {
    if (std::getenv("PASSWD") != nullptr)
        KeepOutOfCoreDumps();
    if (options.user.empty() && options.authFile.empty() &&
        options.kerberos == KerberosUse::Desired && !options.noPass)
        return 0;
    const platform::SignInChoices choices = platform.AvailableSignIn();
    if (!choices.credentials) {
        err << "quarnel-cli: -U, -A, -k and --use-kerberos are not taken here: every server is "
               "asked as the user who is logged on\n";
        return 1;
    }
    std::string user;
    std::optional<std::string> password;
    if (!NamedUser(options, user, password, err))
        return 1;
    const bool kerberos = options.kerberos == KerberosUse::Required;
    if (kerberos && !password) {
        // The ticket cache signs in.
        if (!choices.kerberosTicket) {
            err << "quarnel-cli: cannot sign in: "
                << ToUtf8(platform.StatusText(choices.kerberosStatus)) << '\n';
            return 1;
        }
        const std::string owner = ToUtf8(choices.kerberosPrincipal);
        if (!user.empty() && !NamesPrincipal(user, owner)) {
            err << "quarnel-cli: cannot sign in as " << user << ": the Kerberos ticket cache holds "
                << "the ticket of " << owner << "; give the password of " << user
                << " (PASSWD or -A FILE) or get a ticket as " << user << " (kinit)\n";
            return 1;
        }
    } else if (!password && !user.empty() && !options.noPass) {
        KeepOutOfCoreDumps();
        password = ReadPasswordFromTerminal("Password for [" + report::Printable(user) + "]: ");
        if (!password) {
            err << "quarnel-cli: no terminal to ask for the password of " << user
                << " on: set PASSWD, use -A FILE or -N\n";
            return 1;
        }
    }
    platform::Credentials credentials{FromUtf8(user), FromUtf8(password.value_or("")), kerberos};
    platform.SetCredentials(platform::EveryServer, credentials);
    WipeSecret(credentials.password);
    if (password)
        WipeSecret(*password);
    return 0;
}

} // namespace quarnel::cli
