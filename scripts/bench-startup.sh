#!/usr/bin/env bash
# Start-up time and peak memory of varnok against a bare Qt WebEngine view and, when it
# is installed, the Falkon browser, side by side under a virtual display. With
# VARNOK_BEFORE set to another varnok program (an earlier build), that one is measured in
# the same run too.
# Usage: [VARNOK_BEFORE=program] scripts/bench-startup.sh [build-dir] [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
# Fewer than about 15 runs leave the median of each program several per cent to chance.
runs="${2:-15}"
cmake --build "$build" --target varnok bench_bare_view -j2 >/dev/null
falkon=()
if command -v falkon >/dev/null; then
  falkon=(--falkon "$(command -v falkon)")
else
  echo "Falkon is not installed, so it is not measured (apt-get install falkon xdotool to add it)."
fi
before=()
[ -n "${VARNOK_BEFORE:-}" ] && before=(--before "$VARNOK_BEFORE")
# Under a window manager, as on a person's desktop: every program's window is maximized to
# the same size, so each composes the same area (without one, each keeps the size it asks for).
exec xvfb-run -a -s "-screen 0 1280x800x24" bash -c 'openbox >/dev/null 2>&1 & sleep 1; exec python3 "$@"' bench \
  "$root/bench/ui/startup_bench.py" \
    --varnok "$build/src/varnok" --bare "$build/bench/ui/bench_bare_view" "${falkon[@]}" "${before[@]}" \
    --advert "$root/resources/guanggao.htm" --runs "$runs"
