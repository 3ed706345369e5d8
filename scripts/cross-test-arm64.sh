#!/usr/bin/env bash
# Cross-compiles the pixel engine (buffers, merge, resize, transform, shadow, row conversions)
# and its tests for arm64 with Debian's cross compiler, then runs them under qemu-aarch64 on
# processors with NEON only and with SVE/SVE2 at 128, 256 and 512 bits, so that every arm64
# instruction set the kernels are compiled for is taken and checked against the scalar code.
# The packages come from scripts/install-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-arm64}
jobs=$(nproc)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/aarch64-linux-gnu.cmake" -DKVX_PIXEL_ENGINE_ONLY=ON
cmake --build "$build" -j "$jobs"
for cpu in cortex-a72 max,sve-default-vector-length=16 max,sve-default-vector-length=32 \
  max,sve-default-vector-length=64; do
  echo "== arm64 pixel engine on qemu -cpu $cpu"
  (cd "$build" && QEMU_CPU=$cpu ctest --output-on-failure -j "$jobs")
done
