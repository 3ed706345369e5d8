#!/usr/bin/env bash
# The project's test command: installs the packages, then builds and tests normally, cross-tests
# the pixel engine for arm64 under qemu, builds and tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, runs the concurrency tests under ThreadSanitizer, and fuzzes every
# parser briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
# fontconfig keeps its process-wide configuration until exit; tools run at build time too.
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

scripts/cross-test-arm64.sh build-arm64

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKVX_SANITIZE=ON -DKVX_BENCH=OFF
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs")

# Only the libraries' own synchronisation is suppressed (scripts/tsan.supp); tools run at build
# time (packing the sample themes) run under the sanitizer too.
export TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp halt_on_error=1"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVX_SANITIZE=thread -DKVX_BENCH=OFF
cmake --build build-tsan -j "$jobs" --target test_concurrency
build-tsan/themes/test_concurrency

scripts/fuzz-smoke.sh 60
