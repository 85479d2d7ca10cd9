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

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
# Windows render offscreen; no test needs a display.
export QT_QPA_PLATFORM=offscreen
# Tests never touch the user's runtime folder (each test makes its own profile folder).
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
ctest --test-dir build/sanitize --output-on-failure -j"$(nproc)" "$@"
