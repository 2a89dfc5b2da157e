#!/usr/bin/python3
"""The guest's side of the real-driver checks, run as root in the guest's chroot of the
host's root: makes the device node what udev would (root:dialout 0660), runs ldx7320-cli
on it as an ordinary user in group dialout, and writes what it saw to a JSON file for the
host to judge. Judges nothing itself: the host also has the board's bytes.

usage: guest_checks.py CLI DEVICE RESULT_JSON [--unplug]

Every wait is for a state (a device node, a line printed, a process ended) with a generous
upper bound; a cli still running at the bound is killed and said to have hung."""
import ctypes
import fcntl
import grp
import json
import os
import select
import shutil
import struct
import subprocess
import sys
import termios
import time

SYS_PIDFD_GETFD = 438  # x86_64
UNPLUG_CUE = b"\xff"  # a byte the cli never sends
USER = 65534  # nobody: no rights of its own but those of the group dialout
BOUND = 90  # seconds: far above any run on a loaded machine under TCG
LINE_BEFORE = ["4800", "cs7", "parenb", "-parodd", "cstopb", "ixon", "icanon", "echo"]
COMMANDS = ["on", ";", "leds", "A1,B2", ";", "set", "A", "12.5mA", ";", "read", "S"]


def wait_for(state, what):
    """Polls a state of the guest's own (no event to wait on) up to the bound."""
    deadline = time.monotonic() + BOUND
    while not state():
        if time.monotonic() > deadline:
            raise SystemExit(f"guest: gave up waiting for {what}")
        time.sleep(0.05)


def as_user(argv):
    dialout = grp.getgrnam("dialout").gr_gid
    return ["setpriv", f"--reuid={USER}", f"--regid={USER}", f"--groups={dialout}", "--inh-caps=-all", "--"] + argv


def user_env():
    return {"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8", "HOME": "/nonexistent"}


def make_node_dialout(device):
    """The device node as udev makes it on Debian."""
    os.chown(device, 0, grp.getgrnam("dialout").gr_gid)
    os.chmod(device, 0o660)


def stty_g(device):
    return subprocess.run(["stty", "-g", "-F", device], check=True, capture_output=True, text=True).stdout.strip()


def read_file(path):
    try:
        with open(path) as f:
            return f.read().strip()
    except OSError as error:
        return f"unreadable: {error.strerror}"


def modem_bits(descriptor):
    bits = struct.unpack("i", fcntl.ioctl(descriptor, termios.TIOCMGET, struct.pack("i", 0)))[0]
    return {"dtr": bool(bits & termios.TIOCM_DTR), "rts": bool(bits & termios.TIOCM_RTS)}


def plain_open_lines(device):
    """DTR and RTS on a descriptor of root's own: every open of a tty with a speed raises
    them, so this shows that the reading sees them on."""
    descriptor = os.open(device, os.O_RDWR | os.O_NONBLOCK | os.O_NOCTTY)
    try:
        return modem_bits(descriptor)
    finally:
        os.close(descriptor)


def cli_descriptor(pid, device):
    """A copy of the cli's own descriptor of the device, taken with pidfd_getfd: a second
    open would change the line (the tty layer raises DTR and RTS at every open)."""
    descriptors = f"/proc/{pid}/fd"
    held = [int(n) for n in os.listdir(descriptors) if os.path.realpath(f"{descriptors}/{n}") == device]
    if len(held) != 1:
        raise OSError(f"the cli holds {len(held)} descriptors of {device}")
    libc = ctypes.CDLL(None, use_errno=True)
    pidfd = os.pidfd_open(pid)
    try:
        descriptor = libc.syscall(SYS_PIDFD_GETFD, pidfd, held[0], 0)
        if descriptor < 0:
            raise OSError(f"pidfd_getfd: {os.strerror(ctypes.get_errno())}")
        return descriptor
    finally:
        os.close(pidfd)


def held_lines(pid, device):
    """DTR and RTS as the cli has them."""
    try:
        descriptor = cli_descriptor(pid, device)
    except OSError as error:
        return str(error)
    try:
        return modem_bits(descriptor)
    finally:
        os.close(descriptor)


class Lines:
    """A child's standard output read line by line, each wait bounded."""

    def __init__(self, stream):
        self.stream, self.pending, self.ended = stream, b"", False

    def next(self):
        deadline = time.monotonic() + BOUND
        while b"\n" not in self.pending and not self.ended:
            if not select.select([self.stream], [], [], max(0, deadline - time.monotonic()))[0]:
                return None
            data = os.read(self.stream.fileno(), 4096)
            self.pending += data
            self.ended = not data
        if b"\n" not in self.pending:
            return None
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode(errors="replace")


