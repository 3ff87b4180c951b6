#!/bin/sh
# Longest main-thread stall of the monitor during SECONDS of checks with a resolver that never answers,
# inside private mount and network namespaces (root and util-linux's unshare needed). --sync measures
# the probe asked on the main thread, for comparison.
#
#   bench/bench_stall.sh [BUILD_DIR] [SECONDS] [--sync]
set -eu
build=${1:-build}
[ $# -gt 0 ] && shift
exe="$build/bin/bench_stall"
if [ ! -x "$exe" ]; then
    echo "bench_stall.sh: build the bench_stall target first ($exe is missing)" >&2
    exit 1
fi
exec unshare --mount --net "$exe" "$@"
