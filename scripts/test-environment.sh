# SPDX-License-Identifier: MIT
# The environment every test run has (sourced by scripts/test.sh and scripts/busy-test.sh):
# the sanitizers' options, leaks inside system libraries suppressed (scripts/lsan.supp),
# windows offscreen, and a private runtime folder.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
# Windows render offscreen; no test needs a display.
export QT_QPA_PLATFORM=offscreen
# Tests never touch the user's runtime folder (each test makes its own profile folder).
XDG_RUNTIME_DIR="$(mktemp -d)"
export XDG_RUNTIME_DIR
chmod 700 "$XDG_RUNTIME_DIR"
# Nor a node service the machine may run (/run/vidur20/node): each test chooses its network,
# and the service's own tests name their socket.
export VIDUR_NODE_SOCKET=none
