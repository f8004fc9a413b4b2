// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Reads a fuzzer's bytes as the values a target needs, front to back; what
// is used up reads as zero or empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quarnel::fuzz {

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ == size_; }

    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

    std::uint32_t Word() {
        std::uint32_t word = 0;
        for (int i = 0; i < 4; ++i)
            word = (word << 8) | Byte();
        return word;
    }

    // UTF-16 code units, two bytes each, up to `maxUnits` of them: lone
    // surrogates and NULs included, as a platform may hand them out.
    std::u16string Text(std::size_t maxUnits) {
        const std::size_t units = Byte() % (maxUnits + 1);
        std::u16string text;
        for (std::size_t i = 0; i < units && at_ + 1 < size_; ++i, at_ += 2)
            text.push_back(static_cast<char16_t>(data_[at_] | (data_[at_ + 1] << 8)));
        return text;
    }

    // Bytes up to the next NUL (which is used up) or the end.
    std::string Line() {
        std::string line;
        while (at_ < size_ && data_[at_] != 0)
            line.push_back(static_cast<char>(data_[at_++]));
        if (at_ < size_)
            ++at_;
        return line;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace quarnel::fuzz
