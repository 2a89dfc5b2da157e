#!/usr/bin/env python3
"""ldx7320-scpi's DNS-SD advertisement as the lab's tools see it, through a real Avahi:
found with its port and TXT keys by avahi-browse and lxi discover while it serves beyond
the loopback, gone once it ends by any of the ending signals; a second server on the host
under another name; _vxi-11._tcp when VXI-11 is offered; and a word, once, where there is
no Avahi or no system bus, the server serving all the same; nothing at all on the loopback.

    test_dnssd.py SERVER_PROGRAM

The server runs with --no-vxi11 except where a check asks for VXI-11, inside the test's own
network namespace, where it answers port 111 itself: never the machine's portmapper.

The checks with Avahi run as root in network, mount and host-name namespaces of their own
(the script starts itself again there with unshare): an interface at 10.77.0.1 that is not
the loopback (a dummy, or a veth pair where the kernel has no dummy), a system D-Bus of the
test's own (dbus-daemon on a socket in a temporary folder, named to every program by
DBUS_SYSTEM_BUS_ADDRESS) and an avahi-daemon of its own on that bus, its pid file and socket
in a private /run. The machine's own bus and Avahi are never reached. Where that cannot be
(not root, no namespaces, a package missing) those checks are skipped, saying why, and the
test ends with 77 (CTest: skipped) once the others passed. The checks without Avahi (no
system bus at all, the loopback) run everywhere.

Every wait is for a state: a line a program writes, a service found or gone. Every process
started is ended, asked first and killed after a short grace, and dies with the test."""
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from programs import LIMIT, Program, wait_until  # noqa: E402

SERVER = sys.argv[1]
ADDRESS = "10.77.0.1"
HOST = "ldx-dnssd-test"
INSIDE = "LDX_DNSSD_NAMESPACES"  # set where the script runs in its own namespaces
PROGRAMS = {"dbus-daemon": "dbus-daemon", "avahi-daemon": "avahi-daemon", "avahi-browse": "avahi-utils", "ip": "iproute2"}
VERSION = subprocess.run([SERVER, "--version"], capture_output=True, text=True, check=True).stdout.split()[-1]
TXT = {"txtvers": "1", "Manufacturer": "Lumadex", "Model": "LDX7320", "FirmwareVersion": VERSION}

# A system bus of the test's own: anyone may own any name and call anything.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path={socket}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_type="method_return"/>
    <allow send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
  </policy>
</busconfig>
"""

# Avahi on the test's interface alone, on IPv4 with IPv4 addresses only, publishing nothing
# of its own but the host's address.
AVAHI_CONFIG = """[server]
use-ipv4=yes
use-ipv6=no
allow-interfaces=d0
enable-dbus=yes
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
publish-addresses=yes
publish-aaaa-on-ipv4=no
"""


class Server(Program):
    """ldx7320-scpi on the simulated board, listening where asked on a port of the system's choosing."""

    def __init__(self, test, host, environment, vxi11=False):
        super().__init__([SERVER, "--simulate", "--listen", f"{host}:0"] + ([] if vxi11 else ["--no-vxi11"]), environment)
        test.addCleanup(self.stop)
        self.port = int(self.wait_for_line(r"listening on .*:(\d+)$").rsplit(":", 1)[1])
        self.host = host.strip("[]")

    def identify(self):
        with socket.create_connection((self.host, self.port), timeout=LIMIT) as connection:
            connection.sendall(b"*IDN?\n")
            return connection.makefile().readline().strip()

    def end(self, number=signal.SIGTERM):
        code = super().end(number)
        if self.lines[-1:] != ["ldx7320-scpi: ended"]:
            raise AssertionError(f"the server's last words were not 'ended': {self.lines}")
        return code


def advertised(program):
    """The name and the services a program says it advertised: ("LDX7320 on host", {type: port})."""
    line = program.wait_for_line(r'advertised through DNS-SD as "')
    name, services = re.search(r'advertised through DNS-SD as "(.*)": (.*)$', line).groups()
    return name, {kind: int(port) for kind, port in re.findall(r"(_[\w-]+\._tcp) on port (\d+)", services)}


