#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# First command of the README: install what is missing, build, and run the main job: the
# Chooser (`vidur chooser`) on the embedded AppleTalk network. With arguments, runs
# `vidur` with them instead (e.g. ./scripts/setup.sh status, ./scripts/setup.sh zones).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIDUR_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"

# The CUPS backend `pap` goes into CUPS' backend folder, so every application can print on
# AppleTalk printers (`lpinfo -v` lists them). Installing it needs root.
if [ "$(id -u)" -eq 0 ]; then
  cmake --install build/release --component cups --strip >/dev/null
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  sudo cmake --install build/release --component cups --strip >/dev/null
else
  echo "setup: run 'sudo cmake --install build/release --component cups --strip' to give CUPS the AppleTalk backend" >&2
fi

vidur=build/release/src/tools/vidur/vidur
# Qt wants a private runtime folder; a console or container session may have none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$(mktemp -d)"
  export XDG_RUNTIME_DIR
fi
if [ "$#" -gt 0 ]; then
  exec "$vidur" "$@"
fi

# The main job. Without a display the Chooser runs offscreen, chooses the first device found
# as a user would and saves a PNG of the window in the current folder.
status=0
"$vidur" chooser || status=$?
if [ -f vidur-chooser.png ] && { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "The Chooser's window was saved as $PWD/vidur-chooser.png"
fi
# The Chooser's end code: 1 a device was chosen, 2 cancelled.
[ "$status" -eq 1 ] || [ "$status" -eq 2 ] && exit 0
exit "$status"
