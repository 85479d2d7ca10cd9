#!/bin/bash
# SPDX-License-Identifier: MIT
# A campus zone looked up over LToUDP on loopback: `vidur sim` serves a thousand LaserWriters
# (an extended network behind its router, the router's LocalTalk port on the segment), and
# `vidur lookup` in fresh processes looks their zone up RUNS times with the default 0.5 s.
# Each run prints how many were found and when the last new one answered after the first
# request (from the library's debug line), then the median. Multicast stays on this host:
# interface 127.0.0.1, TTL 0, a port of its own.
#
#   bench/scripts/ltoudp-lookup.sh VIDUR [RUNS] [DEVICES]
set -u
vidur=$(realpath "${1:?usage: ltoudp-lookup.sh VIDUR [RUNS] [DEVICES]}")
runs=${2:-10}
devices=${3:-1000}
work=$(mktemp -d "${TMPDIR:-/tmp}/vidur-ltoudp-lookup.XXXXXX")
port=$((30000 + $$ % 20000))
sim=""
cleanup() {
    [ -n "$sim" ] && kill -INT "$sim" 2>/dev/null && wait "$sim"
    [ -f "$work/sim.err" ] && grep "frames lost" "$work/sim.err"
    rm -rf "$work"
}
trap cleanup EXIT

{
    printf 'client_network = 20\n[[network]]\nnumber = 20\nzone = "Home"\n'
    printf '[[network]]\nrange = [100, 120]\nzones = ["Campus"]\n'
    for i in $(seq "$devices"); do printf '[[printer]]\nname = "Laser %d"\nzone = "Campus"\n' "$i"; done
} >"$work/campus.toml"
export VIDUR_PROFILE_DIR="$work" VIDUR_LTOUDP_PORT="$port"
"$vidur" sim "$work/campus.toml" --ltoudp --interface 127.0.0.1 --ttl 0 --port "$port" --router \
    >"$work/sim.out" 2>"$work/sim.err" &
sim=$!
started=$(date +%s%N)
until [ "$(wc -l <"$work/sim.out")" -ge "$devices" ]; do
    kill -0 "$sim" 2>/dev/null || { cat "$work/sim.err" >&2; exit 1; }
    sleep 0.1
done
echo "simulator serving $devices devices after $(( ($(date +%s%N) - started) / 1000000 )) ms"

lasts=""
for i in $(seq "$runs"); do
    found=$(VIDUR_DEBUG=1 "$vidur" lookup '=:LaserWriter@Campus' --network ltoudp:127.0.0.1 2>"$work/lookup.err" | wc -l)
    note=$(grep "look-up of" "$work/lookup.err")
    last=$(sed -n 's/.* the last \([0-9]*\) ms .*/\1/p' <<<"$note")
    lost=$(sed -n 's/.*since start \([0-9]*\) frames lost by the link.*/\1/p' <<<"$note")
    echo "run $i: $found of $devices found, the last after $last ms; $lost frames lost by the link"
    lasts="$lasts $last"
done
median=$(printf '%s\n' $lasts | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
echo "median of $runs runs: the last device after $median ms (load average $(cut -d' ' -f1-3 /proc/loadavg))"
