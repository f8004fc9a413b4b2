#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
#
# A small network for browsing tests: a browse list needs a master browser
# that clients reach by broadcast, which loopback cannot give. Two network
# namespaces joined by a veth pair, with addresses that exist only inside
# them: in one, nmbd (the domain's local and preferred master browser) and
# smbd, announcing the server under its name and a NetBIOS alias; in the
# other, the client, with a Samba client configuration of its own.
#
#   browse-network.sh start DIR PREFIX   namespaces PREFIX-srv and PREFIX-cli,
#                                        waits for the browse list, writes
#                                        DIR/browse.env
#   browse-network.sh stop DIR           stops the daemons, removes the
#                                        namespaces and DIR
#
# DIR/browse.env holds, as shell assignments: QUARNEL_BROWSE_CLIENT_NS (run
# clients there: ip netns exec), QUARNEL_BROWSE_SMB_CONF (their Samba client
# configuration, whose workgroup is the domain), QUARNEL_BROWSE_DOMAIN and
# QUARNEL_BROWSE_SERVERS (the two names the browse list shows).
# Needs root (namespaces, daemons). Nothing outside DIR and the two
# namespaces changes.
set -euo pipefail

DOMAIN=QUARNELNET
SERVER=QUARNELBROWSE
ALIAS=QUARNELALIAS
SERVER_ADDRESS=10.213.47.1
CLIENT_ADDRESS=10.213.47.2
# nmbd becomes the local master only after an election; on this kind of
# machine the list shows both names within one to two minutes.
WAIT_SECONDS=240

die() {
    echo "browse-network: $*" >&2
    exit 1
}

start() {
    local dir=$1 prefix=$2
    [ "$(id -u)" -eq 0 ] || die "must run as root (network namespaces, nmbd and smbd)"
    command -v nmbd >/dev/null || die "nmbd is not installed (scripts/install-deps.sh installs it)"
    command -v smbtree >/dev/null || die "smbtree is not installed (package smbclient)"
    stop "$dir"
    local server_ns=$prefix-srv client_ns=$prefix-cli
    mkdir -p "$dir"/server/{run,lock,state,cache,private,log,ncalrpc} "$dir/client"
    dir=$(cd "$dir" && pwd)
    # Written first, so that stop finds what to remove also after a failed start.
    cat >"$dir/browse.env" <<ENV
QUARNEL_BROWSE_SERVER_NS=$server_ns
QUARNEL_BROWSE_CLIENT_NS=$client_ns
QUARNEL_BROWSE_SMB_CONF=$dir/client/smb.conf
QUARNEL_BROWSE_DOMAIN=$DOMAIN
QUARNEL_BROWSE_SERVERS='$SERVER $ALIAS'
ENV
    ip netns add "$server_ns"
    ip netns add "$client_ns"
    ip -n "$server_ns" link set lo up
    ip -n "$client_ns" link set lo up
    ip -n "$server_ns" link add qbrowse0 type veth peer name qbrowse1 netns "$client_ns"
    ip -n "$server_ns" addr add "$SERVER_ADDRESS/24" brd + dev qbrowse0
    ip -n "$client_ns" addr add "$CLIENT_ADDRESS/24" brd + dev qbrowse1
    ip -n "$server_ns" link set qbrowse0 up
    ip -n "$client_ns" link set qbrowse1 up

    cat >"$dir/server/smb.conf" <<CONF
[global]
    workgroup = $DOMAIN
    netbios name = $SERVER
    netbios aliases = $ALIAS
    server string = Quarnel browse test server
    server role = standalone server
    interfaces = $SERVER_ADDRESS/24
    bind interfaces only = yes
    local master = yes
    preferred master = yes
    os level = 65
    # The browse call exists only in SMB1; anyone may ask for the list.
    server min protocol = NT1
    map to guest = bad user
    restrict anonymous = 0
    pid directory = $dir/server/run
    lock directory = $dir/server/lock
    state directory = $dir/server/state
    cache directory = $dir/server/cache
    private dir = $dir/server/private
    ncalrpc dir = $dir/server/ncalrpc
    log file = $dir/server/log/log.%m
    passdb backend = tdbsam:$dir/server/private/passdb.tdb
    load printers = no
    printing = bsd
    printcap name = /dev/null
    disable spoolss = yes
CONF
    cat >"$dir/client/smb.conf" <<CONF
[global]
    workgroup = $DOMAIN
    interfaces = $CLIENT_ADDRESS/24
    name resolve order = bcast
    cache directory = $dir/client
    lock directory = $dir/client
    state directory = $dir/client
CONF
    ip netns exec "$server_ns" nmbd --daemon --configfile="$dir/server/smb.conf" ||
        die "nmbd did not start; see $dir/server/log"
    ip netns exec "$server_ns" smbd --daemon --configfile="$dir/server/smb.conf" ||
        die "smbd did not start; see $dir/server/log"

    local deadline=$((SECONDS + WAIT_SECONDS)) list=""
    while [ $SECONDS -lt $deadline ]; do
        list=$(ip netns exec "$client_ns" timeout 30 smbtree --servers --user=guest% \
            --configfile="$dir/client/smb.conf" --option='client min protocol=NT1' \
            --option='client max protocol=NT1' 2>&1 || true)
        if grep -q "\\\\\\\\$SERVER\b" <<<"$list" && grep -q "\\\\\\\\$ALIAS\b" <<<"$list"; then
            echo "browse-network: the browse list of $DOMAIN shows $SERVER and $ALIAS after $((SECONDS - deadline + WAIT_SECONDS)) s"
            return 0
        fi
        sleep 5
    done
    die "the browse list of $DOMAIN did not show $SERVER and $ALIAS within $WAIT_SECONDS s; last answer: ${list:-nothing}; see $dir/server/log"
}

stop() {
    local dir=$1 server_ns="" client_ns="" pid ns
    [ -f "$dir/browse.env" ] || return 0
    server_ns=$(sed -n 's/^QUARNEL_BROWSE_SERVER_NS=//p' "$dir/browse.env")
    client_ns=$(sed -n 's/^QUARNEL_BROWSE_CLIENT_NS=//p' "$dir/browse.env")
    for pid in "$dir"/server/run/*.pid; do
        [ -f "$pid" ] && kill "$(cat "$pid")" 2>/dev/null || true
    done
    # Whatever still runs in the namespaces (smbd's children, a client) goes too.
    for ns in "$server_ns" "$client_ns"; do
        [ -n "$ns" ] || continue
        ip netns pids "$ns" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
        ip netns delete "$ns" 2>/dev/null || true
    done
    rm -rf "${dir:?}"
}

case "${1:-}" in
start) start "${2:?usage: browse-network.sh start DIR PREFIX}" "${3:?usage: browse-network.sh start DIR PREFIX}" ;;
stop) stop "${2:?usage: browse-network.sh stop DIR}" ;;
*) die "usage: browse-network.sh start DIR PREFIX | stop DIR" ;;
esac
