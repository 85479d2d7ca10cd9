#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian packages from the tree: built by scripts/package.sh in a Release build of their
# own (the slow part, minutes on two cores), checked by lintian, unpacked into a scratch
# root, where vidur runs and the menu entries, manual pages and completion are in place.
#   [CUPS_BACKEND=/usr/lib/cups/backend/pap] [SERVE_UNIT=/lib/systemd/system/vidur20-serve.service]
#   check-deb.sh SOURCE-DIR BUILD-DIR
set -uo pipefail
source=$1 build=$2
faults=0
fail() { echo "FAIL: $*"; faults=$((faults + 1)); }

rm -f "$build"/*.deb
"$source/scripts/package.sh" "$build" || { echo "FAIL: scripts/package.sh"; exit 1; }
runtime=$(ls "$build"/vidur20_*.deb) dev=$(ls "$build"/vidur20-dev_*.deb) || exit 1

# Errors fail; warnings and notes are shown.
lintian --fail-on error --suppress-tags no-manual-page "$runtime" "$dev" || fail "lintian reports errors"

depends=$(dpkg-deb -f "$runtime" Depends)
grep -q "libqt6widgets6" <<<"$depends" || fail "Depends lacks Qt (from dpkg-shlibdeps): $depends"
grep -q "libc6" <<<"$depends" || fail "Depends lacks libc6: $depends"
grep -q "vidur20 (= " <<<"$(dpkg-deb -f "$dev" Depends)" || fail "vidur20-dev does not depend on vidur20"

root=$(mktemp -d /tmp/vidur20-deb-XXXXXX)
trap 'rm -rf "$root"' EXIT
dpkg -x "$runtime" "$root"
for file in usr/bin/vidur usr/share/man/man1/vidur.1.gz usr/share/man/man5/vidur20-settings.5.gz \
            usr/share/applications/vidur20-chooser.desktop usr/share/applications/vidur20-netinfo.desktop \
            usr/share/icons/hicolor/48x48/apps/vidur20-chooser.png usr/share/icons/hicolor/256x256/apps/vidur20-netinfo.png \
            usr/share/bash-completion/completions/vidur; do
  [ -e "$root/$file" ] || fail "vidur20 lacks /$file"
done
if [ -n "${SERVE_UNIT:-}" ]; then
  [ -e "$root$SERVE_UNIT" ] || fail "vidur20 lacks the print server's unit $SERVE_UNIT"
  grep -q "^ExecStart=/usr/bin/vidur serve$" "$root$SERVE_UNIT" || fail "the unit does not start /usr/bin/vidur serve"
fi
if [ -n "${CUPS_BACKEND:-}" ]; then
  [ -x "$root$CUPS_BACKEND" ] || fail "vidur20 lacks the CUPS backend $CUPS_BACKEND"
  [ -e "$root/usr/share/man/man8/vidur20-pap.8.gz" ] || fail "vidur20 lacks vidur20-pap(8)"
fi
[ -z "$(find "$root" -name '*.h' -o -name '*.pc' -o -name 'libvidur20.so')" ] || fail "development files in vidur20"
# The command finds its libraries through its run path, as installed.
help=$(env -u LD_LIBRARY_PATH "$root/usr/bin/vidur" --help) || fail "vidur --help from the scratch root"
grep -q "^  chooser" <<<"$help" || fail "vidur --help from the scratch root lists no chooser"
version=$("$root/usr/bin/vidur" --version)
[ "$version" = "vidur $(dpkg-deb -f "$runtime" Version)" ] || fail "vidur --version says '$version'"

dpkg -x "$dev" "$root"
grep -q "^Version: $(dpkg-deb -f "$runtime" Version)$" "$root"/usr/lib/*/pkgconfig/vidur20.pc || fail "vidur20.pc version"

[ $faults -eq 0 ] && echo "packages: $(basename "$runtime") $(basename "$dev")"
exit $((faults > 0))
