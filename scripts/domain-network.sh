#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
#
# A Samba Active Directory domain for the Kerberos tests, built from nothing
# on every start: three network namespaces joined by a bridge, with
# addresses that exist only inside them. In the controller's, samba (the
# domain controller, its KDC and DNS); in the member's, a file server joined
# to the domain (smbd, winbindd, nmbd); the client's runs the tests, with
# tickets of domain users in caches of their own.
#
#   domain-network.sh start DIR PREFIX   namespaces PREFIX-dc, PREFIX-mem and
#                                        PREFIX-cli; writes DIR/domain.env
#   domain-network.sh browse DIR         waits until the member is the
#                                        domain's master browser
#   domain-network.sh stop DIR           stops the daemons, removes the
#                                        namespaces and DIR
#   domain-network.sh run DIR ROLE CMD   runs CMD in the namespace of ROLE (dc,
#                                        mem or cli) as it sees the domain
#
# Each namespace sees files of its own in place of the machine's
# /etc/resolv.conf (the controller's DNS), /etc/nsswitch.conf (winbind on the
# member only), /etc/samba/smb.conf and /run/samba (winbindd's socket):
# bind mounts inside the private mount namespace that `ip netns exec` gives
# every command. The machine's /etc is never written.
#
# DIR/domain.env holds, as shell assignments: the namespaces, the realm and
# the domain, the member's name and address, its share and the share's
# folder, the users with their passwords (an administrator, a plain user,
# a user whose group the member made administrator), the client's Samba and
# Kerberos configurations, the ticket caches of the three users, an expired
# copy of the administrator's, an empty one and one that is no cache, and
# the folder of the member's logs, which name the user of every session.
# Needs root (namespaces, daemons). Nothing outside DIR and the namespaces
# changes.
set -euo pipefail

REALM=QUARNEL.TEST
DOMAIN=QUARNEL
DC_NAME=QDC
MEMBER=QMEMBER
DC_ADDRESS=10.213.48.1
MEMBER_ADDRESS=10.213.48.2
CLIENT_ADDRESS=10.213.48.3
SHARE=data
ADMIN_PASSWORD=Quarnel-Admin-1
USER_PASSWORD=Quarnel-User-1
GROUP_USER_PASSWORD=Quarnel-Group-1
GROUP=QuarnelAdmins

# Says why the start failed, with the end of the log that tells more (the
# folder goes when the test run ends).
die() {
    echo "domain-network: $1" >&2
    [ -n "${2:-}" ] && [ -f "$2" ] && tail -n 20 "$2" | sed 's/^/    /' >&2
    exit 1
}

# Runs a command in the namespace of a role, with that role's files in place
# of the machine's.
in_ns() {
    local dir=$1 role=$2
    shift 2
    ip netns exec "$(sed -n "s/^QUARNEL_DOMAIN_${role^^}_NS=//p" "$dir/domain.env")" \
        sh -c 'etc=$1; shift
            mount --bind "$etc/resolv.conf" /etc/resolv.conf &&
            mount --bind "$etc/nsswitch.conf" /etc/nsswitch.conf &&
            mount --bind "$etc/smb.conf" /etc/samba/smb.conf &&
            mount --bind "$etc/run" /run/samba && exec "$@"' sh "$dir/$role/etc" "$@"
}

# The folders a Samba daemon keeps its state in, below its role's folder.
state_options() {
    local d=$1
    cat <<CONF
    pid directory = $d/run
    lock directory = $d/lock
    state directory = $d/state
    cache directory = $d/cache
    private dir = $d/private
    ncalrpc dir = $d/ncalrpc
    log file = $d/log/log.%m
CONF
}

