"""The README's pictures, taken on the demo's LAN of four: 小红 and 阿明 open rooms, 老张
and 丽丽 join 小红's and talk there, and 阿明 writes privately to 丽丽, who answers from
the notifier. Then the lobby of 阿明, the room window of 老张 and 阿明's conversation
with 丽丽 are saved as PNGs. Every step waits for what a person would wait for on screen."""

import os
import time

import lqui
from lqui import chat_title, room_title
from lanharness import LOBBY_TITLE, wait_until

# (nickname, sex, room name, room introduction) of the demo's users, in starting order.
USERS = [("阿明", "BOY", "周末羽毛球", "周六下午两点,体育馆见"),
         ("小红", "GIRL", "闲聊室", "随便聊聊,欢迎光临"),
         ("老张", "BOY", None, None),
         ("丽丽", "GIRL", None, None)]
SCREEN = "960x640"


class Pictures:
    def __init__(self, lan, procs):
        self.display = lan.display
        self.screen = lqui.Screen(lan.display)
        self.procs = procs
        self.lobbies = [lqui.Lobby(self.screen, self.display.wait_window(LOBBY_TITLE, p.pid))
                        for p in procs]

    def wait_everywhere(self, what, count, measure):
        for lobby in self.lobbies:
            wait_until(lambda: len(measure(lobby)) == count, 30,
                       what="%d %s in every lobby" % (count, what))

    def open_room(self, who):
        self.lobbies[who].click_create_room()
        self.display.dismiss("^房间设置$", 30, pid=self.procs[who].pid)
        wid = self.display.wait_window(room_title(USERS[who][2]), self.procs[who].pid, 15)
        lqui.RoomWindow(self.screen, wid).locate()
        return wid

    def join(self, who, row, room):
        self.lobbies[who].double_click_room(row)
        wid = self.display.wait_window(room_title(room), self.procs[who].pid, 15)
        lqui.RoomWindow(self.screen, wid).locate()
        return wid

    def say(self, wid, text, windows):
        """Says a line and waits until every window of the conversation shows it."""
        before = [self.ink(w) for w in windows]
        self.screen.say(wid, text)
        wait_until(lambda: all(self.ink(w) != b for w, b in zip(windows, before)), 15,
                   what="the line %r on every screen" % text)

    def ink(self, wid):
        img = self.screen.capture(wid, settle=0.1)
        return len(img.points(lqui.is_ink))

    def take(self, outdir):
        # The lines use few distinct characters: each one needs a free key of the display.
        ming, hong, zhang, li = range(4)
        self.wait_everywhere("users listed", 4, lqui.Lobby.user_items)
        hong_room = self.open_room(hong)
        self.wait_everywhere("rooms listed", 1, lqui.Lobby.room_rows)
        self.open_room(ming)
        self.wait_everywhere("rooms listed", 2, lqui.Lobby.room_rows)

        zhang_room = self.join(zhang, 0, USERS[hong][2])
        time.sleep(0.5)
        li_room = self.join(li, 0, USERS[hong][2])
        time.sleep(0.5)
        talk = [hong_room, zhang_room, li_room]
        self.say(hong_room, "大家好!", talk)
        self.say(zhang_room, "中午一起吃饭?", talk)
        self.say(li_room, "好,一起!", talk)

        self.lobbies[ming].double_click_user(3)
        to_li = self.display.wait_window(chat_title("丽丽"), self.procs[ming].pid, 15)
        self.screen.say(to_li, "下午三点开会")
        wait_until(lambda: self.lobbies[li].notifier_text_colour() == "black", 15,
                   what="丽丽's notifier announcing the message")
        self.lobbies[li].click_notifier()
        to_ming = self.display.wait_window(chat_title("阿明"), self.procs[li].pid, 15)
        self.say(to_ming, "好,三点见!", [to_li, to_ming])

        os.makedirs(outdir, exist_ok=True)
        for name, wid in (("lobby", self.lobbies[ming].wid), ("room", zhang_room),
                          ("private", to_li)):
            path = os.path.join(outdir, "%s.png" % name)
            self.screen.capture(wid, settle=0.5).save_png(path)
            print("saved %s (%d bytes)" % (path, os.path.getsize(path)))
