#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
#
# Builds Quarnel's Debian packages as Debian builds them (dpkg-buildpackage
# with debian/rules and Debian's build flags): quarnel, the window;
# quarnel-cli, the command line without Qt; and their -dbgsym packages.
# Installs first what debian/control names to build with, and nothing else.
# Builds from a copy of the checkout's files (those git tracks or would
# track) in build-package/, and leaves the packages there.
#   scripts/package.sh
# Install them with:
#   sudo apt-get install ./build-package/quarnel_*.deb ./build-package/quarnel-cli_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$top/build-package

sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
if ! dpkg-checkbuilddeps "$top/debian/control" 2>/dev/null; then
    $sudo apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive \
        apt-get build-dep -y -q --no-install-recommends "$top"
fi

rm -rf "$out"
mkdir -p "$out/quarnel"
# A file deleted in the checkout but not yet in git is left out, with a
# warning from tar.
git -C "$top" ls-files -z --cached --others --exclude-standard |
    tar -C "$top" --null -T - --ignore-failed-read -cf - | tar -C "$out/quarnel" -xf -
(cd "$out/quarnel" && dpkg-buildpackage -us -uc -b)
ls "$out"/*.deb
