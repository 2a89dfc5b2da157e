"""A program a Python test starts, one of its streams kept line by line: waited on for a line
it says, ended by a signal, or stopped however its test ended. Every wait is for a state;
LIMIT only bounds a wait that failed."""
import re
import shutil
import signal
import subprocess
import threading
import time

LIMIT = 60  # seconds


class Program:
    """Killed with the test (setpriv's parent-death signal) should the test itself be killed.
    Every program started stays in Program.started until stop_all() ends it."""

    started = []

    def __init__(self, arguments, environment=None, stream="stderr"):
        guard = ["setpriv", "--pdeathsig", "KILL"] if shutil.which("setpriv") else []
        kept = {"stdout": subprocess.PIPE, "stderr": subprocess.STDOUT} if stream == "stdout" else \
               {"stdout": subprocess.DEVNULL, "stderr": subprocess.PIPE}
        self.process = subprocess.Popen(guard + list(arguments), stdin=subprocess.DEVNULL, text=True, env=environment, **kept)
        Program.started.append(self)
        self.lines = []
        self.ended = False  # its stream, all read
        self.changed = threading.Condition()
        self.stream = getattr(self.process, stream)
        self.reader = threading.Thread(target=self.keep_lines, daemon=True)
        self.reader.start()

    def keep_lines(self):
        for line in self.stream:
            with self.changed:
                self.lines.append(line.rstrip("\n"))
                self.changed.notify_all()
        with self.changed:
            self.ended = True
            self.changed.notify_all()

    def wait_for_line(self, pattern, after=0):
        """The first line from the after-th on that matches, once the program has said it."""
        def found():
            return next((line for line in self.lines[after:] if re.search(pattern, line)), None)
        with self.changed:
            self.changed.wait_for(lambda: found() or self.ended, LIMIT)
            line = found()
        if line is None:
            raise AssertionError(f"{self.process.args} never said /{pattern}/; it said: {self.lines}")
        return line

    def end(self, number=signal.SIGTERM):
        """Its exit code, once the signal has ended it; its lines are all in."""
        self.process.send_signal(number)
        code = self.process.wait(timeout=LIMIT)
        self.reader.join()
        self.stream.close()
        return code

    def stop(self):
        """Ends it if it still runs: asked first, killed after a short grace."""
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.reader.join()
        self.stream.close()


def stop_all():
    """Every program still running, ended: for a test's tearDown, however the test ended."""
    while Program.started:
        Program.started.pop().stop()


def wait_until(state, what):
    """The state's value once it holds, looked at again and again."""
    deadline = time.monotonic() + LIMIT
    while not (value := state()):
        if time.monotonic() > deadline:
            raise AssertionError(f"never {what}")
        time.sleep(0.01)
    return value
