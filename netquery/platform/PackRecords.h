// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Records packed into one block as the platform hands out its buffers: the
// records first, then the NUL-terminated UTF-16 strings they point to. The
// Samba backend packs libnetapi's answers this way, and the tests' scripted
// platform its batches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace quarnel::platform {

// A string of a record to pack; nullopt packs as a null pointer.
using PackedString = std::optional<std::u16string>;

// One record of type Record for each of `items`, in a block of
// `allocate(bytes)`. `make(item, put)` gives an item's record, each of its
// strings taken through `put`, which gives the string's place in the block;
// it runs twice for each item, once to measure the strings and once to
// place them.
template <typename Record, typename Item, typename Make, typename Allocate>
std::uint8_t* PackRecords(const std::vector<Item>& items, Make make, Allocate allocate) {
    std::size_t units = 0;
    const auto measure = [&units](const PackedString& s) -> const char16_t* {
        units += s ? s->size() + 1 : 0;
        return nullptr;
    };
    for (const Item& item : items)
        make(item, measure);

    const std::size_t recordBytes = items.size() * sizeof(Record);
    std::uint8_t* block = allocate(recordBytes + units * sizeof(char16_t));
    auto* next = reinterpret_cast<char16_t*>(block + recordBytes);
    const auto put = [&next](const PackedString& s) -> const char16_t* {
        if (!s)
            return nullptr;
        char16_t* at = next;
        std::memcpy(at, s->c_str(), (s->size() + 1) * sizeof(char16_t));
        next += s->size() + 1;
        return at;
    };
    auto* records = reinterpret_cast<Record*>(block);
    for (std::size_t i = 0; i < items.size(); ++i)
        records[i] = make(items[i], put);
    return block;
}

} // namespace quarnel::platform
