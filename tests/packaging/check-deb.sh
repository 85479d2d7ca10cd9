#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian packages from the tree, built by scripts/package.sh (a build of their own: the
# slow part, minutes on two cores) and checked as a Debian maintainer would: lintian, the
# dependencies (the CUPS backend without Qt or X), the programs on the shared libraries with
# no run path, hardened and stripped, the interfaces of the libraries, the files in place in
# a scratch root where vidur runs; a host built with `pkg-config vidur20` and packaged passes
# lintian too. Then the packages are built again: they must come out the same, byte for byte.
#   check-deb.sh SOURCE-DIR BUILD-DIR
set -uo pipefail
source=$1 build=$2
faults=0
fail() { echo "FAIL: $*"; faults=$((faults + 1)); }

"$source/scripts/package.sh" "$build" || { echo "FAIL: scripts/package.sh"; exit 1; }
version=$(cd "$source" && dpkg-parsechangelog -S Version)
arch=$(dpkg --print-architecture)
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
declare -A deb
for package in libtarvlib0 libvidur20-0 vidur20 vidur20-desktop vidur20-cups vidur20-dev; do
  deb[$package]="$build/${package}_${version}_$arch.deb"
  [ -f "${deb[$package]}" ] || { echo "FAIL: no package $package"; exit 1; }
done
[ "$(ls "$build"/*.deb | wc -l)" -eq 6 ] || fail "other packages beside the six: $(ls "$build"/*.deb)"

# Errors and warnings fail; what lintian --pedantic shows besides is printed. The few
# warnings kept on purpose are overridden in debian/ and explained in packaging/README.md.
lintian --pedantic --fail-on error,warning "${deb[@]}" || fail "lintian reports errors or warnings"

depends() { dpkg-deb -f "${deb[$1]}" Depends; }
# A print server installs the command and the backend with no window library.
for package in libtarvlib0 vidur20 vidur20-cups; do
  ! grep -Eiq "qt|libx|xcb|libgl|opengl|wayland|fontconfig" <<<"$(depends $package)" ||
    fail "$package pulls the desktop in: $(depends $package)"
done
grep -q "libqt6widgets6" <<<"$(depends libvidur20-0)" || fail "libvidur20-0 lacks Qt (from dpkg-shlibdeps): $(depends libvidur20-0)"
for package in vidur20 vidur20-cups vidur20-dev; do
  grep -q "libtarvlib0 (= $version)" <<<"$(depends $package)" || fail "$package does not depend on its libtarvlib0"
done
for package in vidur20-desktop vidur20-dev; do
  grep -q "libvidur20-0 (= $version)" <<<"$(depends $package)" || fail "$package does not depend on its libvidur20-0"
done
grep -q "libxcb1" <<<"$(depends libvidur20-0)" || fail "libvidur20-0 does not depend on libxcb1: $(depends libvidur20-0)"
grep -q "fonts-wine" <<<"$(dpkg-deb -f "${deb[vidur20-desktop]}" Recommends)" ||
  fail "vidur20-desktop does not recommend fonts-wine"
grep -q "vidur20 (= $version)" <<<"$(depends vidur20-desktop)" || fail "vidur20-desktop does not depend on its vidur20"
control() { dpkg-deb --ctrl-tarfile "${deb[$1]}" | tar -xO "./$2" 2>/dev/null; }
for package in libtarvlib0 libvidur20-0; do
  [ "$(dpkg-deb -f "${deb[$package]}" Multi-Arch)" = same ] || fail "$package is not Multi-Arch: same"
  members=$(dpkg-deb --ctrl-tarfile "${deb[$package]}" | tar -t)
  grep -qx "./symbols" <<<"$members" || fail "$package has no symbols file"
  grep -qx "activate-noawait ldconfig" <<<"$(control $package triggers)" ||
    fail "$package does not refresh the linker cache by trigger"
  ! grep -Eq "post(inst|rm)" <<<"$members" || fail "$package has maintainer scripts"
done
for package in vidur20 vidur20-cups; do
  grep -qi "ethertalk" <<<"$(dpkg-deb -f "${deb[$package]}" Description)" || fail "$package's description lacks EtherTalk"
