#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Code that a shared library of this tree ships is in the programs once, the library's: each
# program needs the library and defines none of what it exports. A program may hold the
# library's inline and template code (weak or unique symbols), never a definition of its own
# (a global T, D, B or R symbol); checked on the build's own binaries, which keep their symbols.
#   check-shipped-once.sh LIBRARY PROGRAM...
set -uo pipefail
library=$1
shift
soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
definitions() { awk '$2 ~ /^[TDBR]$/ { sub(/@.*/, "", $3); print $3 }' | sort -u; }
exported=$(nm -D --defined-only "$library" | definitions)
[ -n "$soname" ] && [ -n "$exported" ] || { echo "FAIL: $library has no SONAME or exports nothing"; exit 1; }
for program; do
  name=$(basename "$program")
  readelf -d "$program" | grep -q "(NEEDED).*\[$soname\]" || { echo "FAIL: $name does not need $soname"; exit 1; }
  copies=$(comm -12 <(echo "$exported") <(nm --defined-only "$program" | definitions))
  [ -z "$copies" ] || { echo "FAIL: $name carries its own copy of $soname: $(head -3 <<<"$copies" | c++filt)"; exit 1; }
done
echo "the programs take $soname's code from it"
