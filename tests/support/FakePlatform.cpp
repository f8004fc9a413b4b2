// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "FakePlatform.h"

namespace quarnel::test {

std::uint8_t* FakePlatform::Allocate(std::size_t bytes) {
    pool_.emplace_back(bytes + 16);
    live_.insert(pool_.back().data());
    return pool_.back().data();
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
