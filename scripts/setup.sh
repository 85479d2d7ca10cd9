#!/usr/bin/env bash
# First command of the README: install what is missing, build, and run the main job.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIDUR_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"

exec build/release/src/tools/vidur/vidur "$@"