def unescaped(text):
    """A name as avahi-browse --parsable escapes it (\\032 for a space, \\. for a dot)."""
    return re.sub(rb"\\(\d{3}|.)", lambda m: bytes([int(m[1])]) if m[1].isdigit() else m[1], text.encode()).decode()


def without_bus():
    """An environment whose system bus is a socket that is not there."""
    return dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=f"unix:path={tempfile.gettempdir()}/ldx7320-no-bus-{os.getpid()}")


class TestWithoutAvahi(unittest.TestCase):
    """What needs no Avahi: it runs everywhere, in the namespaces where it can."""

    host = ADDRESS if os.environ.get(INSIDE) else "0.0.0.0"

    def test_without_a_system_bus_it_says_so_once_and_serves(self):
        server = Server(self, self.host, without_bus())
        server.wait_for_line(r"DNS-SD not available \(no system D-Bus: ")
        self.assertEqual(server.identify(), f"Lumadex,LDX7320,simulated board,{VERSION}")
        self.assertEqual(server.end(), 0)
        self.assertEqual(len([line for line in server.lines if "DNS-SD" in line]), 1, server.lines)

    def test_every_ipv6_address_is_beyond_the_loopback_too(self):
        try:
            socket.socket(socket.AF_INET6).close()
        except OSError:
            self.skipTest("no IPv6 here")
        server = Server(self, "[::]", without_bus())
        server.wait_for_line(r"DNS-SD not available \(no system D-Bus: ")  # it would advertise
        self.assertEqual(server.end(), 0)

    def test_on_the_loopback_it_says_nothing(self):
        for host in ("127.0.0.1", "[::1]"):
            with self.subTest(host=host):
                if host == "[::1]" and not has_ipv6_loopback():
                    self.skipTest("no IPv6 loopback here")
                # Without a bus, a server that meant to advertise would say so before serving.
                server = Server(self, host, without_bus())
                self.assertEqual(server.identify(), f"Lumadex,LDX7320,simulated board,{VERSION}")
                self.assertEqual(server.end(), 0)
                self.assertEqual([line for line in server.lines if "DNS-SD" in line], [])


def has_ipv6_loopback():
    try:
        with socket.socket(socket.AF_INET6) as probe:
            probe.bind(("::1", 0))
        return True
    except OSError:
        return False


def why_no_avahi():
    """Why the checks with Avahi cannot run here; None where they can."""
    if os.geteuid() != 0:
        return "not root: they need network namespaces of their own (unshare -n)"
    if not os.environ.get(INSIDE):
        return "no network, mount and host-name namespaces could be made here (unshare -n -m -u)"
    missing = sorted({package for program, package in PROGRAMS.items() if not shutil.which(program)})
    if missing:
        return f"missing: {' '.join(missing)} (scripts/install-missing.sh {' '.join(missing)})"
    return NO_INTERFACE


class WithBus(unittest.TestCase):
    """A system bus of the test's own for the class's tests, ended after them."""

    @classmethod
    def setUpClass(cls):
        if why_no_avahi():
            raise unittest.SkipTest(why_no_avahi())
        cls.folder = tempfile.mkdtemp(prefix="ldx7320-dnssd-")
        cls.addClassCleanup(shutil.rmtree, cls.folder)
        bus_socket = os.path.join(cls.folder, "system_bus_socket")
        config = os.path.join(cls.folder, "bus.conf")
        with open(config, "w", encoding="utf-8") as file:
            file.write(BUS_CONFIG.format(socket=bus_socket))
        cls.environment = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=f"unix:path={bus_socket}")
        cls.bus = Program(["dbus-daemon", f"--config-file={config}", "--nofork", "--print-address"], cls.environment, "stdout")
        cls.addClassCleanup(cls.bus.stop)
        cls.bus.wait_for_line(r"^unix:path=")  # printed once it listens


