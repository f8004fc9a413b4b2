#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
#
# Starts and stops a private Samba server on a loopback address (127.0.0.1
# unless told otherwise) for Quarnel's tests, demo and benchmarks. Everything
# it needs (configuration, state, logs and the shared folder) lives under one
# folder of the caller's choosing; nothing outside it changes except two local
# accounts and a group that Samba maps its users to. Servers on different
# addresses, each with a folder of its own, run side by side.
#
#   test-server.sh start DIR [ADDRESS]   creates DIR, starts smbd on ADDRESS,
#                                        writes DIR/server.env
#   test-server.sh stop DIR              stops the smbd started for DIR
#
# DIR/server.env holds what a client needs, as shell assignments:
#   QUARNEL_SERVER, QUARNEL_SHARE, QUARNEL_SHARE_DIR,
#   QUARNEL_ADMIN_USER/_PASSWORD (lists and closes open files: a member of
#   the Administrators group through a group mapping, which holds the disk
#   operator right),
#   QUARNEL_PLAIN_USER/_PASSWORD (an ordinary user),
#   QUARNEL_NETBIOS_NAME (the server's NetBIOS name),
#   QUARNEL_MESSAGE_DIR (every network message the server receives, one file
#   each, named after its sender; written once complete),
#   QUARNEL_SMB_CONF (a Samba client configuration that resolves NetBIOS
#   names through the WINS server below, and only through it).
# Network messages reach smbd over SMB1 on port 139. A WINS server of the
# test network (scripts/wins-server.py, on $ADDRESS:137) names the server and
# the two users (messenger names, as if both were logged on at the server).
# Whoever starts a server stops it. Needs root: smbd binds ports 445 and 139.
set -euo pipefail

ADDRESS=127.0.0.1
SHARE=share
ADMIN_USER=quarneladmin
ADMIN_PASSWORD='Adm1n-Pass'
PLAIN_USER=quarneluser
PLAIN_PASSWORD='Us3r-Pass'
ADMIN_GROUP=quarneladmins
ADMINISTRATORS_SID=S-1-5-32-544

die() {
    echo "test-server: $*" >&2
    exit 1
}

port_open() { (exec 3<>"/dev/tcp/$ADDRESS/$1") 2>/dev/null; }

ensure_account() {
    local user=$1 password=$2 conf=$3
    id "$user" >/dev/null 2>&1 || useradd --no-create-home --shell /usr/sbin/nologin "$user"
    local out
    out=$(printf '%s\n%s\n' "$password" "$password" | smbpasswd -c "$conf" -s -a "$user" 2>&1) ||
        die "smbpasswd could not add $user: $out"
}

