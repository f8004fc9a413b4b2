// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Every enumeration against every status at the first, a middle and the last
// of its batches: what its table holds, its count and result, every buffer
// released once, and the other tables untouched.
#include "FakePlatform.h"
#include "modApi.h"

#include <gtest/gtest.h>

#include <functional>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;
using platform::NetStatus;
using Names = std::vector<FakeString>;

// One enumeration as the matrix sees it: its records stand for their names.
struct Enumeration {
    const char* name;
    std::function<void(FakePlatform&, NetStatus, const Names&)> script;
    std::function<bool(modApi&)> run;
    std::function<std::vector<std::u16string>(const modApi&)> table;
};

template <auto batches, typename Record, auto field>
void Script(FakePlatform& fake, NetStatus status, const Names& names) {
    FakeBatch<Record> batch{status, {}, /*bufferOnFailure=*/true};
    for (const FakeString& name : names) {
        Record record{};
        record.*field = name;
        batch.records.push_back(record);
    }
    (fake.*batches).push_back(batch);
}

// The named field of entries 0 to count - 1; the table holds nothing more.
template <auto entries, auto count, auto field>
std::vector<std::u16string> Table(const modApi& api) {
    EXPECT_EQ((api.*entries).size(), static_cast<std::size_t>(api.*count));
    std::vector<std::u16string> names;
    for (const auto& entry : api.*entries)
        names.push_back(entry.*field);
    return names;
}

const Enumeration Enumerations[] = {
    {"open files", Script<&FakePlatform::fileBatches, FakeFile, &FakeFile::path>,
     [](modApi& api) { return api.EnumOpenFiles(u"srv", u"", u""); },
     Table<&modApi::OpenFiles, &modApi::OpenFileCount, &OpenFileInfo::PathName>},
    {"shares", Script<&FakePlatform::shareBatches, FakeShare, &FakeShare::name>,
     [](modApi& api) { return api.EnumShares(u"srv"); },
     Table<&modApi::Shares, &modApi::ShareCount, &ShareInfo::NetName>},
    {"servers", Script<&FakePlatform::serverBatches, FakeServer, &FakeServer::name>,
     [](modApi& api) { return api.EnumServers(platform::servertype::Server, u"", u""); },
     Table<&modApi::Servers, &modApi::ServerCount, &ServerInfo::ServerName>},
};

const NetStatus Statuses[] = {
    netstatus::Success,          netstatus::MoreData,        netstatus::AccessDenied,
    netstatus::NotEnoughMemory,  netstatus::NotSupported,    netstatus::BadNetPath,
    netstatus::InvalidParameter, netstatus::InvalidName,     netstatus::InvalidLevel,
    netstatus::LogonFailure,     netstatus::NetworkError,    netstatus::UseNotFound,
    netstatus::NameNotFound,     netstatus::NetNameNotFound, 0xFFFFFFFFu,
};

// Three batches: records (one with a null name), an empty one that still
// announces more data, and the last two records.
const Names Batches[] = {{u"a", std::nullopt}, {}, {u"c", u"d"}};

bool Succeeds(NetStatus status) {
    return status == netstatus::Success || status == netstatus::MoreData;
}

TEST(FaultMatrix, EveryStatusAtEveryBatchOfEveryEnumeration) {
    for (const Enumeration& e : Enumerations) {
        for (const NetStatus status : Statuses) {
            for (int at = 0; at < 3; ++at) {
                SCOPED_TRACE(std::string(e.name) + ", status " + std::to_string(status) +
                             " at batch " + std::to_string(at));
                FakePlatform fake;
                modApi api(fake);
                for (const Enumeration& other : Enumerations) {
                    other.script(fake, netstatus::Success, {u"earlier"});
                    ASSERT_TRUE(other.run(api));
                }
                int yields = 0;
                api.SetYieldHook([&] { ++yields; });

                for (int i = 0; i < 3; ++i) {
                    const NetStatus normal = i < 2 ? netstatus::MoreData : netstatus::Success;
                    e.script(fake, i == at ? status : normal, Batches[i]);
                }
                e.script(fake, netstatus::Success, {}); // only reached after "more data" last

                // "More data" anywhere changes nothing; success ends the
                // enumeration after its own batch, a failure before it.
                const bool more = status == netstatus::MoreData;
                const int delivered = more ? 3 : at + (status == netstatus::Success);
                const int batches = more && at == 2 ? 4 : more ? 3 : delivered;
                std::vector<std::u16string> expected;
                for (int i = 0; i < delivered; ++i)
                    for (const FakeString& name : Batches[i])
                        expected.push_back(name.value_or(u""));

                EXPECT_EQ(e.run(api), at > 0 || Succeeds(status));
                EXPECT_EQ(e.table(api), expected);
                EXPECT_EQ(yields, batches);
                EXPECT_EQ(api.LastBatchEnd,
                          Succeeds(status) ? modApi::BatchEnd::Complete : modApi::BatchEnd::Failed);
                EXPECT_TRUE(fake.allBuffersReleasedOnce());
                for (const Enumeration& other : Enumerations) {
                    if (&other != &e) {
                        EXPECT_EQ(other.table(api), std::vector<std::u16string>{u"earlier"});
                    }
                }
            }
        }
    }
}

TEST(FaultMatrix, EndlessEmptyBatchesStopAtTheBoundKeepingWhatCame) {
    for (const Enumeration& e : Enumerations) {
        SCOPED_TRACE(e.name);
        FakePlatform fake;
        modApi api(fake);
        int yields = 0;
        api.SetYieldHook([&] { ++yields; });
        e.script(fake, netstatus::MoreData, {u"kept"});
        // Scripted to the bound: one call more would find nothing and throw.
        for (int i = 0; i < modApi::MaxEmptyBatchesInARow; ++i)
            e.script(fake, netstatus::MoreData, {});

        EXPECT_TRUE(e.run(api));
        EXPECT_EQ(e.table(api), std::vector<std::u16string>{u"kept"});
        EXPECT_EQ(api.LastBatchEnd, modApi::BatchEnd::NoMoreRecords);
        EXPECT_EQ(yields, modApi::MaxEmptyBatchesInARow + 1);
        EXPECT_TRUE(fake.allBuffersReleasedOnce());
    }
}

} // namespace
} // namespace quarnel::test
