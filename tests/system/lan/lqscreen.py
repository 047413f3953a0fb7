"""Reads what a virtual display shows, and asks its windows to close, with nothing but
the standard library: a minimal X11 client on the display's local socket.

xdotool gives input and finds windows by caption; what it cannot do is read pixels (so a
test can find a list row or tell a grey text from a black one), send the polite close
request that a title bar's close box sends (WM_DELETE_WINDOW): without a window manager
there is no close box to click, or type text that the keyboard map lacks without
racing the program (see key_for and press_keycode)."""

import socket
import struct
import zlib

X11_SOCKET = "/tmp/.X11-unix/X%s"


class XError(Exception):
    pass


def _pad(n):
    return (4 - n % 4) % 4


class Image:
    """Pixels of one capture, 32 bits each in the server's byte order (blue, green, red,
    unused on the little-endian servers this runs on)."""

    def __init__(self, width, height, data):
        self.width = width
        self.height = height
        self.data = data

    def rgb(self, x, y):
        i = (y * self.width + x) * 4
        b, g, r = self.data[i], self.data[i + 1], self.data[i + 2]
        return r, g, b

    def row(self, y, x0=0, x1=None):
        """The pixels of one row from x0 to x1 (exclusive) as (r, g, b) tuples."""
        x1 = self.width if x1 is None else x1
        start = (y * self.width + x0) * 4
        chunk = self.data[start: start + (x1 - x0) * 4]
        return list(zip(chunk[2::4], chunk[1::4], chunk[0::4]))

    def points(self, predicate, x0=0, y0=0, x1=None, y1=None):
        """Every (x, y) of the rectangle whose colour satisfies predicate(r, g, b)."""
        x1 = self.width if x1 is None else min(x1, self.width)
        y1 = self.height if y1 is None else min(y1, self.height)
        x0, y0 = max(0, x0), max(0, y0)
        out = []
        for y in range(y0, y1):
            for i, (r, g, b) in enumerate(self.row(y, x0, x1)):
                if predicate(r, g, b):
                    out.append((x0 + i, y))
        return out

    def bbox(self, predicate, x0=0, y0=0, x1=None, y1=None):
        """(left, top, right, bottom) of the matching pixels, inclusive; None if none."""
        pts = self.points(predicate, x0, y0, x1, y1)
        if not pts:
            return None
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        return min(xs), min(ys), max(xs), max(ys)

    def crop(self, x0, y0, x1, y1):
        """The rectangle's raw pixels, for comparing two captures of one place."""
        out = bytearray()
        for y in range(y0, y1):
            start = (y * self.width + x0) * 4
            out += self.data[start: start + (x1 - x0) * 4]
        return bytes(out)

    def save_png(self, path):
        rgb = bytearray(self.width * self.height * 3)
        rgb[0::3] = self.data[2::4]
        rgb[1::3] = self.data[1::4]
        rgb[2::3] = self.data[0::4]
        stride = self.width * 3
        raw = b"".join(b"\0" + bytes(rgb[y * stride:(y + 1) * stride])
                       for y in range(self.height))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + \
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
            f.write(chunk(b"IEND", b""))


