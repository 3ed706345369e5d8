#!/usr/bin/env bash
# The project's test command: installs the packages, then builds and tests twice, once
# normally and once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
# fontconfig keeps its process-wide configuration until exit; tools run at build time too.
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKVX_SANITIZE=ON -DKVX_BENCH=OFF
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs")

if [ -x scripts/fuzz-smoke.sh ]; then scripts/fuzz-smoke.sh 60; fi
