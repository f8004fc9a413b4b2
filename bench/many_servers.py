#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
"""Benchmark: quarnel-cli files over many servers at once.

    sudo bench/many_servers.py [BUILD_DIR]

Inside a private network namespace of its own, starts 64 Samba servers on 64
loopback addresses (scripts/test-server.sh), holds 100 files open on each
through real SMB clients (scripts/hold-open.py), and puts each server behind
a relay that delays every byte by 5 ms each way (scripts/relay.py). It
then measures, each as the median of three runs:

  - each server alone, and the slowest of them;
  - all 64 at once: as many at a time as the default allows (32), at most 8
    at a time, and all 64 together;
  - a sequential shell loop of Samba's own `net rpc file` over the 64;
  - all 64 and a 65th address that accepts connections and never answers:
    when the 64 servers' rows are all out, and when the run ends (at the
    default timeout);
  - quarnel-cli's own CPU per server (worker start and library set-up),
    against 64 addresses where nothing listens.

Needs root (smbd binds port 445; the test server adds two local accounts).
QUARNEL_BENCH_SERVERS and QUARNEL_BENCH_FILES change the 64 and the 100.
"""
import os
import resource
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

from benchlab import enter_private_network, read_env

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
SERVERS = int(os.environ.get("QUARNEL_BENCH_SERVERS", "64"))
FILES = int(os.environ.get("QUARNEL_BENCH_FILES", "100"))
DELAY_MS = 5
RUNS = 3


def relay_address(i):
    return f"127.0.1.{i}"


def server_address(i):
    return f"127.0.2.{i}"


class Lab:
    """The servers, the files held open on them, the relays and the silent listener."""

    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="quarnel-bench.", dir="/tmp")
        os.chmod(self.work, 0o755)
        self.processes = []
        self.dirs = []
        self.sockets = []

    def start(self):
        script = os.path.join(TOP, "scripts", "test-server.sh")
        for i in range(1, SERVERS + 1):
            d = os.path.join(self.work, f"s{i}")
            subprocess.run([script, "start", d, server_address(i)], check=True,
                           stdout=subprocess.DEVNULL)
            self.dirs.append(d)
        env = read_env(os.path.join(self.dirs[0], "server.env"))
        self.user, self.password = env["QUARNEL_ADMIN_USER"], env["QUARNEL_ADMIN_PASSWORD"]
        pairs = [f"{relay_address(i)}:445={server_address(i)}:445" for i in range(1, SERVERS + 1)]
        self.spawn([os.path.join(TOP, "scripts", "relay.py"), "--delay-ms", str(DELAY_MS)] + pairs)
        hold = os.path.join(TOP, "scripts", "hold-open.py")
        files = [f"bench/f{n}.txt:r" for n in range(FILES)]
        for i, d in enumerate(self.dirs, 1):
            os.makedirs(os.path.join(d, "share", "bench"), mode=0o777, exist_ok=True)
            os.chmod(os.path.join(d, "share", "bench"), 0o777)
            self.spawn([hold, "--server", server_address(i), "--user", self.user,
                        "--share", "share"] + files, env={**os.environ, "PASSWD": self.password})
        # The silent one: the kernel completes its connections, nobody reads them.
        for port in (445, 139):
            s = socket.socket()
            s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            s.bind((relay_address(SERVERS + 1), port))
            s.listen(64)
            self.sockets.append(s)

    def spawn(self, argv, env=None):
        p = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
        self.processes.append(p)
        line = p.stdout.readline().strip()
        if line != b"ready":
            raise SystemExit(f"{argv[0]} did not start: {line!r}")

    def stop(self):
        for p in self.processes:
            p.kill()
            p.wait()
        for s in self.sockets:
            s.close()
        for d in self.dirs:
            subprocess.run([os.path.join(TOP, "scripts", "test-server.sh"), "stop", d])
        shutil.rmtree(self.work, ignore_errors=True)


