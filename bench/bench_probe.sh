#!/bin/sh
# Median and worst time of the reachability probe for localhost and an unknown name, against
# `getent hosts` on the same names, all inside private mount and network namespaces (root and
# util-linux's unshare needed). No query leaves the namespace.
#
#   bench/bench_probe.sh [BUILD_DIR] [RUNS] [NAME...]
set -eu
build=${1:-build}
[ $# -gt 0 ] && shift
exe="$build/bin/bench_probe"
if [ ! -x "$exe" ]; then
    echo "bench_probe.sh: build the bench_probe target first ($exe is missing)" >&2
    exit 1
fi
exec unshare --mount --net "$exe" "$@"