done
grep -qi "cups backend" <<<"$(dpkg-deb -f "${deb[vidur20]}" Description)" || fail "vidur20's description lacks the backend"
[ "$(control vidur20-cups conffiles)" = /etc/vidur20/AppleTalk.INI ] ||
  fail "the system settings are not a conffile of vidur20-cups"

root=$(mktemp -d /tmp/vidur20-deb-XXXXXX)
trap 'rm -rf "$root"' EXIT
for package in "${!deb[@]}"; do dpkg -x "${deb[$package]}" "$root"; done
libdir="$root/usr/lib/$triplet"
for file in usr/bin/vidur usr/lib/cups/backend/pap etc/vidur20/AppleTalk.INI usr/share/man/man1/vidur.1.gz \
            usr/share/man/man5/vidur20-settings.5.gz usr/share/man/man8/vidur20-pap.8.gz \
            usr/share/applications/vidur20-chooser.desktop usr/share/applications/vidur20-netinfo.desktop \
            usr/share/icons/hicolor/48x48/apps/vidur20-chooser.png usr/share/bash-completion/completions/vidur \
            usr/lib/$triplet/libtarvlib.so.0 usr/lib/$triplet/libvidur20.so.0 usr/lib/$triplet/libvidur20.so \
            usr/lib/$triplet/cmake/vidur20/vidur20Targets.cmake usr/lib/$triplet/pkgconfig/vidur20.pc \
            usr/include/vidur20/vidur20/nbp/ZNBPTuple.h usr/include/vidur20/platform/core/CString.h \
            usr/include/vidur20/tarvlib/TarvlibApi.h usr/share/doc/vidur20-cups/copyright \
            usr/lib/$triplet/vidur20/vidur-windows.so usr/lib/$triplet/pkgconfig/tarvlib.pc \
            usr/lib/sysctl.d/50-vidur20.conf \
            lib/systemd/system/vidur20-serve.service lib/systemd/system-generators/vidur20-generator \
            lib/systemd/system/vidur20-node.service lib/systemd/system/vidur20-node.socket \
            lib/systemd/system/vidur20-share.service; do
  [ -e "$root/$file" ] || fail "no /$file in the packages"
done
! grep -qv '^;\|^$' "$root/etc/vidur20/AppleTalk.INI" || fail "the system settings set something: they are an example"
# The receive buffer the stack asks for (ReceiveBuffer.h), granted to unprivileged programs.
grep -qx "net.core.rmem_max = $((4 << 20))" "$root/usr/lib/sysctl.d/50-vidur20.conf" ||
  fail "the sysctl file does not raise net.core.rmem_max to 4 MiB"
grep -qx "ExecStart=/usr/bin/vidur serve" "$root/lib/systemd/system/vidur20-serve.service" ||
  fail "the print server's unit does not run /usr/bin/vidur serve"
for unit in vidur20-serve.service vidur20-node.service vidur20-node.socket vidur20-share.service; do
  grep -q "/lib/systemd/system/$unit$" <<<"$(dpkg-deb -c "${deb[vidur20]}")" ||
    fail "$unit is not in vidur20, beside the command it runs"
done
grep -qx "ExecStart=/usr/bin/vidur node" "$root/lib/systemd/system/vidur20-node.service" ||
  fail "the node's unit does not run /usr/bin/vidur node"
grep -qx "ExecStart=/usr/bin/vidur share" "$root/lib/systemd/system/vidur20-share.service" ||
  fail "the file server's unit does not run /usr/bin/vidur share"
# The system socket is the one programs look for, for root and the group appletalk alone.
socket_unit="$root/lib/systemd/system/vidur20-node.socket"
for line in ListenSequentialPacket=/run/vidur20/node SocketGroup=appletalk SocketMode=0660; do
  grep -qx "$line" "$socket_unit" || fail "the node's socket unit lacks $line"
