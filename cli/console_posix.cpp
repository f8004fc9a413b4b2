#include "Console.h"

#include <iostream>
#include <iterator>
#include <unistd.h>

namespace quarnel::cli {

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

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace quarnel::cli
