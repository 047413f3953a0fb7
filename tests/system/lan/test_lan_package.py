"""The Debian package: its files and control data, its desktop entry and AppStream data,
and the unpacked program run by an ordinary user on a simulated LAN, on a virtual display,
through a first start with real key presses. The installed program keeps the profile in
the user's configuration folder and writes nothing into its own directory."""

import os
import shutil
import signal
import stat
import subprocess
import tempfile
import unittest

import lqwire
from lanharness import BOX_TITLE, LOBBY_TITLE, Lan, Unavailable, wait_until

SOURCE = os.environ.get("LINQUO_SOURCE_DIR", "")
VERSION = os.environ.get("LINQUO_VERSION", "")
TOOLS = ("dpkg-deb", "dpkg-shlibdeps", "desktop-file-validate", "appstreamcli", "setpriv")
missing = [t for t in TOOLS if shutil.which(t) is None]
if missing or not SOURCE:
    raise Unavailable("the package test needs %s" % (", ".join(missing) or "LINQUO_SOURCE_DIR"))

PROGRAM_DIR = "usr/lib/linquo"
APP_ID = "org.linquo.Linquo"
# Every file the package holds (directories aside).
FILES = {"usr/bin/linquo", PROGRAM_DIR + "/Linquo", PROGRAM_DIR + "/Sender",
         PROGRAM_DIR + "/per-user-profile", PROGRAM_DIR + "/skins/dogmax.ssk",
         PROGRAM_DIR + "/sound/msg.wav", "usr/share/applications/%s.desktop" % APP_ID,
         "usr/share/metainfo/%s.metainfo.xml" % APP_ID, "usr/share/doc/linquo/copyright",
         "usr/share/icons/hicolor/scalable/apps/linquo.svg"} | {
    "usr/share/icons/hicolor/%dx%d/apps/linquo.png" % (s, s) for s in (16, 32, 48, 128)}
# An ordinary user that owns nothing on this machine but the test's own home folder.
USER_ID = 54321
NICK = "小明"


def run(*argv, **kw):
    return subprocess.run(list(argv), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          check=kw.pop("check", True), **kw)


