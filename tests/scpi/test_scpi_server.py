#!/usr/bin/env python3
"""ldx7320-scpi as the lab drives it: PyVISA (with the pyvisa-py backend) and raw sockets,
against the simulated board and against a board on a pseudo-terminal behind a symbolic
link that is unplugged and plugged back. Bad input, many clients, a misbehaving board and
the ending signals. Every wait is for a state: a line the server writes, an answer, bytes
at the board.

    test_scpi_server.py SERVER_PROGRAM README"""
import os
import re
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest

import pyvisa

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from ptyboard import PtyBoard  # noqa: E402
from programs import LIMIT, Program, stop_all  # noqa: E402

PROGRAM, README = sys.argv[1], sys.argv[2]


class Server(Program):
    """The program, listening on a port of the system's choosing, without VXI-11 (port 111 is
    the machine's: test_vxi11_server.py takes it in a namespace of its own)."""

    def __init__(self, *arguments):
        super().__init__([PROGRAM, "--listen", "127.0.0.1:0", "--no-vxi11", *arguments])
        listening = self.wait_for_line(r"listening on 127\.0\.0\.1:(\d+)")
        self.port = int(re.search(r":(\d+)$", listening).group(1))

    def visa(self):
        resource = pyvisa.ResourceManager("@py").open_resource(
            f"TCPIP::127.0.0.1::{self.port}::SOCKET", read_termination="\n", write_termination="\n")
        resource.timeout = LIMIT * 1000
        return resource

    def connect(self):
        connection = socket.create_connection(("127.0.0.1", self.port), timeout=LIMIT)
        return connection, connection.makefile("rb")

    def end(self, number=signal.SIGTERM):
        """Its exit code, once the signal has ended it and it has said so."""
        code = super().end(number)
        if self.lines[-1:] != ["ldx7320-scpi: ended"]:
            raise AssertionError(f"the server's last words were not 'ended': {self.lines}")
        return code


def ask(connection, reader, line):
    connection.sendall(line)
    return reader.readline().decode().rstrip("\n")


def wait_until(state, what):
    """Looks again and again until the state holds; the limit only bounds a wait that failed."""
    deadline = time.monotonic() + LIMIT
    while not state():
        if time.monotonic() > deadline:
            raise AssertionError(f"never {what}")
        time.sleep(0.001)


def stopped(pid):
    with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
        return stat.read().rsplit(")", 1)[1].split()[0] == "T"


def close_waiting(server_port, client_port):
    """Whether the server's end of that connection has the client's FIN (CLOSE_WAIT)."""
    with open("/proc/net/tcp", encoding="ascii") as table:
        rows = [row.split() for row in table.readlines()[1:]]
    return any(row[1].endswith(f":{server_port:04X}") and row[2].endswith(f":{client_port:04X}") and row[3] == "08"
               for row in rows)


