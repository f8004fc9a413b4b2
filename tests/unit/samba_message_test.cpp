// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The Linux backend's message sending without a server: smbclient's command
// line and input, what its runs stand for, and the runner that starts it.
#include "platform/message_samba.h"
#include "platform/process_samba.h"
#include "utf.h"

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace quarnel::platform::samba {
namespace {

using End = ProcessOutcome::End;

ProcessOutcome Exited(int code, std::string output) {
    return {End::Exited, code, 0, std::move(output)};
}

// Each value is joined to its option, so that a name starting with "-"
// stays a name; the code page (over the caller's settings) and the wait are
// always named, and the debug level is 0 unless given. A sender with a
// percent sign is refused.
TEST(SmbclientMessageArgumentsTest, ValuesJoinTheirOptions) {
    MessageRequest request{u"-bob\u00E9", u"\\\\127.0.0.1", u"admin", "/tmp/private/smb.conf",
                           std::chrono::seconds(3)};
    request.options = {"name resolve order=wins", "dos charset=CP437"};
    request.debugLevel = "3";
    EXPECT_EQ(SmbclientMessageArguments(request),
              (std::vector<std::string>{"smbclient", "--configfile=/tmp/private/smb.conf",
                                        "--message=-bob\xC3\xA9", "--ip-address=127.0.0.1",
                                        "--user=admin", "--option=name resolve order=wins",
                                        "--option=dos charset=CP437", "--option=dos charset=CP850",
                                        "--timeout=3", "--no-pass", "--debuglevel=3"}));
    // Without a server smbclient resolves the recipient's name itself.
    const auto plain = SmbclientMessageArguments({u"bob", u"", u"", ""});
    EXPECT_EQ(plain->at(1), "--message=bob");
    EXPECT_EQ(plain->back(), "--debuglevel=0");
    EXPECT_EQ(SmbclientMessageArguments({u"bob", u"srv", u"", ""})->at(2), "--ip-address=srv");
    // smbclient would read "a%b" as user a with password b.
    EXPECT_FALSE(SmbclientMessageArguments({u"bob", u"", u"a%b", ""}));
}

// The platform's buffer becomes text, and the text smbclient's input.
TEST(MessageTextTest, BufferIsReadAsLittleEndianUnitsAndGoesAsUtf8WithEachCrLfAsOneLf) {
    const std::uint8_t bytes[] = {0x61, 0x00, 0xAC, 0x20};
    EXPECT_EQ(DecodeMessageBuffer(bytes, 4), u"a\u20AC");
    EXPECT_EQ(DecodeMessageBuffer(nullptr, 0), u"");
    EXPECT_EQ(DecodeMessageBuffer(bytes, 0), u"");
    EXPECT_FALSE(DecodeMessageBuffer(bytes, 3));
    EXPECT_FALSE(DecodeMessageBuffer(nullptr, 2));

    // smbclient takes UTF-8 and turns every LF back into CR LF, so each CR LF
    // goes as one LF and the receiver gets the line breaks as typed; a lone
    // CR or LF stays what it is.
    EXPECT_EQ(SmbclientMessageText(u"one\r\ntwo\r\n\r\nend"), "one\ntwo\n\nend");
    EXPECT_EQ(SmbclientMessageText(u"a\rb\nc\r"), "a\rb\nc\r");
    EXPECT_EQ(SmbclientMessageText(u"Gr\u00FC\u00DFe \u20AC"), "Gr\xC3\xBC\xC3\x9F"
                                                               "e \xE2\x82\xAC");
    EXPECT_EQ(SmbclientMessageText(u""), "");
}

// What each run of smbclient stands for. The outputs are the ones smbclient
// 4.17 printed against the test server. Once connected, it reports a refused
// message on standard error but still ends with 0; the last reported status
// counts, not a recipient that looks like one.
TEST(MessageStatusTest, RunsMapToTheWindowsStatuses) {
    const std::string prompt = "Type your message, ending it with a Control-D\n";
    const auto failed = [](const std::string& to, const std::string& status) {
        return Exited(1, "Connection to " + to + " failed. Error NT_STATUS_" + status + "\n");
    };
    const struct {
        ProcessOutcome run;
        NetStatus status;
    } cases[] = {
        {Exited(0, prompt), netstatus::Success},
        {failed("nosuchname", "NOT_FOUND"), netstatus::NameNotFound},
        {failed("averyveryverylongname", "UNSUCCESSFUL"), netstatus::NameNotFound},
        {failed("QUARNELTEST", "INVALID_ADDRESS"), netstatus::NameNotFound},
        {failed("127.0.0.1", "CONNECTION_REFUSED"), netstatus::BadNetPath},
        {failed("QUARNELTEST", "IO_TIMEOUT"), netstatus::SemTimeout},
        {failed("127.0.0.3", "INVALID_NETWORK_RESPONSE"), netstatus::BadNetResponse},
        {Exited(0, prompt + "cli_message returned NT_STATUS_REQUEST_NOT_ACCEPTED\n"),
         netstatus::NameNotFound},
        {Exited(0, "cli_message returned NT_STATUS_CONNECTION_DISCONNECTED\n"),
         netstatus::NetworkError},
        {Exited(0, "cli_message returned NT_STATUS_ACCESS_DENIED\n"), netstatus::AccessDenied},
        {failed("Error NT_STATUS_ACCESS_DENIED", "NOT_FOUND"), netstatus::NameNotFound},
        {Exited(0, "Type your message for NT_STATUS_ACCESS_DENIED\n"), netstatus::Success},
        {failed("x", "WHATEVER_NEW"), GenFailure},
        {Exited(1, "Can't load /nowhere/smb.conf - run testparm to debug it\n"), GenFailure},
        {{End::Signalled, -1, 0, ""}, GenFailure},
        {{End::NotStarted, -1, ENOENT, ""}, netstatus::NotSupported},
        {{End::NotStarted, -1, EACCES, ""}, netstatus::NotSupported},
        {{End::NotStarted, -1, ENOMEM, ""}, GenFailure},
        {Exited(1, "NetBIOS over TCP disabled.\n"), netstatus::NotSupported},
        {{End::TimedOut, -1, 0, "Type your message"}, netstatus::SemTimeout},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MessageStatus(c.run), c.status) << c.run.output;
}

// smbclient reads 1,598 bytes of message, each line break as CR LF, and
// sends them in the DOS code page: a text that would not arrive whole and as
// written never goes.
TEST(UndeliverableTextTest, RefusesWhatWouldArriveCutOrGarbled) {
    const std::u16string atLimit(SmbclientMessageLimit, u'a');
    const struct {
        std::u16string text;
        std::optional<NetStatus> refusal;
    } cases[] = {
        {u"", std::nullopt},
        {atLimit, std::nullopt},
        {atLimit + u"a", netstatus::MessageTooLong},
        {atLimit.substr(2) + u"\r\n", std::nullopt},
        {atLimit.substr(1) + u"\r\n", netstatus::MessageTooLong}, // CR LF is two bytes
        {atLimit.substr(1) + u"\n", netstatus::MessageTooLong},   // and so is a lone LF
        {u"Gr\u00FC\u00DFe, \u00E9t\u00E9 \u00BD", std::nullopt}, // all in CP850
        {u"\u041F\u0440\u0438\u0432\u0435\u0442", netstatus::NoTranslation},
        {u"\u20AC", netstatus::NoTranslation}, // CP850 has no euro sign
        {std::u16string(u"a\0b", 3), netstatus::NoTranslation},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UndeliverableText(c.text), c.refusal) << ToUtf8(c.text.substr(0, 20));
}

// The runner feeds the input, also to a program that reads none of a large
// one, and gives back both outputs and how the program ended, or stops it
// at the limit. The program gets no password in its environment.
TEST(RunProcessTest, FeedsTheInputAndCapturesBothOutputsAndTheEnd) {
    ::setenv("PASSWD", "secret", 1);
    const ProcessOutcome run =
        RunProcess({"sh", "-c", "cat; echo; echo to-stderr >&2; echo ${PASSWD-none}; exit 3"},
                   "line one\nline two", std::chrono::seconds(30));
    ::unsetenv("PASSWD");
    EXPECT_EQ(std::tie(run.end, run.exitCode, run.output),
              std::tuple(End::Exited, 3, "line one\nline two\nto-stderr\nnone\n"));
    const ProcessOutcome deaf =
        RunProcess({"true"}, std::string(1 << 20, 'x'), std::chrono::seconds(30));
    EXPECT_EQ(std::tie(deaf.end, deaf.exitCode), std::tuple(End::Exited, 0));
    const ProcessOutcome missing =
        RunProcess({"quarnel-no-such-program"}, "", std::chrono::seconds(30));
    EXPECT_EQ(std::tie(missing.end, missing.startError), std::tuple(End::NotStarted, ENOENT));

    // A run past the limit is killed with its output kept, also when it has
    // closed its output and only goes on running.
    const ProcessOutcome talking =
        RunProcess({"sh", "-c", "echo started; exec sleep 60"}, "", std::chrono::milliseconds(300));
    EXPECT_EQ(std::tie(talking.end, talking.output), std::tuple(End::TimedOut, "started\n"));
    const ProcessOutcome silent = RunProcess({"sh", "-c", "exec >&- 2>&-; exec sleep 60"}, "",
                                             std::chrono::milliseconds(300));
    EXPECT_EQ(silent.end, End::TimedOut);
}

} // namespace
} // namespace quarnel::platform::samba
