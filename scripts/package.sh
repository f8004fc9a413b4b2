#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
#
# Builds Quarnel's Debian package: quarnel and quarnel-cli, their desktop
# entry, icon, manual pages and bash completion, with the dependencies that
# their libraries need. Builds in build-package/ (without the tests) or in
# the build folder given, and leaves quarnel_VERSION_ARCH.deb in the top
# folder of the checkout.
#   scripts/package.sh [build-dir]
# Install it with: sudo apt-get install ./quarnel_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-package}
"$top/scripts/install-deps.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUARNEL_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/quarnel_*.deb | head -n 1)
cp "$deb" "$top/"
echo "package.sh: $top/$(basename "$deb")"
