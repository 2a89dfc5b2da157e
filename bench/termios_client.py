"""A board client at the termios level, the benchmark's own: 9600 8N1 raw, and each
exchange a byte written and one byte read with a time-out (110 ms, the link's), nothing
else. It does what ldx7320-cli does on the wire without the program, so that the guest's
rows can set the 8250's receive FIFO trigger themselves (the program sets it to one byte)."""
import os
import select
import termios
import time
import tty

TIME_OUT = 0.110


class Client:
    def __init__(self, device):
        self.fd = os.open(device, os.O_RDWR | os.O_NOCTTY)
        self.saved = termios.tcgetattr(self.fd)
        tty.setraw(self.fd)
        line = termios.tcgetattr(self.fd)
        line[2] = (line[2] & ~(termios.CSIZE | termios.PARENB | termios.CSTOPB | termios.CRTSCTS)) | termios.CS8 | termios.CLOCAL | termios.CREAD
        line[0] &= ~(termios.IXON | termios.IXOFF | termios.IXANY)
        line[4] = line[5] = termios.B9600
        termios.tcsetattr(self.fd, termios.TCSANOW, line)
        termios.tcflush(self.fd, termios.TCIOFLUSH)

    def exchange(self, byte):
        """The answer; a benchmark on a board that does not answer measures nothing."""
        os.write(self.fd, bytes([byte]))
        if not select.select([self.fd], [], [], TIME_OUT)[0]:
            raise SystemExit(f"no answer to 0x{byte:02X} within {TIME_OUT * 1000:.0f} ms")
        return os.read(self.fd, 1)[0]

    def probe_times(self, count):
        """Round trips of the probe (0xBB, answered 0x4B), in microseconds."""
        times = []
        for _ in range(count):
            start = time.perf_counter()
            if self.exchange(0xBB) != 0x4B:
                raise SystemExit("the probe got no ACK")
            times.append((time.perf_counter() - start) * 1e6)
        return times

    def sweep_ms(self):
        """LED A1 on, then A's code 0 .. 63 as ldx7320-cli writes each: the register, a
        read of REGISTER_S and its value written back, five exchanges a step."""
        for byte in (0x83, 0x01):
            self.exchange(byte)
        start = time.perf_counter()
        for code in range(64):
            self.exchange(0x80)
            self.exchange(code)
            register_s = self.exchange(0x93)
            self.exchange(0x83)
            self.exchange(register_s)
        return (time.perf_counter() - start) * 1e3

    def close(self):
        termios.tcsetattr(self.fd, termios.TCSANOW, self.saved)
        os.close(self.fd)
