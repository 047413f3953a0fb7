"""A simulated LAN of network namespaces for Linquo's system tests and demos.

Every host is a network namespace made here ("lq-<pid>-<tag>-<host>"), with one interface
whose other end sits on a bridge inside a namespace of its own; nothing is ever created in
the namespace this runs in. Each host gets its own copy of the program directory and its
own Setup.ini. Programs run inside a host with Host.start(); Linquo windows go to a
virtual display (Xvfb) and are driven with real input events (xdotool).

Everything made here (namespaces, processes, displays, temporary folders) is removed by
Lan.close(), which also runs at exit, on SIGTERM/SIGINT/SIGHUP, and for leftovers of
earlier runs whose process has gone (namespaces named after a pid that no longer runs)."""

import atexit
import json
import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PYTHON = sys.executable or "python3"
PREFIX = "lq-"
# 'ip netns exec' lays the files of /etc/netns/NAME over /etc for what runs in NAME.
ETC_NETNS = "/etc/netns"
_live = []
# Linquo's lobby is captioned with the product title and 16 spaces; its message boxes
# carry the application's name.
LOBBY_TITLE = "^Linquo {16}$"
BOX_TITLE = "^Linquo$"
QUESTION_TITLE = "^询问$"
RETURN_KEYSYM = 0xFF0D


class Unavailable(Exception):
    """Raised when this machine cannot build a simulated LAN (not root, no ip netns)."""


