#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian packages from the working tree with its debian/ folder (debhelper):
# libtarvlib0, libvidur20-0, vidur20, vidur20-cups and vidur20-dev, in BUILD-DIR.
#   scripts/package.sh [BUILD-DIR]      (default build/package)
# dpkg-buildpackage builds inside a source tree and writes the packages beside it, so the
# tree is copied into BUILD-DIR first. Built twice, in any folders, the packages are the same
# byte for byte (dates from debian/changelog, no build path left in them).
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath -m "${1:-build/package}")
version=$(dpkg-parsechangelog -S Version)
project_version=$(sed -n 's/^project(vidur20 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ "$version" != "$project_version" ]; then
  echo "package: debian/changelog is at $version, project(VERSION) at $project_version" >&2
  exit 1
fi

start=$SECONDS
source="$build/vidur20-$version"
rm -rf "$source" "$build"/*.deb "$build"/*.changes "$build"/*.buildinfo
mkdir -p "$source"
# The working tree as it stands, committed or not; the build folders stay out.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
    tar --null -T - -cf - | tar -xf - -C "$source"
else
  tar --exclude=./build --exclude='./build-*' -cf - . | tar -xf - -C "$source"
fi

cmake_args=""
command -v ccache >/dev/null && cmake_args="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
log="$build/package.log"
if ! (cd "$source" && VIDUR_CMAKE_ARGS="$cmake_args" \
      DEB_BUILD_OPTIONS="nocheck noautodbgsym parallel=${VIDUR_JOBS:-2}" \
      dpkg-buildpackage --build=binary --no-sign) >"$log" 2>&1; then
  tail -40 "$log" >&2
  echo "package: dpkg-buildpackage failed; the whole log is $log" >&2
  exit 1
fi
# What dpkg-gensymbols said about the libraries' interfaces.
grep -A20 "^dpkg-gensymbols: warning" "$log" >&2 || true
ls "$build"/*.deb
echo "package: built in $((SECONDS - start)) s" >&2
