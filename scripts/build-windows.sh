#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
#
# Cross-builds the Windows parts of Quarnel with MinGW-w64 and runs them under
# Wine: the query layer with its Windows backend, quarnel-cli.exe and the unit
# tests (GoogleTest is compiled from Debian's sources). The GUI needs Qt,
# which Debian does not ship for MinGW.
#
#   scripts/build-windows.sh [build-dir]      (default: build-windows in the checkout)
#
# Warnings are errors. After the build the result is checked: the query
# layer calls only the wide-character (W) entry points, and quarnel-cli.exe
# imports NetFileEnum from NETAPI32.dll and needs nothing but system DLLs.
# Then the unit tests and quarnel-cli.exe run under Wine, in a Wine prefix
# of their own that is created for this run and removed after it.
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
    -DQUARNEL_BUILD_TESTS=ON \
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
for call in NetFileEnum NetFileClose NetServerEnum NetMessageBufferSend NetApiBufferFree FormatMessageW; do
    grep -qx "$call" <<<"$imports" || fail "libnetquery.a does not call $call"
done
# An ANSI entry point (GetDriveTypeA, WNetGetConnectionA, ...) would pass
# strings in the local code page instead of UTF-16.
if ansi="$(grep -E '[a-z]A$' <<<"$imports")"; then
    fail "libnetquery.a calls ANSI entry points: $(tr '\n' ' ' <<<"$ansi")"
fi

# quarnel-cli.exe: it must run on a Windows machine with nothing installed.
exe="$(built_file quarnel-cli.exe)"
pe="$("$objdump" -p "$exe")"
netapi_imports="$(awk '
    /DLL Name:/ { dll = toupper($3); next }
    dll == "NETAPI32.DLL" && NF >= 3 && $2 ~ /^[0-9]+$/ { print $3 }
' <<<"$pe")"
for call in NetFileEnum NetMessageBufferSend NetFileClose; do
    grep -qx "$call" <<<"$netapi_imports" || fail "$exe does not import $call from NETAPI32.dll"
done
system_dlls='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|SHLWAPI|OLE32|OLEAUT32|COMCTL32|MPR|NETAPI32|WS2_32|MSVCRT)\.DLL$'
if other="$(sed -n 's/^\s*DLL Name: //p' <<<"$pe" | tr a-z A-Z | grep -vE "$system_dlls")"; then
    fail "$exe needs DLLs that Windows does not have: $(tr '\n' ' ' <<<"$other")"
fi
echo "build-windows: $exe imports NetFileEnum from NETAPI32.dll and needs only system DLLs"

# --- Under Wine -----------------------------------------------------------------
# Headless: no display, no debug output, and no offer to install Wine's
# Mono and Gecko (which would wait for a click).
command -v wine >/dev/null || fail "wine is not installed (scripts/install-deps.sh installs it)"
WINEPREFIX="$(mktemp -d)"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
started=$SECONDS
wineboot --init >/dev/null 2>&1 || fail "wine cannot create its prefix in $WINEPREFIX"
# N: becomes a network drive (checked below). Wine reads its drives when it
# starts, so it is stopped once after the change.
mkdir "$WINEPREFIX/network-drive"
ln -s "$WINEPREFIX/network-drive" "$WINEPREFIX/dosdevices/n:"
wine reg add 'HKLM\Software\Wine\Drives' /v n: /d network /f >/dev/null 2>&1 ||
    fail "wine cannot make N: a network drive"
wineserver -w
echo "build-windows: Wine prefix created in $((SECONDS - started)) s"

wine "$(built_file unit_tests.exe)" --gtest_brief=1 || fail "the unit tests fail under Wine"

# quarnel-cli.exe as a user runs it; each check gives the exit code, the
# words on standard error (or output) that must be there, and the arguments.
out="$WINEPREFIX/out" err="$WINEPREFIX/err"
cli_check() {
    local want_exit="$1" stream="$2" words="$3"
    shift 3
    local got=0
    wine "$exe" "$@" >"$out" 2>"$err" || got=$?
    [[ "$got" -eq "$want_exit" ]] ||
        fail "quarnel-cli $* exits $got, not $want_exit: $(cat "$out" "$err")"
    local text
    text="$(cat "${!stream}")"
    [[ "$text" == *"$words"* ]] || fail "quarnel-cli $* does not say \"$words\": $text"
    # Line ends go out as the program writes them: CR CR LF would mean that
    # text mode added a CR of its own.
    ! grep -q $'\r\r' "$out" || fail "quarnel-cli $* writes CR CR LF"
}
cli_check 0 out "quarnel-cli " --version
cli_check 0 out "resolve" --help
cli_check 1 err "No network drive: Only files or folders on a NETWORK drive" resolve 'C:\windows\win.ini'
# Wine's netapi32 knows no share, and has no text for the status: the words
# come from Quarnel's own table, and the number shows once.
cli_check 1 err "This shared resource does not exist" resolve '\\127.0.0.1\share\x'
[[ "$(grep -o 2310 "$err" | wc -l)" -eq 1 ]] || fail "the reason names its status more than once: $(cat "$err")"
# N: is a drive that Wine reports as a network drive, but whose connection
# Wine's mpr cannot name: a failure in words, not a local path.
cli_check 1 err 'the network drive of N:\x has no network name' resolve 'N:\x'
# Wine's netapi32 lists no open files: a failure in words, not an empty list.
cli_check 1 err "not supported" files 127.0.0.1 --format csv
[[ ! -s "$out" ]] || fail "a failed listing wrote to standard output: $(cat "$out")"
# With no listing under Wine, CSV reaches standard output in the unit tests
# (WindowsConsoleTest), through the same console set-up as the program's.
echo "build-windows: the unit tests and quarnel-cli.exe pass under Wine"
