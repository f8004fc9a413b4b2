// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// What the command-line companion needs of the console it runs in.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quarnel::cli {

// Makes standard output and standard error take UTF-8, and standard output
// take the line ends the program writes as they are.
void PrepareConsole();

// The program's arguments in UTF-8, without the program's name.
std::vector<std::string> Arguments(int argc, char** argv);

// All of standard input, in UTF-8.
std::string ReadInput();

// Asks for a password on the terminal with its echo off, and reads one
// line. Never standard input, which may hold a command's text. nullopt when
// the program has no terminal.
std::optional<std::string> ReadPasswordFromTerminal(const std::string& prompt);

// The text of a file that holds secrets, or nullopt and the reason when it
// cannot be read or others may read or change it.
std::optional<std::string> ReadPrivateFile(const std::string& path, std::string& reason);

// Whether standard error goes to a terminal, where a progress line may be
// redrawn in place.
bool StandardErrorIsTerminal();

} // namespace quarnel::cli
