#!/usr/bin/env python3
"""Holds COUNT connections open to a port, each sending its request head one byte at a
time every few seconds, reconnecting whenever the server closes it. Runs for SECONDS."""
import argparse
import asyncio
import random

HEAD = b"GET /velmor305/tips.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: " + b"s" * 4000 + b"\r\n\r\n"


async def dribble(port, stop_at, counters):
    loop = asyncio.get_running_loop()
    while loop.time() < stop_at:
        try:
            reader, writer = await asyncio.open_connection("127.0.0.1", port)
        except OSError:
            await asyncio.sleep(0.5)
            continue
        counters["open"] += 1
        try:
            for byte in HEAD:
                if loop.time() >= stop_at:
                    break
                writer.write(bytes([byte]))
                await writer.drain()
                await asyncio.sleep(random.uniform(2.0, 3.0))
                if reader.at_eof():
                    break
        except OSError:
            pass
        counters["open"] -= 1
        counters["cut"] += 1
        writer.close()


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--seconds", type=float, default=20)
    args = parser.parse_args()
    loop = asyncio.get_running_loop()
    stop_at = loop.time() + args.seconds
    counters = {"open": 0, "cut": 0}
    tasks = [asyncio.create_task(dribble(args.port, stop_at, counters)) for _ in range(args.count)]
    while loop.time() < stop_at:
        await asyncio.sleep(1)
        print(f"slow connections open: {counters['open']}, cut off so far: {counters['cut']}", flush=True)
    await asyncio.gather(*tasks, return_exceptions=True)


asyncio.run(main())
