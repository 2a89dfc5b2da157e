#!/usr/bin/env python3
"""ldx7320-scpi's VXI-11 front door as the lab's clients reach it: PyVISA (pyvisa-py) on
TCPIP::127.0.0.1::INSTR, lxi-tools (lxi scpi, lxi discover), rpcinfo, and a plain RPC client
for what those never send. The portmapper's three cases: the system's rpcbind, the one
answered on port 111 here, and none. Port 111 is the machine's: the whole file runs in a
network and mount namespace of its own (unshare -n -m, as root), with the loopback up and
able to broadcast, and rpcbind's files private to it; without root it skips.

    test_vxi11_server.py SERVER_PROGRAM"""
import os
import re
import signal
import socket
import subprocess
import sys
import unittest

SKIP = 77
MARK = "LDX_VXI11_NAMESPACE"
if os.environ.get(MARK) != "1":
    if os.geteuid() != 0 or subprocess.run(["unshare", "-n", "-m", "true"], capture_output=True).returncode != 0:
        print("skipped: the VXI-11 tests take port 111 in a network namespace of their own, which needs root (unshare -n -m)")
        sys.exit(SKIP)
    os.execvpe("unshare", ["unshare", "-n", "-m", "--propagation", "private", sys.executable, *sys.argv], {**os.environ, MARK: "1"})

subprocess.run("ip link set lo up && ip addr del 127.0.0.1/8 dev lo && ip addr add 127.0.0.1/8 brd + dev lo"
               " && mount -t tmpfs tmpfs /run && mkdir -p /run/lock /run/rpcbind", shell=True, check=True)

import pyvisa  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import vxi11client as vxi  # noqa: E402
from programs import LIMIT, Program, stop_all, wait_until  # noqa: E402

PROGRAM = sys.argv[1]
# Servers listening beyond the loopback advertise themselves over the system D-Bus: here on a
# bus that is not there, never the machine's (its Avahi stays out of these tests).
os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=/nonexistent/ldx7320-no-bus"
VXI11_LINE = r"VXI-11 on [\d.]+:(\d+) \(inst0\), (.*)$"


class Server(Program):
    def __init__(self, *arguments, listen="127.0.0.1:0", prefix=()):
        super().__init__([*prefix, PROGRAM, "--simulate", "--listen", listen, *arguments])
        self.port = int(self.wait_for_line(r"listening on [\d.]+:(\d+)").rsplit(":", 1)[1])

    def vxi11(self):
        """The core channel's port and how it is found, as the server says."""
        match = re.search(VXI11_LINE, self.wait_for_line(VXI11_LINE))
        return int(match.group(1)), match.group(2)

    def end(self, number=signal.SIGTERM):
        code = super().end(number)
        if self.lines[-1:] != ["ldx7320-scpi: ended"]:
            raise AssertionError(f"the server's last words were not 'ended': {self.lines}")
        return code


def rpcbind():
    """The system's portmapper, in this namespace only; ready once it answers."""
    daemon = Program(["rpcbind", "-f", "-w"])
    wait_until(lambda: rpcinfo().returncode == 0, "rpcbind answering")
    return daemon


def rpcinfo():
    return subprocess.run(["rpcinfo", "-p", "127.0.0.1"], capture_output=True, text=True, timeout=LIMIT)


def visa(timeout=LIMIT * 1000):
    resource = pyvisa.ResourceManager("@py").open_resource("TCPIP::127.0.0.1::INSTR", read_termination="\n")
    resource.timeout = timeout
    return resource


