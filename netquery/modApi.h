// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The query layer: the records and tables that Quarnel's windows and its
// command-line companion read, and the operations that fill them.
//
// Operations return a Boolean and leave their result in a table of this
// object; they never show anything. The platform's answer that made the
// latest one fail is kept, so that a caller can say why in words.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quarnel {

// One file held open on a server.
struct OpenFileInfo {
    std::int32_t Id = 0;
    std::uint32_t Permissions = 0; // 1 read, 2 write, 4 create; other bits carried
    std::int32_t NumLocks = 0;
    std::u16string PathName; // the path local to the server
    std::u16string UserName;

    bool operator==(const OpenFileInfo&) const = default;
};

// One share of a server, field for field as the platform reports it.
struct ShareInfo {
    std::u16string NetName;
    std::uint32_t ShareType = 0; // carried, not interpreted
    std::u16string Remark;
    std::uint32_t Permissions = 0; // carried, not interpreted
    std::int32_t MaxUses = 0;      // -1 for no limit
    std::int32_t CurrentUses = 0;
    std::u16string Path;     // the share's folder on the server; empty when none
    std::u16string Password; // carried, never shown or used

    bool operator==(const ShareInfo&) const = default;
};

// One server of a domain.
struct ServerInfo {
    std::int32_t PlatformId = 0; // the platform's operating-system family code, carried
    std::u16string ServerName;   // without leading backslashes

    bool operator==(const ServerInfo&) const = default;
};

inline constexpr std::uint32_t PERM_FILE_READ = 1;
inline constexpr std::uint32_t PERM_FILE_WRITE = 2;
inline constexpr std::uint32_t PERM_FILE_CREATE = 4;

// The three permission letters of an open file as every view shows them:
// "R", "W" and "C" for the read, write and create bits, a blank for each bit
// that is not set; other bits are not shown.
std::u16string PermissionLetters(std::uint32_t permissions);

class modApi {
  public:
    explicit modApi(platform::Platform& platform) : platform_(platform) {}
    modApi(const modApi&) = delete;
    modApi& operator=(const modApi&) = delete;

    // The latest open-file enumeration: entries 0 to OpenFileCount - 1, in the
    // order the platform returned them.
    std::vector<OpenFileInfo> OpenFiles;
    std::int32_t OpenFileCount = 0;

    // Lists the files held open on `server`, narrowed to `basePath` and
    // `userName`; an empty argument is not given. True when at least one
    // batch arrived.
    bool EnumOpenFiles(const std::u16string& server, const std::u16string& basePath,
                       const std::u16string& userName);

    // The latest share enumeration: entries 0 to ShareCount - 1, in the order
    // the platform returned them.
    std::vector<ShareInfo> Shares;
    std::int32_t ShareCount = 0;

    // Lists the shares of `server` (empty: the local computer), whatever
    // their type. True when at least one batch arrived.
    bool EnumShares(const std::u16string& server);

    // Describes one share. On success fills all of `info`; on failure leaves
    // it as it was. Neither reads nor changes the share table.
    bool GetShareInfo(const std::u16string& server, const std::u16string& netName, ShareInfo& info);

    // Converts one platform share record into the tool's own.
    static void CopyShareInfo(const platform::ShareInfo2& record, ShareInfo& info);

    // Closes the open file that the listing of `server` (empty: the local
    // computer) gave the identifier `id`: its holder's handle is gone, with
    // whatever the holder had not saved. True when the server closed it; on
    // failure `errorText` holds the platform's words for its answer.
    bool CloseOpenFile(const std::u16string& server, std::int32_t id, std::u16string& errorText);

    // The latest server enumeration: entries 0 to ServerCount - 1, in the
    // order the platform returned them.
    std::vector<ServerInfo> Servers;
    std::int32_t ServerCount = 0;

    // Lists the servers of `domain` (empty: the primary domain) whose type
    // matches `serverType`, as `server` (empty: the local computer) knows
    // them. True when at least one batch arrived. Touches no other table.
    bool EnumServers(std::uint32_t serverType, const std::u16string& server,
                     const std::u16string& domain);

    // Sends `message` to one recipient and tells the outcome in words: true
    // exactly when the platform answered 0. `errorText` is always set: to the
    // network error text of the platform's answer ("Operation succeeded" on
    // success), or to "No recipient selected", without asking the platform,
    // when the recipient holds nothing but spaces. The recipient goes as it
    // was given, spaces included; empty sender and server names are not
    // given (the platform names the sender, the local computer sends).
    bool SendNetMessage(const std::u16string& message, const std::u16string& recipient,
                        std::u16string& errorText, const std::u16string& senderName,
                        const std::u16string& serverName);

    // The network error text of a message-sending status: one of a fixed
    // table, "Unknown error" for any status the table lacks.
    static std::u16string NetErrorText(platform::NetStatus status);

    // `path` with the long name of every component, as the file system
    // stores it. A path whose last component does not exist comes back
    // unchanged; one that cannot be searched gives an empty result (a lone
    // separator when it ended in one).
    std::u16string ExpandLongPath(const std::u16string& path) const;

    // A copy of the NUL-terminated UTF-16 string at `p`; empty for null.
    static std::u16string StringFromPointer(const char16_t* p);

    // A server name as the platform wants it: "\\" put in front unless the
    // first two characters already are "\\". Empty stays empty.
    static std::u16string PrepareServerName(const std::u16string& server);

    platform::Platform& Platform() const { return platform_; }

    // Runs after every batch of every enumeration, also one that held no
    // records: the windows set it to serve the window system, so that they
    // stay responsive through a long enumeration. Without one nothing runs.
    void SetYieldHook(std::function<void()> hook) { yieldHook_ = std::move(hook); }

    // How the latest enumeration, of whichever table, ended.
    enum class BatchEnd {
        Complete,      // the platform said there was no more
        Failed,        // the platform refused a call
        NoMoreRecords, // it kept announcing more data without sending any
    };
    BatchEnd LastBatchEnd = BatchEnd::Complete;

    // The platform's answer that made the latest operation that asked it
    // fail or end early (an enumeration, a share's description, a close, a
    // message); Success when it did not. An operation that runs while
    // another waits (from another window) ends first, so each caller reads
    // its own right after its call.
    platform::NetStatus LastFailure = platform::netstatus::Success;

    // A platform that answers "more data" again and again without records
    // would keep an enumeration going for ever: it stops after this many
    // such batches in a row. A server that narrows its answer to a base
    // path may send a long run of them, so the bound is generous.
    static constexpr int MaxEmptyBatchesInARow = 4096;

  private:
    // Releases a platform buffer exactly once, when its handle goes.
    struct BufferRelease {
        platform::Platform* platform;
        void operator()(std::uint8_t* buffer) const { platform->NetApiBufferFree(buffer); }
    };
    using NetBuffer = std::unique_ptr<std::uint8_t, BufferRelease>;

    // The batch loop that every enumeration shares: empties the table, calls
    // `fetch` until the platform stops answering "more data" (or sends only
    // empty batches for too long), converts each batch's records into the
    // table (grown once per batch), releases each buffer and yields to the
    // window system after every batch.
    template <typename Record, typename Entry, typename Fetch, typename Convert>
    bool EnumerateInBatches(std::vector<Entry>& table, std::int32_t& count, Fetch fetch,
                            Convert convert);

    platform::Platform& platform_;
    std::function<void()> yieldHook_;
};

} // namespace quarnel
