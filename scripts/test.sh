#!/usr/bin/env bash
# Configures, builds and runs every test (AddressSanitizer + UndefinedBehaviorSanitizer build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KV_BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600
