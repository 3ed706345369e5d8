#!/usr/bin/env bash
# Builds the KVX reader's fuzz target with clang in build-fuzz and runs it for SECONDS (default
# 60) on seed themes. Exits non-zero when the fuzzer finds a crash, leak or sanitizer report.
# Usage: scripts/fuzz-smoke.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DKVX_FUZZ=ON -DKVX_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target kvx_reader_fuzz kvx_fuzz_seeds

corpus="$build/fuzz-corpus"
mkdir -p "$corpus"
"$build/fuzz/kvx_fuzz_seeds" "$corpus"
# The sample themes of a regular build, when there is one.
for theme in build/themes/*.kvx; do
  if [ -f "$theme" ]; then cp "$theme" "$corpus/"; fi
done

"$build/fuzz/kvx_reader_fuzz" -max_total_time="$seconds" -timeout=120 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$build/" "$corpus"
