// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "FakePlatform.h"

#include "platform/PackRecords.h"

#include <stdexcept>

namespace quarnel::test {

namespace {

FakeString Capture(const char16_t* s) {
    if (s == nullptr)
        return std::nullopt;
    return std::u16string(s);
}

// Hands out the next scripted batch as an enumeration does: a buffer on
// success (or when the batch asks for one anyway), its records counted only
// on success, and the resume handle moved on.
template <typename Record, typename Handle, typename Pack>
platform::NetStatus Serve(std::deque<FakeBatch<Record>>& batches, const char* call, Pack pack,
                          std::uint8_t** buffer, std::uint32_t* entriesRead,
                          std::uint32_t* totalEntries, Handle* resumeHandle) {
    if (batches.empty())
        throw std::logic_error(std::string(call) + " called more often than scripted");
    FakeBatch<Record> batch = std::move(batches.front());
    batches.pop_front();
    const bool succeeded = batch.status == platform::netstatus::Success ||
                           batch.status == platform::netstatus::MoreData;
    *buffer = succeeded || batch.bufferOnFailure ? pack(batch.records) : nullptr;
    *entriesRead = succeeded ? static_cast<std::uint32_t>(batch.records.size()) : 0;
    *totalEntries = *entriesRead;
    *resumeHandle += *entriesRead + 1;
    return batch.status;
}

} // namespace

std::uint8_t* FakePlatform::Allocate(std::size_t bytes) {
    pool_.emplace_back(bytes + 16);
    std::uint8_t* p = pool_.back().data();
    live_.insert(p);
    ++handedOut_;
    return p;
}

std::uint8_t* FakePlatform::PackFiles(const std::vector<FakeFile>& files) {
    return platform::PackRecords<platform::FileInfo3>(
        files,
        [](const FakeFile& f, auto put) {
            return platform::FileInfo3{f.id, f.permissions, f.numLocks, put(f.path), put(f.user)};
        },
        [this](std::size_t bytes) { return Allocate(bytes); });
}

std::uint8_t* FakePlatform::PackShares(const std::vector<FakeShare>& shares) {
    return platform::PackRecords<platform::ShareInfo2>(
        shares,
        [](const FakeShare& f, auto put) {
            return platform::ShareInfo2{put(f.name), f.type,        put(f.remark), f.permissions,
                                        f.maxUses,   f.currentUses, put(f.path),   put(f.password)};
        },
        [this](std::size_t bytes) { return Allocate(bytes); });
}

std::uint8_t* FakePlatform::PackServers(const std::vector<FakeServer>& servers) {
    return platform::PackRecords<platform::ServerInfo100>(
        servers,
        [](const FakeServer& f, auto put) {
            return platform::ServerInfo100{f.platformId, put(f.name)};
        },
        [this](std::size_t bytes) { return Allocate(bytes); });
}

platform::NetStatus FakePlatform::NetFileEnum(const char16_t* server, const char16_t* basePath,
                                              const char16_t* userName, std::uint32_t level,
                                              std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                              std::uint32_t* entriesRead,
                                              std::uint32_t* totalEntries,
                                              std::uintptr_t* resumeHandle) {
    fileCalls.push_back(
        {Capture(server), Capture(basePath), Capture(userName), level, prefMaxLen, *resumeHandle});
    if (duringCall)
        duringCall();
    return Serve(
        fileBatches, "NetFileEnum", [this](const auto& files) { return PackFiles(files); }, buffer,
        entriesRead, totalEntries, resumeHandle);
}

platform::NetStatus FakePlatform::NetShareEnum(const char16_t* server, std::uint32_t level,
                                               std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                               std::uint32_t* entriesRead,
                                               std::uint32_t* totalEntries,
                                               std::uint32_t* resumeHandle) {
    shareCalls.push_back({Capture(server), level, prefMaxLen, *resumeHandle});
    if (duringCall)
        duringCall();
    return Serve(
        shareBatches, "NetShareEnum", [this](const auto& shares) { return PackShares(shares); },
        buffer, entriesRead, totalEntries, resumeHandle);
}

platform::NetStatus FakePlatform::NetServerEnum(const char16_t* server, std::uint32_t level,
                                                std::uint8_t** buffer, std::uint32_t prefMaxLen,
                                                std::uint32_t* entriesRead,
                                                std::uint32_t* totalEntries,
                                                std::uint32_t serverType, const char16_t* domain,
                                                std::uint32_t* resumeHandle) {
    serverCalls.push_back(
        {Capture(server), Capture(domain), level, prefMaxLen, serverType, *resumeHandle});
    if (duringCall)
        duringCall();
    return Serve(
        serverBatches, "NetServerEnum",
        [this](const auto& servers) { return PackServers(servers); }, buffer, entriesRead,
        totalEntries, resumeHandle);
}

platform::NetStatus FakePlatform::NetShareGetInfo(const char16_t* server, const char16_t* netName,
                                                  std::uint32_t level, std::uint8_t** buffer) {
    shareInfoCalls.push_back({Capture(server), Capture(netName), level});
    if (duringCall)
        duringCall();
    *buffer = nullptr;
    const auto found = shareInfo.find(netName ? netName : u"");
    if (found == shareInfo.end())
        return platform::netstatus::NetNameNotFound;
    const FakeBatch<FakeShare>& answer = found->second;
    if (answer.status == platform::netstatus::Success || answer.bufferOnFailure)
        *buffer = PackShares(answer.records);
    return answer.status;
}

namespace {

// The next scripted status, success once the script is used up.
platform::NetStatus NextStatus(std::deque<platform::NetStatus>& statuses) {
    if (statuses.empty())
        return platform::netstatus::Success;
    const platform::NetStatus status = statuses.front();
    statuses.pop_front();
    return status;
}

} // namespace

platform::NetStatus FakePlatform::NetFileClose(const char16_t* server, std::uint32_t fileId) {
    closeCalls.push_back({Capture(server), fileId});
    if (duringCall)
        duringCall();
    return NextStatus(closeStatuses);
}

platform::NetStatus FakePlatform::NetMessageBufferSend(const char16_t* server,
                                                       const char16_t* msgName,
                                                       const char16_t* fromName,
                                                       const std::uint8_t* buffer,
                                                       std::uint32_t byteLength) {
    MessageCall call{Capture(server), Capture(msgName), Capture(fromName), buffer == nullptr, {},
                     byteLength};
    if (buffer != nullptr)
        call.bytes.assign(buffer, buffer + byteLength);
    messageCalls.push_back(std::move(call));
    if (duringCall)
        duringCall();
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
    if (buffer == nullptr)
        return;
    if (live_.erase(buffer) == 0)
        ++doubleFrees_;
}

std::u16string FakePlatform::StatusText(platform::NetStatus status) {
    switch (status) {
    case platform::netstatus::AccessDenied:
        return u"Access is denied.";
    case platform::netstatus::BadNetPath:
        return u"The network path was not found.";
    case platform::netstatus::FileIdNotFound:
        return u"There is not an open file with that identification number.";
    default: {
        const std::string number = std::to_string(status);
        return u"Status " + std::u16string(number.begin(), number.end());
    }
    }
}

} // namespace quarnel::test
