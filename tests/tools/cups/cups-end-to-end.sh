#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The pap backend under a real CUPS: a private cupsd (its own configuration, spool, log and
# backend folders, its own port) inside a network namespace this script creates, with
# `vidur sim --spool` serving printers on LToUDP over that namespace's loopback.
#
# Without usable settings the backend invents no printer: `lpinfo -v` lists none, and a job
# stops its queue with a message that names the system file and what is wrong with it (missing,
# unreadable by lp). With them, `lpinfo -v` lists the simulated printers by the model they say
# they are, a queue made with `lpadmin -v pap://...` prints a PostScript file from `lp` that
# must arrive in the simulated printer's spool byte for byte, and a printer busy for ever with
# a status that holds line breaks and CUPS keywords forges no line: the job is retried, the
# reason kept as its status.
#
# Usage: cups-end-to-end.sh VIDUR PAP SYSTEM-SETTINGS-FOLDER   (exit 77: skipped, with the reason)
set -euo pipefail

vidur=$1
pap=$2
system_folder=$3
system_parent=$(dirname "$system_folder")
skip() { echo "SKIP: $*" >&2; exit 77; }
fail() { echo "FAIL: $*" >&2; failed=1; }
failed=0

# Waits until FILE has a line matching the extended regular expression PATTERN, at most
# SECONDS; tail -F wakes on every write to the file, so nothing is polled.
wait_for_line() {
  local file=$1 pattern=$2 seconds=$3 found=1 fd tail_pid
  exec {fd}< <(exec timeout "$seconds" tail -n +1 -F "$file" 2>/dev/null)
  tail_pid=$!
  grep -qE -m1 -- "$pattern" <&"$fd" && found=0
  kill "$tail_pid" 2>/dev/null || true
  exec {fd}<&-
  return $found
}

if [ -z "${VIDUR_IN_NAMESPACE:-}" ]; then
  for tool in cupsd lpadmin lpinfo lp lpstat cancel ip unshare; do
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
product = "LaserWriter II NTX"
[[printer]]
name = "Front Desk"
zone = "Café"
[[printer]]
name = "Held"
zone = "Lager"
busy = true
status = "status: busy\nATTR: marker-levels=1\nINFO: forged"
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
Printcap $work/printcap
FileDevice No
CONF
# CUPS starts backends with a bare environment, as its own user: the backend learns the
# network from the system-wide AppleTalk.INI alone. /etc is overlaid in this mount namespace
# only, so the machine's own /etc is never written; the file is written there later.
[ -d "$system_parent" ] || skip "$system_parent does not exist"
mkdir -p "$work/overlay"
mount -t tmpfs tmpfs "$work/overlay"
mkdir -p "$work/overlay/upper" "$work/overlay/work"
mount -t overlay overlay -o "lowerdir=$system_parent,upperdir=$work/overlay/upper,workdir=$work/overlay/work" \
  "$system_parent" || skip "$system_parent cannot be overlaid in a mount namespace here"
overlaid=1
system_file=$system_folder/AppleTalk.INI
mkdir -p "$system_folder"
chmod 755 "$system_folder"
rm -f "$system_file"
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

wait_for_line "$work/sim.out" "Front Desk" 60 || { cat "$work/sim.err" >&2; echo "FAIL: the simulator did not come up" >&2; exit 1; }
wait_for_line "$work/log/error_log" "Listening to $work/cups.sock" 60 ||
  { cat "$work/cupsd.err" >&2; echo "FAIL: cupsd did not come up" >&2; exit 1; }

{
  printf '%%!PS-Adobe-3.0\n%%%%Title: CUPS test page\n%%%%EndComments\n'
  head -c 300000 /dev/urandom | base64
  printf 'showpage\n%%%%EOF\n'
} > "$work/job.ps"

# Prints the test page on QUEUE and waits until its backend has ended; the job id on stdout.
print_and_wait() {
  local queue=$1 job
  job=$(lp -d "$queue" "$work/job.ps" | sed -n 's/^request id is [^ ]*-\([0-9]*\) .*/\1/p')
  wait_for_line "$work/log/error_log" "\\[Job $job\\] (Backend returned status|PID [0-9]+ \\(.*/pap\\) exited)" 120 ||
    fail "job $job on $queue did not end"
  echo "$job"
}

