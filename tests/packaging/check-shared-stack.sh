#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The programs carry no copy of the stack: they take it from libtarvlib.so, which defines it.
# A program may hold the stack's inline and template code (weak or local symbols), never a
# definition of its own (a global T, D, B or R symbol in appletalk::).
#   check-shared-stack.sh LIBTARVLIB PROGRAM...
set -uo pipefail
library=$1
shift
defines_stack() { nm -C --defined-only "$1" | grep -E '^[0-9a-f]+ [TDBR] appletalk::'; }
[ -n "$(defines_stack "$library")" ] || { echo "FAIL: $library defines no stack"; exit 1; }
for program; do
  copies=$(defines_stack "$program")
  [ -z "$copies" ] || { echo "FAIL: $(basename "$program") carries the stack: $(head -3 <<<"$copies")"; exit 1; }
done
echo "the programs take the stack from $(basename "$library")"
