#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
#
# Builds Quarnel with clang under AddressSanitizer and UndefinedBehaviorSanitizer,
# with the libFuzzer targets, into build-sanitize/ (or $1), and runs every
# test there: unit, window and end-to-end tests (quarnel-cli sanitized too),
# and each fuzzer over its corpus. Any report fails the run; of the leaks,
# only those of Samba's libraries are suppressed (scripts/lsan-samba.supp).
# Run as root, like scripts/test.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-sanitize}
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DQUARNEL_SANITIZE=ON -DQUARNEL_FUZZ=ON >/dev/null
cmake --build "$build"

# Full stacks on every allocation, so that a leak is told by the library it
# happened in even where that library keeps no frame pointers.
export ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0:check_initialization_order=1:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$top/scripts/lsan-samba.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
ctest --output-on-failure --timeout 300