class XConnection:
    """One connection to an X server on this machine (no authentication: the harness's
    Xvfb accepts local clients)."""

    def __init__(self, display):
        number = display.lstrip(":").split(".")[0]
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(10)
        self.sock.connect(X11_SOCKET % number)
        self.sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self._read(8)
        status, length = head[0], struct.unpack("<H", head[6:8])[0]
        body = self._read(length * 4)
        if status != 1:
            raise XError("X server refused the connection: %r" % body[:40])
        vendor_len, _, screens, formats = struct.unpack("<HHBB", body[16:22])
        self.byte_order = body[22]
        off = 32 + vendor_len + _pad(vendor_len)
        self.bpp = {}
        for _ in range(formats):
            depth, bpp = body[off], body[off + 1]
            self.bpp[depth] = bpp
            off += 8
        self.min_keycode, self.max_keycode = body[26], body[27]
        self.root = struct.unpack("<I", body[off: off + 4])[0]
        self.screen_size = struct.unpack("<HH", body[off + 20: off + 24])
        self._atoms = {}

    def close(self):
        self.sock.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _read(self, n):
        buf = bytearray()
        while len(buf) < n:
            chunk = self.sock.recv(n - len(buf))
            if not chunk:
                raise XError("X server closed the connection")
            buf += chunk
        return bytes(buf)

    def _reply(self):
        """The next reply; an error raises."""
        head = self._read(32)
        if head[0] == 0:
            raise XError("X error %d (resource 0x%x, request %d)"
                         % (head[1], struct.unpack("<I", head[4:8])[0], head[10]))
        if head[0] != 1:
            return self._reply()  # an event: none is selected, but skip it all the same
        extra = struct.unpack("<I", head[4:8])[0] * 4
        return head + (self._read(extra) if extra else b"")

    def _sync(self):
        """Round trip (GetInputFocus), so that an error of an earlier request shows."""
        self.sock.sendall(struct.pack("<BxH", 43, 1))
        self._reply()

    def atom(self, name):
        if name not in self._atoms:
            raw = name.encode()
            self.sock.sendall(struct.pack("<BBHHxx", 16, 0, 2 + (len(raw) + _pad(len(raw))) // 4,
                                          len(raw)) + raw + b"\0" * _pad(len(raw)))
            self._atoms[name] = struct.unpack("<I", self._reply()[8:12])[0]
        return self._atoms[name]

    def geometry(self, wid):
        """(x, y, width, height) of a window, x and y relative to its parent."""
        self.sock.sendall(struct.pack("<BxHI", 14, 2, int(wid)))
        r = self._reply()
        return struct.unpack("<hhHH", r[12:20])

    def request_close(self, wid):
        """What a window manager sends when the user clicks the close box."""
        wid = int(wid)
        protocols, delete = self.atom("WM_PROTOCOLS"), self.atom("WM_DELETE_WINDOW")
        event = struct.pack("<BBHII5I", 33, 32, 0, wid, protocols, delete, 0, 0, 0, 0)
        self.sock.sendall(struct.pack("<BBHII", 25, 0, 11, wid, 0) + event)
        self._sync()

    def keyboard_mapping(self):
        """{keycode: [keysym...]} of the whole keyboard map."""
        first, count = self.min_keycode, self.max_keycode - self.min_keycode + 1
        self.sock.sendall(struct.pack("<BxHBBxx", 101, 2, first, count))
        r = self._reply()
        per = r[1]
        syms = struct.unpack("<%dI" % (count * per), r[32: 32 + count * per * 4])
        return {first + i: list(syms[i * per: (i + 1) * per]) for i in range(count)}

    def bind_keycode(self, keycode, keysym):
        """Makes an unused key type one character, with or without Shift. The binding
        stays: xdotool binds a spare key per character and unbinds it at once, and a
        program that reads the map after the unbinding drops the character."""
        self.sock.sendall(struct.pack("<BBHBBxx2I", 100, 1, 4, keycode, 2, keysym, keysym))
        self._sync()

    def press_keycode(self, keycode):
        """A key press and release through the XTEST extension, as a keyboard gives them."""
        if not hasattr(self, "_xtest"):
            name = b"XTEST"
            self.sock.sendall(struct.pack("<BxHHxx", 98, 2 + (len(name) + _pad(len(name))) // 4,
                                          len(name)) + name + b"\0" * _pad(len(name)))
            r = self._reply()
            if not r[8]:
                raise XError("the X server has no XTEST extension")
            self._xtest = r[9]
        for kind in (2, 3):  # KeyPress, KeyRelease
            self.sock.sendall(struct.pack("<BBHBBxxIIxxxxxxxxhhxxxxxxxB", self._xtest, 2, 9,
                                          kind, keycode, 0, 0, 0, 0, 0))
        self._sync()

    def send_key(self, wid, keysym):
        """A press and release of the key for keysym, sent to the window itself rather than
        through the keyboard: it reaches no other window and leaves no key held down."""
        keycode = next(k for k, syms in sorted(self.keyboard_mapping().items()) if keysym in syms)
        wid = int(wid)
        for kind in (2, 3):  # KeyPress, KeyRelease
            event = struct.pack("<BBHIIIIhhhhHBx", kind, keycode, 0, 0, self.root, wid, 0,
                                0, 0, 0, 0, 0, 1)
            self.sock.sendall(struct.pack("<BBHII", 25, 0, 11, wid, 0) + event)
        self._sync()

    def image(self, wid=None):
        """The window's pixels as the screen shows them (raise it first: a covered part
        shows whatever covers it); the whole screen without a window."""
        drawable = self.root if wid is None else int(wid)
        if wid is None:
            w, h = self.screen_size
        else:
            w, h = self.geometry(wid)[2:]
        self.sock.sendall(struct.pack("<BBHIhhHHI", 73, 2, 5, drawable, 0, 0, w, h, 0xFFFFFFFF))
        r = self._reply()
        depth = r[1]
        if self.bpp.get(depth) != 32 or self.byte_order != 0:
            raise XError("unsupported pixel format: depth %d, %s bits, byte order %d"
                         % (depth, self.bpp.get(depth), self.byte_order))
        return Image(w, h, r[32: 32 + w * h * 4])