class TestScpiServer(unittest.TestCase):
    def tearDown(self):
        stop_all()

    def test_the_readmes_pyvisa_example_runs_as_printed(self):
        with open(README, encoding="utf-8") as readme:
            example = re.search(r"## Lab automation.*?```python\n(.*?)```", readme.read(), re.S).group(1)
        server = Server("--simulate")
        run = subprocess.run([sys.executable, "-c", example.replace("5025", str(server.port))],
                             capture_output=True, text=True, timeout=LIMIT * 5)
        self.assertEqual(run.returncode, 0, run.stderr)
        lines = run.stdout.splitlines()
        self.assertEqual(lines[0], "Lumadex,LDX7320,simulated board,1.0.0.1")
        self.assertEqual(lines[1:3], [" 0    0.5 mA", " 1    1.0 mA"])
        self.assertEqual(lines[-1], "63   32.0 mA")
        self.assertEqual(server.end(), 0)

    def test_a_sweep_with_read_back_and_errors_read_back(self):
        server = Server("--simulate")
        board = server.visa()
        board.write("LED A1,A2;OUTP ON")
        for code in range(64):
            board.write(f"CURR:A {(code * 0.5 + 0.5) / 1000}")
            self.assertEqual(board.query("CURR:A:CODE?"), str(code))
        board.write("CURR:A 12.3MA")
        board.write("VOLT 5")
        self.assertEqual(board.query("SYST:ERR?").split(",")[0], "-222")
        self.assertEqual(board.query("SYST:ERR?").split(",")[0], "-113")
        self.assertEqual(board.query("SYST:ERR?"), '0,"No error"')
        self.assertEqual(board.query("REG:S?;OUTP?;CURR:A?"), "3;1;3.20E-02")
        board.close()
        self.assertEqual(server.end(), 0)

    def test_the_board_unplugged_and_plugged_back(self):
        with tempfile.TemporaryDirectory() as folder:
            port = os.path.join(folder, "board")
            first = PtyBoard()
            os.symlink(first.path, port)
            server = Server("--port", port)
            server.wait_for_line(f"^ldx7320-scpi: board found on {re.escape(port)}$")
            board = server.visa()
            self.assertEqual(board.query("*IDN?"), f"Lumadex,LDX7320,{port},1.0.0.1")
            board.write("CURR:B:CODE 7")
            self.assertEqual(board.query("*OPC?"), "1")  # done, and nothing runs meanwhile
            self.assertEqual(first.drained(), "bb 81 07 93 83 00")
            # The device's name goes with it: a pseudo-terminal's number, once free, is soon
            # another test's, which the server must not find when it looks again.
            os.remove(port)
            first.unplug()
            self.assertEqual(board.query("CURR:B:CODE?"), "9.91E37")
            self.assertTrue(board.query("SYST:ERR?").startswith('-240,"Hardware error;'))
            server.wait_for_line(f"^ldx7320-scpi: board lost on {re.escape(port)}: a byte could not be exchanged")
            self.assertEqual(board.query("REG:S?"), "9.91E37")
            self.assertEqual(board.query("SYST:ERR?"), '-240,"Hardware error;no board"')
            second = PtyBoard()
            second.registers[1] = 7
            os.symlink(second.path, port)
            self.assertEqual(board.query("CURR:B:CODE?"), "7")
            self.assertEqual(second.drained(), "bb 91")
            board.close()
            self.assertEqual(server.end(), 0)
            self.assertEqual(second.drained(), "bb 91")  # nothing more at the end

    # The status byte as lab drivers poll it over a socket (NI-VISA's "read STB" sends
    # *STB? on a socket resource too): *ESE and *SRE chosen, an error, then its bits; *OPC
    # then the event summary awaited.
    def test_the_status_byte_as_a_lab_driver_polls_it(self):
        server = Server("--simulate")
        board = server.visa()
        status = lambda: int(board.query("*STB?"))
        self.assertEqual(status(), 0)
        board.write("*CLS;*ESE 60;*SRE 32")
        board.write("CURR:A 12.3MA")  # an execution error
        self.assertEqual(status(), 100)  # the error queue 4, the event summary 32, the request 64
        self.assertEqual(status(), 100)  # and nothing cleared
        self.assertEqual(board.query("*ESR?"), "16")
        self.assertEqual(board.query("SYST:ERR:COUN?"), "1")
        self.assertTrue(board.query("SYST:ERR?").startswith('-222,"Data out of range'))
        self.assertEqual(status(), 0)
        board.write("*ESE 1;*OPC")
        wait_until(lambda: status() & 32, "the event summary")
        self.assertEqual(board.query("*ESR?"), "1")
        self.assertEqual(board.query("*TST?"), "0")
        board.close()
        self.assertEqual(server.end(), 0)

    # A client that sends hundreds of lines before it reads gets every answer, in order:
    # the server stops reading it at 32 waiting lines and takes the rest in as they run.
    def test_a_client_that_runs_far_ahead_is_answered_in_order(self):
        server = Server("--simulate")
        connection, reader = server.connect()
        codes = [number % 64 for number in range(600)]
        connection.sendall(b"".join(f"CURR:A:CODE {code};CURR:A:CODE?\n".encode() for code in codes))
        answers = [reader.readline().decode().rstrip("\n") for _ in codes]
        self.assertEqual(answers, [str(code) for code in codes])
        reader.close()
        connection.close()
        self.assertEqual(server.end(), 0)

    # A board that answers wrongly is lost, and looked for again at the next command.
    def test_a_board_that_answers_wrongly(self):
        board = PtyBoard()
        board.answer = lambda byte: b"k" if byte == 0x83 else board.board_answer(byte)
        server = Server("--port", board.path, "--trace")
        connection, reader = server.connect()
        self.assertEqual(ask(connection, reader, b"LED A1;*OPC?\n"), "1")
        server.wait_for_line(r"  sent 0x83  received 0x6B")  # the trace, on standard error
        self.assertTrue(ask(connection, reader, b"SYST:ERR?\n").startswith('-240,"Hardware error;the board answered 0x6B to 0x83 instead of 0x4B (ACK)'))
        self.assertEqual(ask(connection, reader, b"CURR:C:CODE?\n"), "0")
        self.assertEqual(board.drained(), "bb 83 bb 92")
        reader.close()
        connection.close()
        self.assertEqual(server.end(), 0)

    # The server keeps running, answers every well-formed query, and sends the board nothing
    # for what was not a command.
    def test_bad_input(self):
        board = PtyBoard()
        server = Server("--port", board.path)
        server.wait_for_line("board found on")
        silent, _ = server.connect()
        leaving, _ = server.connect()
        leaving.sendall(b"CURR:A:CODE 5")  # and goes before the line ends
        leaving.close()
        connection, reader = server.connect()
        connection.sendall(bytes(range(256)) + b"\n" + b"\0\0\0\n" + b"LED " + b"A1," * 35000 + b"A1\n")
        self.assertEqual(ask(connection, reader, b"*IDN?\r\n"), f"Lumadex,LDX7320,{board.path},1.0.0.1")
        # The bytes 0 to 255 are two lines (a LF among them), the NULs a third: each a syntax error.
        errors = [ask(connection, reader, b"SYST:ERR?\n") for _ in range(5)]
        self.assertEqual([error.split(",")[0] for error in errors], ["-102", "-102", "-102", "-223", "0"])
        self.assertEqual(board.drained(), "bb")
        reader.close()
        connection.close()
        silent.close()
        self.assertEqual(server.end(), 0)

    # At most 8 at once: the others are refused, the 8 served each their own answers.
    def test_fifty_clients_at_once(self):
        server = Server("--simulate")
        connections = [server.connect() for _ in range(50)]
        answered, refused = 0, 0
        for number, (connection, reader) in enumerate(connections):
            try:
                connection.sendall(b"REG:S?;*OPC?\n")
                answer = reader.readline()
            except OSError:
                answer = b""
            if answer:
                self.assertEqual(answer, b"0;1\n", number)
                answered += 1
            else:
                refused += 1
        self.assertEqual((answered, refused), (8, 42))
        for connection, reader in connections:
            reader.close()
            connection.close()
        self.assertEqual(server.end(), 0)

    # A client that resets its connection leaves as one that closes it does.
    def test_a_client_that_resets_its_connection_leaves(self):
        server = Server("--simulate")
        connection, reader = server.connect()
        connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.assertEqual(ask(connection, reader, b"*OPC?\n"), "1")
        reader.close()
        connection.close()
        server.wait_for_line(r"client 127\.0\.0\.1:\d+ left")
        self.assertEqual(server.end(), 0)

    # A client that leaves loses the lines it has not had run: none of them reaches the board.
    # The server is stopped while the client sends them and goes, so that it finds both at once.
    def test_a_client_that_leaves_loses_its_lines(self):
        board = PtyBoard()
        server = Server("--port", board.path)
        server.wait_for_line("board found on")
        leaving, reader = server.connect()
        self.assertEqual(ask(leaving, reader, b"*OPC?\n"), "1")
        server.wait_for_line(r"client 127\.0\.0\.1:\d+ connected \(1 of 8\)")
        client_port = leaving.getsockname()[1]
        server.process.send_signal(signal.SIGSTOP)
        wait_until(lambda: stopped(server.process.pid), "stopped")
        leaving.sendall(b"OUTP ON\nLED A1\n")
        reader.close()
        leaving.close()
        wait_until(lambda: close_waiting(server.port, client_port), "closed")
        server.process.send_signal(signal.SIGCONT)
        server.wait_for_line(r"client 127\.0\.0\.1:\d+ left")
        staying, reader = server.connect()
        self.assertEqual(ask(staying, reader, b"*OPC?\n"), "1")
        reader.close()
        staying.close()
        self.assertEqual(server.end(), 0)
        self.assertEqual(board.drained(), "bb")

    def test_a_port_that_is_taken_is_said(self):
        with socket.create_server(("127.0.0.1", 0)) as taken:
            run = subprocess.run([PROGRAM, "--simulate", "--listen", f"127.0.0.1:{taken.getsockname()[1]}"],
                                 capture_output=True, text=True, timeout=LIMIT)
        self.assertEqual(run.returncode, 1)
        self.assertIn("ldx7320-scpi: cannot listen on 127.0.0.1:", run.stderr)

    def test_no_address_to_listen_on(self):
        for address in ("127.0.0.1:65536", "[::1:5025", "127.0.0.1:"):
            with self.subTest(address=address):
                run = subprocess.run([PROGRAM, "--simulate", "--listen", address], capture_output=True, text=True, timeout=LIMIT)
                self.assertEqual(run.returncode, 1)
                self.assertIn(f"'{address}' is no address to listen on", run.stderr)

    def test_listen_without_an_address_is_a_usage_error(self):
        run = subprocess.run([PROGRAM, "--simulate", "--listen"], capture_output=True, text=True, timeout=LIMIT)
        self.assertEqual(run.returncode, 2)
        self.assertTrue(run.stderr.startswith("ldx7320-scpi: --listen needs [HOST:]PORT\nusage: ldx7320-scpi "), run.stderr)

    def test_every_ending_signal_closes_the_port(self):
        for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=number):
                board = PtyBoard()
                server = Server("--port", board.path)
                server.wait_for_line("board found on")
                name = "LCK.." + board.path[5:].replace("/", "_")
                locked = lambda: any(os.path.exists(os.path.join(folder, name)) for folder in ("/var/lock", tempfile.gettempdir()))
                self.assertTrue(locked())
                self.assertEqual(server.end(number), 0)
                self.assertFalse(locked())
                self.assertEqual(board.drained(), "bb")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
