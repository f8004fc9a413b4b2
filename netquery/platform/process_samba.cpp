// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "process_samba.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quarnel::platform::samba {

namespace {

using Clock = std::chrono::steady_clock;

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Close(); }
    int get() const { return fd_; }
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_;
};

struct FileClose {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

class SpawnActions {
  public:
    SpawnActions() { ::posix_spawn_file_actions_init(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    ~SpawnActions() { ::posix_spawn_file_actions_destroy(&actions_); }
    posix_spawn_file_actions_t* get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

// The standard input comes from an unlinked temporary file, not a pipe: the
// program reads it at its own pace, and one that stops reading early (or
// never starts) can neither block us nor raise SIGPIPE in our process.
std::unique_ptr<std::FILE, FileClose> InputFile(std::string_view input) {
    std::unique_ptr<std::FILE, FileClose> file(std::tmpfile());
    if (file == nullptr)
        return nullptr;
    if (std::fwrite(input.data(), 1, input.size(), file.get()) != input.size() ||
        std::fflush(file.get()) != 0 || ::lseek(::fileno(file.get()), 0, SEEK_SET) != 0)
        return nullptr;
    ::fcntl(::fileno(file.get()), F_SETFD, FD_CLOEXEC); // only the copy on 0 is inherited
    return file;
}

// The caller's environment as far as a program needs it to run and to speak
// the caller's language; what else it holds, such as the password in PASSWD
// that Samba's tools read, stays with the caller.
std::vector<char*> ProgramEnvironment() {
    static constexpr std::string_view kept[] = {
        "PATH=", "HOME=", "USER=", "LOGNAME=", "LANG=", "LC_", "LANGUAGE=", "TZ=", "TMPDIR="};
    std::vector<char*> environment;
    for (char** variable = environ; *variable != nullptr; ++variable)
        for (const std::string_view prefix : kept)
            if (std::string_view(*variable).starts_with(prefix)) {
                environment.push_back(*variable);
                break;
            }
    environment.push_back(nullptr);
    return environment;
}

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1000));
}

// Reads the child's output until it closes it or the time is up, then waits
// for its end within the same limit; kills it when the limit has passed.
ProcessOutcome Collect(pid_t pid, Fd& readEnd, std::chrono::milliseconds limit) {
    ProcessOutcome outcome;
    const Clock::time_point deadline = Clock::now() + limit;
    bool timedOut = false;
    char chunk[4096];
    for (;;) {
        if (Clock::now() >= deadline) {
            timedOut = true;
            break;
        }
        pollfd p{readEnd.get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, MillisecondsUntil(deadline));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(readEnd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // end of output
        outcome.output.append(chunk, static_cast<std::size_t>(n));
    }
    readEnd.Close();

    // Its output is closed; wait for its end within the same limit.
    int status = 0;
    while (!timedOut) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            outcome.end = ProcessOutcome::End::Signalled; // reaped elsewhere: no status
            return outcome;
        }
        if (Clock::now() >= deadline)
            timedOut = true;
        else
            ::poll(nullptr, 0, 10);
    }
    if (timedOut) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (timedOut) {
        outcome.end = ProcessOutcome::End::TimedOut;
    } else if (WIFEXITED(status)) {
        outcome.end = ProcessOutcome::End::Exited;
        outcome.exitCode = WEXITSTATUS(status);
    } else {
        outcome.end = ProcessOutcome::End::Signalled;
    }
    return outcome;
}

} // namespace

ProcessOutcome RunProcess(const std::vector<std::string>& arguments, std::string_view input,
                          std::chrono::milliseconds limit) {
    ProcessOutcome outcome;
    if (arguments.empty()) {
        outcome.startError = EINVAL;
        return outcome;
    }
    const auto in = InputFile(input);
    int pipeFds[2];
    if (in == nullptr || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        outcome.startError = errno != 0 ? errno : EIO;
        return outcome;
    }
    Fd readEnd(pipeFds[0]);
    Fd writeEnd(pipeFds[1]);

    SpawnActions actions;
    ::posix_spawn_file_actions_adddup2(actions.get(), ::fileno(in.get()), STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    std::vector<char*> environment = ProgramEnvironment();
    const int spawned =
        ::posix_spawnp(&pid, argv[0], actions.get(), nullptr, argv.data(), environment.data());
    writeEnd.Close(); // the child holds the only writing end now
    if (spawned != 0) {
        outcome.startError = spawned;
        return outcome;
    }

    return Collect(pid, readEnd, limit);
}

ProcessOutcome RunInChild(const std::function<int(int resultFd)>& body,
                          std::chrono::milliseconds limit) {
    ProcessOutcome outcome;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        outcome.startError = errno;
        return outcome;
    }
    Fd readEnd(pipeFds[0]);
    Fd writeEnd(pipeFds[1]);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        outcome.startError = errno;
        return outcome;
    }
    if (pid == 0) {
        // It ends with us, also when we ended before it could say so.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
            ::_exit(1);
        int code = 1;
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && ::dup2(null, STDIN_FILENO) >= 0 && ::dup2(null, STDOUT_FILENO) >= 0 &&
            ::dup2(null, STDERR_FILENO) >= 0) {
            try {
                code = body(writeEnd.get());
            } catch (...) {
                code = 1;
            }
        }
        ::_exit(code);
    }
    writeEnd.Close(); // the child holds the only writing end now
    return Collect(pid, readEnd, limit);
}

} // namespace quarnel::platform::samba
