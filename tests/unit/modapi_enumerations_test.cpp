// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The three enumerations and the single-share lookup against the scripted
// platform: what each call is given, the records each table holds, and every
// status at the first, a middle and the last batch: what the table holds,
// its count and result, every buffer released once, the other tables
// untouched.
#include "FakePlatform.h"
#include "modApi.h"
#include "utf.h"

#include <gtest/gtest.h>

#include <functional>

namespace quarnel::test {
namespace {

namespace netstatus = platform::netstatus;
using platform::NetStatus;
using Names = std::vector<FakeString>;

// What one call of an enumeration was given, whichever enumeration it was.
struct Call {
    FakeString server;
    std::uint32_t level, prefMaxLen;
    std::uintptr_t resumeHandle;
    bool operator==(const Call&) const = default;
};

// One enumeration as the tests see it: its records stand for their names.
struct Enumeration {
    const char* name;
    std::function<void(FakePlatform&, NetStatus, const Names&)> script;
    std::function<bool(modApi&, const std::u16string& server)> run;
    std::function<std::vector<std::u16string>(const modApi&)> table;
    std::function<std::vector<Call>(const FakePlatform&)> calls;
    std::uint32_t level, prefMaxLen;
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

template <auto calls> std::vector<Call> Calls(const FakePlatform& fake) {
    std::vector<Call> seen;
    for (const auto& c : fake.*calls)
        seen.push_back({c.server, c.level, c.prefMaxLen, c.resumeHandle});
    return seen;
}

const Enumeration Enumerations[] = {
    {"open files", Script<&FakePlatform::fileBatches, FakeFile, &FakeFile::path>,
     [](modApi& api, const std::u16string& server) { return api.EnumOpenFiles(server, u"", u""); },
     Table<&modApi::OpenFiles, &modApi::OpenFileCount, &OpenFileInfo::PathName>,
     Calls<&FakePlatform::fileCalls>, 3, 16384},
    {"shares", Script<&FakePlatform::shareBatches, FakeShare, &FakeShare::name>,
     [](modApi& api, const std::u16string& server) { return api.EnumShares(server); },
     Table<&modApi::Shares, &modApi::ShareCount, &ShareInfo::NetName>,
     Calls<&FakePlatform::shareCalls>, 2, 0xFFFFFF},
    {"servers", Script<&FakePlatform::serverBatches, FakeServer, &FakeServer::name>,
     [](modApi& api, const std::u16string& server) {
         return api.EnumServers(platform::servertype::Server, server, u"");
     },
     Table<&modApi::Servers, &modApi::ServerCount, &ServerInfo::ServerName>,
     Calls<&FakePlatform::serverCalls>, 100, 0xFFFFFFFF},
};

// Batches fill the table in the platform's order, each call taking the
// resume handle as the platform left it; the tables belong to their object.
// Only the first two characters of the server name are tested for its
// backslashes, by the single-share lookup too; an empty name goes as null.
TEST(Enumerations, EachAsksAtItsLevelForTheServerAndPassesTheResumeHandleOn) {
    const struct {
        std::u16string given;
        FakeString expected;
    } names[] = {
        {u"srv", u"\\\\srv"},   {u"\\\\srv", u"\\\\srv"}, {u"\\srv", u"\\\\\\srv"},
        {u" srv", u"\\\\ srv"}, {u"SRV ", u"\\\\SRV "},   {u"", std::nullopt},
    };
    for (const Enumeration& e : Enumerations) {
        for (const auto& n : names) {
            SCOPED_TRACE(std::string(e.name) + " on " + ToUtf8(n.given));
            FakePlatform fake;
            modApi api(fake), other(fake);
            e.script(fake, netstatus::MoreData, {u"a", u"b", u"c"});
            e.script(fake, netstatus::Success, {u"d"});
            EXPECT_TRUE(e.run(api, n.given));
            EXPECT_EQ(e.table(api), (std::vector<std::u16string>{u"a", u"b", u"c", u"d"}));
            EXPECT_TRUE(e.table(other).empty());
            EXPECT_EQ(e.calls(fake), (std::vector<Call>{{n.expected, e.level, e.prefMaxLen, 0},
                                                        {n.expected, e.level, e.prefMaxLen, 4}}));
            ShareInfo info;
            api.GetShareInfo(n.given, u"data", info);
            EXPECT_EQ(fake.shareInfoCalls.at(0).server, n.expected);
        }
    }
}

TEST(Enumerations, FiltersGoAsGivenAndEmptyOnesAsNull) {
    FakePlatform fake;
    modApi api(fake);
    fake.fileBatches = {{netstatus::Success, {}}, {netstatus::Success, {}}};
    EXPECT_TRUE(api.EnumOpenFiles(u"", u"", u"")); // no open files is success
    api.EnumOpenFiles(u"srv", u" D:\\Data ", u" bob");
    EXPECT_EQ(std::tie(fake.fileCalls[0].basePath, fake.fileCalls[0].userName),
              std::tuple(std::nullopt, std::nullopt));
    EXPECT_EQ(std::tie(fake.fileCalls[1].basePath, fake.fileCalls[1].userName),
              std::tuple(u" D:\\Data ", u" bob"));

    fake.serverBatches = {{netstatus::Success, {}}, {netstatus::Success, {}}};
    api.EnumServers(2, u"", u"");
    api.EnumServers(0xFFFFFFFF, u"", u" corp ");
    EXPECT_EQ(std::tie(fake.serverCalls[0].serverType, fake.serverCalls[0].domain),
              std::tuple(2u, std::nullopt));
    EXPECT_EQ(std::tie(fake.serverCalls[1].serverType, fake.serverCalls[1].domain),
              std::tuple(0xFFFFFFFFu, u" corp "));
}

TEST(Enumerations, RecordFieldsAreCopiedAndNullStringsBecomeEmpty) {
    FakePlatform fake;
    modApi api(fake);
    fake.fileBatches.push_back(
        {netstatus::Success,
         {{0x80000000u, 0xFFu, 7u, std::nullopt, u"ann"},
          {0xFFFFFFFFu, 0u, 0u, u"C:\\Daten\\Bücher \U0001F4D6.txt", std::nullopt}}});
    ASSERT_TRUE(api.EnumOpenFiles(u"srv", u"", u""));
    EXPECT_EQ(api.OpenFiles[0], (OpenFileInfo{INT32_MIN, 0xFFu, 7, u"", u"ann"}));
    EXPECT_EQ(api.OpenFiles[1],
              (OpenFileInfo{-1, 0u, 0, u"C:\\Daten\\Bücher \U0001F4D6.txt", u""}));

    // Shares of every type are kept, administrative and IPC ones too.
    fake.shareBatches.push_back(
        {netstatus::Success,
         {{u"IPC$", 0x80000003u, u"IPC", 0x3F, 0xFFFFFFFFu, 2, u"E:\\Data", u"secret"},
          {std::nullopt, 0, std::nullopt, 0, 0, 0, std::nullopt, std::nullopt}}});
    ASSERT_TRUE(api.EnumShares(u"srv"));
    EXPECT_EQ(api.Shares[0],
              (ShareInfo{u"IPC$", 0x80000003u, u"IPC", 0x3F, -1, 2, u"E:\\Data", u"secret"}));
    EXPECT_EQ(api.Shares[1], (ShareInfo{u"", 0, u"", 0, 0, 0, u"", u""}));

    fake.serverBatches.push_back({netstatus::Success, {{0x80000000u, u"beta"}, {500, {}}}});
    ASSERT_TRUE(api.EnumServers(2, u"", u""));
    EXPECT_EQ(api.Servers[0], (ServerInfo{INT32_MIN, u"beta"}));
    EXPECT_EQ(api.Servers[1], (ServerInfo{500, u""}));
    EXPECT_TRUE(fake.allBuffersReleasedOnce());
}

// The lookup fills the caller's record and leaves the share table alone; a
// failure leaves the record as it was. Names go unchanged: one with a folder
// behind it names no share, an empty one is no null.
TEST(GetShareInfo, FillsTheCallersRecordOnlyOnSuccess) {
    FakePlatform fake;
    modApi api(fake);
    fake.shareBatches.push_back({netstatus::Success, {{u"listed", 0, u"", 0, 0, 0, u"", u""}}});
    ASSERT_TRUE(api.EnumShares(u"srv"));
    fake.shareInfo[u"data"] = {netstatus::Success,
                               {{u"data", 7, u"Team data", 0x3F, 10, 2, u"E:\\Data", u"secret"}}};
    fake.shareInfo[u"locked"] = {
        netstatus::AccessDenied, {{u"locked", 0, u"", 0, 0, 0, u"", u""}}, true};

    const ShareInfo data{u"data", 7, u"Team data", 0x3F, 10, 2, u"E:\\Data", u"secret"};
    ShareInfo info{u"x", 1, u"x", 1, 1, 1, u"x", u"x"};
    ASSERT_TRUE(api.GetShareInfo(u"srv", u"data", info));
    EXPECT_EQ(info, data);
    EXPECT_EQ(fake.shareInfoCalls[0].level, 2u);
    EXPECT_EQ(Enumerations[1].table(api), std::vector<std::u16string>{u"listed"});

    for (const std::u16string name : {u"locked", u"data\\sub", u""}) {
        EXPECT_FALSE(api.GetShareInfo(u"srv", name, info));
        EXPECT_EQ(fake.shareInfoCalls.back().netName, name);
        EXPECT_EQ(info, data);
        EXPECT_EQ(api.LastFailure,
                  name == u"locked" ? netstatus::AccessDenied : netstatus::NetNameNotFound);
    }
    EXPECT_TRUE(fake.allBuffersReleasedOnce());
}

// Success, "more data", and failures, which all end the enumeration alike.
const NetStatus Statuses[] = {netstatus::Success, netstatus::MoreData, netstatus::AccessDenied,
                              netstatus::NetNameNotFound, 0xFFFFFFFFu};

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
                    ASSERT_TRUE(other.run(api, u"srv"));
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

                EXPECT_EQ(e.run(api, u"srv"), at > 0 || Succeeds(status));
                EXPECT_EQ(e.table(api), expected);
                EXPECT_EQ(yields, batches);
                EXPECT_EQ(api.LastBatchEnd,
                          Succeeds(status) ? modApi::BatchEnd::Complete : modApi::BatchEnd::Failed);
                EXPECT_EQ(api.LastFailure, Succeeds(status) ? netstatus::Success : status);
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

        EXPECT_TRUE(e.run(api, u"srv"));
        EXPECT_EQ(e.table(api), std::vector<std::u16string>{u"kept"});
        EXPECT_EQ(api.LastBatchEnd, modApi::BatchEnd::NoMoreRecords);
        EXPECT_EQ(yields, modApi::MaxEmptyBatchesInARow + 1);
        EXPECT_TRUE(fake.allBuffersReleasedOnce());
    }
}

} // namespace
} // namespace quarnel::test
