"""Where things are in Linquo's windows on the virtual display, found from what the screen
shows, so that tests can click list rows and read colours as a person would see them.

The lobby fills the screen (no window manager: it takes the work area) and is laid out in
fixed dialog units below its menu bar; the menu bar's height depends on the font, so the
lobby is measured from the message notifier's one-pixel black frame. List rows are found
by their icons. Every window is raised before it is read or clicked: without a window
manager, the windows of all instances lie on top of each other."""

import time

from lanharness import wait_until
from lqscreen import XConnection


def dlu(units):
    return (units * 3 + 1) // 2


NOTIFIER_AT = (dlu(4), dlu(7))
NOTIFIER_SIZE = (dlu(164), dlu(27))
TOP_BAR_HEIGHT = dlu(37)
CREATE_BUTTON_AT = (dlu(171), dlu(7))
MEMBER_ROW_HEIGHT = 20


def chat_title(nick):
    """The caption of a private conversation with nick, as a window-title pattern."""
    return "^你在与\\[%s\\]对话中$" % nick


def room_title(name):
    """The caption of the room window of the room called name."""
    return "^房间:\\[%s\\]$" % name


def is_black(r, g, b):
    return r < 40 and g < 40 and b < 40


def is_white(r, g, b):
    return r >= 250 and g >= 250 and b >= 250


def is_ink(r, g, b):
    return min(r, g, b) < 200


def is_icon(r, g, b):
    """A strongly coloured pixel: icons, not text or frames."""
    return max(r, g, b) - min(r, g, b) > 80


def is_marker(r, g, b):
    """The orange addressee arrow of the room's member list."""
    return r > 200 and 100 < g < 190 and b < 100


# The colours of chat lines (names by each user's sex, text by the speaker's sex); text is
# antialiased, so each test takes the fully inked pixels of a glyph.
def is_male_name(r, g, b):
    return r < 40 and g < 40 and b > 200


def is_male_text(r, g, b):
    return r < 40 and 100 < g < 150 and 30 < b < 90


def is_female_text(r, g, b):
    return r > 200 and g < 60 and b > 200


def is_grey_notice(r, g, b):
    return 110 < r < 145 and abs(r - g) < 6 and abs(r - b) < 6


class Screen:
    """The display, read through one X connection per capture."""

    def __init__(self, display):
        self.display = display

    def raise_window(self, wid):
        self.display.xdotool("windowraise", wid, check=False)

    def capture(self, wid, settle=0.2):
        """The window's pixels, once it is on top and has had time to paint what it
        uncovered (callers poll: a text caret blinks, so pictures never stop changing)."""
        self.raise_window(wid)
        time.sleep(settle)
        with XConnection(self.display.name) as x:
            return x.image(wid)

    def save(self, path):
        with XConnection(self.display.name) as x:
            x.image().save_png(path)

    def close_window(self, wid):
        """The close box's request (WM_DELETE_WINDOW)."""
        with XConnection(self.display.name) as x:
            x.request_close(wid)

    def click(self, wid, x, y, double=False):
        self.raise_window(wid)
        # No --sync: it waits for a motion that never comes when the pointer is there already.
        self.display.xdotool("mousemove", "--window", wid, str(x), str(y))
        time.sleep(0.1)
        if double:
            self.display.xdotool("click", "--repeat", "2", "--delay", "80", "1")
        else:
            self.display.xdotool("click", "1")

    def input_line(self, wid):
        """Click point of a conversation window's input line: the lowest long white run
        (the transcript above it is white too, but the input is the last row of controls)."""
        img = self.capture(wid)
        for y in range(img.height - 1, -1, -1):
            run, best = 0, None
            for x, px in enumerate(img.row(y)):
                run = run + 1 if is_white(*px) else 0
                if run >= 200:
                    best = x
            if best is not None:
                x, top = best - 100, y
                while top > 0 and is_white(*img.rgb(x, top - 1)):
                    top -= 1
                return x, (top + y) // 2
        raise AssertionError("no input line in window %s" % wid)

    def say(self, wid, text):
        """Clicks into the window's input line, types the text and presses Enter."""
        x, y = self.input_line(wid)
        self.click(wid, x, y)
        self.display.xdotool("windowfocus", "--sync", wid, check=False)
        self.display.type_text(text)
        self.display.xdotool("key", "--clearmodifiers", "Return")


