// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "servers_samba.h"

#include "process_samba.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <libsmbclient.h>
#include <memory>
#include <unistd.h>

namespace quarnel::platform::samba {

namespace {

// A silent master browser is given up by the library itself after its own
// timeouts; the limit only catches a child that hangs beyond them.
constexpr std::chrono::seconds BrowseLimit(60);

// The credentials of the request, for the library's callback, which has no
// room for a pointer of ours. The child sets them once and browses once.
const BrowseRequest* credentials = nullptr;

void CopyInto(char* to, int size, const std::string& from) {
    if (size <= 0)
        return;
    const std::size_t n = std::min(from.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

// "DOMAIN\user" names the user's domain, as Samba's tools read USER.
void GiveCredentials(const char*, const char*, char* workgroup, int workgroupSize, char* user,
                     int userSize, char* password, int passwordSize) {
    if (credentials == nullptr || credentials->user.empty())
        return;
    const std::string& given = credentials->user;
    const std::size_t cut = given.find_first_of("\\/");
    if (cut != std::string::npos) {
        CopyInto(workgroup, workgroupSize, given.substr(0, cut));
        CopyInto(user, userSize, given.substr(cut + 1));
    } else {
        CopyInto(user, userSize, given);
    }
    CopyInto(password, passwordSize, credentials->password);
}

struct ContextFree {
    void operator()(SMBCCTX* context) const { smbc_free_context(context, 1); }
};

// Runs in the child: browses and writes the answer to `resultFd`.
int BrowseInChild(const BrowseRequest& request, int resultFd) {
    std::vector<std::string> names;
    int error = 0;
    const std::unique_ptr<SMBCCTX, ContextFree> context(smbc_new_context());
    if (context == nullptr) {
        error = errno != 0 ? errno : ENOMEM;
    } else {
        SMBCCTX* ctx = context.get();
        smbc_setDebug(ctx, 0);
        if (!request.configFile.empty())
            smbc_setConfiguration(ctx, request.configFile.c_str());
        credentials = &request;
        smbc_setFunctionAuthData(ctx, GiveCredentials);
        const bool kerberos = request.kerberos != BrowseRequest::Kerberos::Off;
        smbc_setOptionUseKerberos(ctx, kerberos);
        smbc_setOptionFallbackAfterKerberos(ctx,
                                            request.kerberos != BrowseRequest::Kerberos::Required);
        smbc_setOptionUseCCache(ctx, kerberos);
        // The browse call exists only in SMB1.
        smbc_setOptionProtocols(ctx, "NT1", "NT1");
        if (smbc_init_context(ctx) == nullptr) {
            error = errno != 0 ? errno : EINVAL;
        } else {
            std::string domain = request.domain;
            if (domain.empty() && smbc_getWorkgroup(ctx) != nullptr)
                domain = smbc_getWorkgroup(ctx);
            std::string encoded(domain.size() * 3 + 1, '\0');
            smbc_urlencode(encoded.data(), domain.data(), static_cast<int>(encoded.size()));
            const std::string url = "smb://" + std::string(encoded.c_str()) + "/";
            errno = 0;
            SMBCFILE* dir = smbc_getFunctionOpendir(ctx)(ctx, url.c_str());
            if (dir == nullptr) {
                error = errno != 0 ? errno : ENOENT;
            } else {
                // A name that is a server's and not a domain's lists shares.
                while (const smbc_dirent* entry = smbc_getFunctionReaddir(ctx)(ctx, dir)) {
                    if (entry->smbc_type != SMBC_SERVER) {
                        error = ENOENT;
                        break;
                    }
                    names.emplace_back(entry->name);
                }
                smbc_getFunctionClosedir(ctx)(ctx, dir);
            }
        }
    }
    if (error != 0)
        names.clear();
    const std::string answer = EncodeBrowseAnswer(error, names);
    std::size_t written = 0;
    while (written < answer.size()) {
        const ssize_t n = ::write(resultFd, answer.data() + written, answer.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 1;
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

} // namespace

bool BrowseListAnswers(std::uint32_t serverType) {
    return (serverType & servertype::Server) != 0;
}

NetStatus BrowseStatus(int error) {
    switch (error) {
    case 0:
        return netstatus::Success;
    case EACCES:
    case EPERM:
        return netstatus::AccessDenied;
    case ENOMEM:
        return netstatus::NotEnoughMemory;
    case EINVAL:
        return netstatus::InvalidParameter;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ECONNREFUSED:
        return netstatus::NoBrowserServersFound;
    default:
        return netstatus::NetworkError;
    }
}

std::string EncodeBrowseAnswer(int error, const std::vector<std::string>& names) {
    std::string answer = std::to_string(error);
    answer += '\0';
    for (const std::string& name : names) {
        answer += name;
        answer += '\0';
    }
    return answer;
}

bool DecodeBrowseAnswer(const std::string& answer, int& error, std::vector<std::string>& names) {
    if (answer.empty() || answer.back() != '\0')
        return false;
    const std::size_t first = answer.find('\0');
    const auto [end, problem] = std::from_chars(answer.data(), answer.data() + first, error);
    if (problem != std::errc() || end != answer.data() + first)
        return false;
    names.clear();
    for (std::size_t at = first + 1; at < answer.size();) {
        const std::size_t next = answer.find('\0', at);
        names.push_back(answer.substr(at, next - at));
        at = next + 1;
    }
    return true;
}

NetStatus BrowseDomain(const BrowseRequest& request, std::vector<std::string>& names) {
    names.clear();
    const ProcessOutcome outcome = RunInChild(
        [&request](int resultFd) { return BrowseInChild(request, resultFd); }, BrowseLimit);
    int error = 0;
    if (outcome.end != ProcessOutcome::End::Exited || outcome.exitCode != 0 ||
        !DecodeBrowseAnswer(outcome.output, error, names)) {
        names.clear();
        return outcome.end == ProcessOutcome::End::NotStarted ? netstatus::NotEnoughMemory
                                                              : netstatus::NetworkError;
    }
    return BrowseStatus(error);
}

} // namespace quarnel::platform::samba
