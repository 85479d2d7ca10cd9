#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs every libFuzzer binary of a -DVIDUR_FUZZ=ON build for a fixed time, each on a copy of its
# seed corpus in a temporary directory (the repository's corpus stays as it is), and prints one
# line a target: seconds run, executions, corpus growth, and whether it crashed. Crash inputs
# and logs stay in the temporary directory, whose path is printed at the end.
#
#   bench/scripts/fuzz-all.sh BUILD-DIR [SECONDS-EACH] [TARGET...]
set -u
build=${1:?usage: fuzz-all.sh BUILD-DIR [SECONDS-EACH] [TARGET...]}
seconds=${2:-60}
shift; [ $# -gt 0 ] && shift
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/vidur-fuzz.XXXXXX")

if [ $# -eq 0 ]; then
    set -- $(cd "$build/fuzz" && ls *_fuzz | sed 's/_fuzz$//')
fi

printf '%-20s %8s %12s %10s %s\n' target seconds executions corpus result
for target in "$@"; do
    binary="$build/fuzz/${target}_fuzz"
    corpus="$work/$target/corpus"
    mkdir -p "$corpus" "$work/$target/artifacts"
    cp "$repo/fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null
    seeds=$(ls "$corpus" | wc -l)
    start=$(date +%s)
    "$binary" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/$target/artifacts/" \
        "$corpus" > "$work/$target/log" 2>&1
    status=$?
    ran=$(( $(date +%s) - start ))
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target/log" | tail -1)
    [ -n "$executions" ] || executions=$(grep -o '#[0-9]*' "$work/$target/log" | tail -1 | tr -d '#')
    if [ "$status" -eq 0 ]; then result="no crash"; else result="CRASH (exit $status): $(ls "$work/$target/artifacts" | tr '\n' ' ')"; fi
    printf '%-20s %8s %12s %10s %s\n' "$target" "$ran" "$executions" "$seeds->$(ls "$corpus" | wc -l)" "$result"
done
echo "logs and artifacts: $work"
