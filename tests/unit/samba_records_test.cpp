// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The server-free parts of the Samba backend: narrowing to a base path,
// packing libnetapi's records, and naming the reason of a failed connection.
#include "platform/records_samba.h"

#include "modApi.h"
#include "utf.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <netapi.h>

namespace quarnel::platform::samba {
namespace {

namespace netstatus = platform::netstatus;

TEST(LibnetapiServerNameTest, DropsExactlyTwoLeadingBackslashes) {
    EXPECT_EQ(LibnetapiServerName(u"\\\\srv"), u"srv");
    EXPECT_EQ(LibnetapiServerName(u"srv"), u"srv");
    EXPECT_EQ(LibnetapiServerName(u"\\\\\\srv"), u"\\srv");
}

// The prefix ends on a component boundary; case and the kind of slash do
// not count.
TEST(LiesUnderTest, PrefixMustEndOnAComponentBoundaryWhateverItsCaseAndSlashes) {
    EXPECT_TRUE(LiesUnder(u"C:\\srv\\share\\a.txt", u"C:\\srv\\share"));
    EXPECT_TRUE(LiesUnder(u"C:\\srv\\share", u"C:\\srv\\share"));
    EXPECT_TRUE(LiesUnder(u"C:\\srv\\share\\a.txt", u"C:\\srv\\share\\"));
    EXPECT_FALSE(LiesUnder(u"C:\\srv\\shared\\a.txt", u"C:\\srv\\share"));
    EXPECT_FALSE(LiesUnder(u"C:\\srv", u"C:\\srv\\share"));
    EXPECT_TRUE(LiesUnder(u"C:\\x", u"C:"));
    EXPECT_TRUE(LiesUnder(u"C:\\Srv\\Share\\A.txt", u"c:/srv/SHARE"));
    EXPECT_TRUE(LiesUnder(u"C:\\Bücher\\x", u"c:\\BÜCHER"));
    EXPECT_FALSE(LiesUnder(u"C:\\Buecher\\x", u"C:\\Bücher"));
}

TEST(PackFileInfo3Test, ConvertsToUtf16KeepsNullsAndNarrows) {
    FILE_INFO_3 records[] = {
        {1, 3, 2, "C:\\share\\Bücher.txt", "ann"},
        {2, 1, 0, "C:\\other\\x.txt", "bob"},
        {3, 2, 0, nullptr, nullptr},
    };
    std::uint32_t kept = 0;
    std::uint8_t* block = PackFileInfo3(records, 3, u"", &kept);
    ASSERT_EQ(kept, 3u);
    auto* out = reinterpret_cast<FileInfo3*>(block);
    EXPECT_EQ(std::tie(out[0].fi3_id, out[0].fi3_permissions, out[0].fi3_num_locks),
              std::tuple(1u, 3u, 2u));
    EXPECT_EQ(modApi::StringFromPointer(out[0].fi3_pathname), u"C:\\share\\Bücher.txt");
    EXPECT_EQ(modApi::StringFromPointer(out[1].fi3_username), u"bob");
    EXPECT_TRUE(out[2].fi3_pathname == nullptr && out[2].fi3_username == nullptr);
    std::free(block);

    block = PackFileInfo3(records, 3, u"c:\\SHARE", &kept);
    ASSERT_EQ(kept, 1u);
    EXPECT_EQ(reinterpret_cast<FileInfo3*>(block)[0].fi3_id, 1u);
    std::free(block);

    EXPECT_EQ(PackFileInfo3(records, 3, u"D:\\", &kept), nullptr);
    EXPECT_EQ(kept, 0u);
}

// The reason the Samba client printed (or logged, for a connection that
// ended under a call, as a relay that cuts or stalls the server's answer
// leaves it) names the failure.
TEST(TranslateConnectFailureTest, NamesTheReasonTheSambaClientPrinted) {
    const NetStatus cannot = WERR_CAN_NOT_COMPLETE, ok = netstatus::Success;
    const std::string setup = "session setup failed: NT_STATUS_",
                      anonymous = "Anonymous login successful\n",
                      bind = "cli_rpc_pipe_open_noauth: rpc_pipe_bind for pipe srvsvc failed "
                             "with error NT_STATUS_";
    const struct {
        NetStatus status;
        std::string output, log;
        NetStatus expected;
    } cases[] = {
        {cannot, setup + "LOGON_FAILURE\n", "", netstatus::LogonFailure},
        {cannot, setup + "ACCOUNT_DISABLED\n", "", 1331u},
        {cannot, setup + "WRONG_CREDENTIAL_HANDLE\n", "", netstatus::LogonFailure},
        // Refused credentials make libnetapi fall back to an anonymous
        // session, whichever way the server then refuses that; a server that
        // lets anonymous users in answers as if the caller had been accepted.
        {cannot, anonymous + "tree connect failed: NT_STATUS_ACCESS_DENIED\n", "",
         netstatus::LogonFailure},
        {netstatus::AccessDenied, anonymous, "", netstatus::LogonFailure},
        {ok, anonymous, "", netstatus::LogonFailure},
        {netstatus::MoreData, anonymous, "", netstatus::LogonFailure},
        {ok, "", "", ok},
        {cannot, "", "", netstatus::BadNetPath},          // no session at all: nobody answered
        {cannot, "NT_STATUS_INTERNAL_ERROR", "", cannot}, // no word of ours: libnetapi's status
        // Other statuses come from the server and are already precise.
        {netstatus::AccessDenied, "NT_STATUS_LOGON_FAILURE", "", netstatus::AccessDenied},
        {2152, "", bind + "CONNECTION_DISCONNECTED", netstatus::NetNameDeleted},
        {2152, "", bind + "IO_TIMEOUT", netstatus::SemTimeout},
        {ok, "", bind + "IO_TIMEOUT", ok},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TranslateConnectFailure(c.status, c.output, c.log), c.expected)
            << c.status << " " << c.output << c.log;
}

TEST(UtfTest, RoundTripsAndReplacesMalformedInput) {
    const std::u16string text = u"Bücher \U0001F4D6 €";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(FromUtf8("a\xFF"
                       "b"),
              u"a\uFFFDb");
    EXPECT_EQ(FromUtf8("\xE2\x82"), u"\uFFFD");                      // cut short
    EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD");                      // overlong
    EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD"); // lone surrogate
}

} // namespace
} // namespace quarnel::platform::samba
