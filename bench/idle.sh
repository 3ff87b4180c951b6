#!/bin/sh
# Idle cost of the monitor: CPU time and peak resident memory of carrowen monitoring localhost for
# SECONDS (default 60), against an empty Qt Widgets program with one 12 Hz timer (bench_idle_floor),
# both started side by side in the same run, headless, in a temporary HOME.
#
# With "alarms" as the third argument every alarm option is on (thresholds, unsure icon, sleep grace,
# instant checks, notifications), and a private dbus-daemon stands in for the system and session bus.
#
#   bench/idle.sh <build dir> [seconds] [alarms]
set -eu
BUILD=${1:?usage: idle.sh <build dir> [seconds] [alarms]}
SECONDS_TO_RUN=${2:-60}
ALARMS=${3:-}
WARMUP=5
CARROWEN=$BUILD/bin/carrowen
FLOOR=$BUILD/bin/bench_idle_floor
[ -x "$CARROWEN" ] && [ -x "$FLOOR" ] || { echo "build carrowen and bench_idle_floor first" >&2; exit 1; }

HOME_DIR=$(mktemp -d)
trap 'rm -rf "$HOME_DIR"' EXIT
APP_DIR=$HOME_DIR/Documents/com.velbor.Carrowen
mkdir -p "$APP_DIR"
# Settings: monitoring localhost every second, nothing spoken, the log and latest list on.
python3 - "$APP_DIR/TestFile.txt" <<'PY'
import plistlib, sys
s = {"gen0": "localhost", "gen1": "Internet connection is up", "gen2": "", "gen3": "60", "gen4": 1,
     "gen5": 0, "gen6": 0, "gen7": 0, "gen8": "Internet connection lost", "gen9": "", "gen10": "10",
     "gen11": 0, "gen12": 0, "gen13": 0, "gen14": "", "gen15": "is reachable", "gen16": "60",
     "gen17": "is not reachable", "gen18": 0, "gen19": 0, "gen20": 0, "gen21": 0, "gen22": 1, "gen23": 1}
with open(sys.argv[1], "wb") as f:
    plistlib.dump(s, f)
PY
if [ "$ALARMS" = alarms ]; then
    python3 - "$APP_DIR/Options.txt" <<'PY'
import plistlib, sys
o = {"downAfterFailures": 3, "upAfterSuccesses": 2, "showUnsureIcon": 1, "sleepGraceSeconds": 10,
     "instantDetection": 1, "notifyUp": 1, "notifyDown": 1}
with open(sys.argv[1], "wb") as f:
    plistlib.dump(o, f)
PY
    BUS=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | tr '\n' ' ')
    set -- $BUS
    export DBUS_SYSTEM_BUS_ADDRESS=$1 DBUS_SESSION_BUS_ADDRESS=$1
    trap 'kill $2; rm -rf "$HOME_DIR"' EXIT
fi

# exec: the background job's pid is then the program itself.
run_env() { exec env -u DISPLAY -u WAYLAND_DISPLAY HOME="$HOME_DIR" XDG_CONFIG_HOME="$HOME_DIR/.config" "$@"; }
# CPU seconds (user + system) of a live process, from /proc/<pid>/stat.
cpu_of() { awk -v hz="$(getconf CLK_TCK)" '{ printf "%.2f", ($14 + $15) / hz }' "/proc/$1/stat"; }
peak_of() { awk '/^VmHWM/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }

run_env "$CARROWEN" >/dev/null 2>&1 &
APP=$!
run_env "$FLOOR" >/dev/null 2>&1 &
BASE=$!
# Start-up (Qt, the interface, the speech engine) is measured apart from the idle run that follows.
sleep "$WARMUP"
APP_START=$(cpu_of $APP); BASE_START=$(cpu_of $BASE)
sleep "$SECONDS_TO_RUN"
APP_CPU=$(cpu_of $APP); APP_RSS=$(peak_of $APP)
BASE_CPU=$(cpu_of $BASE); BASE_RSS=$(peak_of $BASE)
kill $APP $BASE
wait $APP $BASE 2>/dev/null || true

report() { # name, cpu at warm-up, cpu at the end, peak rss
    awk -v n="$1" -v s="$2" -v e="$3" -v r="$4" -v t="$SECONDS_TO_RUN" \
        'BEGIN { printf "%-12s %9.2f %9.2f %12.3f %12.1f\n", n, s, e - s, 100 * (e - s) / t, r }'
}
echo "             start-up  idle CPU    % of a core  peak RSS MB   (idle: $SECONDS_TO_RUN s after $WARMUP s)"
report carrowen "$APP_START" "$APP_CPU" "$APP_RSS"
report "12 Hz floor" "$BASE_START" "$BASE_CPU" "$BASE_RSS"
awk -v a="$APP_CPU" -v as="$APP_START" -v b="$BASE_CPU" -v bs="$BASE_START" \
    'BEGIN { if (b - bs > 0) printf "idle CPU ratio %.2f x\n", (a - as) / (b - bs) }'
[ -s "$APP_DIR/log.txt" ] && echo "log.txt: $(head -1 "$APP_DIR/log.txt")"
