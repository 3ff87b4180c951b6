#!/usr/bin/env python3
"""A second start of carrowen with the same HOME hands over to the running one and ends: one process
remains, and each announcement is logged once. Uses the helpers of e2e_carrowen.py.

    e2e_single_instance.py <path to carrowen>
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_carrowen as e2e  # noqa: E402


def main():
    if not e2e.isolation_available():
        print("SKIP: needs root with unshare and ip (carrowen runs in a private network namespace)",
              file=sys.stderr)
        return e2e.SKIP
    binary = os.path.abspath(sys.argv[1])
    home = e2e.Home()
    try:
        e2e.first_run(binary, home)
        # Monitoring localhost every second: the up state is logged once, at the first check.
        e2e.write_settings(home, {"gen0": "localhost", "gen23": 1, "gen5": 0, "gen6": 0, "gen7": 0})
        first = e2e.start(binary, home)
        e2e.check(e2e.wait_for_file(home.path("log.txt"), first) is not None, "the first copy logged nothing")
        second = e2e.start(binary, home)
        try:
            second.wait(timeout=e2e.SLOW)
        except Exception:
            second.kill()
            raise AssertionError("the second copy kept running beside the first")
        e2e.check(second.returncode == 0, f"the second copy ended with {second.returncode}")
        time.sleep(3)  # time for a second copy's announcements, had it stayed
        e2e.check(first.poll() is None, "the first copy ended")
        e2e.stop(first)
        with open(home.path("log.txt"), "rb") as f:
            lines = f.read().decode("ascii").splitlines()
        e2e.check(len(lines) == 1 and lines[0].endswith("-Internet connection is up"), f"log.txt: {lines}")
    except AssertionError as e:
        print(f"FAIL: {e}", file=sys.stderr)
        return 1
    finally:
        home.cleanup()
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
