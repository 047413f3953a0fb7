"""Private conversations between real Linquo instances on a simulated LAN: a person
double-clicks another user in the lobby, types and presses Enter; a message for a window
that is not on screen waits behind the lobby's notifier until its text is clicked.

What was sent is read from the bridge (exact bytes); what arrived is read from the screen:
which windows are up, the notifier's text colour (grey with nothing waiting, black while
messages wait) and its picture (the same count draws the same picture), and the colours
of the lines in a window (each speaker's name and text by sex)."""

import time

import lqwire
import lqui
from lqui import chat_title
from lanharness import LOBBY_TITLE, wait_until
from test_lan_linquo import LinquoLan


class ConversationLan(LinquoLan):
    """LinquoLan with the screen: lobbies, windows, and what an instance sent."""

    def setUp(self):
        super().setUp()
        self.screen = lqui.Screen(self.lan.display)
        # Runs before the LAN is taken down: what the programs said, for a failure.
        self.addCleanup(self.report_programs)

    def report_programs(self):
        for host in self.lan.hosts:
            for proc in host.processes:
                out = proc.output().strip()
                if out or (not proc.running() and proc.popen.returncode not in (0, None)):
                    print("\n[%s %s pid %d exit %s]\n%s" % (host.name, proc.name, proc.pid,
                                                           proc.popen.poll(), out[-3000:]))

    def lobby(self, proc):
        return lqui.Lobby(self.screen, self.lan.display.wait_window(LOBBY_TITLE, proc.pid))

    def window(self, title, proc, timeout=15.0):
        return self.lan.display.wait_window(title, proc.pid, timeout)

    def shown(self, title, proc):
        return self.lan.display.windows(title, proc.pid)

    def sent(self, src, since, ptype=None):
        """(destination, bytes) of what the host sent after a moment, in order."""
        return [(d["dst"], d["data"]) for d in self.wire(ptype, src=src.ip) if d["t"] >= since]

    def expect_sent(self, src, since, expected, ptype):
        """Waits for the datagrams of one type, then checks that exactly these went."""
        wait_until(lambda: len(self.sent(src, since, ptype)) >= len(expected), 15,
                   what="%d datagrams of type %d from %s" % (len(expected), ptype, src.ip))
        time.sleep(0.3)
        self.assertEqual(self.sent(src, since, ptype), expected)

    def colours(self, wid, *predicates):
        """Whether the window shows a pixel of each colour."""
        img = self.screen.capture(wid)
        return [bool(img.bbox(p)) for p in predicates]

    def wait_colours(self, wid, *predicates):
        wait_until(lambda: all(self.colours(wid, *predicates)), 10,
                   what="the window's lines in their colours")

    def wait_notifier(self, lobby, colour):
        wait_until(lambda: lobby.notifier_text_colour() == colour, 10,
                   what="the notifier's text in %s" % colour)

    def rest_pointer_beside_text(self, lobby):
        """Moves the pointer onto the notifier beside its text: the text stops lighting
        up, as it does for a person who moves on."""
        x0, y0, _, y1 = lobby.notifier_box()
        self.lan.display.xdotool("mousemove", "--window", lobby.wid, str(x0 + 3),
                                 str((y0 + y1) // 2))
        time.sleep(0.3)


class TwoInstancesTalkPrivately(ConversationLan):
    def test_lines_both_ways_and_messages_waiting_behind_the_notifier(self):
        # B starts after A and has the lower address, so that each lists itself first
        # (its own hello comes before any answer): A lists A, B; B lists B, A. The peer
        # answers nobody and says hello after both: it is third everywhere.
        a = self.host("h1", "10.77.2.20", "阿明")
        b = self.host("h2", "10.77.1.10", "小红", "GIRL")
        p = self.lan.host("h3", "10.77.3.30", 16, self.seg)
        self.ready()
        peer = p.start_peer("老王", silent=True)
        la = a.start_linquo()
        lb = b.start_linquo()
        peer.hello(a.ip)
        peer.hello(b.ip)
        wait_until(lambda: len([r for r in peer.received()
                                if r["data"][0] == lqwire.PT_HELLO_ACK]) >= 2, 10,
                   what="both instances answering the peer")
        lobby_a, lobby_b = self.lobby(la), self.lobby(lb)
        self.assertEqual(lobby_a.notifier_text_colour(), "grey")

        # A double-clicks B and writes: one datagram to B, exactly as the line was typed.
        lobby_a.double_click_user(1)
        to_b = self.window(chat_title("小红"), la)
        hello = "你好,小红! hello"
        t0 = time.time()
        self.screen.say(to_b, hello)
        self.expect_sent(a, t0, [(b.ip, lqwire.encode_user_text(lqwire.PT_PRIVATE_MSG, a.user,
                                                                 hello))], lqwire.PT_PRIVATE_MSG)
        # A's own line shows at once: a man's name in blue, his text in dark green.
        self.wait_colours(to_b, lqui.is_male_name, lqui.is_male_text)

        # B has no window for A yet: the message waits, hidden, and the notifier says so.
        self.wait_notifier(lobby_b, "black")
        self.assertEqual(self.shown(chat_title("阿明"), lb), [])
        lobby_b.click_notifier()
        to_a = self.window(chat_title("阿明"), lb)
        self.wait_colours(to_a, lqui.is_male_name, lqui.is_male_text)
        self.wait_notifier(lobby_b, "grey")

        # B answers in that window; A's window is on screen, so the line shows there at
        # once (a woman's text in magenta) and nothing waits behind A's notifier.
        reply = "收到,阿明"
        t0 = time.time()
        self.screen.say(to_a, reply)
        self.expect_sent(b, t0, [(a.ip, lqwire.encode_user_text(lqwire.PT_PRIVATE_MSG, b.user,
                                                                 reply))], lqwire.PT_PRIVATE_MSG)
        self.wait_colours(to_b, lqui.is_female_text)
        self.assertEqual(lobby_a.notifier_text_colour(), "grey")

        # The peer writes to A: a hidden window, counted once however many lines arrive.
        peer.send(a.ip, lqwire.encode_user_text(lqwire.PT_PRIVATE_MSG, peer.user(), "在吗?"))
        self.wait_notifier(lobby_a, "black")
        one = lobby_a.notifier_pixels()
        peer.send(a.ip, lqwire.encode_user_text(lqwire.PT_PRIVATE_MSG, peer.user(), "在吗??"))
        # A user nobody has heard of is not listened to.
        stranger = lqwire.User("路人", p.ip)
        peer.send(a.ip, lqwire.encode_user_text(lqwire.PT_PRIVATE_MSG, stranger, "喂"))
        time.sleep(1.0)
        self.assertTrue(lobby_a.notifier_pixels() == one, "the notifier's count changed")
        self.assertEqual(self.shown(chat_title("老王"), la), [])
        self.assertEqual(self.shown(chat_title("路人"), la), [])

        # A second user at the peer's address says hello and writes: two windows wait.
        second = lqwire.User("小李", p.ip)
        peer.send(a.ip, lqwire.encode_user(lqwire.PT_HELLO, second))
        wait_until(lambda: [r for r in peer.received() if r["data"] == lqwire.encode_user(
            lqwire.PT_HELLO_ACK, a.user)], 10, what="A answering the second user")
        peer.send(a.ip, lqwire.encode_user_text(lqwire.PT_PRIVATE_MSG, second, "我是小李"))
        wait_until(lambda: lobby_a.notifier_pixels() != one, 10, what="a count of two")

        # Each click opens one window, the earlier-created first, and counts again.
        lobby_a.click_notifier()
        to_peer = self.window(chat_title("老王"), la)
        self.rest_pointer_beside_text(lobby_a)
        wait_until(lambda: lobby_a.notifier_pixels() == one, 10, what="a count of one again")
        self.assertEqual(self.shown(chat_title("小李"), la), [])
        lobby_a.click_notifier()
        self.window(chat_title("小李"), la)
        self.wait_notifier(lobby_a, "grey")
        self.assertEqual(self.shown(chat_title("路人"), la), [])

        # A answers the peer from the window the notifier opened.
        t0 = time.time()
        self.screen.say(to_peer, "我在")
        self.expect_sent(a, t0, [(p.ip, lqwire.encode_user_text(lqwire.PT_PRIVATE_MSG, a.user,
                                                                 "我在"))], lqwire.PT_PRIVATE_MSG)
        wait_until(lambda: [r for r in peer.received() if r["data"] == lqwire.encode_user_text(
            lqwire.PT_PRIVATE_MSG, a.user, "我在")], 10, what="the peer receiving A's answer")


if __name__ == "__main__":
    import unittest
    unittest.main()
