"""A small ONC RPC client over TCP and the VXI-11 calls, for the checks written in Python:
each call's arguments built by a named helper, each reply read whole. Written from RFC 5531
and the VXI-11 procedure definitions; blocking sockets with a time limit, so a server that
does not answer fails the check instead of hanging it."""
import socket
import struct

CORE, ABORT, PORTMAP = 0x0607AF, 0x0607B0, 100000
WAITLOCK, END, TERMCHRSET = 0x01, 0x08, 0x80
REQCNT, CHR, REASON_END = 0x01, 0x02, 0x04
CREATE_LINK, DEVICE_WRITE, DEVICE_READ, DEVICE_READSTB = 10, 11, 12, 13
DEVICE_TRIGGER, DEVICE_CLEAR, DEVICE_REMOTE, DEVICE_LOCAL, DEVICE_LOCK, DEVICE_UNLOCK = 14, 15, 16, 17, 18, 19
DEVICE_ENABLE_SRQ, DEVICE_DOCMD, DESTROY_LINK, CREATE_INTR_CHAN, DESTROY_INTR_CHAN = 20, 22, 23, 25, 26
GETPORT, DUMP = 3, 4


def words(*values):
    return struct.pack(f">{len(values)}I", *[value & 0xFFFFFFFF for value in values])


def opaque(data):
    return words(len(data)) + data + b"\0" * (-len(data) % 4)


def record(body, last=True):
    return words((0x80000000 if last else 0) | len(body)) + body


def call_message(xid, program, version, procedure, arguments=b""):
    return words(xid, 0, 2, program, version, procedure, 0, 0, 0, 0) + arguments


class RpcError(Exception):
    pass


opened = []  # every connection made, for a check to close whatever happened


class Rpc:
    """One TCP connection; call() returns the results of an accepted, successful call."""

    def __init__(self, port, host="127.0.0.1", timeout=60):
        self.socket = socket.create_connection((host, port), timeout=timeout)
        self.xid = 0
        opened.append(self)

    def send_record(self, data):
        self.socket.sendall(data)

    def read_record(self):
        body = b""
        while True:
            header = struct.unpack(">I", self.read_exactly(4))[0]
            body += self.read_exactly(header & 0x7FFFFFFF)
            if header & 0x80000000:
                return body

    def read_exactly(self, count):
        data = b""
        while len(data) < count:
            more = self.socket.recv(count - len(data))
            if not more:
                raise ConnectionError("the server closed the connection")
            data += more
        return data

    def send_call(self, program, version, procedure, arguments=b""):
        self.xid += 1
        self.send_record(record(call_message(self.xid, program, version, procedure, arguments)))
        return self.xid

    def reply(self, xid):
        """The results of the reply to xid; RpcError with the reply's words when it was no success."""
        body = self.read_record()
        head = struct.unpack(">6I", body[:24])
        if head[0] != xid or head[1:3] != (1, 0) or head[5] != 0:
            raise RpcError(struct.unpack(f">{len(body) // 4}I", body[:len(body) // 4 * 4]))
        return body[24:]

    def call(self, program, version, procedure, arguments=b""):
        return self.reply(self.send_call(program, version, procedure, arguments))

    def close(self):
        self.socket.close()


def unpack_words(data, count):
    return struct.unpack(f">{count}i", data[:4 * count])


def getport(port=111, host="127.0.0.1", program=CORE, version=1):
    rpc = Rpc(port, host)
    try:
        return unpack_words(rpc.call(PORTMAP, 2, GETPORT, words(program, version, 6, 0)), 1)[0]
    finally:
        rpc.close()


class Link:
    """A VXI-11 link on a core channel connection of its own."""

    def __init__(self, core_port, device=b"inst0", lock=False, lock_timeout=0, host="127.0.0.1"):
        self.rpc = Rpc(core_port, host)
        self.error, self.id, self.abort_port, self.max_recv_size = unpack_words(
            self.rpc.call(CORE, 1, CREATE_LINK, words(0, int(lock), lock_timeout) + opaque(device)), 4)

    def send_write(self, data, flags=END, io_timeout=60000, lock_timeout=0):
        return self.rpc.send_call(CORE, 1, DEVICE_WRITE, words(self.id, io_timeout, lock_timeout, flags) + opaque(data))

    def write(self, data, flags=END, io_timeout=60000, lock_timeout=0):
        """(error, size)"""
        return unpack_words(self.rpc.reply(self.send_write(data, flags, io_timeout, lock_timeout)), 2)

    def send_read(self, size=4096, io_timeout=60000, flags=0, term_char=0, lock_timeout=0):
        return self.rpc.send_call(CORE, 1, DEVICE_READ, words(self.id, size, io_timeout, lock_timeout, flags, term_char))

    def read_reply(self, xid):
        """(error, reason, data)"""
        results = self.rpc.reply(xid)
        error, reason, length = unpack_words(results, 3)
        return error, reason, results[12:12 + length]

    def read(self, size=4096, io_timeout=60000, flags=0, term_char=0):
        return self.read_reply(self.send_read(size, io_timeout, flags, term_char))

    def query(self, line):
        error, _ = self.write(line.encode() + b"\n")
        assert error == 0, f"device_write: error {error}"
        error, reason, data = self.read()
        assert error == 0 and reason & REASON_END, f"device_read: error {error}, reason {reason}"
        return data.decode().rstrip("\n")

    def generic(self, procedure, flags=0, lock_timeout=0, io_timeout=1000):
        return unpack_words(self.rpc.call(CORE, 1, procedure, words(self.id, flags, lock_timeout, io_timeout)), 1)[0]

    def readstb(self):
        """(error, status byte)"""
        return unpack_words(self.rpc.call(CORE, 1, DEVICE_READSTB, words(self.id, 0, 0, 1000)), 2)

    def send_lock(self, flags=WAITLOCK, lock_timeout=0):
        return self.rpc.send_call(CORE, 1, DEVICE_LOCK, words(self.id, flags, lock_timeout))

    def lock(self, flags=WAITLOCK, lock_timeout=0):
        return unpack_words(self.rpc.reply(self.send_lock(flags, lock_timeout)), 1)[0]

    def unlock(self):
        return unpack_words(self.rpc.call(CORE, 1, DEVICE_UNLOCK, words(self.id)), 1)[0]

    def abort(self, host="127.0.0.1"):
        channel = Rpc(self.abort_port, host)
        try:
            return unpack_words(channel.call(ABORT, 1, 1, words(self.id)), 1)[0]
        finally:
            channel.close()

    def destroy(self):
        error = unpack_words(self.rpc.call(CORE, 1, DESTROY_LINK, words(self.id)), 1)[0]
        self.rpc.close()
        return error
