#!/bin/sh
# SPDX-License-Identifier: MIT
# The footprint of `vidur sim` serving a scenario (the built-in one by default) on LToUDP kept
# on this host: the group joined on 127.0.0.1 with TTL 0, on a port of its own. Waits until
# the simulator serves, lets it run idle, then prints its resident memory (VmRSS now, VmHWM
# the peak) from /proc/PID/status and its CPU seconds per wall second from /proc/PID/task/*/schedstat.
#
#   bench/scripts/sim-footprint.sh VIDUR-BINARY [SECONDS] [PORT] [SCENARIO]
set -u
vidur=${1:?usage: sim-footprint.sh VIDUR-BINARY [SECONDS] [PORT] [SCENARIO]}
seconds=${2:-30}
port=${3:-19554}
scenario=${4:-}
log=$(mktemp "${TMPDIR:-/tmp}/vidur-sim.XXXXXX")
trap 'rm -f "$log"' EXIT

# shellcheck disable=SC2086  # the scenario is one optional word
"$vidur" sim --ltoudp --interface 127.0.0.1 --ttl 0 --port "$port" $scenario > /dev/null 2> "$log" &
pid=$!
waited=0
until grep -q "serving" "$log"; do
    if ! kill -0 "$pid" 2> /dev/null || [ "$waited" -ge 300 ]; then
        echo "vidur sim did not start serving:" >&2; cat "$log" >&2; kill -INT "$pid" 2> /dev/null; exit 1
    fi
    sleep 0.1; waited=$((waited + 1))
done

# Nanoseconds on a CPU, summed over the threads (/proc/PID/stat counts in 10 ms ticks, too
# coarse for a process that is mostly asleep).
cpu() { cat "/proc/$pid/task"/*/schedstat | awk '{ sum += $1 } END { printf "%.0f", sum }'; }
memory() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$pid/status"; }  # kB

sleep 2  # the start-up probes and first RTMP broadcasts are over
before=$(cpu); start=$(date +%s.%N)
sleep "$seconds"
after=$(cpu); end=$(date +%s.%N)
rss=$(memory VmRSS); peak=$(memory VmHWM); threads=$(memory Threads)
kill -INT "$pid"; wait "$pid"

awk -v r="$rss" -v p="$peak" -v t="$threads" -v b="$before" -v a="$after" -v s="$start" -v e="$end"  'BEGIN {
    printf "VmRSS %.1f MiB, VmHWM %.1f MiB, threads %d\n", r / 1024, p / 1024, t
    printf "CPU %.4f s over %.1f s idle: %.6f CPU s per s\n", (a - b) / 1e9, e - s, (a - b) / 1e9 / (e - s)
}'
