#!/usr/bin/python3
"""ldx7320-cli on the Linux serial drivers of real machines, in QEMU guests: the 8250
driver on a 16550 (the guest's ttyS1) and ftdi_sio on an FTDI FT232 (the guest's ttyUSB0),
the board on a pseudo-terminal at the host end of each. The guest's side of each run is
guest_checks.py; here the board's bytes and what the guest saw are judged.

usage: check_real_drivers.py CLI KERNEL INITRD [8250|ftdi_sio ...]   (default: both)
LDX_REAL_DRIVERS_KNOWN_FAILING names checks (comma-separated) still failing for a reason
known: they run and are shown as failing, but do not fail the run; one that passes says so
and fails the run, so that the name is taken out again."""
import json
import os
import shutil
import sys
import threading
import tty

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from ptyboard import PtyBoard  # noqa: E402
from qemu_guest import Guest  # noqa: E402

BOUND = 600  # seconds for one guest, boot to power-off: about 20 normally
COMMAND_LIST_BYTES = "bb b1 83 09 80 18 93 83 09 93"  # on; leds A1,B2; set A 12.5mA; read S
HELD_BYTES = "bb 93"  # read S
# leds B1; set B 0 .. set B 4
UNPLUG_RUN_BYTES = "bb 83 04 " + " ".join(f"81 {code:02x} 93 83 04" for code in range(5))
UNPLUG_CUE = 0xFF  # the guest says so when it is time to pull the adapter out
DEVICES = {"8250": "/dev/ttyS1", "ftdi_sio": "/dev/ttyUSB0"}


class Checks:
    def __init__(self):
        self.known = {name for name in os.environ.get("LDX_REAL_DRIVERS_KNOWN_FAILING", "").split(",") if name}
        self.passed = self.failed = self.known_failed = 0

    def check(self, kind, name, title, ok, detail):
        if ok and name in self.known:
            self.failed += 1
            print(f"FAIL [{kind}] {title}: passes now; take '{name}' out of LDX_REAL_DRIVERS_KNOWN_FAILING")
        elif ok:
            self.passed += 1
            print(f"PASS [{kind}] {title}")
        elif name in self.known:
            self.known_failed += 1
            print(f"FAIL [{kind}] {title} (known, LDX_REAL_DRIVERS_KNOWN_FAILING={name}): {detail}")
        else:
            self.failed += 1
            print(f"FAIL [{kind}] {title}: {detail}")
        sys.stdout.flush()


def unplug_trigger(board, wake):
    """The board answers as ever, but not the guest's cue to pull the adapter out: QEMU
    (7.2) may crash when a byte reaches a usb-serial device it is removing."""

    def answer(byte):
        if byte == UNPLUG_CUE:
            board.triggered = True
            wake.set()
            return b""
        return board.board_answer(byte)

    board.triggered = False
    return answer


def run_guest(kind, cli, kernel, initrd):
    """One guest, its job run to the end: what the guest wrote, the board's bytes, and the
    guest's logs for a failure to show."""
    board = PtyBoard()
    tty.setraw(board.slave)  # no echo, no newline translation before QEMU sets it itself
    guest = Guest(kernel, initrd, board.path, kind)
    wake = threading.Event()
    unplug = kind == "ftdi_sio"
    if unplug:
        board.answer = unplug_trigger(board, wake)
    outcome = {"unplugged": False, "result": None, "qemu_exit": None, "job_rc": "", "error": ""}
    try:
        shutil.copy(os.path.join(HERE, "guest_checks.py"), guest.job_dir)
        shutil.copy(cli, os.path.join(guest.job_dir, "ldx7320-cli"))
        guest.write_job(f"exec /usr/bin/python3 /mnt/guest_checks.py /mnt/ldx7320-cli {DEVICES[kind]} /mnt/result.json"
                        + (" --unplug\n" if unplug else "\n"))
        guest.start()
        threading.Thread(target=lambda: (guest.process.wait(), wake.set()), daemon=True).start()
        if unplug:
            wake.wait(BOUND)
            if board.triggered and guest.process.poll() is None:
                guest.unplug_adapter()
                outcome["unplugged"] = True
        outcome["qemu_exit"] = guest.wait(BOUND)
        outcome["result"] = json.loads(guest.file("result.json") or "null")
    except (OSError, RuntimeError, ValueError) as error:
        outcome["error"] = f"{type(error).__name__}: {error} (QEMU: {guest.process and guest.process.poll()})"
    finally:
        guest.stop()
        outcome["bytes"] = board.drained()  # all QEMU wrote to the board, now it has ended
        board.unplug()
        outcome["job_rc"] = guest.file("job.rc").strip()
        outcome["logs"] = "\n".join(f"--- {name}\n{guest.file(name).rstrip()}" for name in ("console.log", "job.log", "qemu.log"))
        shutil.rmtree(guest.job_dir, ignore_errors=True)
    return outcome


