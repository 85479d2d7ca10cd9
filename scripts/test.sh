#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Second command of the README: install what is missing, build the whole suite with
# AddressSanitizer and UndefinedBehaviorSanitizer (warnings are errors), and run it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
# The layout first: a file laid out otherwise fails at once, before the long build.
scripts/format.sh --check
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVIDUR_SANITIZE=ON -DVIDUR_WERROR=ON >/dev/null
cmake --build build/sanitize -j"$(nproc)"

source scripts/test-environment.sh
ctest --test-dir build/sanitize --output-on-failure -j"$(nproc)" "$@"
