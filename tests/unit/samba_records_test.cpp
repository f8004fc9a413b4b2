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

TEST(LiesUnderTest, PrefixMustEndOnAComponentBoundary) {
    EXPECT_TRUE(LiesUnder(u"C:\\srv\\share\\a.txt", u"C:\\srv\\share"));
    EXPECT_TRUE(LiesUnder(u"C:\\srv\\share", u"C:\\srv\\share"));
    EXPECT_TRUE(LiesUnder(u"C:\\srv\\share\\a.txt", u"C:\\srv\\share\\"));
    EXPECT_FALSE(LiesUnder(u"C:\\srv\\shared\\a.txt", u"C:\\srv\\share"));
    EXPECT_FALSE(LiesUnder(u"C:\\srv", u"C:\\srv\\share"));
    EXPECT_TRUE(LiesUnder(u"C:\\x", u"C:"));
}

TEST(LiesUnderTest, IgnoresCaseAndTheKindOfSlash) {
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
    EXPECT_EQ(out[0].fi3_id, 1u);
    EXPECT_EQ(out[0].fi3_permissions, 3u);
    EXPECT_EQ(out[0].fi3_num_locks, 2u);
    EXPECT_EQ(modApi::StringFromPointer(out[0].fi3_pathname), u"C:\\share\\Bücher.txt");
    EXPECT_EQ(modApi::StringFromPointer(out[1].fi3_username), u"bob");
    EXPECT_EQ(out[2].fi3_pathname, nullptr);
    EXPECT_EQ(out[2].fi3_username, nullptr);
    std::free(block);

    block = PackFileInfo3(records, 3, u"c:\\SHARE", &kept);
    ASSERT_EQ(kept, 1u);
    EXPECT_EQ(reinterpret_cast<FileInfo3*>(block)[0].fi3_id, 1u);
    std::free(block);

    EXPECT_EQ(PackFileInfo3(records, 3, u"D:\\", &kept), nullptr);
    EXPECT_EQ(kept, 0u);
}

TEST(TranslateConnectFailureTest, NamesTheReasonTheSambaClientPrinted) {
    EXPECT_EQ(TranslateConnectFailure(WERR_CAN_NOT_COMPLETE,
                                      "session setup failed: NT_STATUS_LOGON_FAILURE\n"),
              netstatus::LogonFailure);
    EXPECT_EQ(TranslateConnectFailure(WERR_CAN_NOT_COMPLETE,
                                      "session setup failed: NT_STATUS_ACCOUNT_DISABLED\n"),
              1331u);
    EXPECT_EQ(TranslateConnectFailure(WERR_CAN_NOT_COMPLETE,
                                      "session setup failed: NT_STATUS_WRONG_CREDENTIAL_HANDLE\n"),
              netstatus::LogonFailure);
    // Refused credentials make libnetapi fall back to an anonymous session,
    // whichever way the server then refuses that.
    const char* fellBack =
        "Anonymous login successful\ntree connect failed: NT_STATUS_ACCESS_DENIED\n";
    EXPECT_EQ(TranslateConnectFailure(WERR_CAN_NOT_COMPLETE, fellBack), netstatus::LogonFailure);
    EXPECT_EQ(TranslateConnectFailure(netstatus::AccessDenied, "Anonymous login successful\n"),
              netstatus::LogonFailure);
    // A server that lets anonymous users in answers the fallback as if the
    // caller had been accepted.
    EXPECT_EQ(TranslateConnectFailure(netstatus::Success, "Anonymous login successful\n"),
              netstatus::LogonFailure);
    EXPECT_EQ(TranslateConnectFailure(netstatus::MoreData, "Anonymous login successful\n"),
              netstatus::LogonFailure);
    EXPECT_EQ(TranslateConnectFailure(netstatus::Success, ""), netstatus::Success);
    // No session was set up at all: nobody answered at that address.
    EXPECT_EQ(TranslateConnectFailure(WERR_CAN_NOT_COMPLETE, ""), netstatus::BadNetPath);
    // A reason without a word of ours keeps libnetapi's status.
    EXPECT_EQ(TranslateConnectFailure(WERR_CAN_NOT_COMPLETE, "NT_STATUS_INTERNAL_ERROR"),
              WERR_CAN_NOT_COMPLETE);
    // Other statuses come from the server and are already precise.
    EXPECT_EQ(TranslateConnectFailure(netstatus::AccessDenied, "NT_STATUS_LOGON_FAILURE"),
              netstatus::AccessDenied);
    // A connection that ended under a call, as a relay that cuts or stalls
    // the server's answer leaves it, is told by what Samba logged.
    const std::string bind = "cli_rpc_pipe_open_noauth: rpc_pipe_bind for pipe srvsvc failed "
                             "with error NT_STATUS_";
    EXPECT_EQ(TranslateConnectFailure(2152, "", bind + "CONNECTION_DISCONNECTED"),
              netstatus::NetNameDeleted);
    EXPECT_EQ(TranslateConnectFailure(2152, "", bind + "IO_TIMEOUT"), netstatus::SemTimeout);
    EXPECT_EQ(TranslateConnectFailure(netstatus::Success, "", bind + "IO_TIMEOUT"),
              netstatus::Success);
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
