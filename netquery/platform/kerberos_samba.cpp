// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "kerberos_samba.h"

#include <arpa/inet.h>
#include <cstdio>
#include <krb5.h>
#include <memory>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarnel::platform::samba {

namespace {

struct ContextFree {
    void operator()(krb5_context context) const { krb5_free_context(context); }
};

struct CacheClose {
    krb5_context context;
    void operator()(krb5_ccache cache) const { krb5_cc_close(context, cache); }
};

// The library's words for an error, without the file name it adds.
std::string ErrorText(krb5_context context, krb5_error_code error) {
    krb5_clear_error_message(context);
    const char* text = krb5_get_error_message(context, error);
    std::string result = text != nullptr ? text : "error " + std::to_string(error);
    krb5_free_error_message(context, text);
    return result;
}

// Samba's Kerberos library opens a file cache only when it is a plain file
// of the caller's own, with one name, that nobody else may read or write;
// any other it leaves unread without a word.
std::string RefusedFileCache(const struct stat& st) {
    if (!S_ISREG(st.st_mode))
        return "it is no plain file";
    if (st.st_nlink != 1)
        return "it has more than one name (a hard link)";
    if (st.st_uid != ::geteuid())
        return "it belongs to another user";
    if ((st.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        return std::string("it is open to others (permissions ") + mode + ")";
    }
    return {};
}

std::string TimeText(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

} // namespace

TicketCache ReadTicketCache(std::time_t now) {
    using State = TicketCache::State;
    TicketCache cache;
    krb5_context raw = nullptr;
    if (const krb5_error_code error = krb5_init_context(&raw); error != 0) {
        cache.state = State::Unreadable;
        cache.problem = "the Kerberos library cannot start (error " + std::to_string(error) + ")";
        return cache;
    }
    const std::unique_ptr<std::remove_pointer_t<krb5_context>, ContextFree> context(raw);
    krb5_ccache found = nullptr;
    if (const krb5_error_code error = krb5_cc_default(raw, &found); error != 0) {
        cache.state = State::Unreadable;
        cache.problem = ErrorText(raw, error);
        return cache;
    }
    const std::unique_ptr<std::remove_pointer_t<krb5_ccache>, CacheClose> ccache(found, {raw});
    const std::string type = krb5_cc_get_type(raw, found);
    const std::string residual = krb5_cc_get_name(raw, found);
    cache.name = type + ":" + residual;

    if (struct stat st{}; type == "FILE" && ::lstat(residual.c_str(), &st) == 0) {
        if (std::string refused = RefusedFileCache(st); !refused.empty()) {
            cache.state = State::Refused;
            cache.problem = std::move(refused);
            return cache;
        }
        if (st.st_size == 0) {
            cache.state = State::Unreadable;
            cache.problem = "it is empty";
            return cache;
        }
    }

    krb5_principal owner = nullptr;
    if (const krb5_error_code error = krb5_cc_get_principal(raw, found, &owner); error != 0) {
        cache.state = error == KRB5_FCC_NOFILE || error == KRB5_CC_NOTFOUND ? State::Missing
                                                                            : State::Unreadable;
        cache.problem = ErrorText(raw, error);
        return cache;
    }
    char* ownerName = nullptr;
    if (krb5_unparse_name(raw, owner, &ownerName) == 0) {
        cache.principal = ownerName;
        krb5_free_unparsed_name(raw, ownerName);
    }
    // The ticket-granting ticket of the owner's realm gets every server's
    // ticket; the server tickets a cache also holds end with it.
    krb5_principal tgs = nullptr;
    const krb5_data realm = owner->realm;
    krb5_error_code error =
        krb5_build_principal_ext(raw, &tgs, realm.length, realm.data, KRB5_TGS_NAME_SIZE,
                                 KRB5_TGS_NAME, realm.length, realm.data, 0);
    krb5_creds ticket{};
    if (error == 0) {
        krb5_creds wanted{};
        wanted.client = owner;
        wanted.server = tgs;
        error = krb5_cc_retrieve_cred(raw, found, 0, &wanted, &ticket);
        krb5_free_principal(raw, tgs);
    }
    krb5_free_principal(raw, owner);
    if (error != 0) {
        cache.state = error == KRB5_CC_NOTFOUND ? State::NoTicket : State::Unreadable;
        cache.problem = ErrorText(raw, error);
        return cache;
    }
    cache.ends = ticket.times.endtime;
    krb5_free_cred_contents(raw, &ticket);
    cache.state = cache.ends > now ? State::Usable : State::Expired;
    return cache;
}

std::string TicketCacheProblem(const TicketCache& cache) {
    using State = TicketCache::State;
    switch (cache.state) {
    case State::Missing:
        return "There is no Kerberos ticket (no cache " + cache.name + "): get one with kinit";
    case State::Unreadable:
        return "The Kerberos ticket cache " + cache.name + " cannot be read (" + cache.problem +
               "): get a new ticket with kinit";
    case State::Refused:
        return "Samba's client does not open the Kerberos ticket cache " + cache.name + ": " +
               cache.problem;
    case State::NoTicket:
        return "The Kerberos ticket cache " + cache.name + " holds no ticket of " +
               cache.principal + ": get one with kinit";
    case State::Expired:
        return "The Kerberos ticket of " + cache.principal + " expired at " + TimeText(cache.ends) +
               ": get a new one with kinit";
    case State::Usable:
        break;
    }
    return {};
}

NetStatus TicketCacheStatus(const TicketCache& cache) {
    switch (cache.state) {
    case TicketCache::State::Usable:
        return netstatus::Success;
    case TicketCache::State::Expired:
        return netstatus::ContextExpired;
    default:
        return netstatus::NoSuchLogonSession;
    }
}

bool KerberosCanName(std::string_view server) {
    if (server.size() >= 2 && server.front() == '[' && server.back() == ']')
        server = server.substr(1, server.size() - 2);
    const std::string name(server);
    unsigned char address[sizeof(in6_addr)];
    if (::inet_pton(AF_INET, name.c_str(), address) == 1 ||
        ::inet_pton(AF_INET6, name.c_str(), address) == 1)
        return false;
    return ::strcasecmp(name.c_str(), "localhost") != 0;
}

} // namespace quarnel::platform::samba
