#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Second command of the README: install what is missing, check the layout, then, warnings
# being errors everywhere:
#   1. build everything with AddressSanitizer and UndefinedBehaviorSanitizer, run every test;
#   2. build without windows with ThreadSanitizer, run those tests (skip: tsan);
#   3. compile the whole tree, benchmarks included, with clang; nothing runs (skip: clang).
# VIDUR_TEST_SKIP names the steps to leave out, for a developer in a hurry:
#   VIDUR_TEST_SKIP=tsan,clang scripts/test.sh
# Arguments go to ctest in both test runs (scripts/test.sh -R Nbp).
set -euo pipefail
cd "$(dirname "$0")/.."

IFS=', ' read -ra steps <<<"${VIDUR_TEST_SKIP:-}"
skip=" "
for step in "${steps[@]}"; do
  case "$step" in
    tsan | clang) skip+="$step " ;;
    *) echo "test.sh: VIDUR_TEST_SKIP: no step '$step' (there are tsan and clang)" >&2; exit 2 ;;
  esac
done
skipped() { [[ "$skip" == *" $1 "* ]]; }
# Each step says how long it took: CI has 90 minutes for all of them.
finished() { echo "test.sh: $1 done in $((SECONDS / 60)) min $((SECONDS % 60)) s"; SECONDS=0; }

scripts/install-deps.sh
# The layout first: a file laid out otherwise fails at once, before the long builds.
scripts/format.sh --check

jobs=$(nproc)
# The tests' environment, shared with scripts/busy-test.sh: the sanitizers' options, leaks
# inside system libraries suppressed, windows offscreen, a private runtime folder.
source scripts/test-environment.sh
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

SECONDS=0
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVIDUR_SANITIZE=ON -DVIDUR_WERROR=ON >/dev/null
cmake --build build/sanitize -j"$jobs"
ctest --test-dir build/sanitize --output-on-failure -j"$jobs" "$@"
finished "the AddressSanitizer run"

# The windows are left out: Qt is not built with ThreadSanitizer, so it would report its own
# thread pool. Any report fails the test that made it (exit status 66).
if ! skipped tsan; then
  cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DVIDUR_TSAN=ON -DVIDUR_BUILD_UI=OFF -DVIDUR_WERROR=ON >/dev/null
  cmake --build build/tsan -j"$jobs"
  # The Debian package test builds a Release tree of its own: once, in the run above, is enough.
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" \
    ctest --test-dir build/tsan --output-on-failure -j"$jobs" -LE slow "$@"
  finished "the ThreadSanitizer run"
fi

# Code that only GCC accepts. No debug information and no optimisation: the warnings are the
# compiler front end's, and the build is quickest so.
if ! skipped clang; then
  cmake -S . -B build/clang -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=None \
    -DVIDUR_WERROR=ON -DVIDUR_BUILD_BENCH=ON >/dev/null
  cmake --build build/clang -j"$jobs"
  finished "the clang build"
fi
