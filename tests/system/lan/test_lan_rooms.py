"""A chat room among three real Linquo instances on a simulated LAN, driven as people
would: one opens a room, two join with a double click, lines go to everybody and to one
member, one member leaves and comes back, one quits the program, and the host closes the
room under the last member.

At every step the bridge shows exactly which datagrams each instance sent, to whom, in
which order and with which bytes. An instance's room list holds what it received, so the
announcements (PT_ROOM_INFO, then PT_ROOM_UPDATE with the member count) that reached each
instance tell what its list shows; the screen confirms the rows and the member lists."""

import os
import time

import lqui
from lanharness import BOX_TITLE, QUESTION_TITLE, wait_until
from lqwire import (PT_HOST_BYE, PT_MEMBER_ADD, PT_MEMBER_REMOVE, PT_ROOM_CLOSED,
                    PT_ROOM_INFO, PT_ROOM_JOIN, PT_ROOM_LEAVE, PT_ROOM_SAY, PT_ROOM_SAY_TO,
                    PT_ROOM_UPDATE, encode_room, encode_user, encode_user_text,
                    encode_user_user_text)
from test_lan_private import ConversationLan

ROOM = "闲聊室"
INTRO = "随便聊聊,欢迎光临"
ROOM_TITLE = lqui.room_title(ROOM)
# Where to keep pictures of the room for a person to look at (optional).
SHOTS = os.environ.get("LQ_SCREENSHOTS", "")


