#!/bin/sh
# Idle cost of the monitor: CPU time and peak resident memory of carrowen monitoring localhost for
# SECONDS (default 60), against an empty Qt Widgets program with one 12 Hz timer (bench_idle_floor),
# both started side by side in the same run, headless, in a temporary HOME.
#
#   bench/idle.sh <build dir> [seconds]
set -eu
BUILD=${1:?usage: idle.sh <build dir> [seconds]}
SECONDS_TO_RUN=${2:-60}
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

run_env() { env -u DISPLAY -u WAYLAND_DISPLAY HOME="$HOME_DIR" XDG_CONFIG_HOME="$HOME_DIR/.config" "$@"; }
# CPU seconds (user + system) of a live process, from /proc/<pid>/stat.
cpu_of() { awk -v hz="$(getconf CLK_TCK)" '{ printf "%.2f", ($14 + $15) / hz }' "/proc/$1/stat"; }
peak_of() { awk '/^VmHWM/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }

run_env "$CARROWEN" >/dev/null 2>&1 &
APP=$!
run_env "$FLOOR" >/dev/null 2>&1 &
BASE=$!
sleep "$SECONDS_TO_RUN"
APP_CPU=$(cpu_of $APP); APP_RSS=$(peak_of $APP)
BASE_CPU=$(cpu_of $BASE); BASE_RSS=$(peak_of $BASE)
kill $APP $BASE
wait $APP $BASE 2>/dev/null || true

echo "over $SECONDS_TO_RUN s       CPU s   % of a core   peak RSS MB"
awk -v t="$SECONDS_TO_RUN" -v c="$APP_CPU" -v r="$APP_RSS" 'BEGIN { printf "carrowen        %6.2f   %8.3f      %8.1f\n", c, 100 * c / t, r }'
awk -v t="$SECONDS_TO_RUN" -v c="$BASE_CPU" -v r="$BASE_RSS" 'BEGIN { printf "12 Hz floor     %6.2f   %8.3f      %8.1f\n", c, 100 * c / t, r }'
awk -v a="$APP_CPU" -v b="$BASE_CPU" 'BEGIN { if (b > 0) printf "ratio           %6.2f x\n", a / b }'
[ -s "$APP_DIR/log.txt" ] && echo "log.txt: $(head -1 "$APP_DIR/log.txt")"
