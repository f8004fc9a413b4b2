#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
"""A NetBIOS name server (WINS, RFC 1002) for the private test network on
loopback: answers name queries for the names it is given with one
address, and every other query with "no such name". It registers nothing,
forwards nothing and answers only on the address it listens on.

    wins-server.py --address 127.0.0.1 [--port 137] NAME#TYPE ...

TYPE is the name's suffix in hexadecimal: 00 workstation, 03 messenger,
20 file server. Prints "ready" once it listens, then serves until it is
terminated. Samba's clients find it through "wins server = ADDRESS" and
"name resolve order = wins" in the configuration they are given.
"""
import argparse
import signal
import socket
import struct
import sys

NB = 0x0020
IN = 0x0001
TTL = 300


def encode_name(name, suffix):
    # The first-level encoding: 15 characters padded with blanks and the
    # suffix byte, each half-byte written as a letter from "A".
    raw = name.upper().encode("ascii")[:15].ljust(15) + bytes([suffix])
    encoded = bytearray([32])
    for byte in raw:
        encoded += bytes([ord("A") + (byte >> 4), ord("A") + (byte & 0x0F)])
    return bytes(encoded) + b"\x00"


def decode_question(packet):
    """The encoded question name and the name and suffix it stands for."""
    if len(packet) < 12 + 34 + 4 or packet[12] != 32:
        return None
    end = 13 + 32
    # Scope labels, if any, up to the closing zero.
    while end < len(packet) and packet[end] != 0:
        end += packet[end] + 1
    end += 1
    if end + 4 > len(packet):
        return None
    half = packet[13:45]
    raw = bytes(((half[i] - 65) << 4) | (half[i + 1] - 65) for i in range(0, 32, 2))
    qtype, qclass = struct.unpack(">HH", packet[end:end + 4])
    if qtype != NB or qclass != IN:
        return None
    return packet[12:end], raw[:15].decode("ascii", "replace").rstrip(), raw[15]


def answer(packet, known, address):
    question = decode_question(packet)
    if question is None:
        return None
    encoded, name, suffix = question
    (transaction, flags) = struct.unpack(">HH", packet[:4])
    if flags & 0x8000 or (flags >> 11) & 0x0F != 0:
        return None  # a response, or not a query
    found = (name.upper(), suffix) in known
    # Response, query, authoritative, recursion desired and available;
    # return code 3 (name error) for an unknown name.
    reply_flags = 0x8580 | (0 if found else 3)
    header = struct.pack(">HHHHHH", transaction, reply_flags, 0, 1, 0, 0)
    if found:
        data = struct.pack(">H", 0) + socket.inet_aton(address)
        record = encoded + struct.pack(">HHIH", NB, IN, TTL, len(data)) + data
    else:
        record = encoded + struct.pack(">HHIH", NB, IN, 0, 0)
    return header + record


def parse_name(text):
    name, _, suffix = text.partition("#")
    if not name or len(name) > 15 or not suffix:
        raise argparse.ArgumentTypeError(f"not NAME#TYPE: {text}")
    return name.upper(), int(suffix, 16)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--address", required=True)
    parser.add_argument("--port", type=int, default=137)
    parser.add_argument("names", nargs="+", type=parse_name, metavar="NAME#TYPE")
    args = parser.parse_args()
    if not args.address.startswith("127."):
        parser.error("serves loopback addresses only")
    known = set(args.names)

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    # Beside a system nmbd on the wildcard address, if it allows it; queries
    # to this address then come here.
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((args.address, args.port))
    print("ready", flush=True)
    while True:
        packet, client = server.recvfrom(1024)
        reply = answer(packet, known, args.address)
        if reply is not None:
            server.sendto(reply, client)


if __name__ == "__main__":
    main()
