#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
#
# Quarnel's main job, on this machine: installs and builds what it needs,
# starts a private Samba server on 127.0.0.1 on which two users hold a
# handful of files open, and shows Quarnel listing them: the window when a
# display is available, the same listing through quarnel-cli in any case.
# Run as root (smbd binds port 445). Everything stops when the demo ends.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build" quarnel quarnel-cli

demo=$(mktemp -d /tmp/quarnel-demo.XXXXXX)
chmod 0755 "$demo" # the server's users reach their share through it
holders=()
cleanup() {
    exec 3>&- || true
    for pid in "${holders[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    "$top/scripts/test-server.sh" stop "$demo/server" || true
    rm -rf "$demo"
}
trap cleanup EXIT

"$top/scripts/test-server.sh" start "$demo/server"
# shellcheck disable=SC1091
. "$demo/server/server.env"
share=$QUARNEL_SHARE_DIR
mkdir -p "$share/Reports/2026" "$share/Budget" "$share/Team"
chmod -R 0777 "$share"

# The holders keep their files open until their standard input closes: a
# pipe that this script holds open on descriptor 3 until it ends.
mkfifo "$demo/hold"
exec 3<>"$demo/hold"
hold() {
    local user=$1 password=$2 out
    shift 2
    out=$demo/holder.$user
    # The holder reads the pipe through a descriptor of its own that only
    # reads: with a copy of descriptor 3, which also writes, it would hold
    # its own input open.
    PASSWD=$password "$top/scripts/hold-open.py" --server "$QUARNEL_SERVER" --user "$user" \
        --share "$QUARNEL_SHARE" "$@" <"$demo/hold" 3<&- >"$out" &
    holders+=($!)
    for _ in $(seq 200); do
        grep -q ready "$out" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "demo: the SMB client of $user did not open its files" >&2
    exit 1
}
hold "$QUARNEL_ADMIN_USER" "$QUARNEL_ADMIN_PASSWORD" \
    "Reports/2026/May.doc:rw:2" "Reports/2026/June.doc:r" "Budget/Plan 2027.xlsx:rw"
hold "$QUARNEL_PLAIN_USER" "$QUARNEL_PLAIN_PASSWORD" \
    "Reports/2026/May.doc:r" "Team/Schedule.txt:w" "Team/Notes.txt:rw:1"

# Quarnel asks as the server's administrator, as Samba's tools do.
export USER=$QUARNEL_ADMIN_USER PASSWD=$QUARNEL_ADMIN_PASSWORD
echo
echo "Files held open on \\\\$QUARNEL_SERVER (quarnel-cli files $QUARNEL_SERVER):"
"$top/build/cli/quarnel-cli" files "$QUARNEL_SERVER"
echo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Quarnel's window lists the same; close it to end the demo."
    "$top/build/app/quarnel" "\\\\$QUARNEL_SERVER\\$QUARNEL_SHARE"
else
    echo "No display: the window is left out."
    if [ -t 0 ]; then
        echo "The server runs until you press Enter; try quarnel-cli in another terminal."
        read -r _ || true
    fi
fi
