#!/usr/bin/env bash
# Sets everything up, builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd build
ctest --output-on-failure --timeout 600 -j2
cd ..
# A few seconds of each fuzz target, as a smoke test of the parser and helpers.
bash scripts/fuzz.sh 5
