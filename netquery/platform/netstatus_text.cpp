// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "netstatus_text.h"

#include <algorithm>
#include <iterator>

namespace quarnel::platform {

namespace {

struct NetStatusWords {
    NetStatus status;
    std::u16string_view text;
};

// A status added to netstatus gets its row here; a unit test holds the two
// lists together.
constexpr NetStatusWords table[] = {
    {netstatus::Success, u"The operation completed successfully."},
    {netstatus::FileNotFound, u"The system cannot find the file specified."},
    {netstatus::AccessDenied, u"Access is denied."},
    {netstatus::NotEnoughMemory,
     u"Not enough memory resources are available to process this command."},
    {netstatus::NotSupported, u"The request is not supported."},
    {netstatus::BadNetPath, u"The network path was not found."},
    {netstatus::BadNetResponse, u"The specified server cannot perform the requested operation."},
    {netstatus::NetNameDeleted, u"The specified network name is no longer available."},
    {netstatus::InvalidParameter, u"The parameter is incorrect."},
    {netstatus::SemTimeout, u"The semaphore timeout period has expired."},
    {netstatus::InvalidName, u"The filename, directory name, or volume label syntax is incorrect."},
    {netstatus::InvalidLevel, u"The system call level is not correct."},
    {netstatus::MoreData, u"More data is available."},
    {netstatus::NoTranslation,
     u"No mapping for the Unicode character exists in the target multi-byte code page."},
    {netstatus::NoSuchLogonSession,
     u"A specified logon session does not exist. It may already have been terminated."},
    {netstatus::Cancelled, u"The operation was canceled by the user."},
    {netstatus::LogonFailure, u"The user name or password is incorrect."},
    {netstatus::WrongTargetName, u"The target account name is incorrect."},
    {netstatus::ContextExpired, u"The context has expired and can no longer be used."},
    {netstatus::NetworkError, u"A general network error occurred."},
    {netstatus::UseNotFound, u"The network connection could not be found."},
    {netstatus::NameNotFound, u"The message alias could not be found on the network."},
    {netstatus::NetNameNotFound, u"This shared resource does not exist."},
    {netstatus::FileIdNotFound, u"There is not an open file with that identification number."},
    {netstatus::MessageTooLong,
     u"The message provided exceeds the maximum size allowed for this platform."},
    {netstatus::NoBrowserServersFound,
     u"The list of servers for this workgroup is not currently available."},
};

} // namespace

std::u16string_view NetStatusText(NetStatus status) {
    const auto found =
        std::find_if(std::begin(table), std::end(table),
                     [status](const NetStatusWords& row) { return row.status == status; });
    return found != std::end(table) ? found->text : std::u16string_view();
}

} // namespace quarnel::platform
