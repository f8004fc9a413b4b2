#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
"""A TCP relay that delays every byte by a fixed time in each direction, as a
network between client and server would, for the multi-server benchmark
(this kernel has no netem).

    delay-relay.py --delay-ms 5 LISTEN_IP:PORT=TARGET_IP:PORT ...

Prints "ready" once every listener is up, then relays until killed.
"""
import argparse
import asyncio
import time


async def pump(reader, writer, delay):
    # Chunks leave in the order they came, each `delay` after its arrival.
    queue = asyncio.Queue()

    async def deliver():
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
            writer.write(data)
            await writer.drain()

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


def relay(target, delay):
    host, port = target

    async def handle(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection(host, port)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pump(client_reader, server_writer, delay),
                             pump(server_reader, client_writer, delay),
                             return_exceptions=True)

    return handle


def address(text):
    host, port = text.rsplit(":", 1)
    return host, int(port)


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--delay-ms", type=float, default=5)
    parser.add_argument("pairs", nargs="+", metavar="LISTEN=TARGET")
    args = parser.parse_args()
    servers = []
    for pair in args.pairs:
        listen, target = pair.split("=")
        host, port = address(listen)
        servers.append(await asyncio.start_server(
            relay(address(target), args.delay_ms / 1000), host, port))
    print("ready", flush=True)
    await asyncio.gather(*(s.serve_forever() for s in servers))


if __name__ == "__main__":
    asyncio.run(main())
