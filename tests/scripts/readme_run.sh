#!/usr/bin/env bash
# The README's run command on a fresh clone of the committed tree, end to end: a file that the run needs
# but that is not committed, or a set-up step the README does not name, fails here. Skipped (77) when
# the sources are not a git checkout.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
git -C "$src" rev-parse --git-dir >/dev/null 2>&1 || { echo "not a git checkout: skipped"; exit 77; }
tmp=$(mktemp -d)
export CCACHE_BASEDIR="$tmp" CCACHE_NOHASHDIR=1  # the same relative paths every run: cache hits
trap 'rm -rf "$tmp"' EXIT
git clone --quiet "$src" "$tmp/clone"
cd "$tmp/clone"
out=$(KV_BUILD_DIR="$tmp/build" KV_MACHINE_ROOT="$tmp/machine" bash scripts/run.sh 2>&1) || {
  echo "$out"
  echo "the README's run command failed on a fresh clone" >&2
  exit 1
}
echo "$out"
for want in "printer added: KAVRO Lumeta QT M8350 ZARN" "220 + 1016 bytes" "KV8350us.hlp" "0 skipped items, 0 warnings" "kvdrvdat.BCS" \
            "status: No Paper" "picture written" "init 16: 1" "highest API version: 16" "connection closed"; do
  grep -qF "$want" <<<"$out" || { echo "missing from the run's output: $want" >&2; exit 1; }
done
bcs="$tmp/machine/c/Windows/System32/spool/drivers/x64/3/kvdrvdat.BCS"
[ -s "$bcs" ] || { echo "no compiled image beside the installed data file: $bcs" >&2; exit 1; }
