#!/usr/bin/python3
"""The real-driver benchmark's host side: for each device a QEMU guest (as in the
real-driver checks) runs guest_bench.py against the board on a pseudo-terminal, and the
rows come out as a Markdown table. A measurement, never a test: nothing here fails on a
time.

usage: real_drivers_bench.py CLI KERNEL INITRD"""
import json
import os
import shutil
import sys
import tty

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.join(HERE, "..", "tests")
sys.path[:0] = [os.path.join(TESTS, "support"), os.path.join(TESTS, "realdrivers")]
from ptyboard import PtyBoard  # noqa: E402
from qemu_guest import Guest  # noqa: E402

BOUND = 900  # seconds for one guest: about a minute normally
DEVICES = {"8250": "/dev/ttyS1", "ftdi_sio": "/dev/ttyUSB0"}
WIRE_SWEEP_MS = 320 * 20 / 9600 * 1000  # 320 exchanges, 20 bits each at 9600 baud


def run(kind, cli, kernel, initrd):
    board = PtyBoard()
    tty.setraw(board.slave)
    guest = Guest(kernel, initrd, board.path, kind)
    try:
        for source in (os.path.join(HERE, "guest_bench.py"), os.path.join(HERE, "termios_client.py"),
                       os.path.join(TESTS, "realdrivers", "guest_checks.py")):
            shutil.copy(source, guest.job_dir)
        shutil.copy(cli, os.path.join(guest.job_dir, "ldx7320-cli"))
        guest.write_job(f"cd /mnt && exec /usr/bin/python3 guest_bench.py /mnt/ldx7320-cli {DEVICES[kind]} /mnt/rows.json\n")
        guest.start()
        if guest.wait(BOUND) is None:
            raise SystemExit(f"the {kind} guest did not end within {BOUND} s")
        rows = guest.file("rows.json")
        if not rows:
            raise SystemExit(f"the {kind} guest measured nothing:\n{guest.file('console.log')}\n{guest.file('job.log')}")
        return json.loads(rows)
    finally:
        guest.stop()
        board.unplug()
        shutil.rmtree(guest.job_dir, ignore_errors=True)


def main():
    cli, kernel, initrd = sys.argv[1:4]
    print("| Guest device, driver | Client | Probe round trip, median of 200 | 64-step sweep: median of 5 (fastest) | Note |")
    print("|---|---|---|---|---|")
    for kind, device in DEVICES.items():
        for name, row in run(kind, cli, kernel, initrd).items():
            probe = f"{row['probe_us'] / 1000:.2f} ms" if "probe_us" in row else "-"
            notes = []
            if "start_to_first_answer_ms" in row:
                notes.append(f"start to first answer {row['start_to_first_answer_ms']:.0f} ms")
            if "trigger_after" in row:
                notes.append(f"rx_trig_bytes {row['trigger_after']} after")
            print(f"| {device}, {kind} | {name} | {probe} | {row['sweep_ms']:.0f} ms ({min(row['sweeps_ms']):.0f} ms) "
                  f"| {'; '.join(notes) or '-'} |", flush=True)
    print(f"\nThe wire's time for a sweep at 9600 baud would be {WIRE_SWEEP_MS:.0f} ms; QEMU's devices send at once.")


if __name__ == "__main__":
    main()
