#!/usr/bin/env python3
"""End-to-end tests of the built carrowen: started headless (no display) with a temporary HOME, as a
user would start it, and judged by the files it leaves in the documents directory.

    e2e_carrowen.py <path to carrowen> <case>
"""
import csv
import os
import plistlib
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

APP_DIR = "com.velbor.Carrowen"
STAMP = r"\d{4}:\d{1,2}:\d{1,2}-\d\d:\d\d:\d\d-"
KEYS = {f"gen{i}" for i in range(24)}


class Home:
    """A temporary HOME with a documents directory, and the environment to run carrowen in it."""

    def __init__(self, documents=True):
        self.root = tempfile.mkdtemp(prefix="carrowen-e2e-")
        self.documents = os.path.join(self.root, "Documents")
        if documents:
            os.makedirs(self.documents)
        self.app_dir = os.path.join(self.documents, APP_DIR)
        self.stderr = os.path.join(self.root, "stderr.txt")

    def env(self):
        env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "PULSE_SERVER"):
            env.pop(name, None)
        env.update(HOME=self.root, XDG_CONFIG_HOME=os.path.join(self.root, ".config"),
                   XDG_DATA_HOME=os.path.join(self.root, ".local/share"),
                   XDG_CACHE_HOME=os.path.join(self.root, ".cache"),
                   XDG_RUNTIME_DIR=os.path.join(self.root, "run"), LANG="C.UTF-8")
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        return env

    def path(self, name):
        return os.path.join(self.app_dir, name)

    def cleanup(self):
        shutil.rmtree(self.root, ignore_errors=True)


# Every run happens in a network namespace of its own with only loopback, and a resolver file that
# names a loopback address where nothing listens: the monitor's default hosts (and the .invalid names
# of the down cases) are looked up there, so no test ever sends a packet off this machine.
ISOLATE = r"""ip link set lo up && mount --bind "$0" /etc/resolv.conf && exec "$@" """
SKIP = 77


def isolation_available():
    return os.geteuid() == 0 and shutil.which("unshare") and shutil.which("ip")


def start(binary, home):
    resolv = os.path.join(home.root, "resolv.conf")
    if not os.path.exists(resolv):
        with open(resolv, "w") as f:
            f.write("nameserver 127.0.0.1\n")
    # unshare and sh exec into carrowen, so the pid is carrowen's own and signals reach it.
    argv = ["unshare", "--mount", "--net", "--", "sh", "-c", ISOLATE, resolv, binary]
    # Standard error goes to a file, so that a test can wait for a trace line while the process runs.
    with open(home.stderr, "wb") as err:
        return subprocess.Popen(argv, env=home.env(), cwd=home.root, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=err)


def stderr_of(home):
    with open(home.stderr, "rb") as f:
        return f.read().decode("utf-8", "replace")


def stop(proc, home):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    return stderr_of(home)


