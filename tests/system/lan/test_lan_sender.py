"""Sender on a simulated LAN: what peers receive, what the lobby window is told, and the
failure boxes of the real program (dismissed with real key presses)."""

import os
import time
import unittest

import lanctl
import lqwire
from lanharness import Lan, read_records, wait_until

BIN = os.environ.get("LINQUO_BIN", "")
FAKE_LOBBY = os.environ.get("LQ_FAKE_LOBBY", "")
NICK = "张三"


def hello_of(nick, ip, sex):
    return lqwire.encode_user(lqwire.PT_HELLO, lqwire.User(nick, ip, sex))


class SenderTestCase(unittest.TestCase):
    def make_lan(self, display=False):
        self.lan = Lan(display=display)
        self.addCleanup(self.lan.close)
        return self.lan

    def announcer_host(self, host):
        host.install(BIN, programs=("Sender",))
        host.write_profile(NICK, "GIRL")
        return host

    def start_lobby(self, host, hold=None):
        # A host's stand-ins share one log: wait for this one's own "listening" line, or an
        # announcer started at once could find no lobby yet.
        before = self.lobbies_listening(host)
        lobby = host.start([FAKE_LOBBY] + ([hold] if hold else []), "fake_lobby")
        wait_until(lambda: self.lobbies_listening(host) > before, 15, what="the stand-in lobby")
        return lobby

    @staticmethod
    def lobbies_listening(host):
        try:
            with open(os.path.join(host.dir, "fake_lobby.log"), "rb") as f:
                return f.read().count(b"listening")
        except FileNotFoundError:
            return 0

    def run_sender(self, host, env=None):
        return host.start_program("Sender", env=dict({"QT_QPA_PLATFORM": "offscreen"},
                                                     **(env or {})))

    def from_host(self, host):
        """What the host itself put on the wire (not what a router forwarded for it)."""
        return [d for d in self.lan.wire()
                if d["if"] == host.port and d["src"] == host.ip and d["dport"] == lqwire.PORT]


class SenderOnOneSubnet(SenderTestCase):
    def setUp(self):
        lan = self.make_lan()
        seg = lan.segment()
        self.h1 = self.announcer_host(lan.host("h1", "10.77.1.10", 16, seg))
        self.h2 = lan.host("h2", "10.77.2.20", 16, seg)
        self.h3 = lan.host("h3", "10.77.200.30", 16, seg)
        lan.wait_links()
        lan.start_capture()
        self.peers = [self.h2.start_peer("peer2"), self.h3.start_peer("peer3", sex=1)]

    def test_hello_reaches_every_peer_and_the_lobby_is_told_after_the_sweep(self):
        hold = os.path.join(self.h1.dir, "release")
        lobby = self.start_lobby(self.h1, hold)
        sender = self.run_sender(self.h1)

        wait_until(lambda: "message 1124 0 0" in lobby.output(), 30,
                   what="WM_LOGIN_SENT at the lobby")
        # The lobby's handler has not returned yet, so neither has the announcer.
        time.sleep(0.5)
        self.assertTrue(sender.running(), "Sender ended before the lobby's handler returned")
        open(hold, "w").close()
        self.assertEqual(sender.wait(30), 0)
        wait_until(lambda: "returned" in lobby.output(), 10, what="the handler to return")

        expected = hello_of(NICK, "10.77.1.10", 1)
        for peer in self.peers:
            got = wait_until(lambda: [r for r in peer.received() if r["src"] == "10.77.1.10"],
                             10, what="the hello at %s" % peer.host.name)
            self.assertEqual(len(got), 1, "exactly one hello per peer")
            self.assertEqual(got[0]["data"], expected)
            self.assertEqual(len(got[0]["data"]), 281)

        # On the wire: the one broadcast and nothing sent singly to the covered /16.
        time.sleep(0.3)
        sent = self.from_host(self.h1)
        self.assertEqual([d["dst"] for d in sent], ["10.77.255.255"])
        # Both peers answered the record's address.
        acks = [d for d in self.lan.wire() if d["dst"] == "10.77.1.10"
                and d["data"][0] == lqwire.PT_HELLO_ACK]
        self.assertEqual(sorted(d["src"] for d in acks), ["10.77.2.20", "10.77.200.30"])

    def test_without_profile_nothing_is_sent_and_the_lobby_is_not_told(self):
        self.h1.remove_file("Setup.ini")
        lobby = self.start_lobby(self.h1)
        sender = self.run_sender(self.h1)
        # The failure box of a headless run waits for a person; give it time, then end it.
        time.sleep(2.0)
        sender.stop()
        self.assertNotIn("message", lobby.output())
        self.assertEqual(self.from_host(self.h1), [])
        for peer in self.peers:
            self.assertEqual(peer.received(), [])


