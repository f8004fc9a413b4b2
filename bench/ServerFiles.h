// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// A platform that hands out open files the way a server does: batch by
// batch, each made only when the enumeration asks for it and freed when it
// is released, so that a measurement holds no batches of its own. (The
// scripted platform of the tests keeps every buffer it handed out, to catch
// double releases.)
#pragma once

#include "FakePlatform.h"
#include "platform/PackRecords.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace quarnel::bench {

class ServerFiles final : public test::FakePlatform {
  public:
    // The next enumeration lists `count` open files, 500 to a batch (a
    // server answers 16 KB at a time), held by ten users, under
    // D:\Shares\Data\Reports.
    void Serve(int count) {
        count_ = count;
        next_ = 0;
    }

    platform::NetStatus NetFileEnum(const char16_t*, const char16_t*, const char16_t*,
                                    std::uint32_t, std::uint8_t** buffer, std::uint32_t,
                                    std::uint32_t* entriesRead, std::uint32_t* totalEntries,
                                    std::uintptr_t* resumeHandle) override {
        constexpr int PerBatch = 500;
        const int first = next_;
        next_ = std::min(count_, first + PerBatch);
        struct Row {
            std::uint32_t id;
            platform::PackedString path, user;
        };
        std::vector<Row> rows;
        for (int i = first; i < next_; ++i) {
            const std::string n = std::to_string(i);
            rows.push_back(
                {static_cast<std::uint32_t>(i),
                 u"D:\\Shares\\Data\\Reports\\" + std::u16string(n.begin(), n.end()) + u".docx",
                 u"user" + std::u16string(n.begin(), n.begin() + 1)});
        }
        *buffer = platform::PackRecords<platform::FileInfo3>(
            rows,
            [](const Row& r, auto put) {
                return platform::FileInfo3{r.id, 3, 1, put(r.path), put(r.user)};
            },
            [](std::size_t bytes) { return static_cast<std::uint8_t*>(std::malloc(bytes)); });
        *entriesRead = static_cast<std::uint32_t>(rows.size());
        *totalEntries = static_cast<std::uint32_t>(count_);
        *resumeHandle += *entriesRead;
        return next_ < count_ ? platform::netstatus::MoreData : platform::netstatus::Success;
    }

    void NetApiBufferFree(void* buffer) override { std::free(buffer); }

  private:
    int count_ = 0;
    int next_ = 0;
};

} // namespace quarnel::bench
