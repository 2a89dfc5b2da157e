#!/usr/bin/env python3
"""The Windows programs on a serial port under Wine: a board on a pseudo-terminal behind
COM7 (Wine's dosdevices/com7 link), the console program's commands, and the panel's
start-up and ENABLE bytes. Run by scripts/test-windows.sh inside its Wine session
(WINEPREFIX, DISPLAY, WINEPATH set). Usage: check-windows-serial.py BUILD_DIR"""
import os
import select
import subprocess
import sys
import threading
import time
import tty


class PtyBoard:
    """Answers as the board does: ACK to writes, probes and output switches; reads from
    its four registers."""

    def __init__(self):
        self.master, self.slave = os.openpty()  # the slave stays open between the program's opens
        self.path = os.ttyname(self.slave)
        tty.setraw(self.master)
        self.received = bytearray()
        self.registers = [0, 0, 0, 0]
        self.pending = None
        threading.Thread(target=self.serve, daemon=True).start()

    def answer(self, byte):
        if self.pending is not None:
            self.registers[self.pending], self.pending = byte, None
            return b"K"
        if byte & 0xFC == 0x80:
            self.pending = byte & 3
        elif byte & 0xFC == 0x90:
            return bytes([self.registers[byte & 3]])
        return b"K"

    def serve(self):
        while True:
            if select.select([self.master], [], [], 0.05)[0]:
                for byte in os.read(self.master, 64):
                    self.received.append(byte)
                    os.write(self.master, self.answer(byte))

    def wait_for(self, count, seconds=30):
        deadline = time.time() + seconds
        while len(self.received) < count and time.time() < deadline:
            time.sleep(0.05)
        return self.received.hex(" ")


def check(what, actual, expected):
    print(f"{'ok  ' if actual == expected else 'FAIL'} {what}: {actual}" + ("" if actual == expected else f" (expected {expected})"))
    return actual == expected


def main():
    build = sys.argv[1]
    board = PtyBoard()
    link = os.path.join(os.environ["WINEPREFIX"], "dosdevices", "com7")
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(board.path, link)
    ok = True

    cli = subprocess.run(["wine", os.path.join(build, "cli", "ldx7320-cli.exe"), "--port", "COM7",
                          "on", ";", "leds", "A1,B2", ";", "set", "A", "12.5mA", ";", "read", "S"],
                         capture_output=True, text=True, timeout=60)
    ok &= check("console program, exit code", cli.returncode, 0)
    ok &= check("console program, bytes", board.received.hex(" "), "bb b1 83 09 80 18 93 83 09 93")
    board.received.clear()

    panel = subprocess.Popen(["wine", os.path.join(build, "app", "ldx7320.exe"), "--port", "COM7"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ok &= check("panel start-up, bytes", board.wait_for(2), "bb b0")
    time.sleep(1)  # the window takes the keyboard once it is shown
    # Focus starts on EXIT; Tab reaches ENABLE, the next control that is not disabled.
    subprocess.run(["xdotool", "key", "--delay", "200", "Tab", "space"], check=True)
    ok &= check("panel ENABLE, bytes", board.wait_for(3, 10), "bb b0 b1")
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    ok &= check("panel end, exit code", panel.wait(timeout=30), 0)
    ok &= check("panel, nothing sent at the end", board.received.hex(" "), "bb b0 b1")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
