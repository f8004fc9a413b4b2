// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "FakePlatform.h"

#include "platform/PackRecords.h"

#include <stdexcept>

namespace quarnel::test {

namespace {

FakeString Capture(const char16_t* s) {
    return s == nullptr ? std::nullopt : FakeString(s);
}

// Each scripted record in the platform's layout, its strings taken through `put`.
platform::FileInfo3 Make(const FakeFile& f, auto put) {
    return {f.id, f.permissions, f.numLocks, put(f.path), put(f.user)};
}
platform::ShareInfo2 Make(const FakeShare& f, auto put) {
    return {put(f.name), f.type,        put(f.remark), f.permissions,
            f.maxUses,   f.currentUses, put(f.path),   put(f.password)};
}
platform::ServerInfo100 Make(const FakeServer& f, auto put) {
    return {f.platformId, put(f.name)};
}

// The next scripted status, success once the script is used up.
platform::NetStatus NextStatus(std::deque<platform::NetStatus>& statuses) {
    if (statuses.empty())
        return platform::netstatus::Success;
    const platform::NetStatus status = statuses.front();
    statuses.pop_front();
    return status;
}

} // namespace

std::uint8_t* FakePlatform::Allocate(std::size_t bytes) {
    pool_.emplace_back(bytes + 16);
    live_.insert(pool_.back().data());
    return pool_.back().data();
}

template <typename Record> std::uint8_t* FakePlatform::Pack(const std::vector<Record>& records) {
    using Packed = decltype(Make(Record{}, [](const FakeString&) { return u""; }));
    return platform::PackRecords<Packed>(
        records, [](const Record& r, auto put) { return Make(r, put); },
        [this](std::size_t bytes) { return Allocate(bytes); });
}

// Records what a call was given and runs duringCall.
template <typename Call> void FakePlatform::Note(std::vector<Call>& calls, Call call) {
    calls.push_back(std::move(call));
    if (duringCall)
        duringCall();
}

// Hands out the next scripted batch as an enumeration does: a buffer on
// success (or when the batch asks for one anyway), its records counted only
// on success, and the resume handle moved on.
template <typename Record, typename Handle>
platform::NetStatus FakePlatform::Serve(std::deque<FakeBatch<Record>>& batches, const char* call,
                                        std::uint8_t** buffer, std::uint32_t* entriesRead,
                                        std::uint32_t* totalEntries, Handle* resumeHandle) {
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

platform::NetStatus FakePlatform::NetFileEnum(const char16_t* server, const char16_t* basePath,
                                              const char16_t* userName, std::uint32_t level,
                                              std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                              std::uint32_t* entriesRead,
                                              std::uint32_t* totalEntries,
                                              std::uintptr_t* resumeHandle) {
    Note(fileCalls,
         {Capture(server), Capture(basePath), Capture(userName), level, prefMaxLen, *resumeHandle});
    return Serve(fileBatches, "NetFileEnum", buffer, entriesRead, totalEntries, resumeHandle);
}

platform::NetStatus FakePlatform::NetShareEnum(const char16_t* server, std::uint32_t level,
                                               std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                               std::uint32_t* entriesRead,
                                               std::uint32_t* totalEntries,
                                               std::uint32_t* resumeHandle) {
    Note(shareCalls, {Capture(server), level, prefMaxLen, *resumeHandle});
    return Serve(shareBatches, "NetShareEnum", buffer, entriesRead, totalEntries, resumeHandle);
}

platform::NetStatus FakePlatform::NetServerEnum(const char16_t* server, std::uint32_t level,
                                                std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                                std::uint32_t* entriesRead,
                                                std::uint32_t* totalEntries,
                                                std::uint32_t serverType, const char16_t* domain,
                                                std::uint32_t* resumeHandle) {
    Note(serverCalls,
         {Capture(server), Capture(domain), level, prefMaxLen, serverType, *resumeHandle});
    return Serve(serverBatches, "NetServerEnum", buffer, entriesRead, totalEntries, resumeHandle);
}

platform::NetStatus FakePlatform::NetShareGetInfo(const char16_t* server, const char16_t* netName,
                                                  std::uint32_t level, std::uint8_t** buffer) {
    Note(shareInfoCalls, {Capture(server), Capture(netName), level});
    *buffer = nullptr;
    const auto found = shareInfo.find(netName ? netName : u"");
    if (found == shareInfo.end())
        return platform::netstatus::NetNameNotFound;
    const FakeBatch<FakeShare>& answer = found->second;
    if (answer.status == platform::netstatus::Success || answer.bufferOnFailure)
        *buffer = Pack(answer.records);
    return answer.status;
}

platform::NetStatus FakePlatform::NetFileClose(const char16_t* server, std::uint32_t fileId) {
    Note(closeCalls, {Capture(server), fileId});
    return NextStatus(closeStatuses);
}

platform::NetStatus FakePlatform::NetMessageBufferSend(const char16_t* server,
                                                       const char16_t* msgName,
                                                       const char16_t* fromName,
                                                       const std::uint8_t* buffer,
                                                       std::uint32_t byteLength) {
    Note(messageCalls, {Capture(server), Capture(msgName), Capture(fromName), buffer == nullptr,
                        buffer ? std::vector<std::uint8_t>(buffer, buffer + byteLength)
                               : std::vector<std::uint8_t>(),
                        byteLength});
    return NextStatus(messageStatuses);
}

platform::NetworkDrive FakePlatform::LookUpNetworkDrive(const std::u16string& path) {
    driveLookups.push_back(path);
    const auto found = networkDrives.find(path);
    return found == networkDrives.end() ? platform::NetworkDrive{} : found->second;
}

std::optional<std::u16string> FakePlatform::FindEntryName(const std::u16string& path) {
    entryLookups.push_back(path);
    const auto found = entries.find(path);
    return found == entries.end() ? std::optional<std::u16string>(u"") : found->second;
}

void FakePlatform::NetApiBufferFree(void* buffer) {
    if (buffer != nullptr && live_.erase(buffer) == 0)
        ++doubleFrees_;
}

std::u16string FakePlatform::StatusText(platform::NetStatus status) {
    namespace netstatus = platform::netstatus;
    static const std::map<platform::NetStatus, std::u16string> words{
        {netstatus::AccessDenied, u"Access is denied."},
        {netstatus::BadNetPath, u"The network path was not found."},
        {netstatus::FileIdNotFound, u"There is not an open file with that identification number."}};
    if (const auto found = words.find(status); found != words.end())
        return found->second;
    const std::string number = std::to_string(status);
    return u"Status " + std::u16string(number.begin(), number.end());
}

} // namespace quarnel::test
