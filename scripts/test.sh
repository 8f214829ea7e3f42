#!/usr/bin/env bash
# Configures, builds and runs every test (AddressSanitizer + UndefinedBehaviorSanitizer build). Installs
# the system packages the build needs first when they are missing (see scripts/deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
kv_deps_ensure
build=${KV_BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
echo "== configuring $build (sanitized debug build)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON "${launcher[@]}"
echo "== building"
cmake --build "$build" -j "$jobs"
echo "== running the tests"
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600
