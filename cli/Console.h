// What the command-line companion needs of the console it runs in.
#pragma once

#include <string>
#include <vector>

namespace quarnel::cli {

// Makes standard output and standard error take UTF-8.
void PrepareConsole();

// The program's arguments in UTF-8, without the program's name.
std::vector<std::string> Arguments(int argc, char** argv);

// All of standard input, in UTF-8.
std::string ReadInput();

// Whether standard error goes to a terminal, where a progress line may be
// redrawn in place.
bool StandardErrorIsTerminal();

} // namespace quarnel::cli
