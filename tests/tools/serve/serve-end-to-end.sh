#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# `vidur serve` under a real CUPS: a private cupsd (its own configuration, spool, logs and
# socket) in network and mount namespaces this script creates, queues whose device writes to
# a file, the server publishing them on LToUDP over the namespace's loopback, and `vidur
# print` as the Mac. Checks: a job arrives byte for byte with its title and user; the query
# dialogue of a Mac driver is answered from the queue's PPD and leaves no job; a second job
# waits while the first runs; a stopped queue says so in its status and on the back channel;
# CUPS going away mid-job is told to the Mac and nothing is reported printed; queues added
# and removed while serving come and go on AppleTalk.
#
# Usage: serve-end-to-end.sh VIDUR   (exit 77: skipped, with the reason)
set -euo pipefail

vidur=$1
here=$(cd "$(dirname "$0")" && pwd)
skip() { echo "SKIP: $*" >&2; exit 77; }

if [ -z "${VIDUR_IN_NAMESPACE:-}" ]; then
  for tool in cupsd lpadmin lpstat lp cupsdisable cupsenable ipptool ip unshare setpriv; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh installs it)"
  done
  [ "$(id -u)" -eq 0 ] || skip "cupsd needs root to run its backends as the lp user"
  unshare --net --mount true 2>/dev/null || skip "network and mount namespaces cannot be created here"
  VIDUR_IN_NAMESPACE=1 exec unshare --net --mount --propagation private "$0" "$@"
fi

