// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// A platform that hands out open files the way a server does: batch by
// batch, each made only when the enumeration asks for it and freed when it
// is released, so that a measurement holds no batches of its own. (The
// scripted platform of the tests keeps every buffer it handed out, to catch
// double releases.)
#pragma once

#include "FakePlatform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
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
        std::vector<std::u16string> paths, users;
        std::size_t units = 0;
        for (int i = first; i < next_; ++i) {
            const std::string n = std::to_string(i);
            paths.push_back(u"D:\\Shares\\Data\\Reports\\" + std::u16string(n.begin(), n.end()) +
                            u".docx");
            users.push_back(u"user" + std::u16string(n.begin(), n.begin() + 1));
            units += paths.back().size() + users.back().size() + 2;
        }
        const std::size_t recordBytes = paths.size() * sizeof(platform::FileInfo3);
        auto* block = static_cast<std::uint8_t*>(std::malloc(recordBytes + units * 2));
        auto* records = reinterpret_cast<platform::FileInfo3*>(block);
        auto* strings = reinterpret_cast<char16_t*>(block + recordBytes);
        auto put = [&strings](const std::u16string& s) {
            char16_t* at = strings;
            std::memcpy(at, s.c_str(), (s.size() + 1) * 2);
            strings += s.size() + 1;
            return at;
        };
        for (std::size_t k = 0; k < paths.size(); ++k) {
            const auto id = static_cast<std::uint32_t>(first) + static_cast<std::uint32_t>(k);
            records[k] = {id, 3, 1, put(paths[k]), put(users[k])};
        }
        *buffer = block;
        *entriesRead = static_cast<std::uint32_t>(paths.size());
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
