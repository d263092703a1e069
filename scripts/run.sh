#!/usr/bin/env bash
# Sets everything up, builds, lays out a program directory in build/app/ and starts varnok
# from it with its window (the program keeps its state and pages beside its executable).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
mkdir -p build/app
cp build/src/varnok build/app/varnok
# The windowed browser; it needs a display (pass --headless to run without one).
exec build/app/varnok "$@"
