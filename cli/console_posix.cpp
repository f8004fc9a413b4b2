// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "Console.h"

#include "Secrets.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <iterator>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace quarnel::cli {

namespace {

// The terminal's settings while its echo is off, so that a signal that ends
// the program meanwhile gives the terminal its echo back.
int terminalFd = -1;
termios savedTerminal{};

void RestoreTerminalAndDie(int signal) {
    ::tcsetattr(terminalFd, TCSAFLUSH, &savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// The signal that asked to stop, and a pipe whose reading end becomes
// readable when it came; the handler does nothing else, which a handler may.
volatile std::sig_atomic_t stopSignal = 0;
int stopPipe[2] = {-1, -1};

void AskToStop(int signal) {
    if (stopSignal == 0)
        stopSignal = signal;
    const int saved = errno;
    (void)!::write(stopPipe[1], "", 1);
    errno = saved;
}

std::string OctalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

} // namespace

// A POSIX terminal takes the UTF-8 that the program writes as it is, and the
// arguments arrive in the same encoding.
void PrepareConsole() {}

std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

// Input arrives in UTF-8 as well.
std::optional<std::string> ReadInput(std::size_t limit) {
    std::string text;
    char chunk[4096];
    while (std::cin.read(chunk, sizeof chunk) || std::cin.gcount() > 0) {
        if (text.size() + static_cast<std::size_t>(std::cin.gcount()) > limit)
            return std::nullopt;
        text.append(chunk, static_cast<std::size_t>(std::cin.gcount()));
    }
    return text;
}

std::optional<std::string> ReadPasswordFromTerminal(const std::string& prompt) {
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    termios silent{};
    const bool isTerminal = ::tcgetattr(fd, &savedTerminal) == 0;
    constexpr int ending[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};
    struct sigaction before[std::size(ending)]{};
    if (isTerminal) {
        terminalFd = fd;
        struct sigaction restore {};
        restore.sa_handler = RestoreTerminalAndDie;
        for (std::size_t i = 0; i < std::size(ending); ++i)
            ::sigaction(ending[i], &restore, &before[i]);
        silent = savedTerminal;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(fd, TCSAFLUSH, &silent);
    }
    (void)!::write(fd, prompt.data(), prompt.size());
    std::string line;
    line.reserve(1024); // a password that grows is copied, and the copy left behind
    char c = 0;
    ssize_t n = 0;
    while ((n = ::read(fd, &c, 1)) == 1 || (n < 0 && errno == EINTR))
        if (n == 1) {
            if (c == '\n')
                break;
            line += c;
        }
    if (isTerminal) {
        ::tcsetattr(fd, TCSAFLUSH, &savedTerminal);
        for (std::size_t i = 0; i < std::size(ending); ++i)
            ::sigaction(ending[i], &before[i], nullptr);
        terminalFd = -1;
    }
    (void)!::write(fd, "\n", 1); // the Enter that the silent terminal did not show
    ::close(fd);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// As ssh does with its keys: a file of secrets that others may read or
// change is refused rather than used.
// Opened without waiting, so that a FIFO (which would wait for a writer) is
// refused as what it is.
std::optional<std::string> ReadPrivateFile(const std::string& path, std::string& reason) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat st {};
    std::optional<std::string> text;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = path + " is not a file";
    } else if (st.st_uid != ::getuid() && st.st_uid != 0) {
        reason = path + " belongs to another user; an authentication file must be the caller's own";
    } else if ((st.st_mode & 077) != 0) {
        reason = path + " is open to others (permissions " + OctalMode(st.st_mode) +
                 "): the password in it is not private; make it readable by its owner "
                 "alone (chmod 600 " +
                 path + ")";
    } else {
        text.emplace();
        text->reserve(static_cast<std::size_t>(st.st_size)); // no copies left behind as it grows
        char chunk[4096];
        ssize_t n = 0;
        while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
            text->append(chunk, static_cast<std::size_t>(n));
        WipeSecret(chunk);
        if (n < 0) {
            reason = "cannot read " + path + ": " + std::strerror(errno);
            text.reset();
        }
    }
    ::close(fd);
    return text;
}

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void StopOnSignals() {
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        stopPipe[0] = stopPipe[1] = -1;
    // A write under way goes on once the handler is done, so that the
    // record being written ends whole.
    struct sigaction stop {};
    stop.sa_handler = AskToStop;
    stop.sa_flags = SA_RESTART | SA_RESETHAND;
    ::sigaction(SIGTERM, &stop, nullptr);
    ::sigaction(SIGINT, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int StopSignal() {
    return stopSignal;
}

int StopSignalDescriptor() {
    return stopPipe[0];
}

bool Pause(std::chrono::milliseconds duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    for (auto left = duration; StopSignal() == 0 && left.count() > 0;
         left = std::chrono::duration_cast<std::chrono::milliseconds>(
             until - std::chrono::steady_clock::now())) {
        pollfd stop{StopSignalDescriptor(), POLLIN, 0};
        ::poll(&stop, stop.fd >= 0 ? 1 : 0, static_cast<int>(left.count()));
    }
    return StopSignal() == 0;
}

void KeepOutOfCoreDumps() {
    ::prctl(PR_SET_DUMPABLE, 0);
}

} // namespace quarnel::cli
