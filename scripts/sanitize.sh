#!/usr/bin/env bash
# Builds the program and its tests (without the windows) with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan and runs the suite there.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -DVARNOK_BUILD_UI=OFF -DVARNOK_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-asan -j"$(nproc)"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-asan
ctest --output-on-failure --timeout 600 -j2
