#!/usr/bin/env python3
"""One-byte exchanges through pyserial, made the way the panel's link makes them:
write one byte, read one reply (110 ms port time-out), throw away whatever else came.

usage: pyserial_peer.py DEVICE COUNT [WARMUP]
Prints the time of each measured exchange in microseconds, one a line."""

import sys
import time

import serial

PROBE = b"\xbb"
ACK = b"K"


def exchange(port):
    port.write(PROBE)
    reply = port.read(1)
    port.reset_input_buffer()
    return reply


def main():
    device, count = sys.argv[1], int(sys.argv[2])
    warm_up = int(sys.argv[3]) if len(sys.argv) > 3 else 50
    with serial.Serial(device, 9600, timeout=0.11, write_timeout=0.11) as port:
        for _ in range(warm_up):
            exchange(port)
        times = []
        failed = 0
        for _ in range(count):
            start = time.perf_counter_ns()
            reply = exchange(port)
            times.append((time.perf_counter_ns() - start) / 1000.0)
            failed += reply != ACK
    if failed:
        sys.exit(f"{failed} exchanges got no ACK")
    print("\n".join(f"{t:.1f}" for t in times))


if __name__ == "__main__":
    main()
