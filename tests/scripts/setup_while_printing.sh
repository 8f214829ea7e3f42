#!/usr/bin/env bash
# Setting the driver set up again while a job prints: the installed libraries are replaced by new files,
# never rewritten under the printing process, which finishes its job whole.
set -euo pipefail
kvhost_bin=$1
zarndump=$(dirname "$kvhost_bin")/zarndump
src=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
root="$tmp/machine"
"$kvhost_bin" setup --root "$root" >"$tmp/setup.txt" 2>&1 || { cat "$tmp/setup.txt"; exit 1; }
drivers="$root/c/Windows/System32/spool/drivers/x64/3"
[ -f "$drivers/kvdrvgr.so" ] || { echo "setup installed no graphics library in $drivers" >&2; exit 1; }
model="KAVRO Lumeta QT M8350 ZARN"

"$kvhost_bin" --root "$root" print "$model" --pages 6 --script "$src/hosts/kvhost/samples/plotter.page" \
  --out "$tmp/job.zarn" >"$tmp/print.txt" 2>&1 &
printer=$!
# Set up again and again while the job runs, each time with every installed file looking out of date,
# so each run installs every file anew.
runs=0
while kill -0 $printer 2>/dev/null || [ $runs = 0 ]; do
  touch -d '2001-01-01' "$drivers"/*
  "$kvhost_bin" setup --root "$root" >"$tmp/again.txt" 2>&1 || { cat "$tmp/again.txt"; exit 1; }
  runs=$((runs + 1))
done
status=0
wait $printer || status=$?
cat "$tmp/print.txt"
[ $status = 0 ] || { echo "the job failed (exit $status) while setup ran $runs times" >&2; exit 1; }
pages=$("$zarndump" --summary "$tmp/job.zarn" | grep -c '^page ' || true)
[ "$pages" = 6 ] || { echo "the job holds $pages pages, not 6" >&2; exit 1; }
leftover=$(find "$drivers" -name '.*' -type f | head -3)
[ -z "$leftover" ] || { echo "set-up left temporary files: $leftover" >&2; exit 1; }
echo "the job printed whole while setup ran $runs times"
