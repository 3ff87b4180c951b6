#!/usr/bin/env python3
"""Instant detection end to end: the built carrowen in a private network namespace holding a veth pair,
checking an address on it every 60 s. Taking the link down and up must reach log.txt within 2 s each,
and a link flapping as fast as ip can flap it must cost the monitor little CPU.

    e2e_alarms.py <path to carrowen>
"""
import os
import plistlib
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_carrowen as e  # noqa: E402

# Nothing is ever sent: both ends of the veth pair are in the namespace, and the probe's UDP connect()
# only picks a route.
NETWORK = ("ip link set lo up && ip link add v0 type veth peer name v1 && ip addr add 192.0.2.1/24 dev v0"
           ' && ip link set v1 up && ip link set v0 up && mount --bind "$0" /etc/resolv.conf && exec "$@" ')


def link(proc, state):
    subprocess.run(["nsenter", "-t", str(proc.pid), "-n", "ip", "link", "set", "v0", state], check=True)


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def latency(home, proc, state, sentence, count):
    """Seconds from the link change until log.txt holds sentence count times."""
    begun = time.monotonic()
    link(proc, state)
    e.wait_for_log(home, "(?s)" + f".*?-{sentence}$" * count, timeout=e.SLOW)
    return time.monotonic() - begun


def main():
    if not e.isolation_available() or not os.path.exists("/usr/bin/nsenter"):
        print("SKIP: needs root with unshare, nsenter and ip", file=sys.stderr)
        return e.SKIP
    binary, home = os.path.abspath(sys.argv[1]), e.Home()
    try:
        e.first_run(binary, home)
        e.write_settings(home, {"gen0": "192.0.2.2", "gen23": 60})
        with open(home.path("Options.txt"), "wb") as f:
            plistlib.dump({"instantDetection": 1}, f)
        e.ISOLATE = NETWORK
        proc = e.start(binary, home)
        try:
            e.wait_for_log(home, "Internet connection is up", timeout=e.SLOW)
            time.sleep(1.5)
            down = latency(home, proc, "down", "Internet connection lost", 1)
            up = latency(home, proc, "up", "Internet connection is up", 2)
            print(f"link down -> announced in {down:.2f} s, link up -> announced in {up:.2f} s (period 60 s)")
            e.check(down < 2 and up < 2, "an announcement took 2 s or more")
            # A flapping link: 2000 changes, the monitor checking at most once a tick meanwhile.
            cpu, begun = cpu_seconds(proc.pid), time.monotonic()
            batch = "".join(f"link set v0 {s}\n" for _ in range(1000) for s in ("down", "up"))
            subprocess.run(["nsenter", "-t", str(proc.pid), "-n", "ip", "-batch", "-"], input=batch.encode(),
                           check=True)
            time.sleep(1)
            share = (cpu_seconds(proc.pid) - cpu) / (time.monotonic() - begun)
            print(f"flapping: {share * 100:.1f} % of a core")
            e.check(share < 0.05, f"{share * 100:.1f} % of a core while the link flapped")
        finally:
            e.stop(proc, home)
    except AssertionError as error:
        print(f"FAIL: {error}", file=sys.stderr)
        return 1
    finally:
        home.cleanup()
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
