#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian packages vidur20 and vidur20-dev from the working tree: a Release build
# of its own (no tests), installed under /usr, packed by CPack with dpkg-shlibdeps' Depends.
#   scripts/package.sh [BUILD-DIR]      (default build/package; the .deb files land there)
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build/package}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
start=$SECONDS
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVIDUR_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"${VIDUR_JOBS:-2}"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/*.deb
echo "package: built in $((SECONDS - start)) s" >&2