start() {
    local dir=$1
    [ "$(id -u)" -eq 0 ] || die "must run as root (smbd binds port 445 and needs local accounts)"
    command -v smbd >/dev/null || die "smbd is not installed (scripts/install-deps.sh installs it)"
    local port
    for port in 445 139; do
        if port_open $port; then
            die "port $port on $ADDRESS is already in use, probably by the system's Samba server; stop it first (for example: systemctl stop smbd)"
        fi
    done
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    local conf=$dir/smb.conf
    rm -rf "${dir:?}"/{run,lock,state,cache,private,log,ncalrpc,messages,client}
    mkdir -p "$dir"/{run,lock,state,cache,private,log,ncalrpc,messages,client,"$SHARE"}
    # The message command runs as the guest account.
    chmod 1777 "$dir/messages"
    cat >"$conf" <<CONF
[global]
    workgroup = QUARNEL
    netbios name = QUARNELTEST
    server role = standalone server
    # With its mask, smbd takes an address that no interface carries (the
    # loopback interface carries 127.0.0.1 alone, yet answers all of 127/8).
    interfaces = $ADDRESS/8
    bind interfaces only = yes
    smb ports = 445 139
    # The messenger requests exist only in SMB1.
    server min protocol = NT1
    # %s is the file that holds the message, %f its sender (%t would be the
    # time here, not the recipient). Each message is stored under a name of
    # its own and appears only once written.
    message command = /bin/sh -c 'cat %s >"$dir/messages/.%f.\$\$" && mv "$dir/messages/.%f.\$\$" "$dir/messages/%f.\$\$"; rm -f %s' &
    pid directory = $dir/run
    lock directory = $dir/lock
    state directory = $dir/state
    cache directory = $dir/cache
    private dir = $dir/private
    ncalrpc dir = $dir/ncalrpc
    log file = $dir/log/log.%m
    log level = 1
    passdb backend = tdbsam:$dir/private/passdb.tdb
    load printers = no
    printing = bsd
    printcap name = /dev/null
    disable spoolss = yes
    map to guest = never
    restrict anonymous = 2

[$SHARE]
    path = $dir/$SHARE
    comment = Quarnel test share
    read only = no
    create mask = 0666
    directory mask = 0777
CONF
    getent group "$ADMIN_GROUP" >/dev/null || groupadd "$ADMIN_GROUP"
    ensure_account "$ADMIN_USER" "$ADMIN_PASSWORD" "$conf"
    ensure_account "$PLAIN_USER" "$PLAIN_PASSWORD" "$conf"
    usermod -a -G "$ADMIN_GROUP" "$ADMIN_USER"
    # Samba lists open files only for members of BUILTIN\Administrators.
    net -s "$conf" groupmap add sid="$ADMINISTRATORS_SID" unixgroup="$ADMIN_GROUP" \
        type=builtin ntgroup=Administrators >/dev/null
    # It lets only root and holders of the disk operator right close them.
    net -s "$conf" sam rights grant 'BUILTIN\Administrators' SeDiskOperatorPrivilege >/dev/null
    chmod 0755 "$dir"
    chmod 0777 "$dir/$SHARE"
    # smbd opens files as the connected user, who must be able to reach the
    # shared folder through every folder above it.
    runuser -u "$PLAIN_USER" -- test -w "$dir/$SHARE" ||
        die "$dir/$SHARE is out of reach of other users (a folder above it is private); choose a folder elsewhere, for example under /tmp"

    smbd --daemon --configfile="$conf" || die "smbd did not start; see $dir/log"
    local i
    for i in $(seq 100); do
        port_open 445 && port_open 139 && break
        sleep 0.1
    done
    port_open 445 || die "smbd is not answering on $ADDRESS:445; see $dir/log"
    port_open 139 || die "smbd is not answering on $ADDRESS:139; see $dir/log"

    # The test network's WINS server, detached from the caller's output so
    # that whoever waits for this script does not wait for it too.
    setsid "$(dirname "$0")/wins-server.py" --address "$ADDRESS" \
        QUARNELTEST#00 QUARNELTEST#03 QUARNELTEST#20 "$ADMIN_USER#03" "$PLAIN_USER#03" \
        </dev/null >"$dir/log/wins.log" 2>&1 &
    echo $! >"$dir/run/wins.pid"
    for i in $(seq 100); do
        grep -qsx ready "$dir/log/wins.log" && break
        sleep 0.1
    done
    grep -qx ready "$dir/log/wins.log" ||
        die "the WINS server did not start on $ADDRESS:137: $(cat "$dir/log/wins.log")"
    # Clients find names through that WINS server alone (never by broadcast
    # or DNS), and keep their name cache here rather than in the system's.
    cat >"$dir/client.conf" <<CONF
[global]
    workgroup = QUARNEL
    name resolve order = wins
    wins server = $ADDRESS
    cache directory = $dir/client
    lock directory = $dir/client
    state directory = $dir/client
CONF

    cat >"$dir/server.env" <<ENV
QUARNEL_SERVER=$ADDRESS
QUARNEL_SHARE=$SHARE
QUARNEL_SHARE_DIR=$dir/$SHARE
QUARNEL_ADMIN_USER=$ADMIN_USER
QUARNEL_ADMIN_PASSWORD='$ADMIN_PASSWORD'
QUARNEL_PLAIN_USER=$PLAIN_USER
QUARNEL_PLAIN_PASSWORD='$PLAIN_PASSWORD'
QUARNEL_NETBIOS_NAME=QUARNELTEST
QUARNEL_MESSAGE_DIR=$dir/messages
QUARNEL_SMB_CONF=$dir/client.conf
ENV
    echo "test-server: smbd serves \\\\$ADDRESS\\$SHARE from $dir/$SHARE"
}

stop() {
    local dir=$1 pidfile pid i
    if [ -f "$dir/run/wins.pid" ]; then
        kill "$(cat "$dir/run/wins.pid")" 2>/dev/null || true
        rm -f "$dir/run/wins.pid"
    fi
    pidfile=$(ls "$dir"/run/smbd*.pid 2>/dev/null | head -n 1 || true)
    [ -n "$pidfile" ] || return 0
    pid=$(cat "$pidfile")
    kill "$pid" 2>/dev/null || return 0
    for i in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
    # smbd's children for client connections end with their parent.
    pkill -9 -f -- "--configfile=$dir/smb.conf" 2>/dev/null || true
    rm -f "$pidfile"
}

case "${1:-}" in
start)
    ADDRESS=${3:-$ADDRESS}
    start "${2:?usage: test-server.sh start DIR [ADDRESS]}"
    ;;
stop) stop "${2:?usage: test-server.sh stop DIR}" ;;
*) die "usage: test-server.sh start|stop DIR" ;;
esac
