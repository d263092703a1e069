#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for the given
# number of seconds (default 60). Corpora grow in build-fuzz/corpus/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="$PWD/build-fuzz"
targets=(fuzz_request_parser fuzz_helpers fuzz_server_request fuzz_ini)
seeds=(request helpers server ini)

CC=clang CXX=clang++ cmake -S . -B "$build" -DVARNOK_BUILD_UI=OFF -DVARNOK_BUILD_TESTS=OFF -DVARNOK_BUILD_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp"
for i in "${!targets[@]}"; do
  target="${targets[$i]}"
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s"
  log="$build/$target.log"
  status=0
  # Absolute paths: a target may change its working directory.
  "$build/fuzz/$target" -max_total_time="$seconds" -max_len=12000 -print_final_stats=1 \
    -artifact_prefix="$build/$target-" "$corpus" "$PWD/fuzz/seeds/${seeds[$i]}" >"$log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)' "$log" || true
  if [ "$status" -ne 0 ]; then
    echo "$target found a fault (see $log)" >&2
    exit 1
  fi
done