start() {
    local dir=$1 prefix=$2
    [ "$(id -u)" -eq 0 ] || die "must run as root (network namespaces and Samba's daemons)"
    for tool in samba samba-tool net smbd winbindd nmbd; do
        command -v $tool >/dev/null || die "$tool is not installed (scripts/install-deps.sh installs it)"
    done
    [ -e /usr/share/samba/setup/provision.ldif ] ||
        die "samba-ad-provision is not installed (scripts/install-deps.sh installs it)"
    ls /lib/*/libnss_winbind.so.2 >/dev/null 2>&1 ||
        die "libnss-winbind is not installed (scripts/install-deps.sh installs it)"
    stop "$dir"
    remove_namespaces "$prefix"
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    local role
    for role in dc mem cli; do
        mkdir -p "$dir/$role"/{etc/run,run,lock,state,cache,private,ncalrpc,log}
        echo "nameserver $DC_ADDRESS" >"$dir/$role/etc/resolv.conf"
        echo "search ${REALM,,}" >>"$dir/$role/etc/resolv.conf"
        # A question asked before the controller's DNS listens waits one
        # second, not five.
        echo "options timeout:1 attempts:5" >>"$dir/$role/etc/resolv.conf"
        printf 'passwd: files\ngroup: files\nhosts: files dns\n' >"$dir/$role/etc/nsswitch.conf"
    done
    printf 'passwd: files winbind\ngroup: files winbind\nhosts: files dns\n' \
        >"$dir/mem/etc/nsswitch.conf"
    # Written first, so that stop finds what to remove also after a failed start.
    cat >"$dir/domain.env" <<ENV
QUARNEL_DOMAIN_PREFIX=$prefix
QUARNEL_DOMAIN_DC_NS=$prefix-dc
QUARNEL_DOMAIN_MEM_NS=$prefix-mem
QUARNEL_DOMAIN_CLI_NS=$prefix-cli
QUARNEL_DOMAIN_REALM=$REALM
QUARNEL_DOMAIN_NAME=$DOMAIN
QUARNEL_DOMAIN_MEMBER=$MEMBER
QUARNEL_DOMAIN_MEMBER_ADDRESS=$MEMBER_ADDRESS
QUARNEL_DOMAIN_SHARE=$SHARE
QUARNEL_DOMAIN_SHARE_DIR=$dir/share
QUARNEL_DOMAIN_ADMIN=administrator
QUARNEL_DOMAIN_ADMIN_PASSWORD=$ADMIN_PASSWORD
QUARNEL_DOMAIN_USER=quser
QUARNEL_DOMAIN_USER_PASSWORD=$USER_PASSWORD
QUARNEL_DOMAIN_GROUP_USER=qgroupuser
QUARNEL_DOMAIN_GROUP_USER_PASSWORD=$GROUP_USER_PASSWORD
QUARNEL_DOMAIN_SMB_CONF=$dir/cli/etc/smb.conf
QUARNEL_DOMAIN_KRB5_CONFIG=$dir/cli/krb5.conf
QUARNEL_DOMAIN_ADMIN_CCACHE=$dir/cli/administrator.ccache
QUARNEL_DOMAIN_USER_CCACHE=$dir/cli/quser.ccache
QUARNEL_DOMAIN_GROUP_USER_CCACHE=$dir/cli/qgroupuser.ccache
QUARNEL_DOMAIN_EXPIRED_CCACHE=$dir/cli/expired.ccache
QUARNEL_DOMAIN_EMPTY_CCACHE=$dir/cli/empty.ccache
QUARNEL_DOMAIN_CORRUPT_CCACHE=$dir/cli/corrupt.ccache
QUARNEL_DOMAIN_MEMBER_LOGS=$dir/mem/log
ENV
    ip netns add "$prefix-dc"
    ip netns add "$prefix-mem"
    ip netns add "$prefix-cli"
    # The bridge lives in the controller's namespace and carries its address.
    ip -n "$prefix-dc" link add qdomain0 type bridge
    ip -n "$prefix-dc" addr add "$DC_ADDRESS/24" brd + dev qdomain0
    local ns address
    for role in mem cli; do
        ns=$prefix-$role
        [ $role = mem ] && address=$MEMBER_ADDRESS || address=$CLIENT_ADDRESS
        ip -n "$prefix-dc" link add "q$role" type veth peer name eth0 netns "$ns"
        ip -n "$prefix-dc" link set "q$role" master qdomain0 up
        ip -n "$ns" addr add "$address/24" brd + dev eth0
        ip -n "$ns" link set eth0 up
        ip -n "$ns" link set lo up
    done
    ip -n "$prefix-dc" link set lo up
    ip -n "$prefix-dc" link set qdomain0 up

    # The member file server. It keeps the authentication of every session
    # in its logs, and it is to be the domain's master browser (with server
    # protocol NT1, which browsing needs): its nmbd starts at once, as the
    # election takes some half a minute and needs no domain.
    mkdir -p "$dir/share"
    chmod 1777 "$dir/share"
    cat >"$dir/mem/etc/smb.conf" <<CONF
[global]
    workgroup = $DOMAIN
    realm = $REALM
    security = ads
    netbios name = $MEMBER
    interfaces = $MEMBER_ADDRESS/24
    bind interfaces only = yes
    idmap config * : backend = tdb
    idmap config * : range = 3000-7999
    idmap config $DOMAIN : backend = rid
    idmap config $DOMAIN : range = 10000-999999
    server min protocol = NT1
    local master = yes
    preferred master = yes
    os level = 65
    restrict anonymous = 2
    log level = 1 auth_audit:5
    load printers = no
    printing = bsd
    printcap name = /dev/null
    disable spoolss = yes
$(state_options "$dir/mem")
[$SHARE]
    path = $dir/share
    read only = no
CONF
    in_ns "$dir" mem nmbd --daemon --configfile="$dir/mem/etc/smb.conf" || die "nmbd did not start"

    # The controller, provisioned over an empty configuration (else
    # provision copies the machine's), without a DNS forwarder: nothing
    # outside the namespaces is asked.
    : >"$dir/dc/etc/smb.conf"
    in_ns "$dir" dc samba-tool domain provision --configfile="$dir/dc/etc/smb.conf" \
        --targetdir="$dir/dc" --realm=$REALM --domain=$DOMAIN --server-role=dc \
        --dns-backend=SAMBA_INTERNAL --host-name=${DC_NAME,,} --host-ip=$DC_ADDRESS \
        --adminpass=$ADMIN_PASSWORD --option="interfaces = qdomain0 lo" \
        --option="bind interfaces only = yes" --option="tls enabled = no" \
        --option="pid directory = $dir/dc/run" \
        --option="log file = $dir/dc/log/samba.log" >"$dir/dc/log/provision.log" 2>&1 ||
        die "provisioning failed" "$dir/dc/log/provision.log"
    sed -i '/dns forwarder/d' "$dir/dc/etc/smb.conf"
    cp "$dir/dc/private/krb5.conf" "$dir/cli/krb5.conf"
    export KRB5_CONFIG=$dir/cli/krb5.conf
    # The users, written into the directory before the controller serves it.
    in_ns "$dir" dc env QUSER_PASSWORD=$USER_PASSWORD QGROUP_USER_PASSWORD=$GROUP_USER_PASSWORD \
        /usr/bin/python3 - "$dir/dc" $GROUP <<'PYTHON' || die "the domain's users were not made"
import os, sys
from samba.auth import system_session
from samba.param import LoadParm
from samba.samdb import SamDB
lp = LoadParm()
lp.load(sys.argv[1] + "/etc/smb.conf")
db = SamDB(url=sys.argv[1] + "/private/sam.ldb", session_info=system_session(), lp=lp)
db.newuser("quser", os.environ["QUSER_PASSWORD"])
db.newuser("qgroupuser", os.environ["QGROUP_USER_PASSWORD"])
db.newgroup(sys.argv[2])
db.add_remove_group_members(sys.argv[2], ["qgroupuser"], add_members_operation=True)
PYTHON
    # One process for every service: it serves the directory seconds sooner
    # than the pre-forked workers a busy controller wants.
    in_ns "$dir" dc samba --daemon --model=single --configfile="$dir/dc/etc/smb.conf" ||
        die "samba did not start" "$dir/dc/log/samba.log"

    # The client: a Samba configuration of its own (its workgroup is the
    # domain, broadcasts go onto the bridge), and the administrator's ticket,
    # which also tells when the controller's KDC answers.
    cat >"$dir/cli/etc/smb.conf" <<CONF
[global]
    workgroup = $DOMAIN
    realm = $REALM
    interfaces = $CLIENT_ADDRESS/24
$(state_options "$dir/cli")
CONF
    local deadline=$((SECONDS + 30))
    until kinit_as "$dir" administrator "$ADMIN_PASSWORD" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || die "the controller's KDC did not answer within 30 s" "$dir/dc/log/samba.log"
        sleep 0.2
    done

    # The member joins the domain, its name goes into the domain's DNS and
    # the domain's group becomes administrator of it. The KDC answers before
    # the directory does.
    local conf=$dir/mem/etc/smb.conf
    deadline=$((SECONDS + 30))
    until in_ns "$dir" mem env PASSWD=$ADMIN_PASSWORD net ads join --no-dns-updates \
        -U administrator --configfile="$conf" >"$dir/mem/log/join.log" 2>&1; do
        [ $SECONDS -lt $deadline ] || die "the member did not join" "$dir/mem/log/join.log"
        sleep 0.2
    done
    in_ns "$dir" mem env PASSWD=$ADMIN_PASSWORD samba-tool dns add $DC_ADDRESS ${REALM,,} \
        ${MEMBER,,} A $MEMBER_ADDRESS -U administrator --configfile="$conf" >/dev/null ||
        die "the member's name did not go into the domain's DNS"
    in_ns "$dir" mem winbindd --daemon --configfile="$conf" || die "winbindd did not start"
    in_ns "$dir" mem smbd --daemon --configfile="$conf" || die "smbd did not start"
    deadline=$((SECONDS + 30))
    until in_ns "$dir" mem env PASSWD=$ADMIN_PASSWORD net sam addmem 'BUILTIN\Administrators' \
        "$DOMAIN\\$GROUP" --configfile="$conf" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || die "winbindd on the member did not reach the domain within 30 s"
        sleep 0.2
    done

    # The other users' tickets, and caches that hold no usable ticket: one
    # whose tickets ended an hour ago, an empty one and one that is no cache.
    kinit_as "$dir" quser "$USER_PASSWORD" || die "no ticket for quser"
    kinit_as "$dir" qgroupuser "$GROUP_USER_PASSWORD" || die "no ticket for qgroupuser"
    /usr/bin/python3 - "$dir/cli/administrator.ccache" "$dir/cli/expired.ccache" <<'PYTHON'
import struct, sys, time
# Rewrites the times of every ticket of a version 4 file cache.
data = bytearray(open(sys.argv[1], "rb").read())
assert data[0:2] == b"\x05\x04", "not a version 4 file cache"
def u16(at): return struct.unpack(">H", data[at:at + 2])[0]
def u32(at): return struct.unpack(">I", data[at:at + 4])[0]
def counted(at): return at + 4 + u32(at)
def principal(at):
    end = counted(at + 8)  # name type, count, realm
    for _ in range(u32(at + 4)):
        end = counted(end)
    return end
def listed(at):  # addresses or authorization data
    end = at + 4
    for _ in range(u32(at)):
        end = counted(end + 2)
    return end
at = principal(4 + u16(2))  # after the header, the default principal
ended = int(time.time()) - 3600
while at < len(data):
    at = counted(principal(principal(at)) + 2)  # client, server, key
    data[at:at + 16] = struct.pack(">IIII", ended - 600, ended - 600, ended, ended)
    at = counted(counted(listed(listed(at + 16 + 1 + 4))))  # skey, flags, tickets
open(sys.argv[2], "wb").write(data)
PYTHON
    : >"$dir/cli/empty.ccache"
    printf 'no ticket cache\n' >"$dir/cli/corrupt.ccache"
    # Samba's client opens no cache that others may read.
    chmod 600 "$dir"/cli/*.ccache
    echo "domain-network: $REALM is up, $MEMBER joined, after $SECONDS s"
}

# A ticket of a domain user in the client's cache DIR/cli/USER.ccache.
kinit_as() {
    local dir=$1 user=$2 password=$3
    in_ns "$dir" cli env KRB5CCNAME="$dir/cli/$user.ccache" PASSWD="$password" \
        net ads kerberos kinit --configfile="$dir/cli/etc/smb.conf" -U "$user" >/dev/null
}

# Waits until the member is the domain's master browser: its nmbd wins the
# election some half a minute after it starts. The member lets nobody
# browse anonymously.
browse() {
    local dir=$1 list="" deadline=$((SECONDS + 90))
    export KRB5_CONFIG=$dir/cli/krb5.conf
    while [ $SECONDS -lt $deadline ]; do
        list=$(in_ns "$dir" cli env PASSWD=$ADMIN_PASSWORD timeout 30 smbclient -L ${MEMBER,,} \
            -U "$DOMAIN\\administrator" --configfile="$dir/cli/etc/smb.conf" \
            --option='client min protocol=NT1' --option='client max protocol=NT1' 2>&1 || true)
        if grep -Eq "^\s+$DOMAIN\s+$MEMBER\s*$" <<<"$list" &&
            in_ns "$dir" cli nmblookup --configfile="$dir/cli/etc/smb.conf" -M $DOMAIN >/dev/null; then
            echo "domain-network: $MEMBER is the master browser of $DOMAIN after $((SECONDS - deadline + 90)) s"
            return 0
        fi
        sleep 2
    done
    die "$MEMBER did not become the master browser of $DOMAIN within 90 s; last answer: ${list:-nothing}"
}

remove_namespaces() {
    local prefix=$1 role
    for role in dc mem cli; do
        ip netns pids "$prefix-$role" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
        ip netns delete "$prefix-$role" 2>/dev/null || true
    done
}

stop() {
    local dir=$1
    [ -f "$dir/domain.env" ] || return 0
    remove_namespaces "$(sed -n 's/^QUARNEL_DOMAIN_PREFIX=//p' "$dir/domain.env")"
    rm -rf "${dir:?}"
}

usage="usage: domain-network.sh start DIR PREFIX | browse DIR | stop DIR | run DIR ROLE CMD..."
case "${1:-}" in
start) start "${2:?$usage}" "${3:?$usage}" ;;
browse) browse "${2:?$usage}" ;;
stop) stop "${2:?$usage}" ;;
run)
    dir=${2:?$usage}
    role=${3:?$usage}
    shift 3
    in_ns "$dir" "$role" "$@"
    ;;
*) die "$usage" ;;
esac
