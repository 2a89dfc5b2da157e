#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and the address and undefined-behaviour
# sanitizers (in build-fuzz/), then runs each for a bounded time from its seed corpus in
# tests/fuzz/corpus/, the corpus it grows kept in build-fuzz/corpus/. A crash stops the
# run with the input that caused it in build-fuzz/ (crash-*): make it a named row of the
# tests. Usage: scripts/fuzz.sh [SECONDS_EACH]  (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

scripts/install-deps.sh
scripts/install-missing.sh clang libfuzzer-14-dev libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-Werror -DLDX_FUZZ=ON \
  -DLDX_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_scpi fuzz_rpc fuzz_cli

export QT_QPA_PLATFORM=offscreen
for fuzzer in scpi rpc cli; do
  corpus="build-fuzz/corpus/$fuzzer"
  log="build-fuzz/fuzz_$fuzzer.log"
  mkdir -p "$corpus"
  echo ">>> fuzz_$fuzzer for $seconds s"
  # -close_fd_mask=3: the programs' own output says nothing about a crash; libFuzzer's does.
  if ! (cd build-fuzz && ./tests/fuzz/"fuzz_$fuzzer" -max_total_time="$seconds" -max_len=4200 -close_fd_mask=3 \
        -print_final_stats=1 "corpus/$fuzzer" "../tests/fuzz/corpus/$fuzzer") >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz_$fuzzer failed: the input that did it is in build-fuzz/ (crash-*, leak-*, timeout-*)" >&2
    exit 1
  fi
  grep -E "^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|peak_rss_mb)" "$log"
done
