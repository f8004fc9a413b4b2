// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "ServerPool.h"

#include "Console.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quarnel::cli {

namespace {

// An answer travels from the worker to us as netstrings ("5:hello"): any
// byte may stand in a cell, and a cut-off answer is told from a whole one.
void PutText(std::string& data, std::string_view text) {
    data += std::to_string(text.size());
    data += ':';
    data += text;
}

void PutNumber(std::string& data, std::size_t number) {
    PutText(data, std::to_string(number));
}

std::string Encode(const ServerAnswer& answer) {
    std::string data;
    PutNumber(data, answer.failures.size());
    for (const std::string& failure : answer.failures)
        PutText(data, failure);
    PutNumber(data, answer.rows.size());
    for (const auto& row : answer.rows) {
        PutNumber(data, row.size());
        for (const std::string& cell : row)
            PutText(data, cell);
    }
    return data;
}

class Decoder {
  public:
    explicit Decoder(std::string_view data) : rest_(data) {}

    bool Ok() const { return ok_; }
    bool Complete() const { return ok_ && rest_.empty(); }

    std::string Text() {
        const std::size_t colon = rest_.find(':');
        std::size_t length = 0;
        if (!ok_ || colon == std::string_view::npos || colon == 0 || colon > 12) {
            ok_ = false;
            return {};
        }
        for (char c : rest_.substr(0, colon)) {
            if (c < '0' || c > '9') {
                ok_ = false;
                return {};
            }
            length = length * 10 + static_cast<std::size_t>(c - '0');
        }
        if (rest_.size() - colon - 1 < length) {
            ok_ = false;
            return {};
        }
        std::string text(rest_.substr(colon + 1, length));
        rest_.remove_prefix(colon + 1 + length);
        return text;
    }

    // A count, bounded by what is left to read so that a garbled one cannot
    // make us reserve without end.
    std::size_t Number() {
        const std::string text = Text();
        if (!ok_ || text.empty() || text.size() > 12 ||
            text.find_first_not_of("0123456789") != std::string::npos) {
            ok_ = false;
            return 0;
        }
        const std::size_t number = std::stoull(text);
        if (number > rest_.size())
            ok_ = false;
        return ok_ ? number : 0;
    }

  private:
    std::string_view rest_;
    bool ok_ = true;
};

std::optional<ServerAnswer> Decode(std::string_view data) {
    Decoder in(data);
    ServerAnswer answer;
    const std::size_t failures = in.Number();
    for (std::size_t f = 0; f < failures && in.Ok(); ++f)
        answer.failures.push_back(in.Text());
    const std::size_t rows = in.Number();
    answer.rows.reserve(rows);
    for (std::size_t r = 0; r < rows && in.Ok(); ++r) {
        std::vector<std::string>& row = answer.rows.emplace_back();
        const std::size_t cells = in.Number();
        for (std::size_t c = 0; c < cells; ++c)
            row.push_back(in.Text());
    }
    if (!in.Complete() || answer.rows.size() != rows)
        return std::nullopt;
    return answer;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The worker's side: ask, hand the answer back, and end without running
// this program's exit handlers, which belong to the parent. It ends with the
// parent, also when the parent ended before it could say so, and a signal
// to stop ends it at once: the parent finishes the output.
[[noreturn]] void RunWorker(int fd, pid_t parent, const std::string& server, const AskServer& ask) {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        ::_exit(4);
    int code = 0;
    try {
        code = WriteAll(fd, Encode(ask(server))) ? 0 : 3;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quarnel-cli: a worker failed: %s\n", e.what());
        code = 2;
    }
    ::_exit(code);
}

using Clock = std::chrono::steady_clock;

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    std::size_t index = 0;
    Clock::time_point deadline;
    std::string data;
};

std::string WhatBecameOf(int status) {
    if (WIFSIGNALED(status))
        return "the worker that asked it was killed by signal " + std::to_string(WTERMSIG(status)) +
               " (" + ::strsignal(WTERMSIG(status)) + ")";
    return "the worker that asked it ended with status " + std::to_string(WEXITSTATUS(status)) +
           " without an answer";
}

ServerAnswer Lost(std::string what) {
    ServerAnswer answer;
    answer.lost = std::move(what);
    return answer;
}

int Reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Reaps the worker, whose output has ended, and makes its answer.
ServerAnswer Finish(Worker& worker) {
    ::close(worker.fd);
    const int status = Reap(worker.pid);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return Lost(WhatBecameOf(status));
    if (auto answer = Decode(worker.data))
        return std::move(*answer);
    return Lost("the worker that asked it gave a garbled answer");
}

// Ends a worker that is still at it; what it had not handed back is lost.
void End(Worker& worker) {
    ::kill(worker.pid, SIGKILL);
    ::close(worker.fd);
    Reap(worker.pid);
}

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left + 1, 0, 60 * 60 * 1000));
}

} // namespace

