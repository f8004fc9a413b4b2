// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "SystemLog.h"

#include <pwd.h>
#include <syslog.h>
#include <unistd.h>
#include <vector>

namespace quarnel::report {

std::string LocalAccount() {
    const uid_t uid = ::geteuid();
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->pw_name;
    return "uid " + std::to_string(uid);
}

// Under the program's name and number, among the security messages
// (authpriv), which only administrators may read.
void WriteSystemLog(const std::string& line, bool warning) {
    static const bool opened = (::openlog(nullptr, LOG_PID, LOG_AUTHPRIV), true);
    (void)opened;
    ::syslog(LOG_AUTHPRIV | (warning ? LOG_WARNING : LOG_NOTICE), "%s", line.c_str());
}

} // namespace quarnel::report
