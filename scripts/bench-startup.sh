#!/usr/bin/env bash
# Start-up time and peak memory of varnok against a bare Qt WebEngine view, side by side
# under a virtual display. Usage: scripts/bench-startup.sh [build-dir] [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-5}"
cmake --build "$build" --target varnok bench_bare_view -j2 >/dev/null
exec xvfb-run -a -s "-screen 0 1280x800x24" \
  python3 "$root/bench/ui/startup_bench.py" \
    --varnok "$build/src/varnok" --bare "$build/bench/ui/bench_bare_view" \
    --advert "$root/resources/guanggao.htm" --runs "$runs"