class SenderAcrossARouter(SenderTestCase):
    def test_both_subnets_of_the_sixteen_are_reached(self):
        lan = self.make_lan()
        near, far = lan.segment(), lan.segment()
        lan.router("gw", [(near, "10.77.1.1", 24), (far, "10.77.2.1", 24)])
        h1 = self.announcer_host(lan.host("h1", "10.77.1.10", 24, near, gateway="10.77.1.1"))
        h2 = lan.host("h2", "10.77.1.30", 24, near, gateway="10.77.1.1")
        h3 = lan.host("h3", "10.77.2.20", 24, far, gateway="10.77.2.1")
        lan.wait_links()
        lan.start_capture()
        peers = [h2.start_peer("near"), h3.start_peer("far")]
        self.start_lobby(h1, None)
        sender = self.run_sender(h1)
        self.assertEqual(sender.wait(60), 0)

        expected = hello_of(NICK, "10.77.1.10", 1)
        for peer in peers:
            got = wait_until(lambda: [r for r in peer.received() if r["src"] == "10.77.1.10"],
                             10, what="the hello at %s" % peer.host.name)
            self.assertEqual([r["data"] for r in got], [expected])

        # The own /24 had one broadcast and no single sends; the rest went to the router.
        time.sleep(0.5)
        sent = self.from_host(h1)
        on_own_subnet = [d["dst"] for d in sent if d["dst"].startswith("10.77.1.")]
        self.assertEqual(on_own_subnet, ["10.77.1.255"])
        self.assertIn("10.77.2.20", [d["dst"] for d in sent])
        dsts = [d["dst"] for d in sent]
        self.assertEqual(len(dsts), len(set(dsts)), "an address was sent to twice")
        self.assertLessEqual(len(sent), 65536 - 256 + 1)


    def test_a_slow_link_through_a_gateway_loses_no_peer(self):
        # The announcer's own /24 drains at 20 Mbit/s, slower than it sends even on a busy
        # machine: its socket buffer fills again and again on the way to six /24s behind
        # the gateway.
        lan = self.make_lan()
        hosts = lanctl.shaped24(lan, 6, "20mbit")
        h1 = self.announcer_host(hosts[0])
        lan.wait_links()
        lan.start_capture()
        outgoing = h1.capture_outgoing()
        peers = [h.start_peer("far%d" % i) for i, h in enumerate(hosts[1:])]
        lobby = self.start_lobby(h1, None)
        sender = self.run_sender(h1)
        self.assertEqual(sender.wait(120), 0)
        lobby.wait(10)

        expected = hello_of(NICK, "10.77.1.10", 1)
        for peer in peers:
            got = wait_until(lambda: [r for r in peer.received() if r["src"] == "10.77.1.10"],
                             10, what="the hello at %s" % peer.host.name)
            self.assertEqual([r["data"] for r in got], [expected])
        wait_until(lambda: len({d["src"] for d in self.lan.wire() if d["dst"] == h1.ip
                                and d["data"][0] == lqwire.PT_HELLO_ACK}) == len(peers), 10,
                   what="every peer's answer")

        # Waiting changed neither the order nor the bytes, and sent nobody a second hello.
        time.sleep(0.5)
        sent = [d for d in read_records(outgoing) if d["src"] == h1.ip
                and d["dport"] == lqwire.PORT]
        self.assertEqual(len(sent), len(self.from_host(h1)))
        self.assertEqual(sent[0]["dst"], "10.77.1.255")
        order = [tuple(int(x) for x in d["dst"].split(".")) for d in sent[1:]]
        self.assertEqual(order, sorted(set(order)))
        self.assertEqual({d["data"] for d in sent}, {expected})

        # A link that hardly drains (the sweep would need 45 minutes at 64 kbit/s) stops
        # the waiting: the announcer still finishes and tells the lobby.
        h1.limit_rate("64kbit")
        lobby = self.start_lobby(h1, None)
        self.assertEqual(self.run_sender(h1).wait(120), 0)
        # Both stand-ins write to one log: the second announcer told the second lobby too.
        self.assertEqual(lobby.output().count("message 1124 0 0"), 2)


class SenderBoxesOnADisplay(SenderTestCase):
    """The real program's failure boxes, on a virtual display, closed by a key press."""

    def setUp(self):
        lan = self.make_lan(display=True)
        self.h1 = self.announcer_host(lan.host("h1", "10.77.1.10", 16))
        self.h2 = lan.host("h2", "10.77.2.20", 16)
        lan.wait_links()
        lan.start_capture()
        self.peer = self.h2.start_peer("peer2")

    def run_to_box(self):
        sender = self.h1.start_program("Sender")
        self.lan.display.dismiss("^Sender$", timeout=60, pid=None)
        self.assertEqual(sender.wait(30), 1)
        return sender

    def test_lobby_not_open(self):
        self.run_to_box()
        self.assertEqual(self.from_host(self.h1), [])
        self.assertEqual(self.peer.received(), [])

    def test_profile_missing_or_empty(self):
        lobby = self.start_lobby(self.h1)
        for raw in (None, "[People]\r\nNick=\r\nSex=GIRL\r\n".encode()):
            if raw is None:
                self.h1.remove_file("Setup.ini")
            else:
                self.h1.write_profile(None, raw=raw)
            self.run_to_box()
        self.assertNotIn("message", lobby.output())
        self.assertEqual(self.from_host(self.h1), [])


if __name__ == "__main__":
    unittest.main()