def wait_for_trace(home, proc, pattern, timeout):
    """Waits until standard error holds a line matching pattern, the process still running."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline and proc.poll() is None:
        if re.search(pattern, stderr_of(home), re.M):
            return
        time.sleep(0.05)
    raise AssertionError(f"no trace line {pattern!r} (running: {proc.poll() is None}):\n" + stderr_of(home))


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def read_settings(path):
    with open(path, "rb") as f:
        settings = plistlib.load(f)
    check(isinstance(settings, dict), f"{path}: not a dictionary")
    check(set(settings) == KEYS, f"{path}: keys {sorted(settings)}")
    return settings


def write_settings(home, changes):
    """The settings of a first start, changed, as the settings file of the next start."""
    settings = read_settings(home.path("TestFile.txt"))
    settings.update(changes)
    with open(home.path("TestFile.txt"), "wb") as f:
        plistlib.dump(settings, f)
    # What the first start announced is not part of the next test.
    if os.path.exists(home.path("log.txt")):
        os.remove(home.path("log.txt"))


# Generous bounds: a loaded machine can take seconds to start a Qt program. Nothing waits for a bound
# when things go right.
SLOW = 30


def wait_for_file(path, proc, timeout=SLOW):
    """Seconds until path exists (the process still running); None when it never came."""
    begun = time.monotonic()
    while time.monotonic() - begun < timeout:
        if os.path.exists(path):
            return time.monotonic() - begun
        if proc.poll() is not None:
            return None
        time.sleep(0.02)
    return None


def first_run(binary, home):
    proc = start(binary, home)
    wait_for_file(home.path("TestFile.txt"), proc)
    err = stop(proc, home)
    check(os.path.isfile(home.path("TestFile.txt")), "no TestFile.txt after the first start:\n" + err)
    return err


def wait_for_log(home, pattern, timeout):
    deadline = time.monotonic() + timeout
    text = ""
    while time.monotonic() < deadline:
        try:
            with open(home.path("log.txt"), "rb") as f:
                text = f.read().decode("ascii")
        except FileNotFoundError:
            text = ""
        if re.search(pattern, text, re.M):
            return text
        time.sleep(0.1)
    raise AssertionError(f"log.txt never matched {pattern!r}; it holds {text!r}")


# ---- Cases ----

def case_first_start(binary, home):
    first_run(binary, home)
    settings = read_settings(home.path("TestFile.txt"))
    defaults = read_settings(home.path("Defaults.txt"))
    check(settings == defaults, "TestFile.txt and Defaults.txt differ")
    check(settings["gen0"] == "www.debian.org" and settings["gen23"] == 5, f"initial values: {settings}")
    check(settings["gen14"] == "www.kernel.org\nwww.debian.org", "built-in host list")
    check(all(type(settings[k]) is int for k in ("gen4", "gen5", "gen23")), "checkboxes and slider are integers")


def case_up_sentence(binary, home):
    first_run(binary, home)
    write_settings(home, {"gen0": "localhost", "gen23": 1})
    proc = start(binary, home)
    # The check traces its state when it announces, just after the log line is written: waited for,
    # so that stopping the program cannot cut it off.
    trace = (r"^AppDelegateChecks\.cpp, debugSystem, line:\d+  internetOK:1  tick:12  otherUrlPointer:0  "
             r"okFired:1  failFired:0$")
    try:
        text = wait_for_log(home, "^" + STAMP + "Internet connection is up$", timeout=SLOW)
        wait_for_trace(home, proc, trace, timeout=SLOW)
    finally:
        stop(proc, home)
    check(text.count("\n") == 1, f"one line expected: {text!r}")


def case_down_sentence(binary, home):
    first_run(binary, home)
    # Down from the first probe: announced at the first multiple of the down interval (2 s here).
    write_settings(home, {"gen0": "carrowen-e2e.invalid", "gen23": 1, "gen10": "2"})
    proc = start(binary, home)
    try:
        wait_for_log(home, "^" + STAMP + "Internet connection lost$", timeout=SLOW)
    finally:
        stop(proc, home)


def case_restart_keeps_setting(binary, home):
    first_run(binary, home)
    write_settings(home, {"gen0": "localhost", "gen1": "Link is fine", "gen23": 1, "gen14": "only.example"})
    for _ in range(2):
        proc = start(binary, home)
        wait_for_log(home, "Link is fine", timeout=SLOW)
        stop(proc, home)
        os.rename(home.path("log.txt"), home.path("log.old"))
    settings = read_settings(home.path("TestFile.txt"))
    check(settings["gen1"] == "Link is fine", f"changed setting lost: {settings['gen1']!r}")


def case_kill9_during_saves(binary, home):
    """Every start without a settings file saves one (and without the directory, the first defaults
    too); a kill -9 at any moment must leave each file either absent or whole."""
    rng = random.Random(int(os.environ.get("CARROWEN_E2E_SEED", "1234")))
    runs = int(os.environ.get("CARROWEN_E2E_KILL_RUNS", "40"))
    # How long this machine takes from the start to the first save: the kills fall around it.
    proc = start(binary, home)
    to_save = wait_for_file(home.path("TestFile.txt"), proc)
    stop(proc, home)
    check(to_save is not None, "the first start saved nothing")
    whole = 0
    for run in range(runs):
        if run % 3 == 0:
            shutil.rmtree(home.app_dir, ignore_errors=True)
        elif os.path.exists(home.path("TestFile.txt")):
            os.remove(home.path("TestFile.txt"))
        proc = start(binary, home)
        time.sleep(rng.uniform(0.5 * to_save, 1.5 * to_save))
        proc.kill()
        proc.wait()
        for name in ("TestFile.txt", "Defaults.txt"):
            path = home.path(name)
            if os.path.exists(path):
                read_settings(path)  # raises on a truncated or unreadable file
                whole += 1
    check(whole > 0, "no run got as far as saving: the kill times are too short for this machine")
    # Whatever the kills left behind, the next start loads or makes a readable settings file.
    first_run(binary, home)
    read_settings(home.path("TestFile.txt"))


def case_missing_documents(binary, home):
    shutil.rmtree(home.documents, ignore_errors=True)
    first_run(binary, home)
    read_settings(home.path("Defaults.txt"))


def case_broken_settings(binary, home):
    """A settings file that is no property list: the monitor runs on with the interface's values and
    does not overwrite the file."""
    os.makedirs(home.app_dir)
    garbage = bytes(range(256)) * 64
    with open(home.path("TestFile.txt"), "wb") as f:
        f.write(garbage)
    proc = start(binary, home)
    # The load gives up on the file, and the first check one second later shows the monitor runs on.
    wait_for_trace(home, proc, "holds no settings dictionary", SLOW)
    wait_for_trace(home, proc, r"debugSystem, line:\d+  internetOK:1  tick:12 ", SLOW)
    stop(proc, home)
    with open(home.path("TestFile.txt"), "rb") as f:
        check(f.read() == garbage, "the broken settings file was changed by loading")


def case_single_instance(binary, home):
    """A second start hands over to the running copy and leaves: one process, each line logged once."""
    first_run(binary, home)
    write_settings(home, {"gen0": "localhost", "gen23": 1})
    first = start(binary, home)
    try:
        wait_for_log(home, "Internet connection is up$", timeout=SLOW)
        first_err, home.stderr = home.stderr, os.path.join(home.root, "stderr-second.txt")
        second = start(binary, home)
        try:
            code = second.wait(timeout=SLOW)
        except subprocess.TimeoutExpired:
            code = None
        second_err = stop(second, home)
        home.stderr = first_err
        check(code == 0, f"the second copy did not leave (exit {code}):\n" + second_err)
        check(first.poll() is None, "the running copy ended:\n" + stderr_of(home))
        time.sleep(2.5)  # two more check periods, in which a second copy would announce "up" again
        text = wait_for_log(home, "Internet connection is up$", timeout=1)
    finally:
        stop(first, home)
    check(text.count("Internet connection is up") == 1, f"logged more than once: {text!r}")


HISTORY_KINDS = {"start", "stop", "down", "up", "unknown-end", "pause", "resume"}
TIME = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$")


def read_history(path):
    """The rows of history.csv after its header ([] when there is none); raises on any line that is
    not a whole record."""
    if not os.path.exists(path):
        return []
    with open(path, newline="") as f:
        text = f.read()
    rows = list(csv.reader(text.splitlines()))
    check(text.endswith("\n") and rows[0] == ["event", "time", "start", "seconds", "reason"], repr(text[-200:]))
    bad = [row for row in rows[1:] if len(row) != 5 or row[0] not in HISTORY_KINDS or not TIME.match(row[1])]
    check(not bad, f"bad lines {bad}")
    return rows[1:]


def case_history_kill9(binary, home):
    """Outages recorded while carrowen is killed with -9 at random moments: history.csv always
    parses, every line reported as written is there, and an outage left open is closed as
    "unknown end" by the next start (never by a plain start)."""
    first_run(binary, home)
    write_settings(home, {"gen0": "flip.test", "gen23": 1})
    hosts, resolv = os.path.join(home.root, "hosts"), os.path.join(home.root, "resolv.conf")
    rng = random.Random(int(os.environ.get("CARROWEN_E2E_SEED", "1234")))
    isolate = r"""ip link set lo up && mount --bind "$0" /etc/resolv.conf && mount --bind "$1" /etc/hosts \
                  && shift && exec "$@" """

    def flip(up):  # rewritten in place, so the bind mount shows it
        with open(hosts, "w") as f:
            f.write("127.0.0.1 localhost" + (" flip.test" if up else "") + "\n")

    reported = []
    for run in range(int(os.environ.get("CARROWEN_E2E_HISTORY_RUNS", "6"))):
        flip(True)
        with open(home.stderr, "wb") as err:
            proc = subprocess.Popen(["unshare", "--mount", "--net", "--", "sh", "-c", isolate, resolv, hosts, binary],
                                    env=home.env(), cwd=home.root, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=err)
        deadline, up = time.monotonic() + rng.uniform(2.5, 6.0), True
        while time.monotonic() < deadline:
            time.sleep(1.2)  # longer than the check period, so each state is seen
            up = not up
            flip(up)
        proc.kill()
        proc.wait()
        reported += re.findall(r"history\.csv: (.*)$", stderr_of(home), re.M)
        lines = {",".join(row) for row in read_history(home.path("history.csv"))}
        check(all(line in lines for line in reported), f"reported but not in history.csv: {reported}")
    check(any(line.startswith("down,") for line in reported), "no outage was recorded")
    open_outage = False
    for row in read_history(home.path("history.csv")):
        check(not (row[0] == "start" and open_outage), f"a start that left an outage open: {row}")
        open_outage = row[0] == "down" or (open_outage and row[0] not in ("up", "unknown-end"))


CASES = {name[len("case_"):]: fn for name, fn in globals().items() if name.startswith("case_")}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in CASES:
        print(f"usage: {sys.argv[0]} <carrowen> <{'|'.join(CASES)}>", file=sys.stderr)
        return 2
    if not isolation_available():
        print(f"SKIP {sys.argv[2]}: needs root with unshare and ip, to run carrowen in a private network "
              "namespace (it would otherwise look up real host names)", file=sys.stderr)
        return SKIP
    home = Home()
    try:
        CASES[sys.argv[2]](os.path.abspath(sys.argv[1]), home)
    except AssertionError as e:
        print(f"FAIL {sys.argv[2]}: {e}", file=sys.stderr)
        return 1
    finally:
        home.cleanup()
    print(f"PASS {sys.argv[2]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
