// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Running one of Samba's command-line tools from the Linux backend: without a
// shell, with its standard input from a text of ours, its output captured and
// its running time bounded.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel::platform::samba {

// How a program run ended, and what it wrote.
struct ProcessOutcome {
    enum class End {
        Exited,     // it ended by itself; exitCode holds its exit status
        Signalled,  // a signal that we did not send ended it
        TimedOut,   // it ran past the limit and was killed
        NotStarted, // it could not be started; startError holds the errno
    };
    End end = End::NotStarted;
    int exitCode = -1;
    int startError = 0;
    std::string output; // standard output and standard error, interleaved
};

// Runs `arguments[0]`, found through PATH, with the rest as its arguments and
// of the caller's environment what a program needs (PATH, HOME, USER,
// LOGNAME, the language and time zone, TMPDIR): no password goes with it.
// `input` is its whole standard input. The run is
// killed (SIGKILL) once it has taken `limit`; what it wrote until then is kept.
ProcessOutcome RunProcess(const std::vector<std::string>& arguments, std::string_view input,
                          std::chrono::milliseconds limit);

// Runs `body` in a child process of this one, with its standard input,
// output and error on /dev/null; what it writes to the descriptor it is given
// becomes the output, and what it returns the exit status. For a library
// whose settings hold for the whole process: the child's changes end with
// it. The limit and the outcome are RunProcess's; the child never returns
// into the caller's code (it ends with _exit, running no exit handlers), and
// it is killed when the thread that started it ends.
ProcessOutcome RunInChild(const std::function<int(int resultFd)>& body,
                          std::chrono::milliseconds limit);

} // namespace quarnel::platform::samba
