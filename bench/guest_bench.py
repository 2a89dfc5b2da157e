#!/usr/bin/python3
"""The guest's side of the real-driver benchmark, run as root in the guest: the probe's
round trip and the 64-step sweep through the benchmark's own termios client, on the
8250 with the receive FIFO trigger at 8 and at 1 byte (root writes rx_trig_bytes), and
through ldx7320-cli's '-' mode, as a user in group dialout, after root set 8 (the
program sets 1 itself) and, for its cost beside the client's, after root set 1.

usage: guest_bench.py CLI DEVICE RESULT_JSON"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

from guest_checks import Lines, as_user, finish, read_file, user_env, wait_for, make_node_dialout
from termios_client import Client

PROBES = 200
SWEEPS = 5


def client_row(device):
    client = Client(device)
    try:
        probe = statistics.median(client.probe_times(PROBES))
        sweeps = [client.sweep_ms() for _ in range(SWEEPS)]
    finally:
        client.close()
    return {"probe_us": probe, "sweep_ms": statistics.median(sweeps), "sweeps_ms": sweeps}


def cli_sweep_ms(cli, device):
    """'leds A1', then 'set A 0' .. 'set A 63', each answer read before the next line."""
    process = subprocess.Popen(as_user([cli, "--port", device, "-"]), env=user_env(),
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        answers = Lines(process.stdout)

        def say(line):
            process.stdin.write(line.encode() + b"\n")
            process.stdin.flush()
            if answers.next() is None:
                raise SystemExit(f"no answer to {line}: {process.stderr.read().decode(errors='replace')}")

        started = time.perf_counter()
        say("leds A1")
        first = (time.perf_counter() - started) * 1e3
        started = time.perf_counter()
        for code in range(64):
            say(f"set A {code}")
        sweep = (time.perf_counter() - started) * 1e3
        process.stdin.close()
        exit_code = finish(process)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    return {"sweep_ms": sweep, "start_to_first_answer_ms": first, "exit": exit_code}


def cli_row(cli, device, before_each):
    runs = []
    for _ in range(SWEEPS):
        before_each()
        runs.append(cli_sweep_ms(cli, device))
    return {"sweep_ms": statistics.median(run["sweep_ms"] for run in runs),
            "start_to_first_answer_ms": statistics.median(run["start_to_first_answer_ms"] for run in runs),
            "sweeps_ms": [run["sweep_ms"] for run in runs], "exits": [run["exit"] for run in runs]}


def set_trigger(path, bytes_):
    with open(path, "w") as f:
        f.write(bytes_)


def main():
    cli_built, device, output = sys.argv[1:4]
    cli = "/run/ldx7320-cli"
    shutil.copy(cli_built, cli)
    os.chmod(cli, 0o755)
    wait_for(lambda: os.path.exists(device), f"{device} to appear")
    make_node_dialout(device)
    trigger = f"/sys/class/tty/{os.path.basename(device)}/rx_trig_bytes"
    rows = {}
    if os.path.exists(trigger):
        for bytes_ in ("8", "1"):
            set_trigger(trigger, bytes_)
            rows[f"client, trigger {read_file(trigger)}"] = client_row(device)
        # As found; then as the program will leave it, for its own cost beside the client's.
        for bytes_ in ("8", "1"):
            row = rows[f"ldx7320-cli, trigger {bytes_} before"] = cli_row(cli, device, lambda: set_trigger(trigger, bytes_))
            row["trigger_after"] = read_file(trigger)
    else:
        rows["client"] = client_row(device)
        rows["ldx7320-cli"] = cli_row(cli, device, lambda: None)
    with open(output, "w") as f:
        json.dump(rows, f, indent=1)


if __name__ == "__main__":
    main()