class TestWithoutAvahiDaemon(WithBus):
    def test_without_avahi_it_says_so_once_and_serves(self):
        server = Server(self, ADDRESS, self.environment)
        server.wait_for_line(r"DNS-SD not available \(no Avahi daemon on the system bus: ")
        self.assertEqual(server.identify(), f"Lumadex,LDX7320,simulated board,{VERSION}")
        self.assertEqual(server.end(), 0)
        self.assertEqual(len([line for line in server.lines if "DNS-SD" in line]), 1, server.lines)


class TestWithAvahi(WithBus):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        config = os.path.join(cls.folder, "avahi-daemon.conf")
        with open(config, "w", encoding="utf-8") as file:
            file.write(AVAHI_CONFIG)
        cls.avahi = Program(["avahi-daemon", "--file", config, "--no-drop-root", "--no-chroot", "--no-rlimits",
                             "--no-proc-title"], cls.environment)
        cls.addClassCleanup(cls.avahi.stop)
        cls.avahi.wait_for_line(r"^Server startup complete\.")

    def browse(self, kind):
        """What avahi-browse finds of that type now, resolved: {name: (address, port, TXT)}."""
        run = subprocess.run(["avahi-browse", "--resolve", "--parsable", "--terminate", "--no-db-lookup", kind],
                             env=self.environment, capture_output=True, text=True, timeout=LIMIT)
        self.assertEqual(run.returncode, 0, run.stderr)
        found = {}
        for line in run.stdout.splitlines():
            fields = line.split(";", 9)
            if fields[0] == "=":
                txt = dict(item.split("=", 1) for item in re.findall(r'"((?:[^"\\]|\\.)*)"', fields[9]))
                found[unescaped(fields[3])] = (fields[7], int(fields[8]), txt)
        return found

    def wait_until_found(self, kind, name):
        return wait_until(lambda: self.browse(kind).get(name), f"found {name} as {kind}")

    def wait_until_gone(self, kind, name):
        wait_until(lambda: name not in self.browse(kind), f"saw {name} as {kind} go")

    def test_the_server_is_found_with_its_port_and_txt_keys(self):
        server = Server(self, ADDRESS, self.environment)
        name, services = advertised(server)
        self.assertEqual(name, f"LDX7320 on {HOST}")
        # With --no-vxi11, the raw socket alone.
        self.assertEqual(services, {"_scpi-raw._tcp": server.port})
        self.assertEqual(self.wait_until_found("_scpi-raw._tcp", name), (ADDRESS, server.port, TXT))
        self.assertNotIn(name, self.browse("_vxi-11._tcp"))
        self.assertEqual(server.identify(), f"Lumadex,LDX7320,simulated board,{VERSION}")
        self.assertEqual(server.end(), 0)

    def test_lxi_discover_lists_it(self):
        if not shutil.which("lxi"):
            self.skipTest("no lxi (scripts/install-missing.sh lxi-tools)")
        server = Server(self, ADDRESS, self.environment)
        name, _ = advertised(server)
        expected = f'Found "{name}" on address {ADDRESS}\n    scpi-raw service on port {server.port}\n'

        def listed():
            run = subprocess.run(["lxi", "discover", "--mdns", "--timeout", "1"], env=self.environment,
                                 capture_output=True, text=True, timeout=LIMIT)
            return expected in run.stdout
        wait_until(listed, f"listed by lxi discover: {expected!r}")
        self.assertEqual(server.end(), 0)

    def test_every_ending_signal_withdraws_it(self):
        for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=number):
                server = Server(self, ADDRESS, self.environment)
                name, _ = advertised(server)
                self.wait_until_found("_scpi-raw._tcp", name)
                self.assertEqual(server.end(number), 0)
                self.wait_until_gone("_scpi-raw._tcp", name)

    def test_listening_on_every_address_advertises_too(self):
        server = Server(self, "0.0.0.0", self.environment)
        name, _ = advertised(server)
        self.assertEqual(self.wait_until_found("_scpi-raw._tcp", name), (ADDRESS, server.port, TXT))
        self.assertEqual(server.end(), 0)

    def test_a_second_server_on_the_host_takes_another_name(self):
        first = Server(self, ADDRESS, self.environment)
        first_name, _ = advertised(first)
        second = Server(self, ADDRESS, self.environment)
        second_name, _ = advertised(second)
        self.assertEqual((first_name, second_name), (f"LDX7320 on {HOST}", f"LDX7320 on {HOST} #2"))
        self.assertEqual(self.wait_until_found("_scpi-raw._tcp", second_name), (ADDRESS, second.port, TXT))
        self.assertEqual(self.wait_until_found("_scpi-raw._tcp", first_name), (ADDRESS, first.port, TXT))
        self.assertEqual(second.end(), 0)
        self.assertEqual(first.end(), 0)

    def test_vxi11_when_offered(self):
        server = Server(self, ADDRESS, self.environment, vxi11=True)
        server.wait_for_line(r"VXI-11 on 10\.77\.0\.1:\d+ \(inst0\), portmapper answered here on port 111$")
        name, services = advertised(server)
        self.assertEqual(services, {"_scpi-raw._tcp": server.port, "_vxi-11._tcp": 111})
        self.assertEqual(self.wait_until_found("_vxi-11._tcp", name), (ADDRESS, 111, TXT))
        self.assertEqual(self.wait_until_found("_scpi-raw._tcp", name), (ADDRESS, server.port, TXT))
        self.assertEqual(server.end(), 0)
        self.wait_until_gone("_vxi-11._tcp", name)

    # An instance name is one DNS label: the host's first label, the whole cut to 63 bytes.
    def test_a_long_host_name_is_cut_to_one_label(self):
        label = "bench-" + "x" * 51
        socket.sethostname(f"{label}.lab")
        try:
            server = Server(self, ADDRESS, self.environment)
            name, _ = advertised(server)  # the host's name taken
        finally:
            socket.sethostname(HOST)
        self.assertEqual(name, f"LDX7320 on {label}"[:63])
        self.assertEqual(self.wait_until_found("_scpi-raw._tcp", name)[1], server.port)
        self.assertEqual(server.end(), 0)


