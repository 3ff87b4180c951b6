#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build directory and runs each for a short time
# on a copy of its seed corpus (tests/fuzz/corpus/<target>). Exits non-zero when a fuzzer finds a
# crash, a leak, undefined behaviour, a time-out or an out-of-memory case.
#
#   tools/fuzz-smoke.sh [seconds per target, default 30] [build dir, default build-fuzz]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=${2:-build-fuzz}
targets=(fuzz_plist fuzz_keyedarchive fuzz_gestures fuzz_zip fuzz_messages)

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCARROWEN_FUZZ=ON -DCARROWEN_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in "${targets[@]}"; do
    corpus="$work/${target#fuzz_}"
    mkdir -p "$corpus"
    cp tests/fuzz/corpus/"${target#fuzz_}"/* "$corpus"/
    echo "== $target: ${seconds}s"
    extra=()
    # The message receiver logs every message it handles: keep its standard error out of the log
    # (crash reports still reach it).
    [[ $target == fuzz_messages ]] && extra=(-close_fd_mask=2)
    if ! (cd "$work" && "$OLDPWD/$build/bin/$target" "$corpus" -max_total_time="$seconds" -timeout=10 \
            -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 "${extra[@]}" 2>"$work/$target.log"); then
        status=1
        tail -n 40 "$work/$target.log"
        mkdir -p "$build/fuzz-findings"
        cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$build/fuzz-findings/" 2>/dev/null || true
        echo "$target FAILED (inputs kept in $build/fuzz-findings)"
    else
        grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+.*DONE)' "$work/$target.log" || true
        echo "$target passed"
    fi
done
exit $status