done
# Locked down: systemd's own measure of a unit's exposure stays at 2.5 or below, with the
# drop-in the generator writes for EtherTalk too; on LToUDP it writes none.
generator="$root/lib/systemd/system-generators/vidur20-generator"
exposure() { systemd-analyze security --offline=yes "$1" 2>&1 | sed -n 's/.*Overall exposure level for .*: \([0-9.]*\) .*/\1/p'; }
locked_down() {
  local score
  score=$(exposure "$1")
  [ -n "$score" ] && awk -v s="$score" 'BEGIN { exit !(s <= 2.5) }' || fail "$2: exposure ${score:-unknown} above 2.5"
}
printf '[Network]\nLink=ltoudp\n' >"$root/ltoudp.INI"
printf '[network]\nlink = EtherTalk\nInterface=eth0\n' >"$root/ethertalk.INI"
VIDUR20_SETTINGS="$root/ltoudp.INI" "$generator" "$root/generated-ltoudp" || fail "the generator fails on LToUDP"
[ ! -e "$root/generated-ltoudp" ] || fail "the generator grants raw packets on LToUDP"
VIDUR20_SETTINGS="$root/ethertalk.INI" "$generator" "$root/generated" || fail "the generator fails on EtherTalk"
mkdir -p "$root/with-dropin"
for server in serve:"the print server's unit" node:"the node's unit" share:"the file server's unit"; do
  name=vidur20-${server%%:*}.service what=${server#*:}
  unit="$root/lib/systemd/system/$name"
  locked_down "$unit" "$what"
  dropin="$root/generated/$name.d/50-ethertalk.conf"
  grep -qx "AmbientCapabilities=CAP_NET_RAW" "$dropin" || fail "$what: no raw packets on EtherTalk"
  # The drop-in's lines at the end of the unit's [Service], as systemd merges them.
  awk -v extra="$(sed '/^#/d; /^\[Service\]/d' "$dropin")" '/^\[Install\]/ { print extra } { print }' "$unit" \
    >"$root/with-dropin/$name"
  locked_down "$root/with-dropin/$name" "$what on EtherTalk"
done
# The print server's own network, when [Serve] names one, decides for it alone.
printf '[Network]\nLink=ethertalk\n[Serve]\nNetwork=ltoudp\n' >"$root/serve-ltoudp.INI"
VIDUR20_SETTINGS="$root/serve-ltoudp.INI" "$generator" "$root/generated-serve-ltoudp" ||
  fail "the generator fails with a network of the print server's own"
[ -e "$root/generated-serve-ltoudp/vidur20-node.service.d" ] && [ ! -e "$root/generated-serve-ltoudp/vidur20-serve.service.d" ] ||
  fail "the generator does not tell the print server's network from the node's"

# The file server's volumes are opened to it, writable unless read-only; with one in /home, /home
# is seen read-only. Locked down still, with both its drop-ins.
printf '[Network]\nLink=ethertalk\n[Share Volumes]\nA=/srv/a b\nB=/home/ada/b, read-only\n' >"$root/share.INI"
VIDUR20_SETTINGS="$root/share.INI" "$generator" "$root/generated-share" || fail "the generator fails on volumes"
volumes="$root/generated-share/vidur20-share.service.d/50-volumes.conf"
grep -qx 'ReadWritePaths="-/srv/a b"' "$volumes" && grep -qx "ProtectHome=read-only" "$volumes" &&
  ! grep -q "/home/ada/b" "$volumes" || fail "the generator does not open the volumes as they are shared"
awk -v extra="$(cat "$root/generated-share/vidur20-share.service.d/"*.conf | sed '/^#/d; /^\[Service\]/d')" \
  '/^\[Install\]/ { print extra } { print }' "$root/lib/systemd/system/vidur20-share.service" \
  >"$root/with-dropin/vidur20-share-volumes.service"
locked_down "$root/with-dropin/vidur20-share-volumes.service" "the file server's unit with its volumes"
grep -q "adduser --system.* vidur20-share" <<<"$(control vidur20 postinst)" ||
  fail "vidur20's postinst does not make the file server's user"

# The units are enabled again on an upgrade only where the administrator had enabled them.
postinst=$(control vidur20 postinst)
! grep -q "deb-systemd-invoke start" <<<"$postinst" || fail "installing vidur20 starts a server"
awk '/debian-installed/ { guarded = 1 } /deb-systemd-helper enable/ && !guarded { found = 1 } END { exit found }' \
  <<<"$postinst" || fail "installing vidur20 enables a server"
grep -q "vidur20-node.socket" <<<"$postinst" || fail "vidur20's postinst does not know the node's socket"
# The socket's group exists before systemd makes the socket, and CUPS' backend (lp) is in it.
grep -q "addgroup --system.* appletalk" <<<"$postinst" || fail "vidur20's postinst does not make the group appletalk"
grep -q "adduser.* lp appletalk" <<<"$postinst" || fail "vidur20's postinst does not add lp to the group appletalk"
grep -qw adduser <<<"$(depends vidur20)" || fail "vidur20 runs adduser without depending on it"

# The programs and libraries as shipped: each program needs the shared libraries, nothing
# carries a run path, everything is hardened (bind-now, PIE, stack protector, fortify) and
# stripped, .comment sections included. Every object was compiled with the flags of
# dpkg-buildflags; fortified calls show where the compiler could not prove a size (pap
# makes none it could not).
compiles=$(grep -E " -o CMakeFiles/[^ ]+\.o -c " "$build/package.log")
[ -n "$compiles" ] || fail "no compile command in the build log"
unhardened=$(awk '!/-D_FORTIFY_SOURCE=2/ || !/-fstack-protector-strong/' <<<"$compiles" | head -3)
[ -z "$unhardened" ] || fail "compiled without the hardening flags: $unhardened"
module="$libdir/vidur20/vidur-windows.so"
elf_files=("$root/usr/bin/vidur" "$root/usr/lib/cups/backend/pap" "$libdir"/libtarvlib.so.0.* "$libdir"/libvidur20.so.0.*
           "$module")
needs() { readelf -d "$1" | grep -q "(NEEDED).*\[$2\]" || fail "$(basename "$1") does not need $2"; }
needs "$root/usr/bin/vidur" libtarvlib.so.0
needs "$module" libvidur20.so.0
! readelf -d "$root/usr/bin/vidur" | grep -Eq "NEEDED.*(libvidur20|Qt|libX|xcb)" || fail "vidur needs a window library"
needs "$root/usr/lib/cups/backend/pap" libtarvlib.so.0
needs "$libdir/libvidur20.so.0" libtarvlib.so.0
! readelf -d "$root/usr/lib/cups/backend/pap" | grep -q "NEEDED.*Qt" || fail "pap needs Qt"
for elf in "${elf_files[@]}"; do
  name=$(basename "$elf")
  dynamic=$(readelf -d "$elf")
  ! grep -Eq "R(UN)?PATH" <<<"$dynamic" || fail "$name carries a run path"
  grep -Eq "BIND_NOW|FLAGS_1.* NOW" <<<"$dynamic" || fail "$name is not bound now"
  symbols=$(readelf --dyn-syms -W "$elf")
  grep -q "__stack_chk_fail" <<<"$symbols" || fail "$name has no stack protector"
  [ "$name" = pap ] || grep -Eq "__[a-z]+_chk@" <<<"$symbols" || fail "$name has no fortified calls"
  sections=$(readelf -S -W "$elf")
  ! grep -Eq "\.symtab|\.comment" <<<"$sections" || fail "$name is not stripped"
done
for program in usr/bin/vidur usr/lib/cups/backend/pap; do
  [ "$(readelf -h "$root/$program" | awk '/Type:/ { print $2 }')" = DYN ] || fail "$program is not PIE"
done

# The libraries' interfaces: libtarvlib.so.0 shows hosts its functions, unversioned, and
# nothing else; the stack's classes only under the release's own version.
public=$(nm -D --defined-only "$libdir/libtarvlib.so.0" | awk '$2 != "A" && $3 !~ /@/ { print $3 }' | sort | tr '\n' ' ')
expected="ATALKDispatch IsPostScriptPrinterType MPPAlloc MPPFree NBPCloseEnum NBPCompareEntity NBPCrackProfileString \
NBPEnumStatus NBPFoundCount NBPOpenEnum NBPReadEnum NBPSetEntityName PAPGetDefaultPrinter PAPSetDefaultPrinter \
ZIPCloseEnum ZIPEnumStatus ZIPGetMyZone ZIPOpenEnum ZIPReadEnum ZIPZoneCount "
[ "$public" = "$expected" ] || fail "libtarvlib.so.0 exports unversioned: $public"
others=$(nm -D --defined-only "$libdir/libtarvlib.so.0" | awk '$2 != "A" && $3 ~ /@/' | grep -v "@@TARVLIB_PRIVATE_$version$")
[ -z "$others" ] || fail "libtarvlib.so.0 exports under other versions: $(head -3 <<<"$others")"
# libvidur20.so.0 shows hosts its interface under VIDUR20_0, the command's classes only under
# the release's own version, nothing unversioned.
others=$(nm -D --defined-only "$libdir/libvidur20.so.0" | awk '$2 != "A"' | grep -Ev "@@VIDUR20_(0|PRIVATE_$version)$")
[ -z "$others" ] || fail "libvidur20.so.0 exports outside its two versions: $(head -3 <<<"$others")"

# The programs start from the packages' files alone.
export LD_LIBRARY_PATH="$libdir"
help=$("$root/usr/bin/vidur" --help) || fail "vidur --help from the scratch root"
grep -q "^  chooser" <<<"$help" || fail "vidur --help from the scratch root lists no chooser"
[ "$("$root/usr/bin/vidur" --version)" = "vidur $version" ] || fail "vidur --version is not $version"
# The windows, from the module where the package puts it, on the embedded network.
mkdir -p "$root/profile"
sheet=$(VIDUR_PROFILE_DIR="$root/profile" QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/vidur" netinfo --offscreen --screenshot "$root/netinfo.png" 2>&1)
grep -q "^Network Address:" <<<"$sheet" || fail "vidur netinfo from the scratch root shows no sheet: $sheet"
! ldd "$root/usr/lib/cups/backend/pap" | grep -q "not found" || fail "pap misses a library: $(ldd "$root/usr/lib/cups/backend/pap")"
unset LD_LIBRARY_PATH
grep -q "^Version: $version$" "$libdir/pkgconfig/vidur20.pc" || fail "vidur20.pc version"

# A host as a packager builds it, from vidur20-dev: `pkg-config vidur20` gives it no run path,
# and lintian passes it. The scratch root stands in for the installed packages.
host="$root/host"
cp -r "$source/tests/packaging/host" "$host"
cp "$source/examples/host/c_host.c" "$source/debian/copyright" "$host/"
mv "$host/copyright" "$host/debian/copyright"
printf 'libvidur20 0 libvidur20-0 (>= %s)\n' "$version" >"$host/debian/shlibs.local"
if (cd "$host" && PKG_CONFIG_PATH="$libdir/pkgconfig" HOST_LDFLAGS="-Wl,-rpath-link,$libdir" \
      HOST_SHLIBDEPS_ARGS="-l$libdir" DEB_BUILD_OPTIONS=noautodbgsym \
      dpkg-buildpackage --build=binary --no-sign --no-check-builddeps) >"$root/host.log" 2>&1; then
  host_deb=$(ls "$root"/vidur20-example-c-host_*.deb)
  lintian --pedantic --fail-on error,warning "$host_deb" || fail "lintian fails the packaged host"
  dpkg -x "$host_deb" "$root/host-root"
  needs "$root/host-root/usr/bin/vidur20-example-c-host" libvidur20.so.0
  ! readelf -d "$root/host-root/usr/bin/vidur20-example-c-host" | grep -Eq "R(UN)?PATH" ||
    fail "the host carries a run path"
  grep -q "libvidur20-0 (>= $version)" <<<"$(dpkg-deb -f "$host_deb" Depends)" || fail "the host's Depends"
else
  tail -20 "$root/host.log"
  fail "the host does not build from vidur20-dev"
fi

# Reproducible: the same tree built again, in another folder, gives the same packages (a
# path left in a binary, such as the space of a removed run path, would tell the two apart).
first=$(cd "$build" && sha256sum ./*.deb)
elsewhere="$build-elsewhere"
"$source/scripts/package.sh" "$elsewhere" >/dev/null || fail "scripts/package.sh, the second time"
second=$(cd "$elsewhere" && sha256sum ./*.deb)
rm -rf "$elsewhere"
[ "$first" = "$second" ] || fail "built twice, the packages differ:$(diff <(echo "$first") <(echo "$second"))"

[ $faults -eq 0 ] && echo "packages: $(cd "$build" && ls ./*.deb | xargs -n1 basename | tr '\n' ' ')" &&
  echo "reproducible: $(cd "$build" && sha256sum ./*.deb | cut -c1-16 | tr '\n' ' ')"
exit $((faults > 0))
