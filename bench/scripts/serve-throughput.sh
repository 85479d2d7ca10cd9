#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# How fast `vidur serve` takes a Mac's job into CUPS, over LToUDP on a loopback of its own: a
# private cupsd and the server in network and mount namespaces this script creates, a raw
# queue, and `vidur print` as the Mac. Beside it the same jobs to a simulated printer
# (`vidur sim --spool`) on the same kind of segment: the stack alone, no CUPS.
#
# Each segment has a router of `vidur sim`, as a Mac's network has, so the workstation starts
# alike on both. Prints, for a one-page job and a 10 MB job, the median of RUNS (default 5) of:
#   print  the wall time of `vidur print`, its node's start and the look-up included
#   job    the server's own time for the job, OpenConn to the end of the connection (CUPS has
#          taken the whole job by then), from its log
# and for the 10 MB job the time the bytes add, print(10 MB) - print(one page), on both.
#
#   bench/scripts/serve-throughput.sh VIDUR-BINARY [RUNS]     (root: cupsd and namespaces)
set -euo pipefail
vidur=$(realpath "${1:?usage: serve-throughput.sh VIDUR-BINARY [RUNS]}")
runs=${2:-5}
if [ -z "${VIDUR_IN_NAMESPACE:-}" ]; then
  VIDUR_IN_NAMESPACE=1 exec unshare --net --mount --propagation private "$0" "$@"
fi
ip link set lo up
work=$(mktemp -d /tmp/vidur-serve-bench-XXXXXX)
chmod 755 "$work"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT

mkdir -p "$work/conf" "$work/requests/tmp" "$work/log" "$work/cache" "$work/state" "$work/out" "$work/spool" \
  "$work/serverbin/backend"
chmod 1777 "$work/requests/tmp" "$work/out"
for part in /usr/lib/cups/*; do [ "$(basename "$part")" = backend ] || ln -s "$part" "$work/serverbin/"; done
printf '#!/bin/sh\n[ $# -eq 0 ] && exit 0\nif [ $# -ge 6 ]; then cat "$6"; else cat; fi > /dev/null\n' \
  > "$work/serverbin/backend/discard"
chmod 755 "$work/serverbin/backend/discard"
printf 'ServerRoot %s/conf\nRequestRoot %s/requests\nTempDir %s/requests/tmp\nCacheDir %s/cache\nStateDir %s/state\nServerBin %s/serverbin\nErrorLog %s/log/error_log\nAccessLog %s/log/access_log\nPageLog %s/log/page_log\n' \
  "$work" "$work" "$work" "$work" "$work" "$work" "$work" "$work" "$work" > "$work/conf/cups-files.conf"
printf 'Listen %s/cups.sock\nLogLevel warn\nBrowsing No\nWebInterface No\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n' \
  "$work" > "$work/conf/cupsd.conf"
cupsd -f -c "$work/conf/cupsd.conf" -s "$work/conf/cups-files.conf" & pids+=($!)
export CUPS_SERVER=$work/cups.sock VIDUR_PROFILE_DIR=$work VIDUR_LTOUDP_TTL=0
until lpstat -r >/dev/null 2>&1; do sleep 0.1; done
lpadmin -p Bench -E -v "discard:/" -D "Bench" -o printer-is-shared=true 2>/dev/null

serve_port=29770 sim_port=29771
printf 'client_network = 1\n[[network]]\nnumber = 1\nzone = "Bench"\n' > "$work/router.toml"
cp "$work/router.toml" "$work/sim.toml"
printf '[[printer]]\nname = "Bench"\nzone = "Bench"\n' >> "$work/sim.toml"
"$vidur" sim "$work/router.toml" --ltoudp --interface 127.0.0.1 --ttl 0 --port $serve_port > "$work/router.out" \
  2> "$work/router.err" &
pids+=($!)
"$vidur" sim "$work/sim.toml" --ltoudp --interface 127.0.0.1 --ttl 0 --port $sim_port --spool "$work/spool" \
  > "$work/sim.out" 2> "$work/sim.err" &
pids+=($!)
until grep -q "serving" "$work/router.err" 2>/dev/null; do sleep 0.1; done
VIDUR_LTOUDP_PORT=$serve_port "$vidur" serve --network ltoudp:127.0.0.1 > "$work/serve.out" 2> "$work/serve.err" &
pids+=($!)
until grep -q "published Bench" "$work/serve.out" 2>/dev/null && grep -q Bench "$work/sim.out" 2>/dev/null; do sleep 0.1; done

{ printf '%%!PS-Adobe-3.0\n%%%%Title: One page\n%%%%EndComments\n'; head -c 3000 /dev/urandom | base64
  printf 'showpage\n%%%%EOF\n'; } > "$work/one.ps"
{ printf '%%!PS-Adobe-3.0\n%%%%Title: Ten megabytes\n%%%%EndComments\n'; head -c 7600000 /dev/urandom | base64 -w 0
  printf '\nshowpage\n%%%%EOF\n'; } > "$work/ten.ps"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
now() { date +%s.%N; }
# print PORT FILE: the wall time of one `vidur print`.
print_once() {
  local start; start=$(now)
  VIDUR_LTOUDP_PORT=$1 "$vidur" print --network ltoudp:127.0.0.1 --to "Bench" "$2" 2>/dev/null
  awk -v s="$start" -v e="$(now)" 'BEGIN { printf "%.3f\n", e - s }'
}
for file in one ten; do
  for _ in $(seq "$runs"); do print_once $serve_port "$work/$file.ps"; done > "$work/$file.serve"
  for _ in $(seq "$runs"); do print_once $sim_port "$work/$file.ps"; done > "$work/$file.sim"
done
# The server's time for each job, from its log: "... N bytes in S s, accepted ...".
for file in one ten; do
  title=$([ $file = one ] && echo "One page" || echo "Ten megabytes")
  { grep -o "'$title'.* in [0-9.]* s, accepted" "$work/serve.err" || true; } | awk '{ print $(NF - 2) }' > "$work/$file.job"
  [ "$(wc -l < "$work/$file.job")" -eq "$runs" ] || { echo "not every job printed:" >&2; cat "$work/serve.err" >&2; }
done

printf '%-28s %12s %12s %12s\n' "median of $runs, seconds" "serve print" "serve job" "sim print"
printf '%-28s %12s %12s %12s\n' "one page ($(stat -c %s "$work/one.ps") bytes)" "$(median < "$work/one.serve")" \
  "$(median < "$work/one.job")" "$(median < "$work/one.sim")"
printf '%-28s %12s %12s %12s\n' "10 MB ($(stat -c %s "$work/ten.ps") bytes)" "$(median < "$work/ten.serve")" \
  "$(median < "$work/ten.job")" "$(median < "$work/ten.sim")"
awk -v s1="$(median < "$work/one.serve")" -v s10="$(median < "$work/ten.serve")" -v m1="$(median < "$work/one.sim")" \
  -v m10="$(median < "$work/ten.sim")" 'BEGIN { printf "10 MB over one page: serve %.3f s, sim %.3f s, ratio %.2f\n",
  s10 - s1, m10 - m1, (s10 - s1) / (m10 - m1) }' 
