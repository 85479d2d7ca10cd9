#!/bin/sh
# SPDX-License-Identifier: MIT
# The long version of the suite's concurrent-choice test: two and four processes each
# choose their own printer ROUNDS times at once (default 2000), reading the recent list back
# after every choice; any choice lost, listed twice or not recorded fails the run.
#
#   bench/scripts/concurrent-choices.sh VIDUR20-PACKAGES-TESTS [ROUNDS]
set -u
tests=${1:?usage: concurrent-choices.sh VIDUR20-PACKAGES-TESTS [ROUNDS]}
rounds=${2:-2000}
start=$(date +%s)
VIDUR_CHOICE_ROUNDS="$rounds" "$tests" --gtest_filter='Processes/ConcurrentChoice.*' || exit 1
echo "$rounds rounds each: $(( $(date +%s) - start )) s (load average $(cut -d' ' -f1-3 /proc/loadavg))"