def make_interface():
    """The namespace's own network: the loopback, and an interface at ADDRESS that is not
    the loopback and takes multicast, as Avahi needs. None, or why there is none."""
    for command in (["ip", "link", "set", "lo", "up"], ["ip", "link", "add", "d0", "type", "dummy"]):
        subprocess.run(command, capture_output=True)
    if subprocess.run(["ip", "link", "show", "d0"], capture_output=True).returncode != 0:
        for command in (["ip", "link", "add", "d0", "type", "veth", "peer", "name", "d1"], ["ip", "link", "set", "d1", "up"]):
            subprocess.run(command, capture_output=True)
    for command in (["ip", "link", "set", "d0", "multicast", "on", "up"], ["ip", "addr", "add", f"{ADDRESS}/24", "dev", "d0"]):
        run = subprocess.run(command, capture_output=True, text=True)
        if run.returncode != 0:
            return f"no interface for Avahi in the namespace: {' '.join(command)}: {run.stderr.strip()}"
    return None


def enter_namespaces():
    """As root, starts the script again in namespaces of its own, where they can be made."""
    if os.environ.get(INSIDE) or os.geteuid() != 0 or not shutil.which("unshare"):
        return
    if subprocess.run(["unshare", "--net", "--mount", "--uts", "true"], capture_output=True).returncode != 0:
        return
    os.execvpe("unshare", ["unshare", "--net", "--mount", "--uts", "--", sys.executable, *sys.argv],
               dict(os.environ, **{INSIDE: "1"}))


def set_up_namespaces():
    """The host's name, a private /run (avahi-daemon's pid file and socket), the network."""
    if not os.environ.get(INSIDE):
        return None
    socket.sethostname(HOST)
    subprocess.run(["mount", "-t", "tmpfs", "tmpfs", "/run"], check=True)
    return make_interface() if shutil.which("ip") else None


if __name__ == "__main__":
    enter_namespaces()
    NO_INTERFACE = set_up_namespaces()
    result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    if not result.wasSuccessful():
        sys.exit(1)
    if why_no_avahi():
        print(f"skipped: the checks with Avahi: {why_no_avahi()}")
        sys.exit(77)
