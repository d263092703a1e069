#!/usr/bin/env bash
# A command URL against a static GET of the page it rewrites, side by side in one run:
# varnok --headless with 1000 history entries; ab (HTTP/1.0, concurrency 1) asks for
# menu.htm as a file and for the history command delhis_browser.ido?id=-1 with the run's
# key, which changes nothing but rewrites menu.htm and answers with a redirect to it.
# Rounds alternate; the median of each side counts.
# Usage: scripts/bench-commands.sh [requests per round, default 2000] [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."
requests="${1:-2000}"
build="${2:-build}"
cmake --build "$build" -j2 --target varnok >/dev/null

work="$(mktemp -d)"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
rps() { ab -q -n "$requests" -c 1 "$1" 2>/dev/null | awk '/Requests per second/ {print $4}'; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

mkdir -p "$work/varnok"
cp "$build/src/varnok" "$work/varnok/varnok"
{
  printf '[global]\r\nversion=1.0\r\n[homeurl]\r\nurl1=http://home.invalid/\r\n[history]\r\n'
  for i in $(seq 1000); do printf 'url%d=http://site%d.invalid/page\r\n' "$i" "$i"; done
  printf '[soucangjia]\r\nurl1=http://fav.invalid/\r\n\r\n'
} >"$work/varnok/varnok.ini"
port="$(free_port)"
VARNOK_PORT="$port" VARNOK_SITE_URL="http://bench-$$.varnok.invalid/" VARNOK_UPDATE_FIRST_MS=3600000 \
  "$work/varnok/varnok" --headless >"$work/varnok.log" 2>&1 &
pid=$!

# The pages written at start carry the run's key.
for _ in $(seq 100); do grep -q 'key=' "$work/varnok/menu.htm" 2>/dev/null && break; sleep 0.1; done
key="$(grep -o 'key=[0-9a-f]*' "$work/varnok/menu.htm" | sort -u)"
[ -n "$key" ] || { echo "varnok wrote no menu.htm with a command key" >&2; cat "$work/varnok.log" >&2; exit 1; }
base="http://127.0.0.1:$port"
ab -q -n 10 -c 1 "$base/menu.htm" >/dev/null 2>&1  # warms the page cache

page=() command=()
for _ in 1 2 3 4 5; do
  page+=("$(rps "$base/menu.htm")")
  command+=("$(rps "$base/delhis_browser.ido?id=-1&$key")")
done
p="$(median "${page[@]}")"
c="$(median "${command[@]}")"
echo "menu.htm with 1000 history entries ($(wc -c <"$work/varnok/menu.htm") bytes), $requests requests x5, concurrency 1"
printf '  static GET of menu.htm      %10s r/s   (rounds: %s)\n' "$p" "${page[*]}"
printf '  command delhis id=-1        %10s r/s   (rounds: %s)\n' "$c" "${command[*]}"
printf '  ratio command/static GET    %10s       (target >= 0.5)\n' "$(awk -v a="$c" -v b="$p" 'BEGIN {printf "%.2f", a / b}')"
