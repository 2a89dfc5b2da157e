"""A board on the far side of a pseudo-terminal, for the checks written in Python: the
program opens the slave device, and a thread here answers each byte at once on the master
side. Every wait is for a state (bytes arrived, the line drained), never for a time."""
import os
import select
import termios
import threading
import tty

DRAIN_MARK = b"PtyBoardDrainMark"


class PtyBoard:
    """The default answers are the board's: ACK to writes, probes and output switches, reads
    from four registers. answer(byte) may be replaced to make it misbehave."""

    def __init__(self, answer=None):
        self.master, self.slave = os.openpty()  # the slave stays open between the program's opens
        self.path = os.ttyname(self.slave)
        tty.setraw(self.master)
        self.answer = answer or self.board_answer
        self.received = bytearray()
        self.registers = [0, 0, 0, 0]
        self.pending = None
        self.draining = False
        self.changed = threading.Condition()
        self.wake_read, self.wake_write = os.pipe()
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def board_answer(self, byte):
        if self.pending is not None:
            self.registers[self.pending], self.pending = byte, None
            return b"K"
        if byte & 0xFC == 0x80:
            self.pending = byte & 3
        elif byte & 0xFC == 0x90:
            return bytes([self.registers[byte & 3]])
        return b"K"

    def serve(self):
        # A real board answers within a character time; the program under test waits the
        # port's 110 ms. Where the system allows it, this thread runs before every ordinary
        # one, so that a loaded machine does not make the board late.
        try:
            os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(os.sched_get_priority_min(os.SCHED_FIFO)))
        except (AttributeError, OSError):
            pass
        while True:
            ready = select.select([self.master, self.wake_read], [], [])[0]
            if self.wake_read in ready:
                return
            data = os.read(self.master, 64)
            with self.changed:
                self.received += data
                draining = self.draining
                self.draining = draining and not self.received.endswith(DRAIN_MARK)
                self.changed.notify_all()
            if not draining:  # a drain comes once the program has stopped: nothing to answer
                for byte in data:
                    os.write(self.master, self.answer(byte))

    def wait_for(self, count, seconds=30):
        """What came once count bytes are in, or after the limit, as hex."""
        with self.changed:
            self.changed.wait_for(lambda: len(self.received) >= count, seconds)
            return self.received.hex(" ")

    def drained(self):
        """Everything the program wrote: a mark written behind it comes out after it."""
        with self.changed:
            self.draining = True
        os.write(self.slave, DRAIN_MARK)
        with self.changed:
            self.changed.wait_for(lambda: not self.draining, 30)
            del self.received[-len(DRAIN_MARK):]
            return self.received.hex(" ")

    def clear(self):
        with self.changed:
            self.received.clear()

    def speed(self):
        return termios.tcgetattr(self.slave)[5]

    def set_speed(self, speed):
        line = termios.tcgetattr(self.slave)
        line[4] = line[5] = speed
        termios.tcsetattr(self.slave, termios.TCSANOW, line)

    def unplug(self):
        """The device vanishes under the program: both sides closed."""
        os.write(self.wake_write, b"x")
        self.thread.join()
        for descriptor in (self.master, self.slave, self.wake_read, self.wake_write):
            os.close(descriptor)
