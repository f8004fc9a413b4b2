#include "Console.h"

#include "utf.h"

#include <windows.h>

#include <shellapi.h>

namespace quarnel::cli {

void PrepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
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
