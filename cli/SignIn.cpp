// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "SignIn.h"

#include "Console.h"
#include "Secrets.h"
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

int ApplySignIn(platform::Platform& platform, const SignInOptions& options, std::ostream& err) {
    if (std::getenv("PASSWD") != nullptr)
        KeepOutOfCoreDumps();
    if (options.user.empty() && options.authFile.empty() && !options.kerberos && !options.noPass)
        return 0;
    const platform::SignInChoices choices = platform.AvailableSignIn();
    if (!choices.credentials) {
        err << "quarnel-cli: -U, -A and -k are not taken here: every server is asked as the "
               "user who is logged on\n";
        return 1;
    }
    if (options.kerberos && !choices.kerberosTicket) {
        err << "quarnel-cli: -k: there is no Kerberos ticket cache; get a ticket first (kinit)\n";
        return 1;
    }
    platform::Credentials credentials;
    bool passwordGiven = false;
    if (!options.authFile.empty()) {
        std::string reason;
        std::optional<std::string> text = ReadPrivateFile(options.authFile, reason);
        if (!text) {
            err << "quarnel-cli: " << reason << '\n';
            return 1;
        }
        KeepOutOfCoreDumps();
        AuthFile file = ParseAuthFile(*text);
        WipeSecret(*text);
        if (file.user.empty()) {
            err << "quarnel-cli: " << options.authFile
                << " names no user (a line \"username = NAME\")\n";
            return 1;
        }
        const bool qualified = file.user.find_first_of("\\@") != std::string::npos;
        credentials.user =
            FromUtf8(file.domain.empty() || qualified ? file.user : file.domain + '\\' + file.user);
        credentials.password = FromUtf8(file.password.value_or(""));
        passwordGiven = file.password.has_value();
        if (file.password)
            WipeSecret(*file.password);
    } else {
        credentials.user = FromUtf8(options.user);
    }
    credentials.kerberos = options.kerberos;
    // A user without a password takes PASSWD, as Samba's tools do, or the
    // one typed on the terminal; with -k the ticket cache stands for it, and
    // -N asks for none.
    if (!passwordGiven && !credentials.user.empty() && !credentials.kerberos && !options.noPass) {
        if (const char* password = std::getenv("PASSWD")) {
            credentials.password = FromUtf8(password);
        } else {
            const std::string user = ToUtf8(credentials.user);
            KeepOutOfCoreDumps();
            auto typed = ReadPasswordFromTerminal("Password for [" + user + "]: ");
            if (!typed) {
                err << "quarnel-cli: no terminal to ask for the password of " << user
                    << " on: set PASSWD, use -A FILE or -N\n";
                return 1;
            }
            credentials.password = FromUtf8(*typed);
            WipeSecret(*typed);
        }
    }
    platform.SetCredentials(platform::EveryServer, credentials);
    WipeSecret(credentials.password);
    return 0;
}

} // namespace quarnel::cli
