// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "Console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <iterator>
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
std::string ReadInput() {
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

std::optional<std::string> ReadPasswordFromTerminal(const std::string& prompt) {
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    termios silent{};
    const bool isTerminal = ::tcgetattr(fd, &savedTerminal) == 0;
    if (isTerminal) {
        terminalFd = fd;
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP})
            std::signal(s, RestoreTerminalAndDie);
        silent = savedTerminal;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(fd, TCSAFLUSH, &silent);
    }
    (void)!::write(fd, prompt.data(), prompt.size());
    std::string line;
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
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP})
            std::signal(s, SIG_DFL);
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
std::optional<std::string> ReadPrivateFile(const std::string& path, std::string& reason) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
        char chunk[4096];
        ssize_t n = 0;
        while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
            text->append(chunk, static_cast<std::size_t>(n));
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

} // namespace quarnel::cli
