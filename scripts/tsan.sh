#!/usr/bin/env bash
# Builds the server's tests, the state and worker tests and the program with
# ThreadSanitizer in build-tsan and runs them there: the server serves on many threads
# while the window thread changes the same state.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -DVARNOK_BUILD_UI=OFF -DVARNOK_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-tsan -j"$(nproc)" --target varnok varnok_app_tests varnok_webserver_tests \
  varnok_webserver_e2e_tests varnok_webserver_pressure_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
cd build-tsan
ctest --output-on-failure --timeout 600 -j2 \
  -R '^(Http|SlowClient|ServerConcurrency|ServerThread|ServerEndToEnd|ServerPressure|StateConcurrency|WorkerThread)'