class Lobby:
    """One instance's lobby: its notifier, its button and its two lists."""

    def __init__(self, screen, wid):
        self.screen = screen
        self.wid = wid
        img, top = wait_until(lambda: self._find_notifier(screen.capture(wid)), 15,
                              what="the lobby's message notifier on the screen")
        self.width, self.height = img.width, img.height
        self.client = (top[0] - NOTIFIER_AT[0], top[1] - NOTIFIER_AT[1])
        cx, cy = self.client
        rest = self.height - cy - TOP_BAR_HEIGHT
        lists_at = cy + TOP_BAR_HEIGHT
        self.user_list = (cx, lists_at, self.width, lists_at + int(rest * 0.4))
        self.room_list = (cx, self.user_list[3], self.width, self.height)

    @staticmethod
    def _find_notifier(img):
        """(image, top-left corner of the notifier's black frame), or None."""
        w, h = NOTIFIER_SIZE
        for y in range(min(img.height - h, 200)):
            run = 0
            for x, px in enumerate(img.row(y, 0, min(img.width, 80 + w))):
                run = run + 1 if is_black(*px) else 0
                if run == w and all(is_black(*img.rgb(x - w + 1, y + d)) for d in range(h)):
                    return img, (x - w + 1, y)
        return None

    def notifier_box(self):
        x, y = self.client[0] + NOTIFIER_AT[0], self.client[1] + NOTIFIER_AT[1]
        return x, y, x + NOTIFIER_SIZE[0], y + NOTIFIER_SIZE[1]

    def notifier_pixels(self):
        """The notifier as it looks now, inside its frame."""
        x0, y0, x1, y1 = self.notifier_box()
        return self.screen.capture(self.wid).crop(x0 + 1, y0 + 1, x1 - 1, y1 - 1)

    def notifier_text_colour(self):
        """'grey' while no message waits, 'black' (or 'blue' under the pointer) else."""
        x0, y0, x1, y1 = self.notifier_box()
        img = self.screen.capture(self.wid)
        ink = [px for y in range(y0 + 2, y1 - 2) for px in img.row(y, x0 + 2, x1 - 2)
               if is_ink(*px)]
        if not ink:
            return "none"
        darkest = min(ink, key=sum)
        if is_black(*darkest):
            return "black"
        if darkest[2] > 200 and darkest[0] < 60:
            return "blue"
        return "grey"

    def click_notifier(self):
        x0, y0, x1, y1 = self.notifier_box()
        self.screen.click(self.wid, (x0 + x1) // 2, (y0 + y1) // 2)

    def click_create_room(self):
        x, y = self.client[0] + CREATE_BUTTON_AT[0], self.client[1] + CREATE_BUTTON_AT[1]
        self.screen.click(self.wid, x + 30, y + 18)

    def user_items(self):
        """Click points of the user list's items in list order (first line of items)."""
        x0, y0, x1, _ = self.user_list
        img = self.screen.capture(self.wid)
        band = (y0 + 2, y0 + 40)
        cols = []
        for y in range(*band):
            for i, px in enumerate(img.row(y, x0 + 4, x1 - 4)):
                if is_icon(*px):
                    cols.append((x0 + 4 + i, y))
        if not cols:
            return []
        xs = sorted({c[0] for c in cols})
        ys = [c[1] for c in cols]
        groups = [[xs[0]]]
        for x in xs[1:]:
            if x - groups[-1][-1] > 30:
                groups.append([x])
            else:
                groups[-1].append(x)
        cy = (min(ys) + max(ys)) // 2
        return [((g[0] + g[-1]) // 2, cy) for g in groups]

    def double_click_user(self, index):
        items = wait_until(lambda: (lambda it: it if len(it) > index else None)(self.user_items()),
                           15, what="item %d of the user list" % index)
        self.screen.click(self.wid, *items[index], double=True)

    def room_rows(self):
        """Click points of the room list's rows, found by their icons."""
        x0, y0, _, y1 = self.room_list
        img = self.screen.capture(self.wid)
        ys = sorted({y for (_, y) in img.points(is_icon, x0 + 2, y0 + 2, x0 + 26, y1 - 2)})
        rows = []
        for y in ys:
            if rows and y - rows[-1][-1] <= 3:
                rows[-1].append(y)
            else:
                rows.append([y])
        return [(x0 + 100, (r[0] + r[-1]) // 2) for r in rows]

    def room_list_picture(self):
        """The room list's header and first rows as drawn: instances whose lists hold the
        same rooms with the same counts draw the same picture."""
        x0, y0, x1, _ = self.room_list
        return self.screen.capture(self.wid).crop(x0 + 2, y0 + 2, x1 - 2, y0 + 120)

    def double_click_room(self, index=0):
        rows = wait_until(lambda: (lambda r: r if len(r) > index else None)(self.room_rows()),
                          15, what="row %d of the room list" % index)
        self.screen.click(self.wid, *rows[index], double=True)


class RoomWindow:
    """A room window: its member list is found by the addressee marker."""

    def __init__(self, screen, wid):
        self.screen = screen
        self.wid = wid
        self.row0 = None

    def marker(self):
        img = self.screen.capture(self.wid)
        box = img.bbox(is_marker, img.width // 2, 0, img.width, img.height)
        if not box:
            return None
        return (box[0] + box[2]) // 2, (box[1] + box[3]) // 2

    def locate(self):
        """Remembers where row 0 is; the marker must be on it (as it is in a new window)."""
        self.row0 = wait_until(self.marker, 15, what="the member list's marker")
        return self.row0

    def member_rows(self):
        """How many member rows show an icon (row 0 has none while it carries the marker)."""
        img = self.screen.capture(self.wid)
        x, y = self.row0
        n = 0
        while y + (n + 1) * MEMBER_ROW_HEIGHT < img.height:
            cy = y + (n + 1) * MEMBER_ROW_HEIGHT
            if not img.points(is_icon, x - 8, cy - 6, x + 8, cy + 6):
                break
            n += 1
        return n

    def transcript_lines(self):
        """The transcript's lines, top to bottom, each 'notice' (drawn all in grey) or
        'line' (a chat line: its opening bracket is black)."""
        img = self.screen.capture(self.wid)
        probe = img.width * 55 // 100  # inside the transcript, right of short lines
        top = next((y for y in range(img.height) if is_white(*img.rgb(probe, y))), None)
        if top is None:
            return None  # not painted yet
        bottom = next((y for y in range(top, img.height) if not is_white(*img.rgb(probe, y))),
                      img.height)
        # The opening brackets stand at the left margin.
        left = next(x for x in range(probe, 0, -1) if not is_white(*img.rgb(x, top))) + 1
        rows = []
        for y in range(top, bottom):
            ink = [px for px in img.row(y, left, left + 8) if is_ink(*px)]
            rows.append(min((sum(px) for px in ink), default=None))
        kinds, current = [], None
        for darkest in rows + [None]:
            if darkest is None:
                if current is not None:
                    kinds.append("line" if current < 150 else "notice")
                current = None
            else:
                current = darkest if current is None else min(current, darkest)
        return kinds

    def click_row(self, row):
        x, y = self.row0
        self.screen.click(self.wid, x + 60, y + row * MEMBER_ROW_HEIGHT)
