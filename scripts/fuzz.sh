#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
#
# Runs every fuzzer of a sanitized build (scripts/sanitize.sh) for a while:
#   scripts/fuzz.sh [seconds-per-fuzzer [build-dir]]
# 25 seconds each by default, as CI runs them; give more for a longer hunt.
# Each starts from its corpus in fuzz/corpus/; with QUARNEL_FUZZ_MERGE=1 the
# inputs that reached new code are merged back into it. A crash stops the
# run and leaves the input that caused it beside the build: copy it into the
# fuzzer's corpus, where the sanitized test run replays it from then on.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-25}
build=${2:-$top/build-sanitize}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

for corpus in "$top"/fuzz/corpus/*/; do
    name=$(basename "$corpus")
    mkdir -p "$work/$name"
    if ! "$build/fuzz/$name" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/$name-" "$work/$name" "$corpus" >"$work/$name.log" 2>&1; then
        cat "$work/$name.log"
        echo "fuzz: $name failed; its input is $build/$name-*" >&2
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
    echo "fuzz: $name: $runs runs in ${seconds}s, nothing found"
    if [ "${QUARNEL_FUZZ_MERGE:-0}" = 1 ]; then
        "$build/fuzz/$name" -merge=1 "$corpus" "$work/$name" >/dev/null 2>&1
    fi
done
