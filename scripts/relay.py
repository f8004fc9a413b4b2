#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
"""A TCP relay that delays every byte by a fixed time in each direction, as a
network between client and server would (this kernel has no netem), and
that can spoil the server's answer; or a server that answers badly. For the
multi-server benchmark and for the tests of a client's waits.

    relay.py [--delay-ms 5] [--answer ANSWER] [--after BYTES] [--tell]
             LISTEN_IP:PORT[=TARGET_IP:PORT] ...

--answer says what the client gets:
  whole    the server's answer (the default)
  stall    its first BYTES (1000), and then nothing more on an open connection
  cut      its first BYTES, and then the end of the connection
  trickle  its first BYTES, and then one byte a second
  silent   nothing: the connection is accepted and held (no TARGET)
  garbage  a line of HTTP for the client's first request (no TARGET)
Prints "ready" once every listener is up, and with --tell "connected" and
"closed" as each client comes and goes; runs until killed.
"""
import argparse
import asyncio
import time


class Spoiler:
    """What of a server's answer gets through on one connection."""

    def __init__(self, answer, after):
        self.answer, self.left = answer, after

    async def pass_on(self, data, writer):
        """Writes what of `data` gets through; False once nothing more will."""
        if self.answer != "whole":
            now, data = data[:self.left], data[self.left:]
            self.left -= len(now)
            writer.write(now)
            await writer.drain()
            if self.left == 0 and self.answer == "cut":
                writer.close()
            if self.left == 0 and self.answer in ("cut", "stall"):
                return False
            for byte in data:  # trickle
                await asyncio.sleep(1)
                writer.write(bytes([byte]))
                await writer.drain()
            return True
        writer.write(data)
        await writer.drain()
        return True


async def pump(reader, writer, delay, spoiler):
    # Chunks leave in the order they came, each `delay` after its arrival.
    queue = asyncio.Queue()

    async def deliver():
        passing = True
        while True:
            due, data = await queue.get()
            wait = due - time.monotonic()
            if wait > 0:
                await asyncio.sleep(wait)
            if data is None:
                try:
                    writer.write_eof()
                except OSError:
                    pass
                return
            if passing:
                passing = await spoiler.pass_on(data, writer)

    delivery = asyncio.ensure_future(deliver())
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((time.monotonic() + delay, data or None))
            if not data:
                break
        await delivery
    except (ConnectionError, OSError):
        delivery.cancel()
    finally:
        writer.close()


async def hold(reader, writer, answer):
    """Answers nothing, or one line of HTTP, and holds the connection until the client ends it."""
    try:
        if answer == "garbage" and await asyncio.wait_for(reader.read(512), 2):
            writer.write(b"HTTP/1.0 400 Bad Request\r\n\r\n")
    except asyncio.TimeoutError:
        pass  # a client that sends nothing cannot hold us
    try:
        while await reader.read(65536):
            pass
    except OSError:
        pass


def serve(target, delay, answer, after, tell):
    async def handle(client_reader, client_writer):
        if tell:
            print("connected", flush=True)
        if answer in ("silent", "garbage"):
            await hold(client_reader, client_writer, answer)
        else:
            try:
                server_reader, server_writer = await asyncio.open_connection(*target)
                await asyncio.gather(
                    pump(client_reader, server_writer, delay, Spoiler("whole", 0)),
                    pump(server_reader, client_writer, delay, Spoiler(answer, after)),
                    return_exceptions=True)
            except OSError:
                pass
        client_writer.close()
        if tell:
            print("closed", flush=True)

    return handle


def address(text):
    host, port = text.rsplit(":", 1)
    return host, int(port)


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--delay-ms", type=float, default=5)
    parser.add_argument("--answer", default="whole",
                        choices=["whole", "stall", "cut", "trickle", "silent", "garbage"])
    parser.add_argument("--after", type=int, default=1000, metavar="BYTES")
    parser.add_argument("--tell", action="store_true")
    parser.add_argument("pairs", nargs="+", metavar="LISTEN[=TARGET]")
    args = parser.parse_args()
    servers = []
    for pair in args.pairs:
        listen, _, target = pair.partition("=")
        handle = serve(target and address(target), args.delay_ms / 1000, args.answer, args.after,
                       args.tell)
        servers.append(await asyncio.start_server(handle, *address(listen), reuse_address=True))
    print("ready", flush=True)
    await asyncio.gather(*(s.serve_forever() for s in servers))


if __name__ == "__main__":
    asyncio.run(main())
