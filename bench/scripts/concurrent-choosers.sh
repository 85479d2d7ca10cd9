#!/bin/sh
# SPDX-License-Identifier: MIT
# Real Choosers confirming at once: PROCESSES loops (2 to 4, default 4) each run
# `vidur chooser --offscreen` RUNS times (default 50) on a simulated network of their own that
# holds one printer, so each loop always chooses its own printer; one profile folder for all.
# After every run the loop reads Halvora.INI once: its printer must be listed, and no printer
# twice. Prints the runs that failed those checks and the time taken.
#
#   bench/scripts/concurrent-choosers.sh VIDUR [RUNS] [PROCESSES]
set -u
vidur=$(realpath "${1:?usage: concurrent-choosers.sh VIDUR [RUNS] [PROCESSES]}")
runs=${2:-50}
processes=${3:-4}
work=$(mktemp -d "${TMPDIR:-/tmp}/vidur-choosers.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime" "$work/profile"

loop() {
    name="Printer of loop $1"
    cat > "$work/loop$1.toml" <<SCENARIO
title = "loop $1"
client_network = 1
[[network]]
number = 1
zone = "Zone"
[[printer]]
name = "$name"
zone = "Zone"
SCENARIO
    bad=0
    i=0
    while [ "$i" -lt "$runs" ]; do
        i=$((i + 1))
        out=$(cd "$work" && env VIDUR_PROFILE_DIR="$work/profile" XDG_RUNTIME_DIR="$work/runtime" \
            QT_QPA_PLATFORM=offscreen "$vidur" chooser --offscreen --flags 1 --network "sim:$work/loop$1.toml" \
            --screenshot "$work/loop$1.png" 2>&1)
        case $out in *"recorded in:"*) ;; *) echo "loop $1 run $i: not recorded: $out" >&2; bad=$((bad + 1)); continue ;; esac
        list=$(cat "$work/profile/Halvora.INI")
        mine=$(printf '%s\n' "$list" | grep -c ", $name:")
        doubled=$(printf '%s\n' "$list" | grep '^Printer[1-4]=' | sed 's/.*, //' | sort | uniq -d | wc -l)
        if [ "$mine" -ne 1 ] || [ "$doubled" -ne 0 ]; then
            echo "loop $1 run $i: listed $mine times, $doubled doubled" >&2
            bad=$((bad + 1))
        fi
    done
    echo "$bad" > "$work/bad$1"
}

start=$(date +%s)
p=0
while [ "$p" -lt "$processes" ]; do p=$((p + 1)); loop "$p" & done
wait
failed=$(cat "$work"/bad* | awk '{ s += $1 } END { print s }')
echo "$processes loops x $runs runs: $failed failed checks, $(( $(date +%s) - start )) s" \
     "(load average $(cut -d' ' -f1-3 /proc/loadavg))"
[ "$failed" -eq 0 ]
