#!/bin/bash
# SPDX-License-Identifier: MIT
# Commands with a node of their own beside the same commands on the host's node service, in
# one run: `vidur sim` serves the built-in network's router and printers over LToUDP on
# loopback (TTL 0, a port of its own), `vidur node` runs on it, and each command runs RUNS
# times in fresh processes both ways (VIDUR_NODE_SOCKET=none for its own node). With the
# Chooser's bench given, the Chooser's devices are timed from process start too.
#
#   bench/scripts/node-service.sh VIDUR [RUNS] [CHOOSER-STARTUP-BENCH]
set -u
vidur=$(realpath "${1:?usage: node-service.sh VIDUR [RUNS] [CHOOSER-STARTUP-BENCH]}")
runs=${2:-7}
chooser=${3:+$(realpath "$3")}
work=$(mktemp -d "${TMPDIR:-/tmp}/vidur-node-bench.XXXXXX")
port=$((30000 + $$ % 20000))
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -INT "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/runtime"
export VIDUR_PROFILE_DIR="$work" VIDUR_LTOUDP_PORT="$port" VIDUR_LTOUDP_TTL=0 XDG_RUNTIME_DIR="$work/runtime"
export VIDUR_NETWORK=ltoudp:127.0.0.1

await() { # FILE TEXT PID
    until grep -q "$2" "$1"; do kill -0 "$3" 2>/dev/null || { cat "$1" >&2; exit 1; }; sleep 0.05; done
}
"$vidur" sim --ltoudp --interface 127.0.0.1 --ttl 0 --port "$port" >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
await "$work/sim.out" "Laser 1" "${pids[-1]}"
"$vidur" node --socket "$work/node" >"$work/node.out" 2>"$work/node.err" &
pids+=($!)
await "$work/node.out" "serving" "${pids[-1]}"
echo "service: $(cat "$work/node.out")"

median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
# Milliseconds from start to exit of one run of the command, on its own node or the service's.
timed() { # own|shared ARGS...
    local socket=none
    [ "$1" = shared ] && socket="$work/node"
    shift
    local start end
    start=$(date +%s%N)
    VIDUR_NODE_SOCKET=$socket "$vidur" "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(( (end - start) / 1000000 ))
}
compare() { # LABEL ARGS...
    local label=$1 own=() shared=()
    shift
    for _ in $(seq "$runs"); do
        own+=("$(timed own "$@")")
        shared+=("$(timed shared "$@")")
    done
    printf '%-34s %8s ms %8s ms\n' "$label" "$(median "${own[@]}")" "$(median "${shared[@]}")"
}

printf '%-34s %11s %11s\n' "median of $runs runs" "own node" "service"
compare "vidur zones" zones
compare "vidur lookup (0.5 s, two sends)" lookup
compare "vidur papstatus 'Laser 1@Engineering'" papstatus "Laser 1@Engineering"
if [ -n "$chooser" ]; then
    for mode in own shared; do
        socket=none
        [ "$mode" = shared ] && socket="$work/node"
        times=()
        for i in $(seq "$runs"); do
            out=$(cd "$work" && VIDUR_NODE_SOCKET=$socket QT_QPA_PLATFORM=offscreen \
                VIDUR_BENCH_LAUNCHED_NS="$(date +%s%N)" "$chooser") || { echo "chooser run failed: $out" >&2; exit 1; }
            times+=("${out%% ms*}")
        done
        echo "Chooser, devices shown ($mode): $(median "${times[@]}") ms"
    done
fi
echo "load average $(cut -d' ' -f1-3 /proc/loadavg)"
