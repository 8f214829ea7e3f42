#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer), which
# compiles the whole tree with clang and every warning an error; installs clang from the system's
# packages first when it is missing (see scripts/deps.sh). Then, when asked, runs one target:
#   scripts/fuzz.sh                      build every target
#   scripts/fuzz.sh TARGET [SECONDS]     build, then fuzz TARGET (e.g. ini_text) from its seed corpus
# The fuzzer's finds land in $KV_BUILD_DIR/fuzz-finds/TARGET; the seed corpus is not written to.
set -euo pipefail
cd "$(dirname "$0")/.."
export KV_DEPS_CLANG=1
source scripts/deps.sh
kv_deps_ensure
build=${KV_BUILD_DIR:-build-fuzz}
jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
echo "== configuring $build (clang, sanitized, libFuzzer targets)"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" >/dev/null
echo "== building"
cmake --build "$build" -j "$jobs"
[ $# -eq 0 ] && exit 0
target=$1
seconds=${2:-60}
corpus=tests/fuzz/corpus/$target
bin=$(find "$build" -name "${target}_fuzz" -type f -perm -u+x | head -n 1)
[ -n "$bin" ] || { echo "error: no fuzz target $target" >&2; exit 2; }
finds=$build/fuzz-finds/$target
mkdir -p "$finds"
echo "== fuzzing $target for $seconds s (finds in $finds)"
KV_MODULE_DIR=$PWD/$build/modules "$bin" -max_total_time="$seconds" -artifact_prefix="$finds/" "$finds" "$corpus"
