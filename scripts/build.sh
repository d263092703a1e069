#!/usr/bin/env bash
# Configures and builds varnok into build/ (extra arguments go to cmake's configure step).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOK_BUILD_UI=ON "$@" >/dev/null
cmake --build build -j"$(nproc)"
