"""Fifty real Linquo instances on one simulated /16 (root, a few GiB of memory).

Fifty hosts spread over five /24s of 10.77.0.0/16 on one segment, each with its own
Linquo and announcer, all started within a few seconds on a virtual display. Every
Linquo runs with the socket buffers of a stock kernel (stock_buffers.cpp) and with
recv_log.cpp preloaded, which records each datagram its endpoint reads from the kernel:
replaying those records by the user list's rules gives what each instance lists and
since when. Each "login sent" box is closed with Enter, as a person would.

The hosts are network namespaces of one kernel, and Linux keeps one neighbour (ARP) table
for all of them, of 1,024 entries: fifty hosts that each answer the other 49 need 2,450,
so most answers cannot be resolved, which no set of real machines suffers (each has a
table of its own). With --static-neighbours every host knows the others' hardware
addresses beforehand, so that the shared table does not decide the figure; say so when
quoting it.

Figures: when the last of the fifty lists became complete (from the last start), how many
lists were complete 15 s after the last start, and the memory (RSS) of one instance.
Baseline in the same run: how long one instance alone on the same LAN takes to list
itself (its own hello coming back).

    bench_lan_fifty.py BUILD_DIR [--static-neighbours]   (inside scripts/netsandbox.sh)"""

import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "system", "lan"))

import lqwire  # noqa: E402
from lanharness import BOX_TITLE, LOBBY_TITLE, Lan, whole_lines  # noqa: E402

HOSTS = 50
CHECK_AFTER = 15.0


def records(path, until=None):
    out = []
    for line in whole_lines(path):
        t, data = line.split()
        if until is None or float(t) <= until:
            out.append((float(t), bytes.fromhex(data)))
    return out


def listed_since(path, expected, until=None):
    """Replays what the instance read: (users it lists, when the list first held all of
    `expected`, or None)."""
    users, complete = [], None
    for t, data in records(path, until):
        ptype, user = lqwire.decode(data)
        if user is None:
            continue
        if ptype in (lqwire.PT_HELLO, lqwire.PT_HELLO_ACK, lqwire.PT_ROOM_INFO):
            if user not in users:
                users.append(user)
        elif ptype in (lqwire.PT_BYE, lqwire.PT_HOST_BYE) and user in users:
            users.remove(user)
        if complete is None and all(u in users for u in expected):
            complete = t
    return users, complete


def udp_drops(host):
    """Datagrams the host's kernel dropped for want of receive buffer."""
    lines = [l.split() for l in host.exec("cat", "/proc/net/snmp").splitlines()
             if l.startswith("Udp:")]
    return dict(zip(lines[0], lines[1])).get("RcvbufErrors", "?")


def static_neighbours(hosts):
    """Every host learns every other's hardware address, as a permanent entry."""
    macs = {h.ip: h.exec("cat", "/sys/class/net/eth0/address").strip() for h in hosts}
    for h in hosts:
        batch = os.path.join(h.dir, "neigh.batch")
        with open(batch, "w") as f:
            for o in hosts:
                if o is not h:
                    f.write("neigh replace %s lladdr %s dev eth0 nud permanent\n"
                            % (o.ip, macs[o.ip]))
        h.exec("ip", "-batch", batch)


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    build = os.path.abspath(args[0] if args else "build")
    os.environ.setdefault("LQ_STOCK_BUFFERS",
                          os.path.join(build, "tests", "liblq_stock_buffers.so"))
    recv_log = os.path.join(build, "bench", "liblq_recv_log.so")
    lan = Lan(display=True, stock_buffers=True)
    try:
        seg = lan.segment()

        def host(name, ip, nick):
            h = lan.host(name, ip, 16, seg)
            h.install(os.path.join(build, "bin"))
            h.write_profile(nick)
            h.user = lqwire.User(nick, ip, 0)
            h.log = os.path.join(h.dir, "recv.log")
            return h

        def start(h):
            return h.start_program("Linquo", env={"LD_PRELOAD": recv_log, "LQ_RECV_LOG": h.log})

        base = host("base", "10.77.9.9", "base")
        hosts = [host("h%02d" % i, "10.77.%d.%d" % (i % 5 + 1, 10 + i), "user%02d" % i)
                 for i in range(HOSTS)]
        lan.wait_links()
        if "--static-neighbours" in sys.argv:
            static_neighbours([base] + hosts)

        # Baseline: one instance alone lists itself once its own hello has come back.
        t0 = time.time()
        p = start(base)
        while listed_since(base.log, [base.user])[1] is None and time.time() - t0 < 120:
            time.sleep(0.05)
        baseline = listed_since(base.log, [base.user])[1] - t0
        lan.display.dismiss(BOX_TITLE, 120, pid=p.pid)
        p.stop()

        starts = []
        procs = []
        for h in hosts:
            procs.append(start(h))
            starts.append(time.time())
        first, last = starts[0], starts[-1]
        time.sleep(max(0.0, last + CHECK_AFTER - time.time()))
        expected = [h.user for h in hosts]
        checked = [listed_since(h.log, expected, last + CHECK_AFTER) for h in hosts]
        complete_at_check = sum(1 for users, t in checked if t is not None)

        # Every "login sent" box closed with Enter; then the lists once more.
        for proc in procs:
            lan.display.wait_window(LOBBY_TITLE, proc.pid, 300)
            lan.display.dismiss(BOX_TITLE, 300, pid=proc.pid)
        final = [listed_since(h.log, expected) for h in hosts]
        done = [t for users, t in final]
        rss = rss_kib(procs[0].pid)
        last_complete = max(done) - last if all(done) else float("nan")
        print("instances: %d, started within %.1f s" % (HOSTS, last - first))
        print("complete %.0f s after the last start: %d of %d"
              % (CHECK_AFTER, complete_at_check, HOSTS))
        print("complete in the end: %d of %d" % (sum(1 for t in done if t), HOSTS))
        print("last list complete %.2f s after the last start (%.2f s after the first)"
              % (last_complete, max(done) - first if all(done) else float("nan")))
        print("baseline: one instance alone lists itself after %.2f s" % baseline)
        print("ratio (first start to last complete list / baseline): %.2f"
              % ((max(done) - first) / baseline if all(done) else float("nan")))
        print("RSS of one instance: %d KiB" % rss)
        for h, (users, t) in zip(hosts, final):
            if t is None:
                kinds = [d[0] for _, d in records(h.log)]
                print("  %s lists %d; read %d hellos, %d answers; kernel drops %s"
                      % (h.name, len(users), kinds.count(lqwire.PT_HELLO),
                         kinds.count(lqwire.PT_HELLO_ACK), udp_drops(h)))
        return 0 if complete_at_check == HOSTS else 1
    finally:
        lan.close()


if __name__ == "__main__":
    sys.exit(main())
