"""Linquo's datagram format, for the scripted peer and the tests: 281-byte datagrams on
UDP port 8800, GBK text in fixed NUL-terminated fields, little-endian integers."""

import struct

PORT = 8800
PACKET_SIZE = 281

PT_HELLO = 0
PT_HELLO_ACK = 1
PT_ROOM_INFO = 2
PT_BYE = 3
PT_ROOM_CLOSED = 4
PT_HOST_BYE = 5
PT_PRIVATE_MSG = 6
PT_ROOM_UPDATE = 7
PT_ROOM_LEAVE = 8
PT_ROOM_JOIN = 9
PT_MEMBER_ADD = 10
PT_MEMBER_REMOVE = 11
PT_ROOM_SAY = 13
PT_ROOM_SAY_TO = 14

NAMES = {0: "HELLO", 1: "HELLO_ACK", 2: "ROOM_INFO", 3: "BYE", 4: "ROOM_CLOSED",
         5: "HOST_BYE", 6: "PRIVATE_MSG", 7: "ROOM_UPDATE", 8: "ROOM_LEAVE",
         9: "ROOM_JOIN", 10: "MEMBER_ADD", 11: "MEMBER_REMOVE", 13: "ROOM_SAY",
         14: "ROOM_SAY_TO"}


def gbk(text):
    """Text as it travels: a str is encoded to GBK, bytes pass unchanged."""
    return text.encode("gbk") if isinstance(text, str) else bytes(text)


def put_field(buf, offset, width, value):
    data = gbk(value)[: width - 1]
    buf[offset: offset + len(data)] = data
    buf[offset + len(data)] = 0


def get_field(data, offset, width):
    raw = data[offset: offset + width]
    end = raw.find(b"\0")
    return raw if end < 0 else raw[:end]


class User:
    """A user record: nick (GBK bytes), ip (text) and sex (0 boy, 1 girl)."""

    def __init__(self, nick, ip, sex=0):
        self.nick = gbk(nick)
        self.ip = ip
        self.sex = sex

    def key(self):
        return (self.sex, self.nick, self.ip)

    def __eq__(self, other):
        return isinstance(other, User) and self.key() == other.key()

    def __hash__(self):
        return hash(self.key())

    def __repr__(self):
        return "User(%r, %r, %d)" % (self.nick.decode("gbk", "replace"), self.ip, self.sex)


def encode_user(ptype, user):
    """Form U, written the way Linquo writes it: the fields, zeros everywhere else."""
    buf = bytearray(PACKET_SIZE)
    buf[0] = ptype & 0xFF
    put_field(buf, 1, 20, user.nick)
    put_field(buf, 21, 16, user.ip)
    buf[37:41] = struct.pack("<i", user.sex)
    return bytes(buf)


def encode_room(ptype, name, count, intro, creator):
    """Form R as Linquo writes it, with the intro in its slot."""
    buf = bytearray(PACKET_SIZE)
    buf[0] = ptype & 0xFF
    put_field(buf, 1, 20, name)
    buf[21:25] = struct.pack("<i", count)
    put_field(buf, 25, 100, intro)
    buf[125:165] = encode_user(0, creator)[1:41]
    return bytes(buf)


def encode_user_text(ptype, user, text):
    """Form UT: the speaking user and a text."""
    buf = bytearray(encode_user(ptype, user))
    put_field(buf, 41, PACKET_SIZE - 41, text)
    return bytes(buf)


def encode_user_user_text(ptype, speaker, addressee, text):
    """Form UUT: speaker, addressee and a text."""
    buf = bytearray(encode_user(ptype, speaker))
    buf[41:81] = encode_user(0, addressee)[1:41]
    put_field(buf, 81, PACKET_SIZE - 81, text)
    return bytes(buf)


def decode_user(data, offset=1):
    nick = get_field(data, offset, 20)
    ip = get_field(data, offset + 20, 16).decode("ascii", "replace")
    (sex,) = struct.unpack("<i", data[offset + 36: offset + 40])
    return User(nick, ip, sex)


def decode(data):
    """(type, user) for the forms that carry a user first; the room's creator for form R."""
    if len(data) < PACKET_SIZE:
        return None, None
    ptype = struct.unpack("b", data[:1])[0]
    if ptype in (PT_ROOM_INFO, PT_ROOM_CLOSED, PT_HOST_BYE, PT_ROOM_UPDATE):
        return ptype, decode_user(data, 125)
    if ptype in NAMES:
        return ptype, decode_user(data, 1)
    return ptype, None
