#!/usr/bin/env python3
"""The Windows programs on serial ports under Wine, with boards on pseudo-terminals behind
COM names: the console program's bytes, silent ports and an unanswered read as on Linux,
the line left as it was found, the panel's default search (COM4..COM1, then the other
COM ports), and the SCPI server over its raw socket and over VXI-11. Run by scripts/test-windows.sh inside its Wine session (WINEPREFIX, DISPLAY,
WINEPATH set). Usage: check-windows-serial.py BUILD_DIR

Every COM name a check uses is named in HKLM\\Software\\Wine\\Ports, from which Wine builds
dosdevices/comN at each start; COM1..COM4 always are, so that Wine never gives one of them
to a serial line of this machine. The checks that let a program search COM ports by itself
run only where LDX_SERIAL_LINES_HIDDEN says that this machine's serial lines are out of
reach (test-windows.sh hides them in a mount namespace of its own)."""
import json
import os
import re
import signal
import socket
import stat
import subprocess
import sys
import tempfile
import termios
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from ptyboard import PtyBoard  # noqa: E402  (one pseudo-terminal board for every check in Python)
import vxi11client  # noqa: E402  (the RPC client of the VXI-11 tests)


def silent(_byte):
    return b""


def wrong_probe_answer(_byte):
    return b"k"


def answering_late(board):
    """The board's answers, each 20 ms late, as a busy board would give them."""
    def answer(byte):
        time.sleep(0.02)
        return board.board_answer(byte)
    return answer


def regedit(*lines):
    """Merges registry lines into the prefix's registry."""
    with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as reg:
        reg.write("\r\n".join(["REGEDIT4", "", *lines]) + "\r\n")
    try:
        subprocess.run(["wine", "regedit", "/S", reg.name], check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        os.unlink(reg.name)


# An FTDI adapter as Windows records it: the port's name and the driver's latency timer
# among the device's parameters.
FTDI_DEVICE = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000"


def check(what, actual, expected):
    good = actual == expected
    print(f"{'ok  ' if good else 'FAIL'} {what}: {actual!r}" + ("" if good else f" (expected {expected!r})"), flush=True)
    return good


def use_ports(ports):
    """Names COM1..COM12 in Wine's registry: those given lead to their pseudo-terminals,
    COM1..COM4 otherwise to no device at all, the rest are left to nothing. Then restarts
    the Wine server, whose start rebuilds dosdevices/comN from the key."""
    lines = ["[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]"]
    for number in range(1, 13):
        name = f"COM{number}"
        if name in ports:
            lines.append(f'"{name}"="{ports[name].path}"')
        elif number <= 4:
            lines.append(f'"{name}"="/nonexistent/ldx7320-{name}"')
        else:
            lines.append(f'"{name}"=-')
    regedit(*lines)
    subprocess.run(["wineserver", "-k"], check=False)
    subprocess.run(["wineserver", "-w"], check=False)
    # Wine makes the links anew at its start, but leaves those of names it no longer has.
    dosdevices = os.path.join(os.environ["WINEPREFIX"], "dosdevices")
    for entry in os.listdir(dosdevices):
        if entry.startswith("com"):
            os.remove(os.path.join(dosdevices, entry))
    subprocess.run(["wineserver", "-p"], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wine", "wineboot"], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Where this machine's serial lines are hidden, every COM name that leads to a terminal
    # leads to one of the boards here.
    ours = {os.path.realpath(board.path) for board in ports.values()}
    for entry in sorted(os.listdir(dosdevices)):
        target = os.path.realpath(os.path.join(dosdevices, entry))
        if os.environ.get("LDX_SERIAL_LINES_HIDDEN") and entry.startswith("com") and os.path.exists(target) \
                and stat.S_ISCHR(os.stat(target).st_mode) and target not in ours:
            raise SystemExit(f"FAIL: {entry} leads to {target}, a serial line that is not a board of this check")
    for name, board in ports.items():
        target = os.path.realpath(os.path.join(dosdevices, name.lower()))
        if target != os.path.realpath(board.path):
            raise SystemExit(f"FAIL: {name} leads to {target} instead of {board.path}")


def run_cli(build, *arguments, debug=None):
    environment = dict(os.environ, WINEDEBUG=debug) if debug else None
    return subprocess.run(["wine", os.path.join(build, "cli", "ldx7320-cli.exe"), *arguments],
                          capture_output=True, text=True, timeout=120, stdin=subprocess.DEVNULL, env=environment)


def panel_window(seconds=60):
    """The panel's window once it is shown and has the keyboard. xdotool ends with status 1
    on any X error, such as a window that went away while it looked at it (Wine makes and
    drops windows of its own while a program starts), so each call that fails is made
    again until the window is there."""
    deadline = time.monotonic() + seconds
    window = None
    while window is None:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^LDX7320$"],
                               capture_output=True, text=True)
        window = (found.stdout.split() or [None])[0]
        if window is None and time.monotonic() > deadline:
            raise SystemExit(f"FAIL: no window LDX7320 within {seconds} s")
        if window is None:
            time.sleep(0.1)
    while time.monotonic() < deadline:
        focus = subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True).stdout.strip()
        if focus == window:
            return window
        subprocess.run(["xdotool", "windowfocus", window], capture_output=True)
    return window


