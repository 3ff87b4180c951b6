#!/usr/bin/env bash
# Settings dictionary to and from XML: our Plist against Python's plistlib, operations per second.
#   bench/run-plist.sh [build dir, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target bench_plist >/dev/null

json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$build/bin/bench_plist" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$json" --benchmark_out_format=json >/dev/null 2>&1
read -r ours_write ours_read ours_read_binary < <(python3 - "$json" <<'PY'
import json, sys
rates = {b["run_name"]: b["items_per_second"] for b in json.load(open(sys.argv[1]))["benchmarks"]
         if b.get("aggregate_name") == "median"}
print(int(rates["writeSettingsXml"]), int(rates["readSettingsXml"]), int(rates["readSettingsBinary"]))
PY
)
read -r _ py_write < <(python3 bench/plist_python.py | grep '^write')
read -r _ py_read < <(python3 bench/plist_python.py | grep '^read')

printf '%-28s %12s %12s %8s\n' "settings dictionary (24)" "Carrowen/s" "plistlib/s" "ratio"
printf '%-28s %12d %12d %7.1fx\n' "write XML" "$ours_write" "$py_write" "$(awk "BEGIN{print $ours_write / $py_write}")"
printf '%-28s %12d %12d %7.1fx\n' "read XML" "$ours_read" "$py_read" "$(awk "BEGIN{print $ours_read / $py_read}")"
printf '%-28s %12d\n' "read binary (ours only)" "$ours_read_binary"
