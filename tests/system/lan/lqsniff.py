"""Records every Linquo datagram that crosses the simulated LAN's bridges.

Run inside the bridge namespace: it reads every frame that arrives on a bridge port (each
frame once, as it enters the bridge) and writes the UDP datagrams to or from port 8800
as JSON lines: time, source and destination address and port, and the exact bytes.

With --outgoing instead of bridge names, run inside a host: it records the frames the host
sends, in the order they leave its interfaces. (Frames from one veth may enter the bridge
out of order: each CPU that takes them from a rate-limited queue hands them on by itself.)"""

import json
import socket
import struct
import sys
import time

ETH_P_ALL = 0x0003
PACKET_OUTGOING = 4
SO_RCVBUFFORCE = 33


def main():
    log = open(sys.argv[1], "a", buffering=1)
    outgoing = sys.argv[2:] == ["--outgoing"]
    bridges = set() if outgoing else set(sys.argv[2:])
    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(ETH_P_ALL))
    try:
        s.setsockopt(socket.SOL_SOCKET, SO_RCVBUFFORCE, 64 * 1024 * 1024)
    except OSError:
        pass
    print("ready", flush=True)
    while True:
        frame, addr = s.recvfrom(65535)
        ifname, _, pkttype = addr[0], addr[1], addr[2]
        if (pkttype == PACKET_OUTGOING) != outgoing or ifname in bridges or ifname == "lo":
            continue
        if len(frame) < 14 + 20 + 8 or frame[12:14] != b"\x08\x00":
            continue
        ip = frame[14:]
        ihl = (ip[0] & 0x0F) * 4
        if ip[9] != 17:
            continue
        src = socket.inet_ntoa(ip[12:16])
        dst = socket.inet_ntoa(ip[16:20])
        sport, dport, length = struct.unpack("!HHH", ip[ihl: ihl + 6])
        if 8800 not in (sport, dport):
            continue
        payload = ip[ihl + 8: ihl + length]
        log.write(json.dumps({"t": time.time(), "if": ifname, "src": src, "dst": dst,
                              "sport": sport, "dport": dport, "hex": payload.hex()}) + "\n")


if __name__ == "__main__":
    main()