void AskServers(const std::vector<std::string>& servers, int jobs, std::chrono::seconds timeout,
                const AskServer& ask, const ServerAnswered& answered) {
    const std::size_t limit = static_cast<std::size_t>(std::max(jobs, 1));
    const pid_t parent = ::getpid();
    std::vector<Worker> running;
    std::size_t next = 0;
    bool goOn = true;

    auto start = [&](std::size_t index) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            goOn = answered(index,
                            Lost(std::string("cannot start a worker: ") + std::strerror(errno)));
            return;
        }
        // What sits in our buffers would otherwise be written twice.
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            for (const Worker& w : running)
                ::close(w.fd);
            RunWorker(fds[1], parent, servers[index], ask);
        }
        const int forkError = errno;
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            goOn = answered(
                index, Lost(std::string("cannot start a worker: ") + std::strerror(forkError)));
            return;
        }
        running.push_back({pid, fds[0], index, Clock::now() + timeout, {}});
    };

    while (goOn && StopSignal() == 0 && (next < servers.size() || !running.empty())) {
        while (goOn && running.size() < limit && next < servers.size())
            start(next++);
        if (running.empty())
            continue;
        std::vector<pollfd> polls;
        Clock::time_point soonest = Clock::time_point::max();
        for (const Worker& w : running) {
            polls.push_back({w.fd, POLLIN, 0});
            soonest = std::min(soonest, w.deadline);
        }
        if (StopSignalDescriptor() >= 0)
            polls.push_back({StopSignalDescriptor(), POLLIN, 0});
        if (::poll(polls.data(), polls.size(), MillisecondsUntil(soonest)) < 0) {
            if (errno == EINTR)
                continue;
            std::perror("quarnel-cli: poll");
            std::abort();
        }
        // Ctrl+C reaches the workers too: what they say of it is not asked for.
        if (StopSignal() != 0)
            break;
        std::vector<std::size_t> ended;
        for (std::size_t i = 0; i < running.size(); ++i) {
            if (polls[i].revents == 0) {
                if (Clock::now() >= running[i].deadline)
                    ended.push_back(i);
                continue;
            }
            char chunk[65536];
            const ssize_t n = ::read(running[i].fd, chunk, sizeof chunk);
            if (n > 0)
                running[i].data.append(chunk, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                ended.push_back(i);
        }
        // Last first, so that the indexes of the others stay valid.
        for (auto it = ended.rbegin(); it != ended.rend(); ++it) {
            Worker worker = std::move(running[*it]);
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(*it));
            ServerAnswer answer;
            if (polls[*it].revents != 0) {
                answer = Finish(worker);
            } else {
                End(worker);
                answer.late = true;
            }
            if (goOn)
                goOn = answered(worker.index, std::move(answer));
        }
    }
    for (Worker& worker : running)
        End(worker);
}

} // namespace quarnel::cli
