#!/usr/bin/env bash
# The sound services' figures at a private PulseAudio null sink: gap between recorded words, latency of
# a system sound, CPU time of playing a file beside paplay.  Usage: bench/bench_sound.sh [build] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target bench_sound >/dev/null
HOME=$(mktemp -d) tools/with-session.sh "$build/bin/bench_sound" "${2:-60}"
