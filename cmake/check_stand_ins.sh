#!/bin/sh
# Stand-in check: fails when a binary holds the marker of a stand-in (kvseam_<name>, see common/kvseam.h)
# together with a definition of a function of that name outside the stand-in section.
# Usage: check_stand_ins.sh [--list FILE] [BINARY...]. Binaries that are not built are skipped.
nm_tool=${NM:-nm}
files=
if [ "$1" = "--list" ]; then
  files=$(cat "$2")
  shift 2
fi
files="$files $*"
checked=0
failed=0
for f in $files; do
  [ -f "$f" ] || continue
  checked=$((checked + 1))
  out=$("$nm_tool" -f sysv --defined-only "$f" 2>/dev/null | awk -F'|' -v file="$f" '
    NF >= 7 {
      name = $1; sub(/ +$/, "", name)
      type = $4; gsub(/ /, "", type)
      sect = $7; gsub(/^ +| +$/, "", sect)
      if (name ~ /^kvseam_/) { marker[substr(name, 8)] = 1; next }
      if (type != "FUNC" || sect == "kvseam_text") next
      base = name
      if (match(name, /^_Z[0-9]+/)) base = substr(name, RLENGTH + 1, substr(name, 3, RLENGTH - 2) + 0)
      real[base] = real[base] " " name
    }
    END {
      for (n in marker)
        if (n in real) print file ": stand-in " n " shadowed by a real definition:" real[n]
    }' | sort)
  if [ -n "$out" ]; then
    echo "$out"
    failed=1
  fi
done
echo "stand-in check: $checked binaries"
if [ $failed -ne 0 ]; then
  echo "stand-in check failed: delete each stand-in whose real function is built, and declare both once"
  exit 1
fi
exit 0
