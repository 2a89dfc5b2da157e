"""A QEMU guest (TCG, no KVM) on Debian's kernel and the initramfs of make-initramfs.sh,
with the host's root read-only over 9p and one serial device whose far end is a
pseudo-terminal of the host's: a 16550 (the guest's ttyS1, driver 8250) or an FTDI FT232
on an xHCI controller (the guest's ttyUSB0, driver ftdi_sio). It runs one job, a shell
script in its job folder, and powers off; the monitor (QMP) can pull the adapter out.

The guest's devices are QEMU's: nothing here opens a serial line of the host.
LDX_QEMU_WRAP, when set, goes before QEMU's command: "strace -f -o FILE" to see it fail."""
import json
import os
import signal
import socket
import subprocess
import tempfile

FTDI_ID = "ftdi"


class Guest:
    """Started by start(); ended, whatever happened, by stop(). job_dir holds the job, what
    the guest writes, and the console and QEMU's own messages."""

    def __init__(self, kernel, initrd, board_tty, device_kind):
        self.kernel, self.initrd, self.board_tty, self.kind = kernel, initrd, board_tty, device_kind
        self.job_dir = tempfile.mkdtemp(prefix="ldx-guest-")
        self.process = None
        self.monitor = None
        self.monitor_pending = b""

    def write_job(self, script):
        """The shell script the guest runs, in a chroot of the host's root, as root."""
        with open(os.path.join(self.job_dir, "job"), "w") as f:
            f.write("export PATH=/usr/sbin:/usr/bin:/sbin:/bin\n" + script)

    def arguments(self, monitor_path):
        device = {
            # ttyS0 is the console; the board's 16550 is the second ISA port, ttyS1.
            "8250": ["-serial", "chardev:board"],
            "ftdi_sio": ["-device", "qemu-xhci,id=xhci", "-device", f"usb-serial,id={FTDI_ID},chardev=board,bus=xhci.0"],
        }[self.kind]
        return [
            *os.environ.get("LDX_QEMU_WRAP", "").split(), "qemu-system-x86_64", "-accel", "tcg", "-smp", "1", "-m", "512",
            "-nodefaults", "-no-reboot", "-display", "none", "-no-user-config",
            "-kernel", self.kernel, "-initrd", self.initrd,
            "-append", "console=ttyS0 quiet loglevel=3 panic=-1",
            "-chardev", f"file,id=console,path={self.job_dir}/console.log", "-serial", "chardev:console",
            "-chardev", f"serial,id=board,path={self.board_tty}",
            *device,
            "-fsdev", "local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap",
            "-device", "virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot",
            "-fsdev", f"local,id=job,path={self.job_dir},security_model=none",
            "-device", "virtio-9p-pci,fsdev=job,mount_tag=job",
            # QEMU connects to a socket that is listening already: nothing to wait for.
            "-chardev", f"socket,id=monitor,path={monitor_path}", "-mon", "chardev=monitor,mode=control",
        ]

    def start(self):
        monitor_path = os.path.join(self.job_dir, "monitor.sock")
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        listener.bind(monitor_path)
        listener.listen(1)
        with open(os.path.join(self.job_dir, "qemu.log"), "w") as log:
            self.process = subprocess.Popen(self.arguments(monitor_path), stdin=subprocess.DEVNULL, stdout=log,
                                            stderr=subprocess.STDOUT, start_new_session=True)
        listener.settimeout(60)
        try:
            self.monitor, _ = listener.accept()
        except socket.timeout:
            raise RuntimeError("QEMU did not connect to its monitor socket: " + self.qemu_log())
        finally:
            listener.close()
        self.monitor.settimeout(60)
        self.monitor_message()  # the greeting
        self.command("qmp_capabilities")

    def monitor_message(self):
        while b"\n" not in self.monitor_pending:
            data = self.monitor.recv(65536)
            if not data:
                raise RuntimeError("QEMU's monitor closed: " + self.qemu_log())
            self.monitor_pending += data
        line, self.monitor_pending = self.monitor_pending.split(b"\n", 1)
        return json.loads(line)

    def command(self, name, **arguments):
        self.monitor.sendall(json.dumps({"execute": name, "arguments": arguments}).encode() + b"\n")
        events = []
        while True:
            message = self.monitor_message()
            if "event" in message:
                events.append(message)
            elif "error" in message:
                raise RuntimeError(f"QMP {name}: {message['error']}")
            elif "return" in message:
                return events

    def unplug_adapter(self):
        """device_del, then QEMU's word that the device is gone."""
        events = self.command("device_del", id=FTDI_ID)
        while not any(e["event"] == "DEVICE_DELETED" and e.get("data", {}).get("device") == FTDI_ID for e in events):
            events.append(self.monitor_message())

    def wait(self, seconds):
        """QEMU's exit code once the guest powers off; None when it had not by then."""
        try:
            return self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        """Ends QEMU if it still runs: SIGTERM, then SIGKILL after a short grace."""
        if self.monitor:
            self.monitor.close()
        if self.process and self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()

    def file(self, name):
        try:
            with open(os.path.join(self.job_dir, name), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def qemu_log(self):
        return self.file("qemu.log").strip()
