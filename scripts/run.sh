#!/usr/bin/env bash
# The main job: builds what it runs (kvhost, the driver set's libraries, companions and model files; a
# release build), sets up a machine root with the driver set and a printer of the model, checks and
# compiles the model's driver data file beside the installed one, shows what a status monitor makes of a
# printer's reply (text and picture), and prints a sample job to a ZARN stream file with its summary. Installs the system packages the build needs first when they
# are missing (see scripts/deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
kv_deps_ensure
build=${KV_BUILD_DIR:-build-run}
root=${KV_MACHINE_ROOT:-$PWD/machine}
jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
trap 'echo "run.sh: failed (see the messages above)" >&2' ERR

echo "== configuring $build (release build)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_SANITIZE=OFF -DKV_BENCH=OFF "${launcher[@]}" >/dev/null
echo "== building kvhost and the driver set"
cmake --build "$build" -j "$jobs" --target kv_run
kvhost() { "$build/bin/kvhost" --root "$root" "$@"; }
driver="C:\\Windows\\System32\\spool\\drivers\\x64\\3"

echo "== setting up the machine root $root"
"$build/bin/kvhost" setup --root "$root"
echo
kvhost printer show "KAVRO Lumeta QT M8350 ZARN"
echo
echo "== the driver data file: the author's check, then the image beside the installed file"
kvhost compile --check model/kvdrvdat
kvhost compile "$driver\\kvdrvdat"
echo
echo "== a printer's reply as a status monitor shows it"
kvhost status --reply statusdata/tests/fixtures/tray1_empty.txt --lang "${KV_LANG:-en}" --png "$root/status.png"
echo
echo "== a sample job (a plotter-style drawing on each page) through the graphics library and the output library, and its stream"
kvhost print "KAVRO Lumeta QT M8350 ZARN" --pages 2 --script hosts/kvhost/samples/plotter.page --out "$root/sample.zarn"
"$build/bin/zarndump" --summary "$root/sample.zarn"
echo
echo "== the job's PJL header, as the model's driver data file composes it"
# The whole dump goes to a file first: a reader that stops early would cut zarndump's output short.
"$build/bin/zarndump" "$root/sample.zarn" >"$root/sample.txt"
awk '/page-header/ { exit } { print }' "$root/sample.txt"
echo
echo "== an outside program on the settings-and-constraints library: versions, last error, the default DEVMODE"
kvhost api "KAVRO Lumeta QT M8350 ZARN" version error init 16 error devmode defaults --out "$root/default.dm"
echo
echo "== an outside program exchanging settings as PJL SET text: a command base, one change, the rules' change list"
printf '@PJL SET APLPAGESIZE = A0\n@PJL SET APLPAGELAYOUT = PORTRAIT\n@PJL SET PAPER = A0\n@PJL SET TRAY = ROLL1\n@PJL SET COPIES = 2\n' >"$root/base.pjl"
kvhost exc "KAVRO Lumeta QT M8350 ZARN" base "$root/base.pjl" update TRAY=TRAY2 change show-base
echo
echo "== the sample client of the library (api/sample/kvexc_sample.c)"
KV_MACHINE_ROOT="$root" "$build/api/kvexc_sample" "$root/c/Windows/System32/spool/drivers/x64/3/kvdrvexc.so" \
  "KAVRO Lumeta QT M8350 ZARN"
