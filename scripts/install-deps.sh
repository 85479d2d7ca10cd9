#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages that building and testing need. Idempotent: it asks apt
# only for what is missing. Runs as root, or through sudo.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  clang-format                      # the layout check of the test command
  clang                             # the test command's second compiler
  qt6-base-dev                      # windows (Qt 6 Widgets)
  fonts-wine                        # the classic dialog font
  libgtest-dev libgmock-dev         # tests
  libbenchmark-dev                  # benchmarks
  libtomlplusplus-dev               # scenario files
  nlohmann-json3-dev                # vidur: its JSON output
  libsqlite3-dev                    # AppleShare volumes: their file and folder IDs
  libgcrypt20-dev                   # AppleShare logins: DES and CAST-128, Diffie-Hellman
  libfuse3-dev                      # vidur mount: AppleShare volumes as folders (FUSE 3)
  fuse3                             # vidur mount: fusermount3, and its end-to-end test
  libcups2-dev                      # cups-config: where the CUPS backend goes; libcups for vidur serve
  cups                              # the CUPS backend's end-to-end test: its own cupsd, lpinfo
  cups-ipp-utils                    # vidur serve's end-to-end test: ipptool reads a job's title
  iproute2                          # tests in network namespaces (veth pairs, loopback)
  libxcb1-dev                       # windows: whether an X display answers, before Qt tries
  xvfb xauth xdotool                # window tests on a real X server (input, the screen read)
  build-essential debhelper         # the Debian packages (debian/, scripts/package.sh)
  lintian desktop-file-utils        # the Debian packages: their checks
  systemd                           # the units' exposure (systemd-analyze security)
  bash-completion                   # where the completion goes; the test of it
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo; missing: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