def run_panel(build, arguments, then_keys=()):
    """Starts the panel, waits for its window, presses the keys, then Escape; its exit code."""
    panel = subprocess.Popen(["wine", os.path.join(build, "app", "ldx7320.exe"), *arguments],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    panel_window()
    for key in then_keys:
        key()
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    return panel.wait(timeout=60)


def reap(server, seconds):
    """The server's exit code once it has ended, or None when it had to be killed after
    seconds; its standard error closed either way."""
    try:
        code = server.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        server.kill()
        server.wait()
        code = None
    server.stderr.close()
    return code


def vxi11_idn(build):
    """The Windows server's VXI-11 core channel, at the port it names on standard error,
    asked *IDN? through Wine's loopback; then Ctrl+C. What it said, and the answer."""
    server = subprocess.Popen(["wine", os.path.join(build, "scpi", "ldx7320-scpi.exe"), "--simulate", "--listen", "127.0.0.1:0"],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    try:
        said = next((line.strip() for line in server.stderr if "VXI-11" in line), "(nothing)")
        port = re.search(r"VXI-11 on 127\.0\.0\.1:(\d+) ", said)
        link = vxi11client.Link(int(port.group(1))) if port else None
        return said, link.query("*IDN?") if link else None
    finally:
        for connection in vxi11client.opened:
            connection.close()
        server.send_signal(signal.SIGINT)
        reap(server, 60)


def check_dnssd_missing(build, version):
    """The SCPI server listening on the network: Wine has no DnsServiceRegister, which the
    server says once on standard error, and it serves all the same. How it ends after Ctrl+C
    is the check of the server on COM7; here every line it says up to "ended" is read."""
    server = subprocess.Popen(["wine", os.path.join(build, "scpi", "ldx7320-scpi.exe"), "--simulate", "--listen", "0.0.0.0:0", "--no-vxi11"],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    said, answer = [], None
    bound = threading.Timer(120, server.kill)  # a server that never says "ended" is ended
    bound.start()
    try:
        for line in server.stderr:
            said.append(line.strip())
            if said[-1].startswith("ldx7320-scpi: listening on 0.0.0.0:"):
                with socket.create_connection(("127.0.0.1", int(said[-1].rsplit(":", 1)[1])), timeout=60) as connection:
                    connection.sendall(b"*IDN?\n")
                    answer = connection.makefile().readline().strip()
                server.send_signal(signal.SIGINT)
            if said[-1] == "ldx7320-scpi: ended":
                break
    finally:
        bound.cancel()
        reap(server, 10)
    ok = check("SCPI server on the network, DNS-SD said to be missing, once", [line for line in said if "DNS-SD" in line],
               ["ldx7320-scpi: DNS-SD not available (this Windows has no DnsServiceRegister: Windows 10 or later has it): "
                "not advertised, serving all the same"])
    ok &= check("SCPI server on the network, answer", answer, f"Lumadex,LDX7320,simulated board,{version}")
    ok &= check("SCPI server on the network, ended by Ctrl+C", said[-1:], ["ldx7320-scpi: ended"])
    return ok


def main():
    build = sys.argv[1]
    with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as cache:
        version = next(line.split("=", 1)[1].strip() for line in cache if line.startswith("CMAKE_PROJECT_VERSION:"))
    ok = True
    board = PtyBoard()
    use_ports({"COM7": board})

    # The console program's commands, byte for byte, and the line put back as it was found.
    board.set_speed(termios.B19200)
    cli = run_cli(build, "--port", "COM7", "on", ";", "leds", "A1,B2", ";", "set", "A", "12.5mA", ";", "read", "S")
    ok &= check("console program, exit code", cli.returncode, 0)
    ok &= check("console program, bytes", board.drained(), "bb b1 83 09 80 18 93 83 09 93")
    ok &= check("console program, the line at 19200 baud again", board.speed(), termios.B19200)

    # The one-byte receive FIFO trigger is asked for; Wine's serial driver refuses it, as a
    # USB adapter's does, and the port is used as it is.
    board.clear()
    cli = run_cli(build, "--port", "COM7", "--trace", "read", "S", debug="+comm")
    ok &= check("FIFO trigger, asked for", "IOCTL_SERIAL_SET_FIFO_CONTROL" in cli.stderr, True)
    ok &= check("FIFO trigger, refused and said", "COM7  receive FIFO trigger not set: the driver refused it" in cli.stderr, True)
    ok &= check("FIFO trigger refused, exit code", cli.returncode, 0)
    ok &= check("FIFO trigger refused, bytes", board.drained(), "bb 93")

    # An FTDI adapter's latency timer, read from the device's parameters: in the listing, in
    # the trace, and in the advice of a latency check that finds the answers late.
    regedit(f"[{FTDI_DEVICE}]", '"ClassGUID"="{4d36e978-e325-11ce-bfc1-08002be10318}"',
            f"[{FTDI_DEVICE}\\Device Parameters]", '"PortName"="COM7"', '"LatencyTimer"=dword:00000010')
    ports = json.loads(run_cli(build, "--json", "ports").stdout)["ports"]
    ok &= check("FTDI latency timer, listed", [p["latency_timer_ms"] for p in ports if p["name"] == "COM7"], [16])
    board.clear()
    board.answer = answering_late(board)
    cli = run_cli(build, "--port", "COM7", "--trace", "--json", "latency")
    board.answer = board.board_answer
    ok &= check("FTDI latency timer, traced", "COM7  the adapter's latency timer: 16 ms" in cli.stderr, True)
    ok &= check("FTDI latency timer, the advice",
                json.loads(cli.stdout or "{}").get("advice", "").startswith(
                    "the USB adapter holds each answer for its latency timer, 16 ms: set it to 1 in Device Manager"), True)
    ok &= check("latency, bytes", board.drained(), " ".join(["bb"] * 21))
    subprocess.run(["wine", "reg", "delete", FTDI_DEVICE.split("\\0000")[0], "/f"], check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # A read of REGISTER_S that goes unanswered ends by the port's time-out: no byte, and
    # REGISTER_S is not written back.
    board.clear()
    board.answer = lambda byte: b"" if byte == 0x93 else board.board_answer(byte)
    cli = run_cli(build, "--port", "COM7", "set", "A", "5")
    board.answer = board.board_answer
    ok &= check("unanswered read of REGISTER_S, exit code", cli.returncode, 1)
    ok &= check("unanswered read of REGISTER_S, bytes", board.drained(), "bb 80 05 93")
    ok &= check("unanswered read of REGISTER_S, answer", cli.stdout.strip(),
                "error: command 1 (set A 5): code 5 (3.0 mA) was written to A, but REGISTER_S was not written "
                "back: the board did not answer its read")

    # The panel: start-up, ENABLE pressed from the keyboard, Escape; nothing sent at the end,
    # and the line as it was.
    board.clear()
    enable = lambda: subprocess.run(["xdotool", "key", "--delay", "100", "Tab", "space"], check=True)
    wait_for_on = lambda: board.wait_for(3)
    code = run_panel(build, ["--port", "COM7"], [lambda: board.wait_for(2), enable, wait_for_on])
    ok &= check("panel end, exit code", code, 0)
    ok &= check("panel start-up, ENABLE and end, bytes", board.drained(), "bb b0 b1")
    ok &= check("panel, the line at 19200 baud again", board.speed(), termios.B19200)

    # The SCPI server on COM7, asked over TCP from here; Ctrl+C (Wine makes SIGINT one)
    # ends it with the port closed and the line as it was found.
    board.clear()
    server = subprocess.Popen(["wine", os.path.join(build, "scpi", "ldx7320-scpi.exe"), "--port", "COM7",
                               "--listen", "127.0.0.1:0", "--no-vxi11"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True)
    port = next(int(line.rsplit(":", 1)[1]) for line in server.stderr if "listening on 127.0.0.1:" in line)
    with socket.create_connection(("127.0.0.1", port), timeout=60) as connection:
        connection.sendall(b"*IDN?;CURR:A:CODE 5;CURR:A:CODE?\n")
        answer = connection.makefile().readline().strip()
    ok &= check("SCPI server, answer", answer, f"Lumadex,LDX7320,COM7,{version};5")
    server.send_signal(signal.SIGINT)
    ok &= check("SCPI server, exit code after Ctrl+C", reap(server, 60), 0)
    ok &= check("SCPI server, bytes", board.drained(), "bb 80 05 93 83 09 90")
    ok &= check("SCPI server, the line at 19200 baud again", board.speed(), termios.B19200)
    ok &= check_dnssd_missing(build, version)

    # VXI-11: the core channel found where the server says, *IDN? answered over RPC. The
    # server answers port 111 itself: only in a network namespace of the session's own.
    if os.environ.get("LDX_NETWORK_PRIVATE"):
        said, answer = vxi11_idn(build)
        ok &= check("SCPI server, VXI-11 found", re.sub(r":\d+ ", ":N ", said),
                    "ldx7320-scpi: VXI-11 on 127.0.0.1:N (inst0), portmapper answered here on port 111")
        ok &= check("SCPI server, VXI-11 *IDN?", answer, f"Lumadex,LDX7320,simulated board,{version}")
    else:
        print("skipped: VXI-11 under Wine, whose server answers port 111: scripts/test-windows.sh gives it a network "
              "namespace of its own only as root")

    if not os.environ.get("LDX_SERIAL_LINES_HIDDEN"):
        print("skipped: the checks in which the programs search COM ports by themselves, since this machine's "
              "serial lines could not be hidden from Wine (scripts/test-windows.sh needs to run as root for it)")
        return 0 if ok else 1

    # Four silent ports: each is opened and probed, and said to be silent, as on Linux.
    silent_boards = {f"COM{n}": PtyBoard(silent) for n in range(1, 5)}
    use_ports(silent_boards)
    cli = run_cli(build, "read", "S")
    said = cli.stderr.replace("\r", "").splitlines()
    ok &= check("four silent ports, exit code", cli.returncode, 1)
    # The other COM names Wine gives this machine's (hidden) lines follow the four.
    ok &= check("four silent ports, what standard error says first", said[:5],
                ["No LDX7320 board found on the ports tried:"]
                + [f"  COM{n}: opened, but nothing answered the probe" for n in (4, 3, 2, 1)])
    ok &= check("four silent ports, the message last", said[-1:], ["ldx7320-cli: \"COM Error\" or \"Power OFF\""])
    ok &= check("four silent ports, bytes", [b.drained() for b in silent_boards.values()], ["bb"] * 4)

    # The default search: a device that answers 'k' on COM4, nothing on COM3, the board on COM2.
    other, board = PtyBoard(wrong_probe_answer), PtyBoard()
    use_ports({"COM4": other, "COM2": board})
    code = run_panel(build, [], [lambda: board.wait_for(2)])
    ok &= check("default search, exit code", code, 0)
    ok &= check("default search, COM4 probed and left", other.drained(), "bb")
    ok &= check("default search, the board on COM2", board.drained(), "bb b0")

    # A board on a USB adapter: nothing on COM1..COM4, the board on COM7.
    board = PtyBoard()
    use_ports({"COM7": board})
    code = run_panel(build, [], [lambda: board.wait_for(2)])
    ok &= check("the board on COM7 found with no options, exit code", code, 0)
    ok &= check("the board on COM7 found with no options, bytes", board.drained(), "bb b0")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
