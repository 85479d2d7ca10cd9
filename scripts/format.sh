#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Lays out the C++ sources as .clang-format says. With --check it changes nothing and fails,
# naming the files, when one is laid out otherwise (the test command runs it so).
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c' ':!:fuzz/corpus/*')
if [ "${1:-}" = "--check" ]; then
    report=$(clang-format --dry-run -Werror "${files[@]}" 2>&1) && exit 0
    grep -o '^[^:]*:[0-9]*:[0-9]*: error' <<<"$report" | cut -d: -f1 | sort -u | sed 's/^/  /' >&2
    echo "format: these files differ from .clang-format; run scripts/format.sh" >&2
    exit 1
fi
clang-format -i "${files[@]}"
