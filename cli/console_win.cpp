// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "Console.h"

#include "utf.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

namespace quarnel::cli {

namespace {

// The console's code page belongs to the console window and outlives the
// program, so the one it had is put back when the program ends.
UINT originalCodePage = 0;

void RestoreCodePage() {
    SetConsoleOutputCP(originalCodePage);
}

} // namespace

void PrepareConsole() {
    // Every line end the program writes is its own: LF, and CR LF in CSV.
    // Text mode would add a CR before every LF, CR CR LF in CSV.
    _setmode(_fileno(stdout), _O_BINARY);
    DWORD mode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode))
        return; // redirected: the bytes go out as they are, UTF-8
    originalCodePage = GetConsoleOutputCP();
    if (originalCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        std::atexit(RestoreCodePage);
}

// argv holds the arguments in the ANSI code page, which loses every
// character outside it; the wide command line keeps them all.
std::vector<std::string> Arguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
    LocalFree(wide);
    return arguments;
}

// A console hands out typed text in UTF-16 (the console's code page would
// lose characters), up to Ctrl+Z; redirected input is taken as UTF-8.
std::optional<std::string> ReadInput(std::size_t limit) {
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(in, &mode)) {
        std::u16string text;
        wchar_t chunk[1024];
        DWORD read = 0;
        while (ReadConsoleW(in, chunk, 1024, &read, nullptr) && read > 0) {
            const std::u16string part(chunk, chunk + read);
            const auto end = part.find(u'\x1A');
            text += part.substr(0, end);
            if (text.size() > limit)
                return std::nullopt;
            if (end != std::u16string::npos)
                break;
        }
        std::string utf8 = ToUtf8(text);
        std::string lines; // the console ends lines with CR LF
        for (std::size_t i = 0; i < utf8.size(); ++i)
            if (utf8[i] != '\r' || i + 1 >= utf8.size() || utf8[i + 1] != '\n')
                lines += utf8[i];
        if (lines.size() > limit)
            return std::nullopt;
        return lines;
    }
    _setmode(_fileno(stdin), _O_BINARY);
    std::string bytes;
    char chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) {
        if (bytes.size() + n > limit)
            return std::nullopt;
        bytes.append(chunk, n);
    }
    return bytes;
}

// On Windows every server is asked as the user who is logged on; quarnel-cli
// refuses the sign-in options before it would read a password or a file.
std::optional<std::string> ReadPasswordFromTerminal(const std::string&) {
    return std::nullopt;
}

std::optional<std::string> ReadPrivateFile(const std::string&, std::string& reason) {
    reason = "authentication files are not read on Windows";
    return std::nullopt;
}

bool StandardErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

// Ctrl+C ends the program as the system ends it; servers are asked in turn,
// by no worker that could outlive it.
void StopOnSignals() {}

int StopSignal() {
    return 0;
}

int StopSignalDescriptor() {
    return -1;
}

// Ctrl+C ends the wait with the program.
bool Pause(std::chrono::milliseconds duration) {
    ::Sleep(static_cast<DWORD>(duration.count()));
    return true;
}

// A password in memory goes into no core file: Windows writes none unless
// it is told to.
void KeepOutOfCoreDumps() {}

} // namespace quarnel::cli
