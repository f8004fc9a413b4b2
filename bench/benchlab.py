# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
"""What the benchmarks that run real Samba servers share: a private network
namespace of their own, and the server.env that scripts/test-server.sh
writes."""
import os
import subprocess
import sys


def enter_private_network():
    """Runs this script again in a network namespace of its own, with its
    loopback up: its servers never meet anyone else's."""
    if os.environ.get("QUARNEL_BENCH_NETNS") != "1":
        os.execvp("unshare", ["unshare", "--net", "env", "QUARNEL_BENCH_NETNS=1",
                              sys.executable] + sys.argv)
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)


def read_env(path):
    """The shell assignments of a server.env, quotes removed."""
    values = {}
    for line in open(path):
        key, _, value = line.strip().partition("=")
        values[key] = value.strip("'")
    return values
