#!/bin/sh
# SPDX-License-Identifier: MIT
# How long the Chooser takes, from process start, to show the devices of the embedded
# network: runs chooser_startup_bench RUNS times (a fresh process each, default settings, a
# private HOME), each printing the time from its launch to the filled device list, then the
# median.
#
#   bench/scripts/chooser-startup.sh CHOOSER-STARTUP-BENCH [RUNS]
set -u
bench=$(realpath "${1:?usage: chooser-startup.sh CHOOSER-STARTUP-BENCH [RUNS]}")
runs=${2:-7}
work=$(mktemp -d "${TMPDIR:-/tmp}/vidur-chooser-startup.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"

times=""
i=0
while [ "$i" -lt "$runs" ]; do
    i=$((i + 1))
    rm -rf "$work/home" && mkdir "$work/home"
    out=$(cd "$work" && env -u VIDUR_NETWORK HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
        XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen VIDUR_BENCH_LAUNCHED_NS="$(date +%s%N)" "$bench") || {
        echo "run $i failed: $out" >&2; exit 1; }
    echo "run $i: $out"
    times="$times ${out%% ms*}"
done
median=$(printf '%s\n' $times | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
echo "median of $runs runs: $median ms (load average $(cut -d' ' -f1-3 /proc/loadavg))"