def tree(root):
    """Every entry under root with what a write would change."""
    out = {}
    for d, dirs, files in os.walk(root):
        for name in dirs + files:
            p = os.path.join(d, name)
            st = os.lstat(p)
            out[os.path.relpath(p, root)] = (st.st_mode, st.st_size, st.st_mtime_ns)
    return out


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="lq-package-")
        os.chmod(cls.tmp, 0o755)  # the ordinary user must reach the unpacked program
        made = run(os.path.join(SOURCE, "scripts", "package.sh"), cls.tmp,
                   stdin=subprocess.DEVNULL)
        cls.deb = made.stdout.decode().strip().splitlines()[-1]
        cls.root = os.path.join(cls.tmp, "root")
        run("dpkg-deb", "-x", cls.deb, cls.root)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_files_control_data_and_desktop_metadata(self):
        self.assertEqual(os.path.basename(self.deb), "linquo_%s_amd64.deb" % VERSION)
        listing = run("dpkg-deb", "-c", self.deb).stdout.decode().splitlines()
        entries = {}
        for line in listing:
            mode, owner, _size, _date, _time, path = line.split(None, 5)
            entries[path.split(" -> ")[0].lstrip("./").rstrip("/")] = (mode, owner, path)
        files = {p for p, (mode, _o, _l) in entries.items() if mode[0] != "d"}
        self.assertEqual(files, FILES)
        self.assertTrue(all(o == "root/root" for _m, o, _l in entries.values()))
        self.assertEqual(entries["usr/bin/linquo"][2], "./usr/bin/linquo -> ../lib/linquo/Linquo")
        for prog in ("Linquo", "Sender"):
            self.assertEqual(entries[PROGRAM_DIR + "/" + prog][0], "-rwxr-xr-x")
            # Stripped: no symbol table left.
            sections = run("readelf", "-S", os.path.join(self.root, PROGRAM_DIR, prog))
            self.assertNotIn(b".symtab", sections.stdout)

        field = lambda name: run("dpkg-deb", "-f", self.deb, name).stdout.decode().strip()
        self.assertEqual(field("Package"), "linquo")
        self.assertEqual(field("Version"), VERSION)
        depends = [d.strip().split(" ")[0] for d in field("Depends").split(",")]
        for needed in ("libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6network6",
                       "libqt6svg6", "fonts-wqy-microhei", "qt6-translations-l10n"):
            self.assertIn(needed, depends)
        self.assertEqual(len(depends), len(set(depends)), depends)

        desktop = os.path.join(self.root, "usr/share/applications/%s.desktop" % APP_ID)
        checked = run("desktop-file-validate", desktop, check=False)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        with open(desktop, encoding="utf-8") as f:
            text = f.read()
        for line in ("Name=Linquo", "Exec=linquo", "Icon=linquo",
                     "Categories=Network;InstantMessaging;Chat;"):
            self.assertIn(line + "\n", text)
        self.assertIn("Name[zh_CN]=", text)
        checked = run("appstreamcli", "validate", "--no-net",
                      os.path.join(self.root, "usr/share/metainfo/%s.metainfo.xml" % APP_ID),
                      check=False)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)

    def test_first_start_by_an_ordinary_user_keeps_the_profile_in_their_home(self):
        home = os.path.join(self.tmp, "home")
        runtime = os.path.join(self.tmp, "runtime")
        for d in (home, runtime):
            os.mkdir(d, 0o700)
            os.chown(d, USER_ID, USER_ID)
        as_user = ["setpriv", "--reuid=%d" % USER_ID, "--regid=%d" % USER_ID, "--clear-groups"]
        linquo = os.path.join(self.root, "usr/bin/linquo")
        before = tree(self.root)

        with Lan(display=True) as lan:
            seg = lan.segment()
            h1 = lan.host("h1", "10.77.1.10", 16, seg)
            h2 = lan.host("h2", "10.77.2.20", 16, seg)
            lan.wait_links()
            peer = h2.start_peer("peer")
            # An empty XDG_CONFIG_HOME counts as unset: the profile goes to ~/.config.
            env = {"HOME": home, "XDG_RUNTIME_DIR": runtime, "XDG_CONFIG_HOME": ""}

            # The command line answers without a display and writes no profile.
            version = h1.start(as_user + [linquo, "--version"], "version", dict(env, DISPLAY=""))
            self.assertEqual(version.wait(30), 0)
            wrong = h1.start(as_user + [linquo, "--room"], "wrong", dict(env, DISPLAY=""))
            self.assertEqual(wrong.wait(30), 2)
            self.assertIn("Linquo %s" % VERSION, version.output())
            self.assertIn("--room", wrong.output())
            self.assertEqual(os.listdir(home), [])

            proc = h1.start(as_user + [linquo], "Linquo", env)
            display = lan.display
            # First start: the notice, then the settings dialog, typed into as a person would.
            display.dismiss(BOX_TITLE, 60, pid=proc.pid)
            settings = display.wait_window("^设置$", proc.pid)
            display.xdotool("windowfocus", "--sync", settings)
            display.type_text(NICK)
            display.press(settings, "Tab", "Down", "alt+o")  # sex: 女, then 确定(&O)
            display.wait_window(LOBBY_TITLE, proc.pid, 60)
            # The announcer found the same per-user profile: its hello names the new user,
            # and the lobby's "login sent" box follows.
            display.dismiss(BOX_TITLE, 60, pid=proc.pid)
            me = lqwire.User(NICK, h1.ip, 1)
            hellos = wait_until(lambda: [r for r in peer.received()
                                         if r["data"][0] == lqwire.PT_HELLO], 30, what="hello")
            self.assertEqual(hellos[0]["data"], lqwire.encode_user(lqwire.PT_HELLO, me))

            folder = os.path.join(home, ".config", "linquo")
            profile = os.path.join(folder, "Setup.ini")
            st = os.stat(folder)
            self.assertEqual((st.st_uid, stat.S_IMODE(st.st_mode)), (USER_ID, 0o700))
            with open(profile, "rb") as f:
                saved = f.read()
            self.assertIn(b"Nick=" + NICK.encode("gbk"), saved)
            self.assertIn(b"Sex=GIRL", saved)
            self.assertEqual(os.stat(profile).st_uid, USER_ID)

            proc.signal(signal.SIGTERM)  # a session end: saved again, no question
            self.assertEqual(proc.wait(30), 0)
        self.assertIn(b"Nick=" + NICK.encode("gbk"), open(profile, "rb").read())
        self.assertEqual(tree(self.root), before)  # nothing written beside the program


if __name__ == "__main__":
    unittest.main()
