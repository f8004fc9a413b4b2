// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "probe_samba.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quarnel::platform::samba {

namespace {

using Clock = std::chrono::steady_clock;

class Socket {
  public:
    explicit Socket(int fd) : fd_(fd) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

struct AddressListFree {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

// Waits for `events` on `fd` until `deadline`: false when the time ran out.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0;
    }
}

// An SMB2 NEGOTIATE for dialects 2.0.2 and 2.1, behind its 4-byte
// direct-TCP length: every SMB2 server answers it, and SMB1-only servers
// close the connection.
constexpr unsigned char Negotiate[] = {
    0x00, 0x00, 0x00, 0x68,                         // length 104
    0xFE, 'S',  'M',  'B',  0x40, 0x00, 0x00, 0x00, // protocol, header size 64
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, // status, NEGOTIATE, 1 credit
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // flags, next command
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // message id
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // process id, tree id
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // session id
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // signature
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
    0x24, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, // size 36, 2 dialects, signing enabled
    0x00, 0x00, 0x00, 0x00, 'Q',  'u',  'a',  'r',  // capabilities, client GUID
    'n',  'e',  'l',  0x00, 0x00, 0x00, 0x00, 0x00, //
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // GUID end, start time
    0x00, 0x00, 0x00, 0x00, 0x02, 0x02, 0x10, 0x02, // start time end, 2.0.2, 2.1
};

// A NetBIOS session request from QUARNEL to *SMBSERVER, the name every SMB
// server answers to, both names in the first-level encoding.
std::string SessionRequest() {
    auto encoded = [](std::string name, char suffix) {
        name.resize(15, ' ');
        name += suffix;
        std::string out(1, '\x20');
        for (const char c : name) {
            out += static_cast<char>('A' + ((static_cast<unsigned char>(c) >> 4) & 0xF));
            out += static_cast<char>('A' + (static_cast<unsigned char>(c) & 0xF));
        }
        return out + '\0';
    };
    const std::string names = encoded("*SMBSERVER", ' ') + encoded("QUARNEL", '\0');
    return std::string{'\x81', '\0', '\0', static_cast<char>(names.size())} + names;
}

// Whether the start of an answer belongs to the protocol: an SMB answer is a
// session message (type 0) whose payload starts with the SMB2 or SMB1
// protocol identifier; a NetBIOS session answer is positive, negative or a
// retarget (types 0x82 to 0x84).
bool Understood(SmbPort port, const unsigned char* head) {
    if (port == SmbPort::NetBios)
        return head[0] >= 0x82 && head[0] <= 0x84;
    return head[0] == 0x00 && (head[4] == 0xFE || head[4] == 0xFF) && head[5] == 'S' &&
           head[6] == 'M' && head[7] == 'B';
}

} // namespace

std::optional<NetStatus> ProbeServer(const std::string& server, SmbPort port,
                                     std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(server.c_str(), port == SmbPort::Direct ? "445" : "139", &hints, &found) != 0)
        return std::nullopt; // perhaps a NetBIOS name: the real client resolves it
    const std::unique_ptr<addrinfo, AddressListFree> addresses(found);
    const std::string request = port == SmbPort::Direct
                                    ? std::string(std::begin(Negotiate), std::end(Negotiate))
                                    : SessionRequest();
    const std::size_t answerStart = port == SmbPort::Direct ? 8 : 4;

    for (const addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
        const Socket s(
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (s.get() < 0)
            continue;
        if (::connect(s.get(), a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS)
            continue;
        if (!WaitFor(s.get(), POLLOUT, deadline))
            return netstatus::BadNetPath;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            continue; // refused or unreachable: the real client tells which
        if (::send(s.get(), request.data(), request.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(request.size()))
            return std::nullopt;
        unsigned char head[8];
        std::size_t got = 0;
        while (got < answerStart) {
            if (!WaitFor(s.get(), POLLIN, deadline))
                return netstatus::SemTimeout;
            const ssize_t n = ::recv(s.get(), head + got, answerStart - got, 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0) // closed without an answer, as an SMB1-only server does
                return got == 0 ? std::nullopt : std::optional(netstatus::BadNetResponse);
            got += static_cast<std::size_t>(n);
        }
        if (!Understood(port, head))
            return netstatus::BadNetResponse;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::chrono::seconds> TimeoutFromEnvironment() {
    const char* text = std::getenv("QUARNEL_TIMEOUT");
    if (text == nullptr || *text == '\0')
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long seconds = std::strtol(text, &end, 10);
    if (*end != '\0' || errno != 0 || seconds <= 0 || seconds > 3600)
        return std::nullopt;
    return std::chrono::seconds(seconds);
}

} // namespace quarnel::platform::samba
