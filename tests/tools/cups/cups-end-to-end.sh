#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The pap backend under a real CUPS: a private cupsd (its own configuration, spool, log and
# backend folders, its own port) inside a network namespace this script creates, with
# `vidur sim --spool` serving printers on LToUDP over that namespace's loopback. A queue made
# with `lpadmin -v pap://...` prints a PostScript file from `lp`, and the file must arrive in
# the simulated printer's spool byte for byte; `lpinfo -v` must list the simulated printers.
#
# Usage: cups-end-to-end.sh VIDUR PAP SYSTEM-SETTINGS-FOLDER   (exit 77: skipped, with the reason)
set -euo pipefail

vidur=$1
pap=$2
system_folder=$3
system_parent=$(dirname "$system_folder")
skip() { echo "SKIP: $*" >&2; exit 77; }

if [ -z "${VIDUR_IN_NAMESPACE:-}" ]; then
  for tool in cupsd lpadmin lpinfo lp ip unshare; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh installs it)"
  done
  [ "$(id -u)" -eq 0 ] || skip "cupsd needs root to run its backends as the lp user"
  unshare --net --mount true 2>/dev/null || skip "network and mount namespaces cannot be created here"
  # Everything below runs in namespaces of its own: its loopback, and its own view of /etc.
  VIDUR_IN_NAMESPACE=1 exec unshare --net --mount --propagation private "$0" "$@"
fi

ip link set lo up

work=$(mktemp -d /tmp/vidur-cups-XXXXXX)
chmod 755 "$work"
pids=()
overlaid=""
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  if [ -n "$overlaid" ]; then umount "$system_parent" 2>/dev/null || true; fi
  umount "$work/overlay" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

port=$((20000 + $$ % 20000))
cups_port=$((port + 1))
mkdir -p "$work/spool" "$work/profile" "$work/conf" "$work/requests/tmp" "$work/log" "$work/cache" "$work/state" \
  "$work/serverbin/backend"
# CUPS' own helpers (cups-deviced for lpinfo), with only our backend beside them.
for part in /usr/lib/cups/*; do
  [ "$(basename "$part")" = backend ] || ln -s "$part" "$work/serverbin/"
done
install -m 755 "$pap" "$work/serverbin/backend/pap"
chmod 1777 "$work/requests/tmp"

cat > "$work/scenario.toml" <<'TOML'
title = "CUPS test office"
client_network = 7
[[network]]
number = 7
zone = "Café"
[[network]]
number = 8
zone = "Lager"
[[printer]]
name = "Büro Laser"
zone = "Lager"
[[printer]]
name = "Front Desk"
zone = "Café"
TOML

cat > "$work/conf/cups-files.conf" <<CONF
ServerRoot $work/conf
RequestRoot $work/requests
TempDir $work/requests/tmp
ServerBin $work/serverbin
CacheDir $work/cache
StateDir $work/state
ErrorLog $work/log/error_log
AccessLog $work/log/access_log
PageLog $work/log/page_log
FileDevice No
CONF
# CUPS starts backends with a bare environment, as its own user: discovery learns the network
# from the system-wide AppleTalk.INI. /etc is overlaid in this mount namespace only, so the
# machine's own /etc is never written. A job's URI names the network itself.
[ -d "$system_parent" ] || skip "$system_parent does not exist"
mkdir -p "$work/overlay"
mount -t tmpfs tmpfs "$work/overlay"
mkdir -p "$work/overlay/upper/$(basename "$system_folder")" "$work/overlay/work"
cat > "$work/overlay/upper/$(basename "$system_folder")/AppleTalk.INI" <<INI
[Network]
Link=ltoudp
Interface=127.0.0.1
TTL=0
Port=$port
INI
chmod -R a+rX "$work/overlay/upper"
mount -t overlay overlay -o "lowerdir=$system_parent,upperdir=$work/overlay/upper,workdir=$work/overlay/work" \
  "$system_parent" || skip "$system_parent cannot be overlaid in a mount namespace here"
overlaid=1
cat > "$work/conf/cupsd.conf" <<CONF
Listen 127.0.0.1:$cups_port
Listen $work/cups.sock
LogLevel debug
Browsing No
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
CONF

export VIDUR_PROFILE_DIR=$work/profile CUPS_SERVER=$work/cups.sock
"$vidur" sim "$work/scenario.toml" --ltoudp --interface 127.0.0.1 --ttl 0 --port "$port" --spool "$work/spool" \
  > "$work/sim.out" 2> "$work/sim.err" &
pids+=($!)
cupsd -f -c "$work/conf/cupsd.conf" -s "$work/conf/cups-files.conf" 2> "$work/cupsd.err" &
pids+=($!)

for _ in $(seq 100); do
  grep -q "Front Desk" "$work/sim.out" 2>/dev/null && [ -S "$work/cups.sock" ] && break
  sleep 0.2
done
grep -q "Front Desk" "$work/sim.out" || { cat "$work/sim.err" >&2; echo "FAIL: the simulator did not come up" >&2; exit 1; }
[ -S "$work/cups.sock" ] || { cat "$work/cupsd.err" >&2; echo "FAIL: cupsd did not come up" >&2; exit 1; }

failed=0
devices=$(lpinfo -v 2>&1 || true)
for uri in "network pap://Lager/B%C3%BCro%20Laser/LaserWriter" "network pap://Caf%C3%A9/Front%20Desk/LaserWriter"; do
  if ! grep -qF "$uri" <<<"$devices"; then
    echo "FAIL: lpinfo -v does not list $uri; it said:" >&2
    echo "$devices" >&2
    grep -iE 'devic|backend|settings|pap' "$work/log/error_log" | tail -30 >&2 || true
    failed=1
  fi
done

uri="pap://Lager/B%C3%BCro%20Laser/LaserWriter?network=ltoudp:127.0.0.1&port=$port&ttl=0"
lpadmin -p AppleTalkLaser -E -v "$uri" -m raw 2>/dev/null || lpadmin -p AppleTalkLaser -E -v "$uri"
{
  printf '%%!PS-Adobe-3.0\n%%%%Title: CUPS test page\n%%%%EndComments\n'
  head -c 300000 /dev/urandom | base64
  printf 'showpage\n%%%%EOF\n'
} > "$work/job.ps"
lp -d AppleTalkLaser "$work/job.ps" >/dev/null

spooled=""
for _ in $(seq 300); do
  spooled=$(find "$work/spool" -name '*CUPS test page.ps' -print -quit)
  [ -n "$spooled" ] && break
  sleep 0.2
done
if [ -z "$spooled" ]; then
  echo "FAIL: the job did not reach the simulated printer; CUPS log:" >&2
  grep -E 'pap|Job|job' "$work/log/error_log" | tail -40 >&2 || true
  failed=1
elif ! cmp -s "$work/job.ps" "$spooled"; then
  echo "FAIL: the spooled job differs from the file printed" >&2
  failed=1
fi
exit $failed