# Without settings: no phantom printers, and a job stops its queue, saying why.
no_network_case() {
  local what=$1 expected=$2 devices state
  devices=$(lpinfo -v 2>&1 || true)
  grep -q "^network pap$" <<<"$devices" || fail "$what: lpinfo -v lacks the manual entry 'network pap': $devices"
  if grep -q "pap://" <<<"$devices"; then fail "$what: lpinfo -v lists printers that do not exist: $devices"; fi
  lpadmin -p "NoNetwork" -E -v "pap://Lager/B%C3%BCro%20Laser/LaserWriter" 2>/dev/null
  print_and_wait NoNetwork >/dev/null
  state=$(lpstat -p NoNetwork 2>&1)
  grep -q "disabled" <<<"$state" || fail "$what: the queue was not stopped: $state"
  grep -qF "$expected" <<<"$state" || fail "$what: the queue's message does not say '$expected': $state"
  lpadmin -x NoNetwork
}
no_network_case "no settings" "$system_file does not exist"
printf '[Network]\nLink=ltoudp\nInterface=127.0.0.1\nTTL=0\nPort=%s\n' "$port" > "$system_file"
chmod 600 "$system_file"
no_network_case "settings lp cannot read" "$system_file cannot be read by user lp"
chmod 644 "$system_file"

devices=$(lpinfo -l -v 2>&1 || true)
for uri in "pap://Lager/B%C3%BCro%20Laser/LaserWriter" "pap://Caf%C3%A9/Front%20Desk/LaserWriter"; do
  if ! grep -qF "uri = $uri" <<<"$devices"; then
    fail "lpinfo -v does not list $uri; it said: $devices"
    grep -iE 'devic|backend|settings|pap' "$work/log/error_log" | tail -30 >&2 || true
  fi
done
# A printer that says which model it is is listed as that Apple model.
laser=$(grep -A6 -F "uri = pap://Lager/B%C3%BCro%20Laser/LaserWriter" <<<"$devices" || true)
for attribute in "make-and-model = Apple LaserWriter II NTX" \
  "device-id = MFG:Apple;MDL:LaserWriter II NTX;CMD:POSTSCRIPT;" "location = Lager"; do
  grep -qF "$attribute" <<<"$laser" || fail "lpinfo -l -v does not give $attribute: $laser"
done

# A printer busy for ever: its status cannot add lines of its own, and why the job waits for
# another try stays on the job.
lpadmin -p Held -E -v "pap://Lager/Held/LaserWriter?network=ltoudp:127.0.0.1&port=$port&ttl=0&timeout=3"
job=$(print_and_wait Held)
if grep -qE "\\[Job $job\\] (ATTR: |forged$)" "$work/log/error_log"; then
  fail "the printer's status forged lines of the backend:"
  grep -F "[Job $job]" "$work/log/error_log" | tail -20 >&2
fi
status=$(lpstat -l -o Held 2>&1)
grep -qF "Held stayed busy: status: busy\\nATTR: marker-levels=1\\nINFO: forged; will retry" <<<"$status" ||
  fail "the job's status does not keep the reason for the retry: $status"
cancel -a Held 2>/dev/null || true

uri="pap://Lager/B%C3%BCro%20Laser/LaserWriter?network=ltoudp:127.0.0.1&port=$port&ttl=0"
lpadmin -p AppleTalkLaser -E -v "$uri" -m raw 2>/dev/null || lpadmin -p AppleTalkLaser -E -v "$uri"
job=$(print_and_wait AppleTalkLaser)
# The simulator says where it kept the job once the connection is over.
spooled=""
if wait_for_line "$work/sim.err" "job 'CUPS test page'.* kept in " 30; then
  spooled=$(sed -n "s/.*job 'CUPS test page'.* kept in //p" "$work/sim.err" | head -1)
fi
if [ -z "$spooled" ]; then
  fail "the job did not reach the simulated printer; CUPS log:"
  grep -E 'pap|Job|job' "$work/log/error_log" | tail -40 >&2 || true
elif ! cmp -s "$work/job.ps" "$spooled"; then
  fail "the spooled job differs from the file printed"
fi
grep -qE "\\[Job $job\\] PID [0-9]+ \\(.*/pap\\) exited with no errors" "$work/log/error_log" ||
  fail "job $job did not end as printed"
exit $failed
