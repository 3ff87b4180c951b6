#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (unit, gui, desktop, audio, e2e)
# inside a private headless session, then a short fuzzing smoke run of each fuzz target.
# CARROWEN_WERROR=ON turns warnings into errors; CARROWEN_BUILD_DIR picks the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
# A compiler cache named in the environment but not installed here would break configuring.
for launcher in CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER; do
    if [[ -n "${!launcher:-}" ]] && ! command -v "${!launcher}" >/dev/null; then
        unset "$launcher"
    fi
done
build=${CARROWEN_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCARROWEN_WERROR="${CARROWEN_WERROR:-OFF}"
cmake --build "$build" -j2
tools/with-session.sh ctest --test-dir "$build" --output-on-failure -j2 "$@"

if [[ -x tools/fuzz-smoke.sh && $# -eq 0 ]]; then
    tools/fuzz-smoke.sh "${FUZZ_SECONDS:-10}"
fi
