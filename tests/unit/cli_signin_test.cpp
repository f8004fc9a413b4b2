// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "SignIn.h"

#include <gtest/gtest.h>

namespace {

using quarnel::cli::ParseAuthFile;

// Authentication files as Samba's tools read them: names without regard to
// case or blanks, values from after the blanks that follow "=" to the end
// of the line (trailing blanks belong to a password), CR LF lines, and
// lines that are not settings passed over.
TEST(AuthFile, ReadsTheSettingsAsSambaToolsDo) {
    struct Case {
        const char* text;
        std::string user;
        std::optional<std::string> password;
        std::string domain;
    };
    const Case cases[] = {
        {"username = admin\npassword = s3cret\ndomain = DOM\n", "admin", "s3cret", "DOM"},
        {"USERNAME=admin\r\nPassword\t=\tpass word \r\n", "admin", "pass word ", ""},
        {"# a comment\n\nusername = a=b\nrealm = EXAMPLE.COM\n", "a=b", std::nullopt, ""},
        {"password =\nusername = admin", "admin", "", ""},
        {"", "", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto file = ParseAuthFile(c.text);
        EXPECT_EQ(file.user, c.user);
        EXPECT_EQ(file.password, c.password);
        EXPECT_EQ(file.domain, c.domain);
    }
}

// -k -U NAME signs in with the ticket in the cache only when it is NAME's:
// DOMAIN\user names no realm, user@REALM does, and the domain compares
// names without regard to case.
TEST(SignIn, NamesTheOwnerOfATicketAsTheDomainCompares) {
    struct Case {
        const char* user;
        bool names; // Administrator@EXAMPLE.COM
    } cases[] = {
        {"Administrator", true},
        {"administrator", true},
        {"EXAMPLE\\administrator", true},
        {"OTHER\\administrator", true},
        {"example.com/administrator", true},
        {"administrator@example.com", true},
        {"administrator@OTHER.COM", false},
        {"admin", false},
        {"EXAMPLE\\quser", false},
        {"administrator@", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        EXPECT_EQ(quarnel::cli::NamesPrincipal(c.user, "Administrator@EXAMPLE.COM"), c.names);
    }
}

} // namespace