def timed(argv, env, rows_expected=None):
    """Runs argv; returns (wall seconds, seconds until rows_expected lines were
    out, CPU seconds of the run, lines, exit status)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    p = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    lines, rows_at = 0, None
    for _ in p.stdout:
        lines += 1
        if rows_expected is not None and lines == rows_expected:
            rows_at = time.monotonic() - start
    status = p.wait()
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, rows_at, cpu, lines, status


def median_of(argv, env, rows_expected=None):
    runs = [timed(argv, env, rows_expected) for _ in range(RUNS)]
    pick = lambda k: statistics.median(r[k] for r in runs if r[k] is not None) \
        if any(r[k] is not None for r in runs) else None
    return {"wall": pick(0), "rows_at": pick(1), "cpu": pick(2), "lines": runs[-1][3],
            "status": runs[-1][4]}


def main():
    enter_private_network()
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(TOP, "build")
    cli = os.path.join(build, "cli", "quarnel-cli")
    lab = Lab()
    try:
        lab.start()
        env = {**os.environ, "USER": lab.user, "PASSWD": lab.password}
        env.pop("KRB5CCNAME", None)
        relays = [relay_address(i) for i in range(1, SERVERS + 1)]
        files = [cli, "files", "--format", "csv"]

        singles = [median_of(files + [r], env) for r in relays]
        for r, s in zip(relays, singles):
            if s["lines"] != FILES + 1:
                raise SystemExit(f"{r} listed {s['lines'] - 1} files, not {FILES}")
        slowest = max(s["wall"] for s in singles)
        every = median_of(files + relays, env)
        eight = median_of(files + ["--jobs", "8"] + relays, env)
        wide = median_of(files + ["--jobs", str(SERVERS)] + relays, env)
        loop = median_of(["sh", "-c", 'for s; do net rpc file -S "$s" -I "$s"; done', "sh"]
                         + relays, env)
        silent = median_of(files + relays + [relay_address(SERVERS + 1)], env,
                           rows_expected=SERVERS * FILES + 1)
        closed = [f"127.0.3.{i}" for i in range(1, SERVERS + 1)]
        overhead = median_of([cli, "files"] + closed, env)
        one_closed = median_of([cli, "files", closed[0]], env)

        print(f"{SERVERS} servers, {FILES} open files each, {DELAY_MS} ms each way; "
              f"median of {RUNS} runs")
        print(f"  one server alone, slowest of {SERVERS}:   {slowest:6.2f} s "
              f"(fastest {min(s['wall'] for s in singles):.2f} s)")
        print(f"  quarnel-cli files, all {SERVERS}, default --jobs: {every['wall']:6.2f} s "
              f"({every['wall'] / slowest:.2f} x the slowest server; "
              f"{every['lines'] - 1} rows, exit {every['status']})")
        print(f"  the same with --jobs 8:                 {eight['wall']:6.2f} s "
              f"({eight['wall'] / slowest:.2f} x the slowest server)")
        print(f"  the same with --jobs {SERVERS}:                {wide['wall']:6.2f} s "
              f"({wide['wall'] / slowest:.2f} x the slowest server)")
        print(f"  net rpc file, one server after another: {loop['wall']:6.2f} s "
              f"(quarnel-cli takes {every['wall'] / loop['wall']:.2f} of it; "
              f"{loop['lines']} lines, exit {loop['status']})")
        print(f"  with a silent {SERVERS + 1}th server: all {SERVERS} servers' rows out after "
              f"{silent['rows_at']:.2f} s, run ends after {silent['wall']:.2f} s, "
              f"exit {silent['status']}")
        print(f"  CPU of quarnel-cli, all {SERVERS} servers:     {every['cpu']:6.3f} s "
              f"({every['cpu'] / SERVERS * 1000:.1f} ms a server)")
        print(f"  CPU a server for worker start and set-up: "
              f"{overhead['cpu'] / SERVERS * 1000:.1f} ms ({SERVERS} addresses where nothing "
              f"listens; one such address alone: {one_closed['cpu'] * 1000:.1f} ms)")
    finally:
        lab.stop()


if __name__ == "__main__":
    main()
