// Running one of Samba's command-line tools from the Linux backend: without a
// shell, with its standard input from a text of ours, its output captured and
// its running time bounded.
#pragma once

#include <chrono>
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
// the caller's environment. `input` is its whole standard input. The run is
// killed (SIGKILL) once it has taken `limit`; what it wrote until then is kept.
ProcessOutcome RunProcess(const std::vector<std::string>& arguments, std::string_view input,
                          std::chrono::milliseconds limit);

} // namespace quarnel::platform::samba
