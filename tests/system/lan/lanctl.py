"""Builds one of the simulated LANs that the benchmarks use, prints what it made as one
JSON line, keeps it until standard input closes, then removes all of it.

    python3 lanctl.py flat16 [--peers N]   one /16 segment: an announcer host and N peer hosts
    python3 lanctl.py routed24             a /24 with the announcer and one peer host, its
                                           gateway a router to a second /24 of the same /16
                                           with two peer hosts
    python3 lanctl.py pair                 two hosts on one /16 segment
    python3 lanctl.py shaped24 [--peers N] [--rate R]
                                           a /24 with the announcer alone, its link limited
                                           to R (100mbit), its gateway a router to N other
                                           /24s spread over the /16, one peer host in each

Peer hosts run nothing: the caller enters their namespaces (/run/netns/NAME)."""

import argparse
import json
import sys

from lanharness import Lan, Unavailable


def shaped24(lan, peers, rate="100mbit"):
    """The announcer's host, its link limited to rate, and its peers (see above)."""
    near = lan.segment()
    subnets = [2 + i * 250 // max(peers, 1) for i in range(peers)]
    far = [lan.segment() for _ in subnets]
    gw = lan.router("gw", [(near, "10.77.1.1", 24)] +
                    [(seg, "10.77.%d.1" % n, 24) for seg, n in zip(far, subnets)])
    hosts = [lan.host("a", "10.77.1.10", 24, near, gateway="10.77.1.1")]
    hosts[0].limit_rate(rate)
    lan.pin_neighbours(gw, "eth0", "10.77.1.1", hosts[0].ns, "eth0", hosts[0].ip)
    for i, (seg, n) in enumerate(zip(far, subnets)):
        hosts.append(lan.host("p%d" % i, "10.77.%d.20" % n, 24, seg, gateway="10.77.%d.1" % n))
        lan.pin_neighbours(gw, "eth%d" % (i + 1), "10.77.%d.1" % n, hosts[-1].ns, "eth0",
                           hosts[-1].ip)
    return hosts


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("topology", choices=["flat16", "routed24", "pair", "shaped24"])
    ap.add_argument("--peers", type=int, default=3)
    ap.add_argument("--rate", default="100mbit")
    args = ap.parse_args()
    try:
        lan = Lan()
    except Unavailable as e:
        print(json.dumps({"error": str(e)}), flush=True)
        return 77
    with lan:
        hosts = []
        if args.topology in ("flat16", "pair"):
            seg = lan.segment()
            hosts.append(lan.host("a", "10.77.0.10", 16, seg))
            count = 1 if args.topology == "pair" else args.peers
            for i in range(count):
                hosts.append(lan.host("p%d" % i, "10.77.%d.%d" % ((i * 37 + 3) % 256, 20 + i), 16,
                                      seg))
        elif args.topology == "shaped24":
            hosts += shaped24(lan, args.peers, args.rate)
        else:
            near, far = lan.segment(), lan.segment()
            lan.router("gw", [(near, "10.77.1.1", 24), (far, "10.77.2.1", 24)])
            hosts.append(lan.host("a", "10.77.1.10", 24, near, gateway="10.77.1.1"))
            hosts.append(lan.host("p0", "10.77.1.30", 24, near, gateway="10.77.1.1"))
            hosts.append(lan.host("p1", "10.77.2.20", 24, far, gateway="10.77.2.1"))
            hosts.append(lan.host("p2", "10.77.2.40", 24, far, gateway="10.77.2.1"))
        lan.wait_links()
        print(json.dumps({"announcer": {"ns": hosts[0].ns, "ip": hosts[0].ip},
                          "peers": [{"ns": h.ns, "ip": h.ip} for h in hosts[1:]]}), flush=True)
        sys.stdin.read()
    return 0


if __name__ == "__main__":
    sys.exit(main())
