#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
#
# Installs the dependencies, builds Quarnel and runs every test: unit tests,
# GUI tests on Qt's offscreen platform, and end-to-end tests against a
# private Samba server on 127.0.0.1 that ctest starts and stops. Then the
# same tests again in a build under AddressSanitizer and
# UndefinedBehaviorSanitizer, each fuzzer over its corpus, and each fuzzer
# for 25 seconds. Run as root (smbd binds port 445 and the tests need two
# local accounts).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build"
(cd "$top/build" && ctest --output-on-failure --timeout 300)
"$top/scripts/sanitize.sh" "$top/build-sanitize"
"$top/scripts/fuzz.sh" 25 "$top/build-sanitize"