def finish(process):
    """The exit code, or 'hung' when the bound passed and the process had to be killed."""
    try:
        return process.wait(BOUND)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return "hung"


def command_list_run(cli, device):
    """Checks 1, 3, 4 and 5: a command list with --trace; the line as set before it."""
    result = {"line_before": stty_g(device)}
    process = subprocess.Popen(as_user([cli, "--port", device, "--trace"] + COMMANDS), env=user_env(),
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        result["stdout"], result["stderr"] = process.communicate(timeout=BOUND)
        result["exit"] = process.returncode
    except subprocess.TimeoutExpired:
        process.kill()
        result["stdout"], result["stderr"] = process.communicate()
        result["exit"] = "hung"
    result["line_after"] = stty_g(device)
    return result


def held_run(cli, device):
    """Check 2: the modem lines while the cli holds the port between two lines of its
    '-' mode; and, first, on a plain open, which raises them: the reading can see them."""
    result = {"plain_open": plain_open_lines(device)}
    process = subprocess.Popen(as_user([cli, "--port", device, "-"]), env=user_env(),
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        answers = Lines(process.stdout)
        process.stdin.write(b"read S\n")
        process.stdin.flush()
        result["answer"] = answers.next()
        if result["answer"] is not None:
            result["held"] = held_lines(process.pid, device)
        process.stdin.close()  # the end of input ends the run
        result["exit"] = finish(process)
        result["stderr"] = process.stderr.read().decode(errors="replace")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    return result


def unplug_run(cli, device):
    """Check 6: a run of '-' lines, and between two of them the adapter pulled out. The cue
    for the host is UNPLUG_CUE written into the cli's own descriptor once every answer so
    far has come: the board answers nothing to it, so that no byte is on its way to the
    adapter while QEMU removes it. Once the device node is gone, one more line."""
    result = {"answers": []}
    process = subprocess.Popen(as_user([cli, "--port", device, "--trace", "-"]), env=user_env(),
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        answers = Lines(process.stdout)
        for line in ["leds B1"] + [f"set B {code}" for code in range(5)]:
            process.stdin.write(line.encode() + b"\n")
            process.stdin.flush()
            result["answers"].append(answers.next())
        descriptor = cli_descriptor(process.pid, device)
        os.write(descriptor, UNPLUG_CUE)
        os.close(descriptor)
        wait_for(lambda: not os.path.exists(device), f"{device} to go")
        try:
            process.stdin.write(b"read S\n")
            process.stdin.flush()
        except BrokenPipeError:
            pass  # it ended at the hangup already
        result["exit"] = finish(process)  # its standard input still open: no end of input
        result["stderr"] = process.stderr.read().decode(errors="replace")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    return result


def check(cli, device, unplug, results):
    """What the guest sees, into results as it comes: a failure half-way keeps the rest."""
    wait_for(lambda: os.path.exists(device), f"{device} to appear")
    make_node_dialout(device)
    name = os.path.basename(device)
    trigger = f"/sys/class/tty/{name}/rx_trig_bytes"
    results.update(driver=os.path.basename(os.path.realpath(f"/sys/class/tty/{name}/device/driver")), uart="")
    if name.startswith("ttyS"):
        # The 8250 driver's own word on the chip it found: "1: uart:16550A port:000002F8 ..."
        with open("/proc/tty/driver/serial") as f:
            port = [line.split() for line in f if line.startswith(name[4:] + ":")][0]
        results["uart"] = port[1].removeprefix("uart:")

    subprocess.run(["stty", "-F", device] + LINE_BEFORE, check=True)
    if os.path.exists(trigger):
        # The trigger a 16550A has after boot, set again: only root may write it.
        with open(trigger, "w") as f:
            f.write("8")
        results["trigger_before"] = read_file(trigger)
    results["command_list"] = command_list_run(cli, device)
    if os.path.exists(trigger):
        results["trigger_after"] = read_file(trigger)
    results["held"] = held_run(cli, device)
    if unplug:
        results["unplug"] = unplug_run(cli, device)


def main():
    cli_built, device, output = sys.argv[1:4]
    unplug = "--unplug" in sys.argv[4:]
    # A copy in the guest's own /run: the user may not pass through the build's folders.
    cli = "/run/ldx7320-cli"
    shutil.copy(cli_built, cli)
    os.chmod(cli, 0o755)

    results = {}
    try:
        check(cli, device, unplug, results)
    except (OSError, subprocess.SubprocessError, SystemExit) as error:
        results["error"] = f"{type(error).__name__}: {error}"
    with open(output, "w") as f:
        json.dump(results, f, indent=1)


if __name__ == "__main__":
    main()