class ThreeInstancesShareARoom(ConversationLan):
    def room_host(self, name, ip, nick, sex="BOY"):
        """A host whose profile names the room it would open."""
        h = self.host(name, ip, nick, sex)
        h.write_profile(nick, sex, room=ROOM, intro=INTRO)
        return h

    def room(self, ptype, count):
        return encode_room(ptype, ROOM, count, INTRO, self.a.user)

    def step(self, expected):
        """Checks what each host sent since the step began: {host: [(dst, bytes)...]}
        for the room's datagrams (greetings and goodbyes are checked where they belong)."""
        room_types = {PT_ROOM_INFO, PT_ROOM_CLOSED, PT_HOST_BYE, PT_ROOM_UPDATE, PT_ROOM_LEAVE,
                      PT_ROOM_JOIN, PT_MEMBER_ADD, PT_MEMBER_REMOVE, PT_ROOM_SAY, PT_ROOM_SAY_TO}

        def sent(host):
            return [(dst, data) for dst, data in self.sent(host, self.t0)
                    if data[0] in room_types]
        wait_until(lambda: all(len(sent(h)) >= len(e) for h, e in expected.items()), 15,
                   what="the step's datagrams")
        time.sleep(0.4)
        for host in (self.a, self.b, self.c):
            self.assertEqual(sent(host), expected.get(host, []), "sent by %s" % host.name)
        self.t0 = time.time()

    def join(self, lobby, proc):
        lobby.double_click_room(0)
        window = lqui.RoomWindow(self.screen, self.window(ROOM_TITLE, proc))
        window.locate()
        # The joined row stays selected through later updates of the room: a click on the
        # room list's empty space deselects it, and one on the user list's takes the focus
        # (and its frame) away from the room list, so that every lobby draws the same rows.
        x0, _, _, y1 = lobby.room_list
        self.screen.click(lobby.wid, x0 + 20, y1 - 10)
        ux0, _, _, uy1 = lobby.user_list
        self.screen.click(lobby.wid, ux0 + 20, uy1 - 10)
        return window

    def leave(self, window, proc):
        """Closes the room window as its close box would, and answers Yes."""
        self.screen.close_window(window.wid)
        self.lan.display.dismiss(QUESTION_TITLE, 30, pid=proc.pid)
        wait_until(lambda: not self.shown(ROOM_TITLE, proc), 10, what="the room window closing")

    def transcript(self, window, kinds):
        """The window's transcript shows these lines: 'notice' (grey) or 'line'."""
        wait_until(lambda: window.transcript_lines() == kinds, 10,
                   what="the transcript %s" % kinds)

    def members(self, window, n):
        wait_until(lambda: window.member_rows() == n, 10, what="%d member rows" % n)

    def rooms_listed(self, n, *lobbies):
        """Each lobby lists n rooms, and all of them show the same rows (name, creator,
        count, intro and address)."""
        for lobby in lobbies:
            wait_until(lambda: len(lobby.room_rows()) == n, 10, what="%d rooms listed" % n)
        wait_until(lambda: len({lobby.room_list_picture() for lobby in lobbies}) == 1, 10,
                   what="the room lists to agree")

    def test_open_join_talk_leave_quit_and_close(self):
        # Later starters have lower addresses, so each lists itself first; A lists A, B, C.
        a = self.a = self.room_host("h1", "10.77.3.30", "阿明")
        b = self.b = self.room_host("h2", "10.77.2.20", "小红", "GIRL")
        c = self.c = self.room_host("h3", "10.77.1.10", "老张")
        self.ready()
        la, lb, lc = a.start_linquo(), b.start_linquo(), c.start_linquo()
        lobby_a, lobby_b, lobby_c = self.lobby(la), self.lobby(lb), self.lobby(lc)
        self.rooms_listed(0, lobby_a, lobby_b, lobby_c)

        # A opens a room: the button, then Enter in the room settings. Everybody A knows
        # hears of it with no member; A's own announcement stays on its host.
        self.t0 = time.time()
        lobby_a.click_create_room()
        self.lan.display.dismiss("^房间设置$", 30, pid=la.pid)
        room_a = lqui.RoomWindow(self.screen, self.window(ROOM_TITLE, la))
        room_a.locate()
        self.step({a: [(b.ip, self.room(PT_ROOM_INFO, 0)), (c.ip, self.room(PT_ROOM_INFO, 0))]})
        self.rooms_listed(1, lobby_a, lobby_b, lobby_c)

        # B joins: A tells B about itself, then everybody about one member.
        room_b = self.join(lobby_b, lb)
        self.step({b: [(a.ip, encode_user(PT_ROOM_JOIN, b.user))],
                   a: [(b.ip, encode_user(PT_MEMBER_ADD, a.user)),
                       (b.ip, self.room(PT_ROOM_UPDATE, 1)), (c.ip, self.room(PT_ROOM_UPDATE, 1))]})
        self.members(room_b, 1)
        self.rooms_listed(1, lobby_a, lobby_b, lobby_c)

        # C joins: B hears of C; C hears of the host first, then of B; the count is 2.
        room_c = self.join(lobby_c, lc)
        self.step({c: [(a.ip, encode_user(PT_ROOM_JOIN, c.user))],
                   a: [(b.ip, encode_user(PT_MEMBER_ADD, c.user)),
                       (c.ip, encode_user(PT_MEMBER_ADD, a.user)),
                       (c.ip, encode_user(PT_MEMBER_ADD, b.user)),
                       (b.ip, self.room(PT_ROOM_UPDATE, 2)), (c.ip, self.room(PT_ROOM_UPDATE, 2))]})
        for window in (room_a, room_b, room_c):
            self.members(window, 2)
        self.rooms_listed(1, lobby_a, lobby_b, lobby_c)

        # Lines to everybody go to every other member, in member-list order.
        self.screen.say(room_b.wid, "大家好 hello")
        self.step({b: [(a.ip, encode_user_text(PT_ROOM_SAY, b.user, "大家好 hello")),
                       (c.ip, encode_user_text(PT_ROOM_SAY, b.user, "大家好 hello"))]})
        self.screen.say(room_a.wid, "欢迎各位")
        self.step({a: [(b.ip, encode_user_text(PT_ROOM_SAY, a.user, "欢迎各位")),
                       (c.ip, encode_user_text(PT_ROOM_SAY, a.user, "欢迎各位"))]})
        # C clicks B's row (C lists the host, then B) and writes to B alone: the line
        # still goes to every member.
        room_c.click_row(2)
        self.screen.say(room_c.wid, "只对你说")
        to_b = encode_user_user_text(PT_ROOM_SAY_TO, c.user, b.user, "只对你说")
        self.step({c: [(a.ip, to_b), (b.ip, to_b)]})
        # Every window shows two entries and the three lines, the directed one included;
        # in B's, the men's lines are dark green beside B's own magenta.
        talk = ["notice", "notice", "line", "line", "line"]
        for window in (room_a, room_b, room_c):
            self.transcript(window, talk)
        self.wait_colours(room_b.wid, lqui.is_male_name, lqui.is_male_text,
                          lqui.is_female_text, lqui.is_grey_notice)
        if SHOTS:
            os.makedirs(SHOTS, exist_ok=True)
            for name, window in (("host", room_a), ("member-b", room_b), ("member-c", room_c)):
                self.screen.capture(window.wid).save_png(os.path.join(SHOTS, "room-%s.png" % name))
            self.screen.save(os.path.join(SHOTS, "screen.png"))

        # B leaves: the close box, Yes. A tells C and announces one member.
        self.leave(room_b, lb)
        self.step({b: [(a.ip, encode_user(PT_ROOM_LEAVE, b.user))],
                   a: [(c.ip, encode_user(PT_MEMBER_REMOVE, b.user)),
                       (b.ip, self.room(PT_ROOM_UPDATE, 1)), (c.ip, self.room(PT_ROOM_UPDATE, 1))]})
        self.members(room_a, 1)
        self.members(room_c, 1)
        self.transcript(room_a, talk + ["notice"])
        self.transcript(room_c, talk + ["notice"])
        self.rooms_listed(1, lobby_a, lobby_b, lobby_c)

        # B comes back at once: now C is the older member.
        room_b = self.join(lobby_b, lb)
        self.step({b: [(a.ip, encode_user(PT_ROOM_JOIN, b.user))],
                   a: [(c.ip, encode_user(PT_MEMBER_ADD, b.user)),
                       (b.ip, encode_user(PT_MEMBER_ADD, a.user)),
                       (b.ip, encode_user(PT_MEMBER_ADD, c.user)),
                       (b.ip, self.room(PT_ROOM_UPDATE, 2)), (c.ip, self.room(PT_ROOM_UPDATE, 2))]})
        self.members(room_b, 2)
        self.rooms_listed(1, lobby_a, lobby_b, lobby_c)

        # C quits the program with its room open: it leaves, then says goodbye. Its
        # leave and its goodbye both reach A, which removes C once.
        self.quit_by_menu(lc)
        self.step({c: [(a.ip, encode_user(PT_ROOM_LEAVE, c.user))],
                   a: [(b.ip, encode_user(PT_MEMBER_REMOVE, c.user)),
                       (b.ip, self.room(PT_ROOM_UPDATE, 1)), (c.ip, self.room(PT_ROOM_UPDATE, 1))]})
        self.assertEqual(sorted(self.byes_from(c)), sorted([a.ip, b.ip]))
        self.members(room_a, 1)
        self.members(room_b, 1)
        # One notice of C leaving, on the host and on B (whose new window also shows the
        # host and C entering).
        self.transcript(room_a, talk + ["notice"] * 3)
        self.transcript(room_b, ["notice"] * 3)
        self.rooms_listed(1, lobby_a, lobby_b)

        # A closes the room: everybody A still knows hears it (with the count it had),
        # and B's window closes with the closing message.
        self.leave(room_a, la)
        self.step({a: [(b.ip, self.room(PT_ROOM_CLOSED, 1))]})
        wait_until(lambda: not self.shown(ROOM_TITLE, lb), 10, what="B's room window closing")
        self.lan.display.dismiss(BOX_TITLE, 30, pid=lb.pid)
        self.rooms_listed(0, lobby_a, lobby_b)

        # Nobody hosts any more: a plain goodbye, no room closed on the way out. B then
        # lists only itself.
        self.end(la)
        wait_until(lambda: self.byes_from(a), 10, what="A's goodbye")
        self.wait_listed(lb, 1)
        self.end(lb)
        time.sleep(0.5)
        self.assertEqual(self.byes_from(a), [b.ip])
        self.assertEqual(self.byes_from(b), [])
        self.assertEqual(self.wire(PT_HOST_BYE), [])
        self.assertEqual([d["dst"] for d in self.wire(PT_ROOM_CLOSED)], [b.ip])


if __name__ == "__main__":
    import unittest
    unittest.main()
