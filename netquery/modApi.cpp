#include "modApi.h"

namespace quarnel {

using platform::ERROR_MORE_DATA;
using platform::NERR_Success;
using platform::NetStatus;

namespace {

constexpr std::uint32_t FILE_INFO_LEVEL = 3;
constexpr std::uint32_t FILE_ENUM_PREFERRED_LENGTH = 16384;

// Empty strings reach the platform as null pointers.
const char16_t* NullIfEmpty(const std::u16string& s) {
    return s.empty() ? nullptr : s.c_str();
}

void CopyOpenFileInfo(const platform::FileInfo3& record, OpenFileInfo& entry) {
    entry.Id = static_cast<std::int32_t>(record.fi3_id);
    entry.Permissions = record.fi3_permissions;
    entry.NumLocks = static_cast<std::int32_t>(record.fi3_num_locks);
    entry.PathName = modApi::StringFromPointer(record.fi3_pathname);
    entry.UserName = modApi::StringFromPointer(record.fi3_username);
}

} // namespace

std::u16string PermissionLetters(std::uint32_t permissions) {
    std::u16string letters;
    letters += (permissions & PERM_FILE_READ) ? u'R' : u' ';
    letters += (permissions & PERM_FILE_WRITE) ? u'W' : u' ';
    letters += (permissions & PERM_FILE_CREATE) ? u'C' : u' ';
    return letters;
}

std::u16string modApi::StringFromPointer(const char16_t* p) {
    if (p == nullptr)
        return {};
    return std::u16string(p);
}

std::u16string modApi::PrepareServerName(const std::u16string& server) {
    if (server.empty() || server.starts_with(u"\\\\"))
        return server;
    return u"\\\\" + server;
}

template <typename Record, typename Entry, typename Fetch, typename Convert>
bool modApi::EnumerateInBatches(std::vector<Entry>& table, std::int32_t& count, Fetch fetch,
                                Convert convert) {
    count = 0;
    table.clear();
    bool result = false;
    for (;;) {
        std::uint8_t* raw = nullptr;
        std::uint32_t entriesRead = 0;
        const NetStatus status = fetch(&raw, &entriesRead);
        NetBuffer buffer(raw, BufferRelease{&platform_});
        if (status != NERR_Success && status != ERROR_MORE_DATA)
            return result;
        result = true;
        if (buffer == nullptr)
            entriesRead = 0; // a batch without a buffer holds no records
        if (entriesRead > 0) {
            count += static_cast<std::int32_t>(entriesRead);
            table.resize(static_cast<std::size_t>(count));
            const auto* records = reinterpret_cast<const Record*>(buffer.get());
            const std::size_t first = table.size() - entriesRead;
            for (std::uint32_t j = 0; j < entriesRead; ++j)
                convert(records[j], table[first + j]);
        }
        buffer.reset();
        platform_.YieldToWindowSystem();
        if (status != ERROR_MORE_DATA)
            return result;
    }
}

bool modApi::EnumOpenFiles(const std::u16string& server, const std::u16string& basePath,
                           const std::u16string& userName) {
    const std::u16string serverName = PrepareServerName(server);
    std::uintptr_t resumeHandle = 0;
    return EnumerateInBatches<platform::FileInfo3>(
        OpenFiles, OpenFileCount,
        [&](std::uint8_t** buffer, std::uint32_t* entriesRead) {
            std::uint32_t totalEntries = 0;
            return platform_.NetFileEnum(NullIfEmpty(serverName), NullIfEmpty(basePath),
                                         NullIfEmpty(userName), FILE_INFO_LEVEL, buffer,
                                         FILE_ENUM_PREFERRED_LENGTH, entriesRead, &totalEntries,
                                         &resumeHandle);
        },
        CopyOpenFileInfo);
}

} // namespace quarnel
