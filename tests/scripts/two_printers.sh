#!/usr/bin/env bash
# Two printers of one machine printing at the same time, from two processes: every job's stream is its
# own, whole, with its own pages and job name, and no two jobs were given one id.
set -euo pipefail
kvhost_bin=$1
zarndump=$(dirname "$kvhost_bin")/zarndump
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
root="$tmp/machine"
"$kvhost_bin" setup --root "$root" >"$tmp/setup.txt" 2>&1 || { cat "$tmp/setup.txt"; exit 1; }
model="KAVRO Lumeta QT M8350 ZARN"
"$kvhost_bin" --root "$root" printer add "Second Plotter" --driver "$model" >/dev/null

# Five jobs in a row on one printer; the printers differ in page count, so a mixed stream shows.
print_jobs() {  # PRINTER PAGES TAG
  for n in 1 2 3 4 5; do
    "$kvhost_bin" --root "$root" print "$1" --pages "$2" --title "$3 $n" --out "$tmp/$3-$n.zarn" >>"$tmp/$3.log" 2>&1 ||
      { echo "job $3 $n failed" >>"$tmp/$3.log"; return 1; }
  done
}
print_jobs "$model" 2 first &
a=$!
print_jobs "Second Plotter" 3 second &
b=$!
status=0
wait $a || status=1
wait $b || status=1
cat "$tmp/first.log" "$tmp/second.log"
[ $status = 0 ] || { echo "a print command failed" >&2; exit 1; }

for tag in first second; do
  pages=2
  [ $tag = second ] && pages=3
  for n in 1 2 3 4 5; do
    dump=$("$zarndump" "$tmp/$tag-$n.zarn" 2>&1) || { echo "$dump" | tail -5; echo "$tag $n does not decode" >&2; exit 1; }
    got=$(grep -c 'page-header' <<<"$dump" || true)
    [ "$got" = "$pages" ] || { echo "$tag $n holds $got pages, not $pages" >&2; exit 1; }
    grep -qF "JOBNAME = \"$tag $n\"" <<<"$dump" || { echo "$tag $n is not named as its own job" >&2; exit 1; }
    [ "$(grep -c 'JOBNAME' <<<"$dump")" = 1 ] || { echo "$tag $n holds another job's header" >&2; exit 1; }
  done
done
ids=$(grep -ho 'printed job [0-9]*' "$tmp/first.log" "$tmp/second.log" | sort | uniq -d)
[ -z "$ids" ] || { echo "job ids given twice: $ids" >&2; exit 1; }
echo "10 jobs on two printers at once: each decodes with its own pages"