def judge(kind, outcome, checks):
    result = outcome["result"]
    if not result or outcome["error"] or "error" in result:
        checks.check(kind, "guest", "the guest ran its job", False,
                     f"{outcome['error'] or (result or {}).get('error')}; QEMU exit {outcome['qemu_exit']}, job exit '{outcome['job_rc']}', "
                     f"the board got [{outcome['bytes']}]\n{outcome['logs']}")
        return
    received = outcome["bytes"]
    listed, held = result["command_list"], result["held"]
    # 8250's ISA ports come through its PNP part, whose driver is called "serial".
    chip, title = {"8250": (("serial", "16550A"), "a 16550A on the 8250 driver"),
                   "ftdi_sio": (("ftdi_sio", ""), "an FT232 on ftdi_sio")}[kind]
    checks.check(kind, "device", f"0. {DEVICES[kind]} is {title}", (result["driver"], result["uart"]) == chip,
                 f"driver {result['driver']}, uart {result['uart']!r}")
    expected = COMMAND_LIST_BYTES + " " + HELD_BYTES
    checks.check(kind, "bytes", f"1. the command list's bytes at the board are {COMMAND_LIST_BYTES}",
                 listed["exit"] == 0 and received.startswith(COMMAND_LIST_BYTES + " " + HELD_BYTES[:2]),
                 f"exit {listed['exit']}, the board got [{received}]\n{listed['stderr']}")
    lines_ok = (held.get("plain_open") == {"dtr": True, "rts": True} and held.get("held") == {"dtr": False, "rts": False}
                and held.get("exit") == 0 and (held.get("answer") or "").startswith("read S:")
                and received.startswith(expected))
    checks.check(kind, "modem-lines", "2. DTR and RTS off while the port is held (on after a plain open)", lines_ok,
                 f"plain open {held.get('plain_open')}, held {held.get('held')}, answer {held.get('answer')!r}, "
                 f"exit {held.get('exit')}, the board got [{received}] (expected [{expected}] first)\n{held.get('stderr')}")
    checks.check(kind, "line-settings", "3. the line settings put back", listed["line_after"] == listed["line_before"],
                 f"before {listed['line_before']}, after {listed['line_after']}")
    if kind == "ftdi_sio":
        checks.check(kind, "low-latency", "4. the low-latency request granted", "low-latency mode on" in listed["stderr"],
                     f"the trace says:\n{listed['stderr']}")
        gone = result.get("unplug", {})
        checks.check(kind, "unplug", "6. the adapter pulled out during a run ends the cli with exit code 1",
                     outcome["unplugged"] and gone.get("exit") == 1 and None not in gone.get("answers", [None])
                     and received == f"{COMMAND_LIST_BYTES} {HELD_BYTES} {UNPLUG_RUN_BYTES} ff",
                     f"pulled out: {outcome['unplugged']}, exit {gone.get('exit')}, answers before {gone.get('answers')}, "
                     f"the board got [{received}]\n{gone.get('stderr', '')[-2000:]}")
    if kind == "8250":
        trace_says = "receive FIFO trigger 8 -> 1 byte" in listed["stderr"]
        checks.check(kind, "fifo-trigger", "5. the receive FIFO trigger at one byte afterwards",
                     result.get("trigger_before") == "8" and result.get("trigger_after") == "1" and trace_says,
                     f"rx_trig_bytes {result.get('trigger_before')} before, {result.get('trigger_after')} after; "
                     f"the trace {'says' if trace_says else 'does not say'} 'receive FIFO trigger 8 -> 1 byte'")


def main():
    cli, kernel, initrd = sys.argv[1:4]
    checks = Checks()
    for kind in sys.argv[4:] or DEVICES:
        print(f"--- {kind}: {DEVICES[kind]} in the guest", flush=True)
        judge(kind, run_guest(kind, cli, kernel, initrd), checks)
    if checks.known_failed:
        print(f"{checks.known_failed} failed as known (LDX_REAL_DRIVERS_KNOWN_FAILING), not counted below")
    print(f"{checks.passed} passed, {checks.failed} failed")
    sys.exit(1 if checks.failed else 0)


if __name__ == "__main__":
    main()
