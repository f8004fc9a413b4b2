#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
#
# Installs what Quarnel needs to build, test and demonstrate itself on
# Debian: the compilers (clang for the sanitized build and the fuzzers),
# Qt 6, the Samba library and server, MIT's Kerberos library (which reads
# the caller's ticket cache), the test tools (iproute2 for the test and
# benchmark networks, Samba's domain controller and winbind for the test
# domain, bash-completion and groff for the checks of quarnel-cli's
# completion and manual page), the MinGW-w64 cross compiler for the Windows
# build and Wine to run what it builds; and the checkers of the Debian
# packages. libnss-winbind adds winbind to /etc/nsswitch.conf; the test
# domain does not rely on it, as each of its namespaces sees a file of its
# own. Building the packages alone needs far less: scripts/package.sh
# installs only what debian/control names.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config clang-format
    clang libclang-rt-dev
    qt6-base-dev qt6-qpa-plugins fonts-dejavu-core
    libcli11-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    samba samba-dev smbclient libsmbclient-dev libkrb5-dev
    samba-ad-dc samba-ad-provision winbind libnss-winbind
    python3-impacket
    iproute2 bash-completion groff-base
    g++-mingw-w64-x86-64 wine wine64
    xvfb xauth imagemagick libxcb1-dev
    desktop-file-utils
    lintian devscripts appstream librsvg2-bin
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "install-deps: installing ${missing[*]}"
as_root apt-get update -q
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
