#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
"""Holds files open on an SMB server through a real SMB client (impacket),
for Quarnel's tests and demo, until its standard input closes or it is
told to stop.

    PASSWD=P hold-open.py --server 127.0.0.1 --user U [--domain D] --share share \
        PATH:ACCESS[:LOCKS] ...

The password comes from the PASSWD environment variable, as Samba's own
tools take it, so that it shows on no command line. A user of a domain
names the domain: a server that is a member of it refuses the user without.

ACCESS is r (read only), w (write only) or rw (read and write); LOCKS is the
number of one-byte exclusive locks to take on that open file. Each PATH is
created when it does not exist. Prints "ready" once every file is open and
locked, then waits.

While it waits, it takes commands on its standard input, one a line:

    read PATH   reads from its open file PATH and prints "read ok", or
                "read failed" and the server's answer (say, once an
                administrator has closed the file on the server)
"""
import argparse
import os
import sys

from impacket.nt_errors import STATUS_SUCCESS
from impacket.smb3structs import (
    FILE_OPEN_IF, FILE_NON_DIRECTORY_FILE, FILE_READ_DATA, FILE_SHARE_DELETE,
    FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_WRITE_DATA, SMB2_LOCK,
    SMB2_LOCK_ELEMENT, SMB2_LOCKFLAG_EXCLUSIVE_LOCK,
    SMB2_LOCKFLAG_FAIL_IMMEDIATELY, SMB2Lock)
from impacket.smbconnection import SMBConnection

ACCESS = {
    "r": FILE_READ_DATA,
    "w": FILE_WRITE_DATA,
    "rw": FILE_READ_DATA | FILE_WRITE_DATA,
}


def lock_bytes(connection, tree, file_id, offset):
    # impacket's own lock() builds its request with str() on Python 3, so the
    # request is put together here.
    smb = connection.getSMBServer()
    packet = smb.SMB_PACKET()
    packet["Command"] = SMB2_LOCK
    packet["TreeID"] = tree
    request = SMB2Lock()
    request["FileID"] = file_id
    request["LockCount"] = 1
    request["LockSequence"] = 0
    element = SMB2_LOCK_ELEMENT()
    element["Offset"] = offset
    element["Length"] = 1
    element["Flags"] = SMB2_LOCKFLAG_EXCLUSIVE_LOCK | SMB2_LOCKFLAG_FAIL_IMMEDIATELY
    request["Locks"] = element.getData()
    packet["Data"] = request
    answer = smb.recvSMB(smb.sendSMB(packet))
    if not answer.isValidAnswer(STATUS_SUCCESS):
        raise RuntimeError("lock refused")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--domain", default="")
    parser.add_argument("--share", required=True)
    parser.add_argument("files", nargs="+", metavar="PATH:ACCESS[:LOCKS]")
    args = parser.parse_args()

    connection = SMBConnection(args.server, args.server, sess_port=445)
    connection.login(args.user, os.environ.get("PASSWD", ""), args.domain)
    tree = connection.connectTree(args.share)
    handles = {}
    for held in args.files:
        path, access, *rest = held.split(":")
        locks = int(rest[0]) if rest else 0
        file_id = connection.openFile(
            tree, path.replace("/", "\\"), desiredAccess=ACCESS[access],
            shareMode=FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            creationOption=FILE_NON_DIRECTORY_FILE, creationDisposition=FILE_OPEN_IF)
        for n in range(locks):
            lock_bytes(connection, tree, file_id, n * 2)
        handles[path] = file_id
    print("ready", flush=True)
    for line in sys.stdin:  # hold until the caller closes our input
        command, _, path = line.strip().partition(" ")
        if command != "read":
            print("unknown command", flush=True)
            continue
        try:
            connection.readFile(tree, handles[path], 0, 1)
            print("read ok", flush=True)
        except Exception as e:  # the server's refusal, or an unknown PATH
            print("read failed", e, flush=True)


if __name__ == "__main__":
    main()
