#!/usr/bin/env python3
"""The settings dictionary written to and read from XML with plistlib: prints operations per second."""
import plistlib
import timeit

TEXTS = {0, 1, 2, 3, 8, 9, 10, 14, 15, 16, 17}
settings = {f"gen{i}": (f"Internet connection is up {i}" if i in TEXTS else (5 if i == 23 else i % 2))
            for i in range(24)}
settings["gen14"] = "www.kernel.org\nwww.debian.org"
xml = plistlib.dumps(settings)


def rate(fn):
    timer = timeit.Timer(fn)
    n, _ = timer.autorange()
    best = min(timer.repeat(repeat=5, number=n))
    return n / best


print(f"write {rate(lambda: plistlib.dumps(settings)):.0f}")
print(f"read {rate(lambda: plistlib.loads(xml)):.0f}")
