"""A scripted Linquo peer, run inside one host of the simulated LAN.

It binds UDP port 8800 like an instance, records every datagram it receives (exact bytes,
source, arrival time) as JSON lines, keeps a user list by the same rules as an instance
(answering a new user's hello with PT_HELLO_ACK to the hello's record ip), and takes
commands on standard input, one JSON object a line, answering each with a line "ok".

Commands:
  {"cmd": "send", "to": IP, "hex": BYTES}          one datagram of exactly these bytes
  {"cmd": "hello", "to": IP}                       its own PT_HELLO (a broadcast is fine)
  {"cmd": "burst", "to": IP, "type": T, "count": N, "nick": "u%04d", "ip": IP, "sex": S}
                                                   N form-U datagrams back to back, from N
                                                   distinct users (nick formatted with i);
                                                   "yield_every": K gives up the CPU every K;
                                                   "first": F numbers the users from F
  {"cmd": "users"}                                 answers with its user list
"""

import argparse
import json
import os
import select
import socket
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lqwire  # noqa: E402

SO_RCVBUFFORCE = 33


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--ip", required=True)
    ap.add_argument("--nick", required=True)
    ap.add_argument("--sex", type=int, default=0)
    ap.add_argument("--log", required=True)
    ap.add_argument("--silent", action="store_true", help="never answer hellos")
    args = ap.parse_args()

    me = lqwire.User(args.nick, args.ip, args.sex)
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        sock.setsockopt(socket.SOL_SOCKET, SO_RCVBUFFORCE, 32 * 1024 * 1024)
    except OSError:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 32 * 1024 * 1024)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    sock.bind(("0.0.0.0", lqwire.PORT))
    sock.setblocking(False)
    users = []
    log = open(args.log, "a", buffering=1)
    out = sys.stdout
    out.write("ready\n")
    out.flush()

    def send(data, to):
        try:
            sock.sendto(data, (to, lqwire.PORT))
        except OSError:
            pass  # like the instances: a failed send is not looked at

    def receive():
        while True:
            try:
                data, src = sock.recvfrom(4096)
            except BlockingIOError:
                return
            log.write(json.dumps({"t": time.time(), "src": src[0], "sport": src[1],
                                  "hex": data.hex()}) + "\n")
            ptype, user = lqwire.decode(data)
            if user is None:
                continue
            if ptype == lqwire.PT_HELLO:
                if user not in users:
                    users.append(user)
                    if not args.silent:
                        send(lqwire.encode_user(lqwire.PT_HELLO_ACK, me), user.ip)
            elif ptype in (lqwire.PT_HELLO_ACK, lqwire.PT_ROOM_INFO):
                if user not in users:
                    users.append(user)
            elif ptype in (lqwire.PT_BYE, lqwire.PT_HOST_BYE):
                if user in users:
                    users.remove(user)

    def command(line):
        c = json.loads(line)
        reply = "ok"
        if c["cmd"] == "send":
            send(bytes.fromhex(c["hex"]), c["to"])
        elif c["cmd"] == "hello":
            send(lqwire.encode_user(lqwire.PT_HELLO, me), c["to"])
        elif c["cmd"] == "burst":
            datagrams = [lqwire.encode_user(c["type"], lqwire.User(c["nick"] % i, c.get("ip", args.ip),
                                                                   c.get("sex", 0)))
                         for i in range(c.get("first", 0), c.get("first", 0) + c["count"])]
            every = c.get("yield_every", 0)
            for i, d in enumerate(datagrams):
                send(d, c["to"])
                # A peer on a host of its own never holds the receiver's CPU; here the
                # kernel would queue the woken receiver behind this loop.
                if every and i % every == every - 1:
                    os.sched_yield()
        elif c["cmd"] == "users":
            reply = "ok " + json.dumps([[u.nick.hex(), u.ip, u.sex] for u in users])
        out.write(reply + "\n")
        out.flush()

    stdin = sys.stdin.buffer
    pending = b""
    while True:
        ready, _, _ = select.select([sock, stdin], [], [])
        if sock in ready:
            receive()
        if stdin in ready:
            chunk = os.read(stdin.fileno(), 65536)
            if not chunk:
                receive()
                return
            pending += chunk
            while b"\n" in pending:
                line, pending = pending.split(b"\n", 1)
                if line.strip():
                    receive()
                    command(line.decode())


if __name__ == "__main__":
    main()
