#!/usr/bin/env bash
# Requests per second of the embedded server (varnok --headless) and of nginx
# (worker_processes auto) serving the same 2 KB file, measured side by side in one run
# with ab (HTTP/1.0, no keep-alive) at concurrency 1, 8 and 32; with each rate, the
# server's CPU time and its thread switches per request (from /proc, all its threads
# and processes), which other load on the machine moves far less than the rates.
# Each varnok runs with a home of its own, its profile kept there for the whole run.
# VARNOK_BEFORE=program measures another varnok (an earlier build) in the same run;
# SYSCALLS=1 adds a round under strace that counts system calls per request.
# Usage: [VARNOK_BEFORE=program] [SYSCALLS=1] scripts/bench-server.sh [requests per run, default 20000]
set -euo pipefail
cd "$(dirname "$0")/.."
requests="${1:-20000}"
build=build-server
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DVARNOK_BUILD_UI=OFF -DVARNOK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target varnok >/dev/null

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
# CPU clock ticks and thread switches so far of the processes given and of their threads.
usage() {
  local ticks=0 switches=0
  for pid in "$@"; do
    for task in /proc/"$pid"/task/*; do
      read -r -a stat <"$task/stat"
      ticks=$((ticks + stat[13] + stat[14]))
      switches=$((switches + $(awk '/ctxt_switches/ {s += $2} END {print s}' "$task/status")))
    done
  done
  echo "$ticks $switches"
}
hz="$(getconf CLK_TCK)"

head -c 2048 /dev/zero | tr '\0' 'p' >"$work/page.htm"
start_varnok() {  # name program
  mkdir -p "$work/$1"
  cp "$2" "$work/$1/varnok"
  cp "$work/page.htm" "$work/$1/"
  # A home of its own, as a person's: its data directory and web profile persist there
  # across the run, and its runtime directory keeps its hand-off socket from the other's.
  mkdir -p "$work/$1/home" "$work/$1/run"
  chmod 700 "$work/$1/run"
  env -u XDG_DATA_HOME -u XDG_CACHE_HOME -u XDG_CONFIG_HOME HOME="$work/$1/home" XDG_RUNTIME_DIR="$work/$1/run" \
    VARNOK_PORT=0 VARNOK_PORT_FILE="$work/$1/port" VARNOK_SITE_URL="http://bench-$1-$$.varnok.invalid/" VARNOK_UPDATE_FIRST_MS=3600000 \
    "$work/$1/varnok" --headless >"$work/$1.log" 2>&1 &
  pids+=($!)
  servers+=("$1")
  procs+=("$!")
  for _ in $(seq 100); do [ -s "$work/$1/port" ] && break; sleep 0.1; done
  [ -s "$work/$1/port" ] || { echo "$1 did not come up" >&2; cat "$work/$1.log" >&2; exit 1; }
  ports+=("$(cat "$work/$1/port")")
}
servers=() ports=() procs=()
start_varnok varnok "$build/src/varnok"
[ -n "${VARNOK_BEFORE:-}" ] && start_varnok before "$VARNOK_BEFORE"

# nginx with its own prefix and configuration.
mkdir -p "$work/nginx/root"
cp "$work/page.htm" "$work/nginx/root/page.htm"
theirs="$(free_port)"
sed -e "s|@PREFIX@|$work/nginx|g" -e "s|@PORT@|$theirs|g" -e "s|@ROOT@|$work/nginx/root|g" \
  bench/webserver/nginx.conf.in >"$work/nginx/nginx.conf"
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" >"$work/nginx.log" 2>&1 &
nginx_pid=$!
pids+=("$nginx_pid")
for port in "${ports[@]}" "$theirs"; do
  wait_for "$port" || { echo "a server did not come up" >&2; cat "$work"/*.log >&2; exit 1; }
done
servers+=(nginx)
ports+=("$theirs")
procs+=("$nginx_pid $(pgrep -P "$nginx_pid" | tr '\n' ' ')")

echo "machine: $(nproc) cores, $(uptime | sed 's/.*load/load/')"
printf '%-16s %-8s %10s %12s %14s\n' "2 KB file" server "r/s" "CPU us/req" "switches/req"
# Three alternating rounds each; the best round of each server counts, so a burst of
# other load on the machine hurts neither side alone. CPU and switches are over all rounds.
best() { printf '%s\n' "$@" | sort -g | tail -1; }
# Keeps server i's best rate for the ratio line that follows.
note_rate() {
  case "${servers[$1]}" in
    varnok) ours="$2" ;;
    before) earlier="$2" ;;
    nginx) theirs_rate="$2" ;;
  esac
}
print_ratios() {
  awk -v a="$ours" -v b="$theirs_rate" 'BEGIN {printf "  ratio varnok/nginx %.2f", a / b}'
  [ -n "${earlier:-}" ] && awk -v a="$earlier" -v b="$theirs_rate" 'BEGIN {printf ", before/nginx %.2f", a / b}'
  echo
}
for c in 1 8 32; do
  declare -A rates=() before_usage=()
  for i in "${!servers[@]}"; do
    rates[$i]="" before_usage[$i]="$(usage ${procs[$i]})"
  done
  for _ in 1 2 3; do
    for i in "${!servers[@]}"; do rates[$i]+="$(rps "http://127.0.0.1:${ports[$i]}/page.htm" "$c") "; done
  done
  for i in "${!servers[@]}"; do
    read -r t0 s0 <<<"${before_usage[$i]}"
    read -r t1 s1 <<<"$(usage ${procs[$i]})"
    rate="$(best ${rates[$i]})"
    note_rate "$i" "$rate"
    awk -v c="$c" -v s="${servers[$i]}" -v r="$rate" -v t=$((t1 - t0)) -v w=$((s1 - s0)) -v n=$((3 * requests)) -v hz="$hz" \
      'BEGIN {printf "concurrency %-4s %-8s %10.0f %12.1f %14.2f\n", c, s, r, t * 1e6 / hz / n, w / n}'
  done
  print_ratios
  unset rates before_usage
done

# At concurrency 1 the rate depends mostly on where the scheduler puts the client and the
# serving thread: on one core each request costs a switch, on two a wake-up across cores,
# which in a virtual machine takes several times as long. A run gets one or the other,
# differently for each server, so the rates above swing by half between runs. Held on one
# core together, client and servers are compared on equal terms.
all_cores="$(taskset -p $$ | awk '{print $NF}')"
pin() { for i in "${!servers[@]}"; do for pid in ${procs[$i]}; do taskset -a -p "$1" "$pid" >/dev/null; done; done; }
pin 1
declare -A pinned=()
for _ in 1 2 3; do
  for i in "${!servers[@]}"; do pinned[$i]+="$(taskset -c 0 ab -q -n "$requests" -c 1 "http://127.0.0.1:${ports[$i]}/page.htm" 2>/dev/null | awk '/Requests per second/ {print $4}') "; done
done
pin "$all_cores"
for i in "${!servers[@]}"; do
  rate="$(best ${pinned[$i]})"
  note_rate "$i" "$rate"
  printf 'concurrency 1, one core %-8s %10.0f\n' "${servers[$i]}" "$rate"
done
print_ratios

if [ -n "${SYSCALLS:-}" ]; then
  echo "system calls per request (strace -c -f, one round of $requests at concurrency 8):"
  for i in "${!servers[@]}"; do
    out="$work/strace-$i.txt"
    strace -c -f $(for pid in ${procs[$i]}; do echo -p "$pid"; done) -o "$out" 2>/dev/null &
    tracer=$!
    sleep 1
    ab -q -n "$requests" -c 8 "http://127.0.0.1:${ports[$i]}/page.htm" >/dev/null 2>&1
    kill -INT "$tracer"
    wait "$tracer" 2>/dev/null || true
    awk -v s="${servers[$i]}" -v n="$requests" '$NF == "total" {printf "  %-8s %.1f\n", s, $4 / n}' "$out"
  done
fi

# The command path against a static GET of the page it rewrites: scripts/bench-commands.sh.
