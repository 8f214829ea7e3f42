#!/usr/bin/env bash
# The main job: builds the driver set, sets up a machine root and runs the host on it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KV_BUILD_DIR:-build-run}
root=${KV_MACHINE_ROOT:-$PWD/machine}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_SANITIZE=OFF -DKV_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
"$build/bin/kvhost" machine init "$root"
"$build/bin/kvhost" --root "$root" --help
