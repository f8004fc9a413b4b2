// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// A scripted platform for the tests: each call to an enumeration takes the
// next scripted batch, records the arguments it was given, and hands out a
// buffer in the platform's record layout. Every buffer handed out and
// released is tracked, so a test can tell that each is released once.
#pragma once

#include "platform/PackRecords.h"
#include "platform/platform.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarnel::test {

// A string field of a scripted record; nullopt stands for a null pointer.
using FakeString = std::optional<std::u16string>;

struct FakeFile {
    std::uint32_t id = 0, permissions = 0, numLocks = 0;
    FakeString path, user;
};

struct FakeShare {
    FakeString name;
    std::uint32_t type = 0;
    FakeString remark;
    std::uint32_t permissions = 0, maxUses = 0, currentUses = 0;
    FakeString path, password;
};

struct FakeServer {
    std::uint32_t platformId = 500; // PLATFORM_ID_NT
    FakeString name;
};

template <typename Record> struct FakeBatch {
    platform::NetStatus status = platform::netstatus::Success;
    std::vector<Record> records;
    bool bufferOnFailure = false; // hand out a buffer even though the status fails
};

// What one call of NetFileEnum was given.
struct FileEnumCall {
    FakeString server, basePath, userName;
    std::uint32_t level = 0, prefMaxLen = 0;
    std::uintptr_t resumeHandle = 0;
};

struct ShareEnumCall {
    FakeString server;
    std::uint32_t level = 0, prefMaxLen = 0, resumeHandle = 0;
};

struct ServerEnumCall {
    FakeString server, domain;
    std::uint32_t level = 0, prefMaxLen = 0, serverType = 0, resumeHandle = 0;
};

struct ShareInfoCall {
    FakeString server, netName;
    std::uint32_t level = 0;
};

// What one call of NetMessageBufferSend was given: the strings, whether the
// buffer was null, the bytes it held and the length it came with.
struct MessageCall {
    FakeString server, msgName, fromName;
    bool nullBuffer = true;
    std::vector<std::uint8_t> bytes;
    std::uint32_t byteLength = 0;

    // The bytes read back as the UTF-16 text they carry, low byte first.
    std::u16string Text() const {
        std::u16string text;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        return text;
    }
};

// What one call of NetFileClose was given.
struct FileCloseCall {
    FakeString server;
    std::uint32_t fileId = 0;
    bool operator==(const FileCloseCall&) const = default;
};

class FakePlatform : public platform::Platform {
  public:
    using NetStatus = platform::NetStatus;

    std::deque<FakeBatch<FakeFile>> fileBatches;
    std::vector<FileEnumCall> fileCalls;

    std::deque<FakeBatch<FakeShare>> shareBatches;
    std::vector<ShareEnumCall> shareCalls;

    std::deque<FakeBatch<FakeServer>> serverBatches;
    std::vector<ServerEnumCall> serverCalls;

    // NetShareGetInfo answers from here by share name; a share that is not
    // listed gets 2310 (no such share). A failing status can still hand out
    // a buffer (bufferOnFailure) to test that it is released.
    std::map<std::u16string, FakeBatch<FakeShare>> shareInfo;
    std::vector<ShareInfoCall> shareInfoCalls;

    // NetFileClose answers with these statuses, one per call in turn, and
    // with success once they are used up.
    std::deque<NetStatus> closeStatuses;
    std::vector<FileCloseCall> closeCalls;

    // NetMessageBufferSend answers with these statuses, one per call in
    // turn, and with success once they are used up.
    std::deque<NetStatus> messageStatuses;
    std::vector<MessageCall> messageCalls;

    // Client-side paths: the answer for each path; any other path lies on
    // no network drive.
    std::map<std::u16string, platform::NetworkDrive> networkDrives;
    std::vector<std::u16string> driveLookups;

    // Directory entries by path: a name, or nullopt for a path that cannot
    // be searched. Paths not listed match nothing (empty name).
    std::map<std::u16string, std::optional<std::u16string>> entries;
    std::vector<std::u16string> entryLookups;
    char16_t separator = u'\\';

    // What AvailableSignIn answers, and every SetCredentials in turn.
    platform::SignInChoices signIn;
    std::vector<std::pair<std::u16string, platform::Credentials>> credentialsGiven;

    // The timeout that SetTimeout gave last.
    std::optional<std::chrono::seconds> timeout;

    // Runs inside each platform call, before it answers: lets a test look at
    // the window while an enumeration is under way.
    std::function<void()> duringCall;

    bool allBuffersReleasedOnce() const { return live_.empty() && doubleFrees_ == 0; }

    NetStatus NetFileEnum(const char16_t* server, const char16_t* basePath,
                          const char16_t* userName, std::uint32_t level, std::uint8_t** buffer,
                          std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                          std::uint32_t* totalEntries, std::uintptr_t* resumeHandle) override {
        Note(fileCalls, {Capture(server), Capture(basePath), Capture(userName), level, prefMaxLen,
                         *resumeHandle});
        return Serve(fileBatches, "NetFileEnum", buffer, entriesRead, totalEntries, resumeHandle);
    }

    NetStatus NetShareEnum(const char16_t* server, std::uint32_t level, std::uint8_t** buffer,
                           std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                           std::uint32_t* totalEntries, std::uint32_t* resumeHandle) override {
        Note(shareCalls, {Capture(server), level, prefMaxLen, *resumeHandle});
        return Serve(shareBatches, "NetShareEnum", buffer, entriesRead, totalEntries, resumeHandle);
    }

