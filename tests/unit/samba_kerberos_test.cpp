// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Which server names Samba's client can get a Kerberos ticket for.
#include "platform/kerberos_samba.h"

#include <gtest/gtest.h>

namespace quarnel::platform::samba {
namespace {

TEST(SambaKerberosTest, AnAddressOrLocalhostNamesNoServersPrincipal) {
    struct Case {
        const char* server;
        bool named;
    } cases[] = {
        {"fileserver", true},       {"fileserver.example.com", true}, {"10.1.2.3", false},
        {"fe80::1", false},         {"[2001:db8::7]", false},         {"LocalHost", false},
        {"10.1.2.3.example", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KerberosCanName(c.server), c.named) << c.server;
}

} // namespace
} // namespace quarnel::platform::samba