ip link set lo up
work=$(mktemp -d /tmp/vidur-serve-XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
# Waits (bounded) until the command succeeds: state, not time.
await() {
  local what=$1; shift
  for _ in $(seq 300); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  fail "$what"; return 1
}

port=$((20000 + $$ % 20000))
cups_port=$((port + 1))
mkdir -p "$work/conf" "$work/requests/tmp" "$work/log" "$work/cache" "$work/state" "$work/out" "$work/profile" \
  "$work/serverbin/backend"
chmod 1777 "$work/requests/tmp" "$work/out"
# CUPS' own filters, and one backend of the test's: tofile:///PATH keeps each job in PATH as it
# came (CUPS' own file: device runs no filter for a raw queue, and so writes nothing).
for part in /usr/lib/cups/*; do
  [ "$(basename "$part")" = backend ] || ln -s "$part" "$work/serverbin/"
done
cat > "$work/serverbin/backend/tofile" <<'BACKEND'
#!/bin/sh
[ $# -eq 0 ] && { echo 'direct tofile "Unknown" "File for tests"'; exit 0; }
path=${DEVICE_URI#tofile://}
if [ $# -ge 6 ]; then cat "$6" > "$path.part"; else cat > "$path.part"; fi && mv "$path.part" "$path"
BACKEND
chmod 755 "$work/serverbin/backend/tofile"
cat > "$work/conf/cups-files.conf" <<CONF
ServerRoot $work/conf
RequestRoot $work/requests
TempDir $work/requests/tmp
CacheDir $work/cache
StateDir $work/state
ServerBin $work/serverbin
ErrorLog $work/log/error_log
AccessLog $work/log/access_log
PageLog $work/log/page_log
CONF
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
DefaultAuthType Basic
# Debian's own policy, so that the unprivileged server shows it may create and cancel its
# jobs on behalf of their users there; job titles and users readable by the test's queries.
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  <Limit Create-Job Print-Job Print-URI Validate-Job>
    Order deny,allow
  </Limit>
  <Limit Send-Document Send-URI Hold-Job Release-Job Restart-Job Purge-Jobs Set-Job-Attributes Cancel-My-Jobs Close-Job CUPS-Move-Job>
    Require user @OWNER @SYSTEM
    Order deny,allow
  </Limit>
  <Limit CUPS-Add-Modify-Printer CUPS-Delete-Printer CUPS-Add-Modify-Class CUPS-Delete-Class CUPS-Set-Default CUPS-Get-Devices>
    AuthType Default
    Require user @SYSTEM
    Order deny,allow
  </Limit>
  <Limit Pause-Printer Resume-Printer Enable-Printer Disable-Printer Cancel-Jobs CUPS-Accept-Jobs CUPS-Reject-Jobs>
    AuthType Default
    Require user @SYSTEM
    Order deny,allow
  </Limit>
  <Limit Cancel-Job CUPS-Authenticate-Job>
    Require user @OWNER @SYSTEM
    Order deny,allow
  </Limit>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
start_cupsd() {
  cupsd -f -c "$work/conf/cupsd.conf" -s "$work/conf/cups-files.conf" 2>> "$work/cupsd.err" &
  cupsd_pid=$!
  pids+=("$cupsd_pid")
  await "cupsd did not come up" test -S "$work/cups.sock" && await "cupsd does not answer" lpstat -r
}
export CUPS_SERVER=$work/cups.sock VIDUR_PROFILE_DIR=$work/profile VIDUR_LTOUDP_PORT=$port VIDUR_LTOUDP_TTL=0
network=(--network ltoudp:127.0.0.1)
start_cupsd || exit 1

# A raw queue that keeps its jobs in a file, shared; and a PostScript queue with a PPD.
lpadmin -p Laser -E -v "tofile://$work/out/laser.ps" -D "Laser in room 12" -o printer-is-shared=true 2>/dev/null
lpadmin -p Office -E -v "tofile://$work/out/office.ps" -P "$here/office.ppd" -D "Office" -o printer-is-shared=true \
  -o Option1=True 2>/dev/null
lpadmin -p Hidden -E -v "tofile://$work/out/hidden.ps" -D "Not shared" -o printer-is-shared=false 2>/dev/null

# As its systemd unit runs it: a user of its own, no privileges, no home.
setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/nonexistent \
  "$vidur" serve "${network[@]}" > "$work/serve.out" 2> "$work/serve.err" &
serve_pid=$!
pids+=("$serve_pid")
published() { grep -qF "published $1" "$work/serve.out"; }
await "Laser was not published" published "Laser in room 12:LaserWriter@" || { cat "$work/serve.err" >&2; exit 1; }
await "Office was not published" published "Office:LaserWriter@"
grep -q "Not shared" "$work/serve.out" && fail "a queue that is not shared was published"
# What a Chooser's look-up finds: the shared queues, as LaserWriters.
found=$("$vidur" lookup "${network[@]}" "=:LaserWriter" 2>&1 || true)
for name in "Laser in room 12" "Office"; do
  grep -qF "$name" <<<"$found" || fail "a look-up of LaserWriters does not find $name: $found"
done

# 1. A job, byte for byte, with its title and user.
{
  printf '%%!PS-Adobe-3.0\n%%%%Title: (Quarterly report)\n%%%%For: (Jane Appleseed)\n%%%%EndComments\n'
  head -c 200000 /dev/urandom | base64
  printf 'showpage\n%%%%EOF\n'
} > "$work/job.ps"
if ! "$vidur" print "${network[@]}" --to "Laser in room 12" "$work/job.ps" 2> "$work/print1.err"; then
  fail "vidur print to the published printer failed:"; cat "$work/print1.err" >&2
fi
await "the job did not complete in CUPS" sh -c "lpstat -W completed -o Laser | grep -q Laser-"
cmp -s "$work/job.ps" "$work/out/laser.ps" || fail "the file CUPS wrote differs from the job"
lpstat -W completed -o Laser | grep -q "Jane Appleseed" || fail "the job's user did not reach CUPS: $(lpstat -W completed -o Laser)"
cat > "$work/job-name.test" <<'TEST'
{
  OPERATION Get-Jobs
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR keyword which-jobs completed
  ATTR keyword requested-attributes job-name,job-originating-user-name
  STATUS successful-ok
  DISPLAY job-name
}
TEST
# Through cupsd's socket, as lpstat goes: its TCP port is picked from the process id and may
# be another test's by now, and a busy cupsd may answer a first query late.
socket_host=$(printf %s "$work/cups.sock" | sed 's|/|%2F|g')
title_listed() {
  ipptool -tv "ipp://$socket_host/printers/Laser" "$work/job-name.test" > "$work/job-name.out" 2>&1
  grep -q "Quarterly report" "$work/job-name.out"
}
await "the job's title did not reach CUPS" title_listed || cat "$work/job-name.out" >&2

# Commands run while a FIFO is open for writing must not inherit it: its reader would wait
# for them too.
# 2. The query dialogue of a Mac driver, answered from the queue's PPD; no job reaches CUPS.
# Written from the structuring conventions: CR line ends, as a Mac sends them.
query_job() {
  printf '%s\r' '%!PS-Adobe-3.0 Query' '%%Title: Printer setup' \
    '%%?BeginFeatureQuery: *Product' 'statusdict /product get print' '%%?EndFeatureQuery: Unknown' \
    '%%?BeginFeatureQuery: *PSVersion' '/version where {pop version print} if' '%%?EndFeatureQuery: Unknown' \
    '%%?BeginFeatureQuery: *InstalledMemory' '(16Meg) print' '%%?EndFeatureQuery: Unknown' \
    '%%?BeginFeatureQuery: *Option1' '(False) print' '%%?EndFeatureQuery: Unknown' \
    '%%?BeginFeatureQuery: *Resolution' '(300dpi) print' '%%?EndFeatureQuery: Unknown' \
    '%%?BeginPrinterQuery' 'statusdict begin revision == version == product == end' '%%?EndPrinterQuery: Unknown' \
    '%%?BeginFontQuery: Times-Roman Palatino-Roman' '{count 1 gt {(/) print print (:Yes) =} {exit} ifelse} loop' \
    '%%?EndFontQuery: Unknown' \
    '%%?BeginFontListQuery' 'FontDirectory {pop ==} forall (*) = flush' '%%?EndFontListQuery: *' \
    '%%?BeginVMStatus' 'vmstatus = = = flush' '%%?EndVMStatus: 0 0 0' \
    '%%?BeginProcSetQuery: "(AppleDict md)" 71 0' '/md where {pop (1)} {(0)} ifelse = flush' \
    '%%?EndProcSetQuery: 0' \
    '%%?BeginQuery: RBIAppleDevice' '(Unknown) = flush' '%%?EndQuery: Unknown' '%%EOF'
}
query_job > "$work/query.ps"
# The printer's answer is one message: one line after its name, its line ends escaped.
answers=('(Office Laser 4000)' '(3011.104) 2' '16Meg' 'True' '600dpi' \
  '2' '(3011.104)' '(Office Laser 4000)' '/Times-Roman:Yes' '/Palatino-Roman:No' '*' \
  '/Courier' '/Helvetica' '/Times-Roman' '/Symbol' '*' '0 0 0' '0' 'Unknown')
joined=""
for answer in "${answers[@]}"; do joined+="${joined:+\\n}$answer"; done
printf 'Office:LaserWriter@*: %s\n' "$joined" > "$work/query.expected"
if ! "$vidur" print "${network[@]}" --to "Office" "$work/query.ps" 2> "$work/query.err"; then
  fail "the query job was not answered:"; cat "$work/query.err" >&2
fi
diff "$work/query.expected" "$work/query.err" >&2 || fail "the query answers differ from the PPD's (above)"
printf '%s\r' '%!PS-Adobe-3.0 Query' '%%?BeginFeatureQuery: *Product' '%%?EndFeatureQuery: Unknown' \
  '%%?BeginFeatureQuery: *LanguageLevel' '%%?EndFeatureQuery: Unknown' > "$work/generic.ps"
"$vidur" print "${network[@]}" --to "Laser in room 12" "$work/generic.ps" 2> "$work/generic.err" || true
[ "$(cat "$work/generic.err")" = 'Laser in room 12:LaserWriter@*: (Generic PostScript Printer)\n2' ] ||
  fail "a queue without a PPD did not answer as a generic Level 2 printer: $(cat "$work/generic.err")"
left=$(lpstat -W all -o Office; lpstat -o Laser)
[ -z "$left" ] || fail "a query job left a job in CUPS: $left"

status_of() { "$vidur" papstatus "${network[@]}" "$1" 2>/dev/null 7>&-; }
status_says() { status_of "$1" | grep -qF "$2"; }
# A job that waits at the test's word: its input a FIFO the test writes and closes. The
# header goes with a few kilobytes of blanks: a workstation sends full packets while it can.
slow_job() { # NAME TITLE ERRFILE
  local fifo="$work/$1.fifo"
  mkfifo "$fifo"
  "$vidur" print "${network[@]}" --to "Laser in room 12" "$fifo" 2> "$3" &
  slow_pid=$!
  exec 7<>"$fifo"
  printf '%%!PS-Adobe-3.0\n%%%%Title: (%s)\n%%%%EndComments\n' "$2" >&7
  head -c 8192 /dev/zero | tr '\0' ' ' >&7
}

# 3. One job at a time: a second job is answered busy, waits, and prints after the first.
slow_job first "Slow one" "$work/slow.err"
await "the first job did not show in the status" status_says "Laser in room 12" "status: busy; source: AppleTalk; job: Slow one"
"$vidur" print "${network[@]}" --to "Laser in room 12" "$work/job.ps" 2> "$work/second.err" 7>&- &
second_pid=$!
await "the second job was not told the printer is busy" grep -q "is busy (status: busy; source: AppleTalk; job: Slow one)" "$work/second.err"
printf 'showpage\n%%%%EOF\n' >&7
exec 7>&-
wait "$slow_pid" || fail "the first job failed: $(cat "$work/slow.err")"
wait "$second_pid" || fail "the second job failed: $(cat "$work/second.err")"
await "the second job did not complete" sh -c "lpstat -W completed -o Laser | grep -q Laser-3"
cmp -s "$work/job.ps" "$work/out/laser.ps" || fail "the second job differs from what was printed"

# 4. A stopped queue: its status says why, a job hears it on the back channel and waits in CUPS.
cupsdisable -r "Out of paper" Laser
await "the status did not tell the stopped queue" status_says "Laser in room 12" "status: PrinterError: Out of paper"
printf '%%!PS-Adobe-3.0\n%%%%Title: (While stopped)\n%%%%EndComments\nshowpage\n' > "$work/stopped.ps"
# The queue holds the job: the PrinterError passes, as a LaserWriter's paper out does.
"$vidur" print "${network[@]}" --to "Laser in room 12" "$work/stopped.ps" 2> "$work/stopped.err" ||
  fail "a job the stopped queue holds was reported failed: $(cat "$work/stopped.err")"
grep -qF "%%[ PrinterError: Out of paper; the job waits in the queue ]%%" "$work/stopped.err" ||
  fail "the back channel did not tell the stopped queue: $(cat "$work/stopped.err")"
grep -qF "reports a problem: Out of paper; the job waits in the queue" "$work/stopped.err" ||
  fail "the stopped queue was not told as the printer's state: $(cat "$work/stopped.err")"
lpstat -o Laser | grep -q Laser-4 || fail "the job on the stopped queue is not waiting in CUPS"
cupsenable Laser
await "the waiting job did not print once the queue started" cmp -s "$work/stopped.ps" "$work/out/laser.ps"
await "the status did not come back to idle" status_says "Laser in room 12" "status: idle"

# 5. CUPS goes away mid-job: the Mac is told, and nothing is reported printed.
slow_job doomed "Doomed" "$work/doomed.err"
await "the doomed job did not start" status_says "Laser in room 12" "job: Doomed"
kill "$cupsd_pid"
wait "$cupsd_pid" 2>/dev/null || true
head -c 300000 /dev/urandom | base64 >&7
exec 7>&-
if wait "$slow_pid"; then fail "a job CUPS never took was reported printed"; fi
grep -qF "%%[ Error: " "$work/doomed.err" || fail "the Mac was not told CUPS went away: $(cat "$work/doomed.err")"
await "the status did not tell CUPS is gone" status_says "Laser in room 12" "cannot reach CUPS"
start_cupsd || exit 1
await "the status did not come back with CUPS" status_says "Laser in room 12" "status: idle"
await "the job cut short by CUPS' going still waits to print" sh -c "! lpstat -o Laser | grep -q Laser-5"
cmp -s "$work/stopped.ps" "$work/out/laser.ps" || fail "the job cut short by CUPS' going printed after all"

# 6. Queues added and removed while serving.
lpadmin -p Extra -E -v "tofile://$work/out/extra.ps" -D "Extra printer" -o printer-is-shared=true 2>/dev/null
await "a new shared queue was not published" published "Extra printer:LaserWriter@"
lpadmin -x Extra
await "a removed queue was not withdrawn" grep -qF "withdrew Extra printer:LaserWriter@" "$work/serve.out"
"$vidur" lookup "${network[@]}" "Extra printer:LaserWriter" >/dev/null 2>&1 && fail "a withdrawn name still answers"

# 7. SIGTERM: the names go, exit 0.
kill -TERM "$serve_pid"
wait "$serve_pid" && serve_status=0 || serve_status=$?
[ "$serve_status" -eq 0 ] || fail "vidur serve exited $serve_status on SIGTERM"
"$vidur" lookup "${network[@]}" "=:LaserWriter" >/dev/null 2>&1 && fail "names still answer after the server stopped"

if [ "$failed" -ne 0 ]; then
  echo "serve log:" >&2; cat "$work/serve.out" "$work/serve.err" >&2
  grep -E '\[Job' "$work/log/error_log" | grep -vE 'envp|argv' | tail -40 >&2 || true
fi
exit $failed