    NetStatus NetServerEnum(const char16_t* server, std::uint32_t level, std::uint8_t** buffer,
                            std::uint32_t prefMaxLen, std::uint32_t* entriesRead,
                            std::uint32_t* totalEntries, std::uint32_t serverType,
                            const char16_t* domain, std::uint32_t* resumeHandle) override {
        Note(serverCalls,
             {Capture(server), Capture(domain), level, prefMaxLen, serverType, *resumeHandle});
        return Serve(serverBatches, "NetServerEnum", buffer, entriesRead, totalEntries,
                     resumeHandle);
    }

    NetStatus NetShareGetInfo(const char16_t* server, const char16_t* netName, std::uint32_t level,
                              std::uint8_t** buffer) override {
        Note(shareInfoCalls, {Capture(server), Capture(netName), level});
        *buffer = nullptr;
        const auto found = shareInfo.find(netName ? netName : u"");
        if (found == shareInfo.end())
            return platform::netstatus::NetNameNotFound;
        if (found->second.status == platform::netstatus::Success || found->second.bufferOnFailure)
            *buffer = Pack(found->second.records);
        return found->second.status;
    }

    NetStatus NetFileClose(const char16_t* server, std::uint32_t fileId) override {
        Note(closeCalls, {Capture(server), fileId});
        return NextStatus(closeStatuses);
    }

    NetStatus NetMessageBufferSend(const char16_t* server, const char16_t* msgName,
                                   const char16_t* fromName, const std::uint8_t* buffer,
                                   std::uint32_t byteLength) override {
        Note(messageCalls, {Capture(server), Capture(msgName), Capture(fromName), buffer == nullptr,
                            buffer ? std::vector<std::uint8_t>(buffer, buffer + byteLength)
                                   : std::vector<std::uint8_t>(),
                            byteLength});
        return NextStatus(messageStatuses);
    }

    platform::NetworkDrive LookUpNetworkDrive(const std::u16string& path) override {
        driveLookups.push_back(path);
        const auto found = networkDrives.find(path);
        return found == networkDrives.end() ? platform::NetworkDrive{} : found->second;
    }

    std::optional<std::u16string> FindEntryName(const std::u16string& path) override {
        entryLookups.push_back(path);
        const auto found = entries.find(path);
        return found == entries.end() ? std::optional<std::u16string>(u"") : found->second;
    }

    char16_t PathSeparator() const override { return separator; }
    platform::SignInChoices AvailableSignIn() override { return signIn; }
    void SetCredentials(const std::u16string& server,
                        const platform::Credentials& credentials) override {
        credentialsGiven.emplace_back(server, credentials);
    }

    void NetApiBufferFree(void* buffer) override;
    std::u16string StatusText(NetStatus status) override;
    void SetTimeout(std::chrono::seconds given) override { timeout = given; }
    std::optional<std::string> SetClientSettings(const platform::ClientSettings&) override {
        return std::nullopt;
    }

  private:
    static FakeString Capture(const char16_t* s) {
        return s == nullptr ? std::nullopt : FakeString(s);
    }

    // Each scripted record in the platform's layout, its strings taken
    // through `put`.
    static platform::FileInfo3 Make(const FakeFile& f, auto put) {
        return {f.id, f.permissions, f.numLocks, put(f.path), put(f.user)};
    }
    static platform::ShareInfo2 Make(const FakeShare& f, auto put) {
        return {put(f.name), f.type,        put(f.remark), f.permissions,
                f.maxUses,   f.currentUses, put(f.path),   put(f.password)};
    }
    static platform::ServerInfo100 Make(const FakeServer& f, auto put) {
        return {f.platformId, put(f.name)};
    }

    template <typename Record> std::uint8_t* Pack(const std::vector<Record>& records) {
        using Packed = decltype(Make(Record{}, [](const FakeString&) { return u""; }));
        return platform::PackRecords<Packed>(
            records, [](const Record& r, auto put) { return Make(r, put); },
            [this](std::size_t bytes) { return Allocate(bytes); });
    }

    // Records what a call was given and runs duringCall.
    template <typename Call> void Note(std::vector<Call>& calls, Call call) {
        calls.push_back(std::move(call));
        if (duringCall)
            duringCall();
    }

    // Hands out the next scripted batch as an enumeration does: a buffer on
    // success (or when the batch asks for one anyway), its records counted
    // only on success, and the resume handle moved on.
    template <typename Record, typename Handle>
    NetStatus Serve(std::deque<FakeBatch<Record>>& batches, const char* call, std::uint8_t** buffer,
                    std::uint32_t* entriesRead, std::uint32_t* totalEntries, Handle* resumeHandle) {
        if (batches.empty())
            throw std::logic_error(std::string(call) + " called more often than scripted");
        FakeBatch<Record> batch = std::move(batches.front());
        batches.pop_front();
        const bool succeeded = batch.status == platform::netstatus::Success ||
                               batch.status == platform::netstatus::MoreData;
        *buffer = succeeded || batch.bufferOnFailure ? Pack(batch.records) : nullptr;
        *entriesRead = succeeded ? static_cast<std::uint32_t>(batch.records.size()) : 0;
        *totalEntries = *entriesRead;
        *resumeHandle += *entriesRead + 1;
        return batch.status;
    }

    // The next scripted status, success once the script is used up.
    static NetStatus NextStatus(std::deque<NetStatus>& statuses) {
        if (statuses.empty())
            return platform::netstatus::Success;
        const NetStatus status = statuses.front();
        statuses.pop_front();
        return status;
    }

    std::uint8_t* Allocate(std::size_t bytes);
    std::vector<std::vector<std::uint8_t>> pool_;
    std::set<void*> live_;
    int doubleFrees_ = 0;
};

} // namespace quarnel::test
