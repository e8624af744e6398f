#!/usr/bin/env python3
"""Holds PAIRS connected loopback TCP pairs (twice as many sockets) until it
is stopped, and writes READY_FILE once they are all connected.
   hold-connections.py PORT PAIRS READY_FILE"""
import resource
import signal
import socket
import sys


def main():
    port, pairs, ready = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    stops = {signal.SIGTERM, signal.SIGINT}
    signal.pthread_sigmask(signal.SIG_BLOCK, stops)
    _, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    needed = 2 * pairs + 16
    if hard != resource.RLIM_INFINITY and hard < needed:
        sys.exit(f"{pairs} pairs need {needed} descriptors; the hard limit is {hard}")
    resource.setrlimit(resource.RLIMIT_NOFILE, (needed, hard))
    listener = socket.create_server(("127.0.0.1", port), backlog=128)
    held = []
    for _ in range(pairs):
        client = socket.create_connection(("127.0.0.1", port))
        server, _ = listener.accept()
        held += [client, server]
    listener.close()
    with open(ready, "w") as marker:
        marker.write(f"{len(held)}\n")
    signal.sigwait(stops)


if __name__ == "__main__":
    main()
