#!/usr/bin/env bash
# Requests per second of the embedded server (varnok --headless) and of nginx
# (worker_processes auto) serving the same 2 KB file, measured side by side in one run
# with ab (HTTP/1.0, no keep-alive) at concurrency 1, 8 and 32.
# Usage: scripts/bench-server.sh [requests per run, default 20000]
set -euo pipefail
cd "$(dirname "$0")/.."
requests="${1:-20000}"
build=build-server
[ -x "$build/src/varnok" ] || { cmake -S . -B "$build" -DVARNOK_BUILD_UI=OFF >/dev/null && cmake --build "$build" -j2 --target varnok; }

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_for() { for _ in $(seq 100); do python3 -c "import socket; socket.create_connection(('127.0.0.1',$1),1)" 2>/dev/null && return 0; sleep 0.1; done; return 1; }
rps() { ab -q -n "$requests" -c "$2" "$1" 2>/dev/null | awk '/Requests per second/ {print $4}'; }

mkdir -p "$work/varnok"
cp "$build/src/varnok" "$work/varnok/varnok"
head -c 2048 /dev/zero | tr '\0' 'p' >"$work/varnok/page.htm"
ours="$(free_port)"
VARNOK_PORT="$ours" VARNOK_SITE_URL="http://bench-$$.varnok.invalid/" VARNOK_UPDATE_FIRST_MS=3600000 \
  "$work/varnok/varnok" --headless >"$work/varnok.log" 2>&1 &
pids+=($!)

# nginx with its own prefix and configuration.
mkdir -p "$work/nginx/root"
cp "$work/varnok/page.htm" "$work/nginx/root/page.htm"
theirs="$(free_port)"
sed -e "s|@PREFIX@|$work/nginx|g" -e "s|@PORT@|$theirs|g" -e "s|@ROOT@|$work/nginx/root|g" \
  bench/webserver/nginx.conf.in >"$work/nginx/nginx.conf"
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" >"$work/nginx.log" 2>&1 &
pids+=($!)

wait_for "$ours" && wait_for "$theirs" || { echo "a server did not come up" >&2; cat "$work"/*.log >&2; exit 1; }

printf '%-28s %12s %12s %8s\n' "2 KB file, $requests req x3" "varnok r/s" "nginx r/s" "ratio"
# Three alternating rounds each; the best round of each server counts, so a burst of
# other load on the machine hurts neither side alone.
best() { printf '%s\n' "$@" | sort -g | tail -1; }
for c in 1 8 32; do
  ra=() rb=()
  for _ in 1 2 3; do
    ra+=("$(rps "http://127.0.0.1:$ours/page.htm" "$c")")
    rb+=("$(rps "http://127.0.0.1:$theirs/page.htm" "$c")")
  done
  a="$(best "${ra[@]}")"
  b="$(best "${rb[@]}")"
  printf '%-28s %12s %12s %8s\n' "concurrency $c" "$a" "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN {printf "%.2f", a / b}')"
done

# The command path against a static GET of the page it rewrites: scripts/bench-commands.sh.