def sh(*args, check=True, quiet=False):
    r = subprocess.run(list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if check and r.returncode != 0:
        raise RuntimeError("%s failed: %s" % (" ".join(args), r.stderr.strip()))
    return r.stdout


def wait_until(predicate, timeout=30.0, interval=0.05, what="condition"):
    """Polls until predicate() is truthy; returns its value or raises on time-out."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def _pid_alive(pid):
    try:
        os.kill(pid, 0)
        return True
    except ProcessLookupError:
        return False
    except PermissionError:
        return True


def _kill_namespace(ns):
    """Kills what still runs inside one of our namespaces, then removes it."""
    for _ in range(20):
        pids = [int(p) for p in sh("ip", "netns", "pids", ns, check=False).split()]
        if not pids:
            break
        for p in pids:
            try:
                os.kill(p, signal.SIGKILL)
            except ProcessLookupError:
                pass
        time.sleep(0.05)
    sh("ip", "netns", "del", ns, check=False)
    shutil.rmtree(os.path.join(ETC_NETNS, ns), ignore_errors=True)


def whole_lines(path):
    """The complete lines of a file that may still be growing; none when there is no file.
    One read, then whole lines only: iterating a file that is still being written yields a
    cut line's rest as a line of its own."""
    if not path or not os.path.exists(path):
        return []
    with open(path) as f:
        return f.read().split("\n")[:-1]


def read_records(path):
    """The complete lines of a JSON-lines record file (a datagram each, its bytes in hex),
    with the bytes decoded; nothing when there is no file yet."""
    out = []
    for line in whole_lines(path):
        r = json.loads(line)
        r["data"] = bytes.fromhex(r.pop("hex"))
        out.append(r)
    return out


def sweep_stale():
    """Removes namespaces and folders left by earlier runs whose process is gone."""
    for line in sh("ip", "netns", "list", check=False).splitlines():
        ns = line.split()[0] if line.split() else ""
        if not ns.startswith(PREFIX):
            continue
        parts = ns.split("-")
        if len(parts) > 2 and parts[1].isdigit() and _pid_alive(int(parts[1])):
            continue
        _kill_namespace(ns)
    if os.path.isdir(ETC_NETNS):
        for name in os.listdir(ETC_NETNS):
            parts = name.split("-")
            if name.startswith(PREFIX) and len(parts) > 2 and parts[1].isdigit() \
                    and not _pid_alive(int(parts[1])):
                shutil.rmtree(os.path.join(ETC_NETNS, name), ignore_errors=True)
    tmp = tempfile.gettempdir()
    for name in os.listdir(tmp):
        parts = name.split("-")
        if name.startswith(PREFIX) and len(parts) > 2 and parts[1].isdigit() \
                and not _pid_alive(int(parts[1])):
            shutil.rmtree(os.path.join(tmp, name), ignore_errors=True)


def check_available():
    """Raises Unavailable with the reason when namespaces cannot be made here."""
    if os.geteuid() != 0:
        raise Unavailable("not root: simulated LANs need 'ip netns' (run the tests as root)")
    if shutil.which("ip") is None:
        raise Unavailable("the 'ip' command (iproute2) is missing")
    probe = "%s%d-probe" % (PREFIX, os.getpid())
    try:
        sh("ip", "netns", "add", probe)
    except RuntimeError as e:
        raise Unavailable("cannot create a network namespace: %s" % e)
    try:
        sh("ip", "-n", probe, "link", "add", "lqprobe", "type", "bridge")
    except RuntimeError as e:
        raise Unavailable("cannot create a bridge inside a namespace: %s" % e)
    finally:
        _kill_namespace(probe)


def _cleanup_all(*_):
    for lan in list(_live):
        lan.close()


atexit.register(_cleanup_all)


def _on_signal(signum, _frame):
    _cleanup_all()
    signal.signal(signum, signal.SIG_DFL)
    os.kill(os.getpid(), signum)


for _s in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
    signal.signal(_s, _on_signal)


class Process:
    """A program started inside a host, in its own session so that it is easy to end."""

    def __init__(self, host, name, argv, env, cwd, stdin=False):
        self.host = host
        self.name = name
        self.log_path = os.path.join(host.dir, "%s.log" % name)
        self._log = open(self.log_path, "ab")
        self.popen = subprocess.Popen(
            ["ip", "netns", "exec", host.ns] + argv, env=env, cwd=cwd,
            stdin=subprocess.PIPE if stdin else subprocess.DEVNULL,
            stdout=subprocess.PIPE if stdin else self._log, stderr=self._log,
            start_new_session=True)

    @property
    def pid(self):
        return self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def wait(self, timeout=30.0):
        return self.popen.wait(timeout=timeout)

    def signal(self, sig):
        if self.running():
            try:
                os.killpg(self.popen.pid, sig)
            except ProcessLookupError:
                pass

    def stop(self, timeout=5.0):
        if self.running():
            self.signal(signal.SIGTERM)
            try:
                self.popen.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                self.signal(signal.SIGKILL)
                self.popen.wait(timeout=timeout)
        for f in (self.popen.stdin, self.popen.stdout):
            if f:
                f.close()
        self._log.close()

    def output(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace")


class Peer(Process):
    """The scripted peer (lqpeer.py) running inside a host."""

    def __init__(self, host, nick, sex=0, silent=False):
        self.records_path = os.path.join(host.dir, "peer-%s.jsonl" % host.name)
        argv = [PYTHON, os.path.join(HERE, "lqpeer.py"), "--ip", host.ip, "--nick", nick,
                "--sex", str(sex), "--log", self.records_path]
        if silent:
            argv.append("--silent")
        super().__init__(host, "peer", argv, dict(os.environ), host.dir, stdin=True)
        self.nick = nick
        self.sex = sex
        line = self.popen.stdout.readline().decode().strip()
        if line != "ready":
            raise RuntimeError("scripted peer did not start: %r %s" % (line, self.output()))

    def user(self):
        import lqwire
        return lqwire.User(self.nick, self.host.ip, self.sex)

    def command(self, **cmd):
        self.popen.stdin.write((json.dumps(cmd) + "\n").encode())
        self.popen.stdin.flush()
        reply = self.popen.stdout.readline().decode().strip()
        if not reply.startswith("ok"):
            raise RuntimeError("peer command %r failed: %r" % (cmd, reply))
        return reply[3:]

    def send(self, to, data):
        self.command(cmd="send", to=to, hex=bytes(data).hex())

    def hello(self, to):
        self.command(cmd="hello", to=to)

    def burst(self, to, ptype, count, nick="u%04d", ip=None, sex=0, yield_every=0, first=0):
        self.command(cmd="burst", to=to, type=ptype, count=count, nick=nick,
                     ip=ip or self.host.ip, sex=sex, yield_every=yield_every, first=first)

    def users(self):
        return json.loads(self.command(cmd="users"))

    def received(self):
        """Every datagram received so far: dicts with src, sport, t and data (bytes)."""
        return read_records(self.records_path)


class Host:
    def __init__(self, lan, name, ip, prefix, segment, gateway=None):
        self.lan = lan
        self.name = name
        self.ip = ip
        self.prefix = prefix
        self.segment = segment
        self.gateway = gateway
        self.ns = "%s-%s" % (lan.tag, name)
        self.dir = os.path.join(lan.tmp, name) + "/"
        os.makedirs(self.dir)
        self.processes = []
        self.port = None  # its bridge port: frames captured there came from this host

    # -- program directory -------------------------------------------------------------
    def install(self, bin_dir, programs=("Linquo", "Sender")):
        """Copies the programs and the files they read into this host's own directory."""
        for p in programs:
            src = os.path.join(bin_dir, p)
            if os.path.exists(src):
                shutil.copy2(src, self.dir)
        for d in ("skins", "sound"):
            src = os.path.join(bin_dir, d)
            if os.path.isdir(src) and not os.path.exists(os.path.join(self.dir, d)):
                shutil.copytree(src, os.path.join(self.dir, d))

    def write_profile(self, nick, sex="BOY", room=None, intro=None, raw=None):
        """Writes Setup.ini in GBK; raw (bytes) replaces the whole file."""
        path = os.path.join(self.dir, "Setup.ini")
        if raw is not None:
            data = raw
        else:
            lines = ["[People]", "Nick=%s" % nick, "Sex=%s" % sex]
            if room is not None or intro is not None:
                lines += ["[Room]", "RoomName=%s" % (room or ""), "RoomContent=%s" % (intro or "")]
            data = ("\r\n".join(lines) + "\r\n").encode("gbk")
        with open(path, "wb") as f:
            f.write(data)

    def remove_file(self, name):
        try:
            os.remove(os.path.join(self.dir, name))
        except FileNotFoundError:
            pass

    # -- processes ---------------------------------------------------------------------
    def env(self, extra=None):
        env = dict(os.environ)
        if self.lan.display:
            env["DISPLAY"] = self.lan.display.name
            env.pop("QT_QPA_PLATFORM", None)
            env.pop("WAYLAND_DISPLAY", None)
        env["HOME"] = self.dir
        env["XDG_RUNTIME_DIR"] = self.lan.runtime_dir
        env.update(extra or {})
        return env

    def start(self, argv, name=None, env=None):
        p = Process(self, name or os.path.basename(argv[0]), argv, self.env(env), self.dir)
        self.processes.append(p)
        return p

    def capture_outgoing(self):
        """Starts recording the Linquo datagrams this host sends, in the order they leave
        it (lqsniff.py --outgoing); returns the record file, for read_records."""
        path = os.path.join(self.dir, "outgoing.jsonl")
        p = Process(self, "lqsniff", [PYTHON, "-u", os.path.join(HERE, "lqsniff.py"), path,
                                      "--outgoing"], self.env(), self.dir)
        self.processes.append(p)
        wait_until(lambda: "ready" in p.output(), 10, what="the capture in %s" % self.name)
        return path

    def start_program(self, program, env=None):
        """Starts Linquo or Sender from this host's program directory."""
        if program == "Linquo" and self.lan.stock_buffers:
            preload = " ".join(filter(None, [self.lan.stock_buffers,
                                             (env or {}).get("LD_PRELOAD")]))
            env = dict(env or {}, LD_PRELOAD=preload)
        return self.start([os.path.join(self.dir, program)], program, env)

    def start_linquo(self, ready=True, timeout=60.0):
        """Starts Linquo on the display; with ready, waits for its lobby and the
        "login sent" box, and closes that box with Enter as its user would."""
        p = self.start_program("Linquo")
        if ready:
            display = self.lan.display
            display.wait_window(LOBBY_TITLE, p.pid, timeout)
            display.dismiss(BOX_TITLE, timeout, pid=p.pid)
        return p

    def start_peer(self, nick, sex=0, silent=False):
        p = Peer(self, nick, sex, silent)
        self.processes.append(p)
        return p

    def pids(self):
        return [int(p) for p in sh("ip", "netns", "pids", self.ns, check=False).split()]

    def limit_rate(self, rate="100mbit"):
        """Limits what eth0 sends to rate (tc tbf). Its queue holds far more datagrams than
        a stock socket buffer, so a sender meets a full socket, never a silent drop."""
        sh("ip", "netns", "exec", self.ns, "tc", "qdisc", "replace", "dev", "eth0", "root", "tbf",
           "rate", rate, "burst", "16kb", "limit", "4mb")

    def exec(self, *argv, check=True):
        return sh("ip", "netns", "exec", self.ns, *argv, check=check)

    def stop_all(self):
        for p in self.processes:
            p.stop()
        self.processes = []


class Display:
    """A virtual X display (Xvfb) with helpers that drive it with real input events.

    The programs run in other network namespaces than the display, so they reach it by
    its socket file /tmp/.X11-unix/X<n>, which every namespace shares. An X server that
    picks its own number (-displayfd) checks only the namespace's own abstract sockets and
    takes over the file of a server of another namespace with the same number: programs
    of one run then open their windows on another run's display. So the number is chosen
    here, held by an X lock file, and far from the low numbers that such servers take."""

    FIRST_NUMBER = 1000

    def __init__(self, tmp, size="1280x1024"):
        if shutil.which("Xvfb") is None or shutil.which("xdotool") is None:
            raise Unavailable("Xvfb and xdotool are needed for the Linquo system tests")
        self.number, self._lock = self._claim_number()
        self.name = ":%d" % self.number
        self._keys = {}  # character -> the key bound to it for type_text
        r, w = os.pipe()
        self._log = open(os.path.join(tmp, "xvfb.log"), "ab")
        self.popen = subprocess.Popen(
            ["Xvfb", self.name, "-displayfd", str(w), "-screen", "0", size + "x24",
             "-nolisten", "tcp", "-noreset"], pass_fds=(w,), stdout=self._log, stderr=self._log,
            start_new_session=True)
        os.close(w)
        number = b""
        deadline = time.monotonic() + 60
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        if number.strip() != str(self.number).encode():
            self.close()
            raise RuntimeError("Xvfb did not start on %s" % self.name)

    @classmethod
    def _claim_number(cls):
        """A display number whose lock file this process made, and whose socket file no
        live server answers on (an X server that ignores locks may still hold it)."""
        start = random.randrange(cls.FIRST_NUMBER, cls.FIRST_NUMBER + 4000)
        for n in range(start, start + 500):
            lock = "/tmp/.X%d-lock" % n
            try:
                fd = os.open(lock, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o444)
            except FileExistsError:
                continue  # in use, or left by a run that died: never taken over
            with os.fdopen(fd, "w") as f:
                f.write("%10d\n" % os.getpid())
            probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            try:
                probe.connect("/tmp/.X11-unix/X%d" % n)
                answered = True
            except OSError:
                answered = False
            finally:
                probe.close()
            if not answered:
                return n, lock
            os.remove(lock)
        raise RuntimeError("no free X display number")

    def xdotool(self, *args, check=True):
        env = dict(os.environ, DISPLAY=self.name)
        r = subprocess.run(["xdotool"] + list(args), env=env, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, text=True)
        if check and r.returncode != 0:
            raise RuntimeError("xdotool %s: %s" % (" ".join(args), r.stderr.strip()))
        return r.stdout

    def windows(self, name_regex, pid=None):
        """Visible windows whose title matches the regular expression."""
        args = ["search", "--onlyvisible", "--name", name_regex]
        if pid is not None:
            args = ["search", "--all", "--onlyvisible", "--pid", str(pid), "--name", name_regex]
        env = dict(os.environ, DISPLAY=self.name)
        for _ in range(50):
            r = subprocess.run(["xdotool"] + args, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
            # Exit 1 alone means none found; an X error (a window destroyed while the
            # search looked at it) ends xdotool without an answer, so ask again.
            if r.returncode == 0 or (r.returncode == 1 and not r.stderr.strip()):
                return [w for w in r.stdout.split() if w]
            time.sleep(0.05)
        raise RuntimeError("xdotool search keeps failing: %s" % r.stderr.strip())

    def wait_window(self, name_regex, pid=None, timeout=60.0):
        try:
            return wait_until(lambda: (self.windows(name_regex, pid) or [None])[-1], timeout,
                              what="a window titled %r" % name_regex)
        except TimeoutError as e:
            raise TimeoutError("%s; windows: %s" % (e, self.describe()))

    def window_name(self, wid):
        return self.xdotool("getwindowname", wid, check=False).rstrip("\n")

    def press(self, wid, *keys):
        """Gives the window the keyboard focus and presses keys, as a person would."""
        self.xdotool("windowfocus", "--sync", wid, check=False)
        self.xdotool("key", "--clearmodifiers", *keys)

    def type_text(self, text):
        """Types the text into the window that has the focus, one key per character.
        Each character gets a key of its own that stays bound for the display's life, so
        that a program that reads the keyboard map late still reads the character."""
        from lqscreen import XConnection
        with XConnection(self.name) as x:
            free = None
            for ch in text:
                if ch not in self._keys:
                    if free is None:
                        used = set(self._keys.values())
                        free = [k for k, syms in sorted(x.keyboard_mapping().items())
                                if not any(syms) and k not in used]
                    if not free:
                        raise RuntimeError("no unused key left to bind %r to" % ch)
                    o = ord(ch)
                    keysym = o if 0x20 <= o <= 0x7E or 0xA0 <= o <= 0xFF else 0x01000000 + o
                    self._keys[ch] = free.pop(0)
                    x.bind_keycode(self._keys[ch], keysym)
                x.press_keycode(self._keys[ch])

    def dismiss(self, name_regex, timeout=60.0, pid=None):
        """Waits for a message box with this title and presses Enter on it until it has
        gone (a key that comes while the box is still being mapped can miss it). The key
        is sent to the box's own window, not typed: with no window manager the focus may
        rest on another program's box, which an Enter meant for this one would close. (Not
        'xdotool key --window' either: it types the press when the box has the focus and
        sends the release to the closed box, so the server holds Enter down and repeats
        it into the next box that takes the focus.)"""
        from lqscreen import XConnection, XError
        wid = self.wait_window(name_regex, pid, timeout)
        deadline = time.monotonic() + timeout
        while wid in self.windows(name_regex, pid):
            if time.monotonic() > deadline:
                raise TimeoutError("the box %r stayed open; windows: %s"
                                   % (name_regex, self.describe()))
            try:
                with XConnection(self.name) as x:
                    x.send_key(wid, RETURN_KEYSYM)
            except XError:
                pass  # it has just gone
            try:
                wait_until(lambda: wid not in self.windows(name_regex, pid), 3.0)
            except TimeoutError:
                pass
        return wid

    def describe(self):
        """The visible windows, for failure messages."""
        out = []
        for w in self.windows("."):
            pid = self.xdotool("getwindowpid", w, check=False).strip()
            out.append("%s %r pid %s" % (w, self.window_name(w), pid))
        return "; ".join(out) or "none"

    def screenshot(self, path):
        """Saves the whole screen as a PNG with our own X client (no xwd or ImageMagick
        needed); raises with the reason when the picture cannot be taken or written."""
        from lqscreen import XConnection
        with XConnection(self.name) as x:
            x.image().save_png(path)

    def close(self):
        if self.popen.poll() is None:
            self.popen.terminate()
            try:
                self.popen.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait()
        self._log.close()
        if self._lock:
            # Once only: the number may belong to another run by the next call.
            try:
                os.remove(self._lock)
            except FileNotFoundError:
                pass
            self._lock = None


class Lan:
    """Segments (bridges), hosts and routers of one simulated LAN.

    Typical use:
        with Lan() as lan:
            seg = lan.segment()
            h1 = lan.host("h1", "10.77.1.10", 16, seg)
    """

    def __init__(self, display=False, keep=False, stock_buffers=False, screen="1280x1024"):
        """stock_buffers: Linquo runs with the socket buffers a stock kernel grants (see
        stock_buffers.cpp, named by $LQ_STOCK_BUFFERS); screen: the virtual display's size."""
        check_available()
        sweep_stale()
        self.tag = "%s%d-%04x" % (PREFIX, os.getpid(), random.randrange(0x10000))
        self.tmp = tempfile.mkdtemp(prefix=self.tag + "-")
        self.runtime_dir = os.path.join(self.tmp, "runtime")
        os.makedirs(self.runtime_dir, mode=0o700)
        self.keep = keep
        self.brd = True  # whether hosts get a broadcast address unless told otherwise
        self.stock_buffers = None
        if stock_buffers:
            self.stock_buffers = os.environ.get("LQ_STOCK_BUFFERS", "")
            if not os.path.exists(self.stock_buffers):
                raise RuntimeError("LQ_STOCK_BUFFERS does not name the stock-buffer shim")
        self.hosts = []
        self.namespaces = []
        self.segments = 0
        self._ports = 0
        self.capture_path = None
        self._capture = None
        self.display = None
        self.closed = False
        _live.append(self)
        try:
            self.bridge_ns = self._namespace("br")
            if display:
                self.display = Display(self.tmp, screen)
        except BaseException:
            self.close()
            raise

    def _namespace(self, name):
        ns = "%s-%s" % (self.tag, name)
        sh("ip", "netns", "add", ns)
        self.namespaces.append(ns)
        sh("ip", "-n", ns, "link", "set", "lo", "up")
        # IPv4 only: no duplicate address detection or router solicitations.
        sh("ip", "netns", "exec", ns, "sysctl", "-q", "-w", "net.ipv6.conf.all.disable_ipv6=1",
           check=False)
        sh("ip", "netns", "exec", ns, "sysctl", "-q", "-w",
           "net.ipv6.conf.default.disable_ipv6=1", check=False)
        return ns

    def segment(self):
        """A new bridge (one Ethernet segment) in the bridge namespace; returns its name."""
        name = "br%d" % self.segments
        self.segments += 1
        sh("ip", "-n", self.bridge_ns, "link", "add", name, "type", "bridge", "forward_delay", "0")
        sh("ip", "-n", self.bridge_ns, "link", "set", name, "up")
        return name

    def _plug(self, ns, ifname, segment):
        """A veth pair: one end in the bridge namespace on the segment, the other in ns."""
        self._ports += 1
        port = "p%d" % self._ports
        sh("ip", "-n", self.bridge_ns, "link", "add", port, "type", "veth", "peer", "name",
           ifname, "netns", ns)
        sh("ip", "-n", self.bridge_ns, "link", "set", port, "master", segment)
        sh("ip", "-n", self.bridge_ns, "link", "set", port, "up")
        sh("ip", "-n", ns, "link", "set", ifname, "up")
        return port

    def host(self, name, ip, prefix=16, segment=None, gateway=None, brd=None):
        """A host with one interface eth0 on the segment; gateway sets its default route.
        With brd=False (default: the LAN's brd) its address is added without a broadcast
        address, as by hand."""
        if brd is None:
            brd = self.brd
        if segment is None:
            segment = self.segment() if self.segments == 0 else "br0"
        host = Host(self, name, ip, prefix, segment, gateway)
        self._namespace(name)
        host.port = self._plug(host.ns, "eth0", segment)
        brd_args = ("brd", "+") if brd else ()
        sh("ip", "-n", host.ns, "addr", "add", "%s/%d" % (ip, prefix), *brd_args, "dev", "eth0")
        if gateway:
            sh("ip", "-n", host.ns, "route", "add", "default", "via", gateway)
        self._resolver(host)
        self.hosts.append(host)
        return host

    def _resolver(self, host):
        """The host's name resolves to its own address, and no name server is asked."""
        etc = os.path.join(ETC_NETNS, host.ns)
        for _ in range(10):
            try:
                os.makedirs(etc, exist_ok=True)
                break
            except FileNotFoundError:
                pass  # another run removed the empty /etc/netns between the two steps
        with open(os.path.join(etc, "hosts"), "w") as f:
            f.write("127.0.0.1 localhost\n%s %s\n" % (host.ip, os.uname().nodename))
        with open(os.path.join(etc, "resolv.conf"), "w") as f:
            f.write("nameserver 127.0.0.1\n")

    def router(self, name, legs):
        """A router namespace with one interface per (segment, ip, prefix) leg, forwarding."""
        ns = self._namespace(name)
        for i, (segment, ip, prefix) in enumerate(legs):
            ifname = "eth%d" % i
            self._plug(ns, ifname, segment)
            sh("ip", "-n", ns, "addr", "add", "%s/%d" % (ip, prefix), "brd", "+", "dev", ifname)
        sh("ip", "netns", "exec", ns, "sysctl", "-q", "-w", "net.ipv4.ip_forward=1")
        return ns

    def pin_neighbours(self, ns_a, if_a, ip_a, ns_b, if_b, ip_b):
        """Two ends of a link know each other's hardware address for good. A sweep through
        absent /24s fills the kernel's neighbour table (one for all namespaces, 1,024
        entries) with unresolved entries, which would crowd out the present hosts."""
        def mac(ns, ifname):
            words = sh("ip", "-n", ns, "-o", "link", "show", ifname).split()
            return words[words.index("link/ether") + 1]
        sh("ip", "-n", ns_a, "neigh", "replace", ip_b, "lladdr", mac(ns_b, if_b), "dev", if_a,
           "nud", "permanent")
        sh("ip", "-n", ns_b, "neigh", "replace", ip_a, "lladdr", mac(ns_a, if_a), "dev", if_b,
           "nud", "permanent")

    def wait_links(self, timeout=10.0):
        """Waits until every host's interface carries traffic."""
        def ready():
            for h in self.hosts:
                if "state UP" not in sh("ip", "-n", h.ns, "link", "show", "eth0", check=False) and \
                        "LOWER_UP" not in sh("ip", "-n", h.ns, "link", "show", "eth0", check=False):
                    return False
            return True
        wait_until(ready, timeout, what="links up")

    # -- capture -------------------------------------------------------------------------
    def start_capture(self):
        """Records every Linquo datagram that crosses a bridge (see lqsniff.py)."""
        self.capture_path = os.path.join(self.tmp, "wire.jsonl")
        bridges = ["br%d" % i for i in range(self.segments)]
        self._capture = subprocess.Popen(
            ["ip", "netns", "exec", self.bridge_ns, PYTHON, os.path.join(HERE, "lqsniff.py"),
             self.capture_path] + bridges, stdout=subprocess.PIPE,
            stderr=open(os.path.join(self.tmp, "sniff.log"), "ab"), start_new_session=True)
        if self._capture.stdout.readline().decode().strip() != "ready":
            raise RuntimeError("capture did not start")

    def wire(self):
        """Every datagram captured so far: dicts with src, dst, sport, dport, t and data."""
        return read_records(self.capture_path)

    # -- teardown ------------------------------------------------------------------------
    def close(self):
        if self.closed:
            return
        self.closed = True
        for h in self.hosts:
            for p in h.processes:
                try:
                    p.stop(timeout=3)
                except Exception:
                    pass
        if self._capture:
            try:
                os.killpg(self._capture.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self._capture.wait()
            self._capture.stdout.close()
        for ns in reversed(self.namespaces):
            _kill_namespace(ns)
        try:
            os.rmdir(ETC_NETNS)  # only when no other run uses it
        except OSError:
            pass
        if self.display:
            self.display.close()
        if not self.keep:
            shutil.rmtree(self.tmp, ignore_errors=True)
        if self in _live:
            _live.remove(self)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False
