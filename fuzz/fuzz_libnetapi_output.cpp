// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// What the Linux backend makes of libnetapi's and smbclient's answers: the
// status of a failed connection from what the client code printed, the
// status of a message run, and records whose UTF-8 strings may be anything
// a server sends.
#include "FuzzInput.h"
#include "modApi.h"
#include "platform/message_samba.h"
#include "platform/records_samba.h"
#include "utf.h"

#include <cstdlib>
#include <netapi.h>
#include <string>

using namespace quarnel::platform;

namespace {

bool Succeeds(NetStatus status) {
    return status == netstatus::Success || status == netstatus::MoreData;
}

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// A string field: null, or bytes up to the next NUL.
const char* Field(quarnel::fuzz::FuzzInput& input, std::vector<std::string>& keep) {
    if (input.Byte() % 4 == 0)
        return nullptr;
    keep.push_back(input.Line());
    return keep.back().c_str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quarnel::fuzz::FuzzInput input(data, size);

    // A failure never turns into success. A success turns into a failure
    // only where libnetapi let the caller in as anonymous after refusing the
    // credentials it was given.
    const NetStatus status = input.Word();
    const std::string clientOutput = input.Line();
    const NetStatus translated = samba::TranslateConnectFailure(status, clientOutput);
    if (!Succeeds(status))
        Require(!Succeeds(translated));
    else if (!Succeeds(translated))
        Require(translated == netstatus::LogonFailure &&
                clientOutput.find("Anonymous login successful") != std::string::npos);

    samba::ProcessOutcome run;
    run.end = static_cast<samba::ProcessOutcome::End>(input.Byte() % 4);
    run.exitCode = static_cast<std::int8_t>(input.Byte());
    run.startError = input.Byte();
    run.output = input.Line();
    if (samba::MessageStatus(run) == netstatus::Success)
        Require(run.end == samba::ProcessOutcome::End::Exited && run.exitCode == 0);

    std::vector<std::string> keep;
    keep.reserve(64); // the fields point into these strings
    std::vector<FILE_INFO_3> files(input.Byte() % 4);
    for (FILE_INFO_3& f : files)
        f = {input.Word(), input.Word(), input.Word(), Field(input, keep), Field(input, keep)};
    std::vector<SHARE_INFO_2> shares(input.Byte() % 4);
    for (SHARE_INFO_2& s : shares)
        s = {Field(input, keep), input.Word(), Field(input, keep), input.Word(),
             input.Word(),       input.Word(), Field(input, keep), Field(input, keep)};
    const std::u16string base = quarnel::FromUtf8(input.Line());

    std::uint32_t kept = 0;
    std::uint8_t* packed =
        samba::PackFileInfo3(files.data(), static_cast<std::uint32_t>(files.size()), base, &kept);
    Require(kept <= files.size() && (kept == 0) == (packed == nullptr));
    const auto* records = reinterpret_cast<const FileInfo3*>(packed);
    for (std::uint32_t i = 0; i < kept; ++i) {
        const std::u16string path = quarnel::modApi::StringFromPointer(records[i].fi3_pathname);
        Require(base.empty() || samba::LiesUnder(path, base));
        quarnel::modApi::StringFromPointer(records[i].fi3_username);
    }
    std::free(packed);

    packed = samba::PackShareInfo2(shares.data(), static_cast<std::uint32_t>(shares.size()));
    for (std::size_t i = 0; i < shares.size(); ++i) {
        quarnel::ShareInfo info;
        quarnel::modApi::CopyShareInfo(reinterpret_cast<const ShareInfo2*>(packed)[i], info);
    }
    std::free(packed);
    return 0;
}
