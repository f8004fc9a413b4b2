// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// What the command-line companion needs of the console it runs in.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quarnel::cli {

// Makes standard output and standard error take UTF-8, and standard output
// take the line ends the program writes as they are.
void PrepareConsole();

// The program's arguments in UTF-8, without the program's name.
std::vector<std::string> Arguments(int argc, char** argv);

// All of standard input, in UTF-8; nullopt when it holds more than `limit`
// bytes, of which no more are read.
std::optional<std::string> ReadInput(std::size_t limit);

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

// From here on SIGTERM and SIGINT ask the program to stop instead of ending
// it at once (a second one ends it), and a reader that closes the pipe makes
// the next write fail instead of ending the program. Where the system has no
// such signals, nothing changes.
void StopOnSignals();

// The signal that asked the program to stop; 0 while none did.
int StopSignal();

// A descriptor that becomes readable once a signal asked the program to
// stop, for a wait on other descriptors to end on; -1 where there is none.
int StopSignalDescriptor();

// Waits for `duration`, or less when a signal asks the program to stop:
// false then.
bool Pause(std::chrono::milliseconds duration);

// No core dump from here on: it would hold the password that the program
// now keeps in memory.
void KeepOutOfCoreDumps();

} // namespace quarnel::cli
