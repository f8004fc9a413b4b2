#!/usr/bin/env bash
# Cross-builds the Windows parts of Quarnel with MinGW-w64: the query layer
# with its Windows backend and, once cli/ defines it, quarnel-cli.exe. The GUI
# and the tests need Qt and GoogleTest, which Debian does not ship for MinGW.
#
#   scripts/build-windows.sh [build-dir]      (default: build-windows in the checkout)
#
# Warnings are errors. After the build the result is checked: the query
# layer calls only the wide-character (W) entry points, and quarnel-cli.exe
# imports NetFileEnum from NETAPI32.dll and needs no MinGW runtime DLL.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-windows}"
objdump=x86_64-w64-mingw32-objdump
nm=x86_64-w64-mingw32-nm

cmake -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-Release}" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DQUARNEL_BUILD_GUI=OFF \
    -DQUARNEL_BUILD_TESTS=OFF \
    -DQUARNEL_BUILD_BENCH=OFF
cmake --build "$build" --parallel

fail() {
    echo "build-windows: $*" >&2
    exit 1
}

# The one file in the build tree with this name (the build leaves no copies).
built_file() {
    local found
    found="$(find "$build" -name "$1" -type f -not -path '*/CMakeFiles/*')"
    [[ -n "$found" ]] || fail "$1 was not built"
    [[ "$(wc -l <<<"$found")" -eq 1 ]] || fail "more than one $1 in $build"
    echo "$found"
}

# The query layer: the functions it calls from outside, whether through an
# import pointer (__imp_Name) or a direct call that the linker resolves.
netquery="$(built_file libnetquery.a)"
imports="$("$nm" --undefined-only --format=posix "$netquery" | awk '$2 == "U" { sub(/^__imp_/, "", $1); print $1 }' | sort -u)"
for call in NetFileEnum NetServerEnum NetMessageBufferSend NetApiBufferFree FormatMessageW; do
    grep -qx "$call" <<<"$imports" || fail "libnetquery.a does not call $call"
done
# An ANSI entry point (GetDriveTypeA, WNetGetConnectionA, ...) would pass
# strings in the local code page instead of UTF-16.
if ansi="$(grep -E '[a-z]A$' <<<"$imports")"; then
    fail "libnetquery.a calls ANSI entry points: $(tr '\n' ' ' <<<"$ansi")"
fi

# quarnel-cli.exe, as soon as cli/ defines it.
targets="$(cmake --build "$build" --target help)"
if grep -qE '(^|[. ])quarnel-cli(:|$)' <<<"$targets"; then
    exe="$(built_file quarnel-cli.exe)"
    pe="$("$objdump" -p "$exe")"
    netapi_imports="$(awk '
        /DLL Name:/ { dll = toupper($3); next }
        dll == "NETAPI32.DLL" && NF >= 3 && $2 ~ /^[0-9]+$/ { print $3 }
    ' <<<"$pe")"
    grep -qx NetFileEnum <<<"$netapi_imports" || fail "$exe does not import NetFileEnum from NETAPI32.dll"
    grep -qx NetMessageBufferSend <<<"$netapi_imports" ||
        fail "$exe does not import NetMessageBufferSend from NETAPI32.dll"
    # Linked statically: a Windows machine has none of these.
    if runtime="$(grep -oiE 'DLL Name: (libstdc\+\+|libgcc|libwinpthread)[^ ]*' <<<"$pe" | sed 's/^DLL Name: //')"; then
        fail "$exe needs MinGW runtime DLLs: $(tr '\n' ' ' <<<"$runtime")"
    fi
    echo "build-windows: $exe imports NetFileEnum from NETAPI32.dll and needs no MinGW runtime"
else
    echo "build-windows: cli/ defines no quarnel-cli yet; built and checked the query layer only"
fi
