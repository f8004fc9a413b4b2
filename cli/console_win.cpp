#include "Console.h"

#include "utf.h"

#include <cstdlib>
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

} // namespace quarnel::cli
