#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The tests that drive windows on a real X server and whole processes end to end, on a busy
# machine: four busy loops run beside them, as other builds and tests would, and five runs in
# a row must all pass. Build first (scripts/test.sh builds build/sanitize).
#   scripts/busy-test.sh [RUNS [LOOPS]]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
loops=${2:-4}
groups='^(vidur_real_display_tests|vidur_window_tests|vidur_cli_tests)\.'
[ -d build/sanitize ] || { echo "busy-test: build/sanitize is missing; run scripts/test.sh first" >&2; exit 2; }
source scripts/test-environment.sh

busy=()
stop_busy() {
    for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$XDG_RUNTIME_DIR"
}
trap stop_busy EXIT
for _ in $(seq "$loops"); do
    (while :; do :; done) &
    busy+=($!)
done

for run in $(seq "$runs"); do
    echo "busy-test: run $run of $runs, $loops busy loops beside it"
    if ! ctest --test-dir build/sanitize --output-on-failure -j2 -R "$groups"; then
        echo "busy-test: run $run failed" >&2
        exit 1
    fi
done
echo "busy-test: $runs runs in a row passed"
