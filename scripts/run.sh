#!/usr/bin/env bash
# The main job: builds the driver set, sets up a machine root with a printer, compiles and checks the
# model's driver data file, and shows what a status monitor makes of a printer's reply (text and picture).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KV_BUILD_DIR:-build-run}
root=${KV_MACHINE_ROOT:-$PWD/machine}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_SANITIZE=OFF -DKV_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
kvhost() { "$build/bin/kvhost" --root "$root" "$@"; }

"$build/bin/kvhost" machine init "$root"
kvhost printer list | grep -qx "ZARN Wide" || kvhost printer add "ZARN Wide" --driver "ZARN Wide Driver"
kvhost printer show "ZARN Wide"
echo
kvhost compile --check model/kvdrvdat
kvhost compile model/kvdrvdat "$root/kvdrvdat.BCS"
echo
kvhost status --reply statusdata/tests/fixtures/tray1_empty.txt --lang "${KV_LANG:-en}" --png "$root/status.png"
