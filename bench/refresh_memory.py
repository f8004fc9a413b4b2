#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
"""Benchmark: the window's memory over 100 refreshes of a real listing.

    sudo bench/refresh_memory.py [BUILD_DIR]

Inside a private network namespace of its own, starts the test's Samba
server on 127.0.0.1 (scripts/test-server.sh), holds 2,000 files open on it
through a real SMB client (scripts/hold-open.py), and runs
BUILD_DIR/bench/refresh_memory: the real window, over the system's platform,
refreshed 100 times. It prints the resident set after the 10th and after
the 100th refresh. Needs root (smbd binds port 445; the test server adds
two local accounts). QUARNEL_BENCH_FILES and QUARNEL_BENCH_REFRESHES change
the 2,000 and the 100.
"""
import os
import shutil
import subprocess
import sys
import tempfile

from benchlab import enter_private_network, read_env

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
FILES = int(os.environ.get("QUARNEL_BENCH_FILES", "2000"))
REFRESHES = os.environ.get("QUARNEL_BENCH_REFRESHES", "100")


def main():
    enter_private_network()
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(TOP, "build")
    server_script = os.path.join(TOP, "scripts", "test-server.sh")
    work = tempfile.mkdtemp(prefix="quarnel-bench.", dir="/tmp")
    os.chmod(work, 0o755)
    server = os.path.join(work, "server")
    holder = None
    try:
        subprocess.run([server_script, "start", server], check=True, stdout=subprocess.DEVNULL)
        env = read_env(os.path.join(server, "server.env"))
        user, password = env["QUARNEL_ADMIN_USER"], env["QUARNEL_ADMIN_PASSWORD"]
        folder = os.path.join(env["QUARNEL_SHARE_DIR"], "bench")
        os.makedirs(folder, exist_ok=True)
        os.chmod(folder, 0o777)
        holder = subprocess.Popen(
            [os.path.join(TOP, "scripts", "hold-open.py"), "--server", env["QUARNEL_SERVER"],
             "--user", user, "--share", env["QUARNEL_SHARE"]]
            + [f"bench/file{n:05}.txt:r" for n in range(FILES)],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            env={**os.environ, "PASSWD": password})
        if holder.stdout.readline().strip() != b"ready":
            raise SystemExit("the SMB client did not open its files")
        run_env = {**os.environ, "USER": user, "PASSWD": password}
        run_env.pop("KRB5CCNAME", None)
        subprocess.run([os.path.join(build, "bench", "refresh_memory"), env["QUARNEL_SERVER"],
                        REFRESHES], env=run_env, check=True)
    finally:
        if holder is not None:
            holder.kill()
            holder.wait()
        subprocess.run([server_script, "stop", server])
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