class TestVxi11Server(unittest.TestCase):
    def tearDown(self):
        while vxi.opened:
            vxi.opened.pop().close()
        stop_all()

    def test_pyvisa_identifies_sweeps_polls_clears_and_times_out(self):
        server = Server()
        self.assertEqual(server.vxi11()[1], "portmapper answered here on port 111")
        board = visa()
        self.assertEqual(board.query("*IDN?"), "Lumadex,LDX7320,simulated board,1.0.0.1")
        board.write("LED A1;OUTP ON")
        for code in range(64):
            board.write(f"CURR:A:CODE {code}")
            self.assertEqual(board.query("CURR:A?"), f"{(code + 1) * 0.5 / 1000:.2E}", code)
        board.write("*ESE 60;*SRE 32;CURR:A 12.3MA")
        wait_until(lambda: board.read_stb() == 100, "the status byte 100 (error queue, event summary, request)")
        self.assertTrue(board.query("SYST:ERR?").startswith("-222,"))
        board.write("*IDN?")
        wait_until(lambda: board.read_stb() & 16, "the message available")
        board.clear()
        self.assertEqual(board.read_stb(), 96)  # the answer dropped; the event summary and the request stay
        board.timeout = 200
        with self.assertRaises(pyvisa.errors.VisaIOError) as raised:
            board.read()
        self.assertEqual(raised.exception.error_code, pyvisa.constants.StatusCode.error_timeout)
        board.timeout = LIMIT * 1000
        self.assertEqual(board.query("*ESR?;CURR:A:CODE?"), "16;63")
        board.close()
        self.assertEqual(server.end(), 0)

    def test_lxi_tools_find_and_ask_it(self):
        server = Server(listen="0.0.0.0:0")  # broadcasts reach a portmapper on the any-address
        server.vxi11()
        asked = subprocess.run(["lxi", "scpi", "-a", "127.0.0.1", "*IDN?"], capture_output=True, text=True, timeout=LIMIT)
        self.assertEqual(asked.stdout.strip(), "Lumadex,LDX7320,simulated board,1.0.0.1", asked.stderr)
        found = subprocess.run(["lxi", "discover"], capture_output=True, text=True, timeout=LIMIT)
        self.assertIn('Found "Lumadex,LDX7320,simulated board,1.0.0.1" on address 127.0.0.1', found.stdout)
        self.assertEqual(server.end(), 0)

    # Registered with the system's portmapper while it runs, and gone from it after, for
    # every way the program ends.
    def test_registered_with_rpcbind_until_it_ends(self):
        daemon = rpcbind()
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=number):
                server = Server()
                core_port, how = server.vxi11()
                self.assertEqual(how, "registered with the system's portmapper")
                self.assertRegex(rpcinfo().stdout, rf"395183\s+1\s+tcp\s+{core_port}\b")
                self.assertEqual(visa().query("*IDN?"), "Lumadex,LDX7320,simulated board,1.0.0.1")
                self.assertEqual(server.end(number), 0)
                self.assertNotIn("395183", rpcinfo().stdout)
        daemon.stop()

    def test_not_offered_where_port_111_cannot_be_had(self):
        # Its TCP or its UDP port 111 held by another program, or no right to either.
        holders = {"TCP taken by another program": (socket.SOCK_STREAM, ""),
                   "UDP taken by another program": (socket.SOCK_DGRAM, ""),
                   "not ours to take": (socket.SOCK_DGRAM, "nobody")}
        for case, (kind, user) in holders.items():
            with self.subTest(case=case):
                taken = socket.socket(socket.AF_INET, kind)
                if not user:
                    taken.bind(("127.0.0.1", 111))
                    if kind == socket.SOCK_STREAM:
                        taken.listen()
                prefix = ("setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups") if user else ()
                if user and subprocess.run([*prefix, PROGRAM, "--version"], capture_output=True).returncode != 0:
                    print(f"skipped: {case}: user nobody cannot run {PROGRAM}")
                    taken.close()
                    continue
                server = Server(prefix=prefix)
                said = server.wait_for_line("VXI-11 not offered")
                self.assertRegex(said, r"port 111, where clients ask for it, cannot be taken here \(.+\); no portmapper runs on "
                                       r"this computer: install and start rpcbind \(Debian: sudo apt install rpcbind\), or let "
                                       r"this program take port 111: sudo setcap cap_net_bind_service=\+ep /")
                with socket.create_connection(("127.0.0.1", server.port), timeout=LIMIT) as raw:
                    raw.sendall(b"*IDN?\n")
                    self.assertEqual(raw.makefile().readline(), "Lumadex,LDX7320,simulated board,1.0.0.1\n")
                self.assertEqual(server.end(), 0)
                self.assertEqual(sum("VXI-11" in line for line in server.lines), 1)
                taken.close()

    def test_eight_links_at_once_and_the_ninth_refused(self):
        server = Server()
        core_port, _ = server.vxi11()
        links = [vxi.Link(core_port) for _ in range(8)]
        self.assertEqual([link.error for link in links], [0] * 8)
        self.assertEqual(len({link.id for link in links}), 8)
        ninth = vxi.Link(core_port)
        self.assertEqual(ninth.error, 9)
        server.wait_for_line(r"VXI-11 link from 127\.0\.0\.1:\d+ refused: 8 links are open already")
        self.assertEqual(links[3].destroy(), 0)
        self.assertEqual(vxi.Link(core_port, device=b"INST0").error, 0)
        self.assertEqual(vxi.Link(core_port, device=b"inst1").error, 3)
        self.assertEqual(server.end(), 0)

    # Each link its own error queue and answers; the board one for every front door.
    def test_the_raw_socket_and_vxi11_at_once(self):
        server = Server()
        core_port, _ = server.vxi11()
        link = vxi.Link(core_port)
        with socket.create_connection(("127.0.0.1", server.port), timeout=LIMIT) as raw:
            lines = raw.makefile()
            raw.sendall(b"VOLT 5;CURR:A:CODE 9\n")
            self.assertEqual(link.query("CURR:A:CODE 17;SYST:ERR?"), '0,"No error"')
            raw.sendall(b"CURR:A:CODE?;SYST:ERR?\n")
            self.assertEqual(lines.readline(), '17;-113,"Undefined header;VOLT"\n')
        self.assertEqual(link.query("CURR:A:CODE?;*ESR?"), "17;0")
        self.assertEqual(server.end(), 0)

    def test_reads_take_their_size_their_end_and_their_term_char(self):
        server = Server()
        link = vxi.Link(server.vxi11()[0])
        self.assertEqual(link.write(b"*ID", flags=0), (0, 3))  # held until END
        self.assertEqual(link.write(b"N?", flags=vxi.END), (0, 2))
        self.assertEqual(link.read(size=8), (0, vxi.REQCNT, b"Lumadex,"))
        self.assertEqual(link.read(size=9, flags=vxi.TERMCHRSET, term_char=ord(",")), (0, vxi.CHR, b"LDX7320,"))
        self.assertEqual(link.read(), (0, vxi.REASON_END, b"simulated board,1.0.0.1\n"))
        self.assertEqual(link.read(io_timeout=0), (15, 0, b""))
        self.assertEqual(link.write(b"*IDN?;*OPC?\n" * 2), (0, 24))  # two lines, two answers
        self.assertEqual(link.read()[2], b"Lumadex,LDX7320,simulated board,1.0.0.1;1\n")
        self.assertEqual(link.read()[2], b"Lumadex,LDX7320,simulated board,1.0.0.1;1\n")
        self.assertEqual(server.end(), 0)

    def test_a_clear_drops_what_waits_both_ways(self):
        server = Server("--paced")  # the lines take the wire's time
        link = vxi.Link(server.vxi11()[0])
        link.write(b"*IDN?\n")
        wait_until(lambda: link.readstb() == (0, 16), "the message available")
        # A line of a second of the wire's time, and one behind it: the clear comes while the
        # first waits or runs, never after it (a line runs whole: 0 or 6, never 5), and the
        # second never runs.
        link.write(b"CURR:A:CODE 5;*OPC?;" + b"CURR:A:CODE 6;" * 100 + b"*IDN?\n")
        for _ in range(29):  # with the answer held, one short of the link's 32
            link.write(b"CURR:A:CODE 7;*OPC?\n")
        self.assertEqual(link.generic(vxi.DEVICE_CLEAR), 0)
        self.assertEqual(link.readstb(), (0, 0))  # the answer it held is gone
        self.assertEqual(link.read(io_timeout=0), (15, 0, b""))
        self.assertIn(link.query("*OPC?;CURR:A:CODE?"), ("1;0", "1;6"))  # and those coming
        # The lines dropped no longer count against the link: 30 more are taken at once.
        for number in range(30):
            self.assertEqual(link.write(b"CURR:A:CODE 8\n", io_timeout=0), (0, 14), f"line {number}")
        self.assertEqual(link.query("*OPC?;CURR:A:CODE?"), "1;8")
        self.assertEqual(server.end(), 0)

    def test_the_lock(self):
        server = Server()
        core_port, _ = server.vxi11()
        holder, other = vxi.Link(core_port), vxi.Link(core_port)
        self.assertEqual(holder.lock(), 0)
        self.assertEqual(other.write(b"*OPC?\n", flags=vxi.END), (11, 0))  # no waitlock: refused at once
        self.assertEqual(other.write(b"*OPC?\n", flags=vxi.END | vxi.WAITLOCK, lock_timeout=0), (11, 0))
        self.assertEqual(other.lock(lock_timeout=10), 11)
        self.assertEqual(other.unlock(), 12)
        self.assertEqual(vxi.Link(core_port, lock=True, lock_timeout=0).error, 11)
        xid = other.send_write(b"*OPC?\n", flags=vxi.END | vxi.WAITLOCK, lock_timeout=LIMIT * 1000)
        self.assertEqual(holder.query("*IDN?"), "Lumadex,LDX7320,simulated board,1.0.0.1")  # the holder goes on
        self.assertEqual(holder.unlock(), 0)
        self.assertEqual(vxi.unpack_words(other.rpc.reply(xid), 2), (0, 6))
        self.assertEqual(other.read()[2], b"1\n")
        self.assertEqual(other.lock(), 0)
        other.destroy()  # a link that goes releases its lock
        self.assertEqual(vxi.Link(core_port, lock=True).error, 0)
        self.assertEqual(server.end(), 0)

    def test_an_abort_ends_a_waiting_read_and_the_status_byte_is_answered_meanwhile(self):
        server = Server()
        core_port, _ = server.vxi11()
        reader, poller = vxi.Link(core_port), vxi.Link(core_port)
        xid = reader.send_read(io_timeout=LIMIT * 1000)
        self.assertEqual(poller.readstb(), (0, 0))
        self.assertEqual(reader.abort(), 0)
        self.assertEqual(reader.read_reply(xid), (23, 0, b""))
        self.assertEqual(reader.query("*OPC?"), "1")
        self.assertEqual(server.end(), 0)

    def test_what_is_not_supported(self):
        server = Server()
        link = vxi.Link(server.vxi11()[0])
        for procedure in (vxi.DEVICE_TRIGGER, vxi.DEVICE_REMOTE, vxi.DEVICE_LOCAL):
            self.assertEqual(link.generic(procedure), 8, procedure)
        calls = {vxi.DEVICE_ENABLE_SRQ: vxi.words(link.id, 1) + vxi.opaque(b"handle"),
                 vxi.DEVICE_DOCMD: vxi.words(link.id, 0, 1000, 0, 0x20000, 0, 0) + vxi.opaque(b""),
                 vxi.CREATE_INTR_CHAN: vxi.words(0x7F000001, 1234, 0x0607B1, 1, 0),
                 vxi.DESTROY_INTR_CHAN: b""}
        for procedure, arguments in calls.items():
            self.assertEqual(vxi.unpack_words(link.rpc.call(vxi.CORE, 1, procedure, arguments), 1)[0], 8, procedure)
        self.assertEqual(server.end(), 0)

    # A link whose client goes while its lines run loses them and their answers; the next
    # link gets only its own.
    def test_a_link_that_goes_away_mid_command(self):
        server = Server("--paced")
        core_port, _ = server.vxi11()
        leaving = vxi.Link(core_port)
        leaving.write(b"CURR:A:CODE 3;*IDN?\n" * 20)
        leaving.rpc.close()
        server.wait_for_line(rf"VXI-11 link {leaving.id} of 127\.0\.0\.1:\d+ left")
        staying = vxi.Link(core_port)
        self.assertEqual(staying.query("*OPC?;SYST:ERR?"), '1;0,"No error"')
        self.assertEqual(staying.read(io_timeout=0), (15, 0, b""))
        self.assertEqual(server.end(), 0)

    # A malformed call gets its error and the connection goes on; broken record marking
    # ends the connection, and the server serves on.
    def test_malformed_calls_and_records(self):
        server = Server()
        core_port, _ = server.vxi11()
        rpc = vxi.Rpc(core_port)
        rpc.send_record(vxi.record(vxi.words(5, 0, 3, vxi.CORE, 1, 0)))
        self.assertEqual(rpc.read_record(), vxi.words(5, 1, 1, 0, 2, 2))  # RPC_MISMATCH
        with self.assertRaises(vxi.RpcError) as raised:
            rpc.call(vxi.CORE, 1, vxi.DEVICE_WRITE, vxi.words(1, 2))
        self.assertEqual(raised.exception.args[0][5], 4)  # GARBAGE_ARGS
        self.assertEqual(rpc.call(vxi.CORE, 1, 0), b"")
        rpc.send_record(vxi.words(0xFFFFFFFF))
        with self.assertRaises(ConnectionError):
            rpc.read_record()
        rpc.close()
        self.assertEqual(vxi.getport(), core_port)
        self.assertEqual(vxi.Link(core_port).query("*OPC?"), "1")
        self.assertEqual(server.end(), 0)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
