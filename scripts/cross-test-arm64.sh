#!/usr/bin/env bash
# Cross-compiles the pixel engine (buffers, merge, resize, transform, shadow, row conversions)
# and its tests for arm64 with Debian's cross compiler, then runs them under qemu-aarch64 on
# processors with NEON only and with SVE/SVE2 at 128, 256 and 512 bits, so that every arm64
# instruction set the kernels are compiled for is taken and checked against the scalar code.
#
# With --whole-library it instead builds everything (library, tool, frei0r filter) for arm64
# from Debian's arm64 packages, which it installs first, and renders every sample theme with
# the arm64 tool under qemu, comparing with the native build in `build/`.
# Usage: cross-test-arm64.sh [--whole-library] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
whole=0
if [ "${1:-}" = "--whole-library" ]; then
  whole=1
  shift
fi
build=${1:-build-arm64}
jobs=$(nproc)
configure=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/aarch64-linux-gnu.cmake")

if [ "$whole" -eq 0 ]; then
  cmake -S . -B "$build" "${configure[@]}" -DKVX_PIXEL_ENGINE_ONLY=ON
  cmake --build "$build" -j "$jobs"
  for cpu in cortex-a72 max,sve-default-vector-length=16 max,sve-default-vector-length=32 \
    max,sve-default-vector-length=64; do
    echo "== arm64 pixel engine on qemu -cpu $cpu"
    (cd "$build" && QEMU_CPU=$cpu ctest --output-on-failure -j "$jobs")
  done
  exit 0
fi

bash scripts/install-deps.sh --arm64-library
cmake -S . -B "$build" "${configure[@]}" -DBUILD_TESTING=OFF -DKVX_BENCH=OFF
cmake --build "$build" -j "$jobs"
[ -x build/kvxtheme ] || { echo "build the native tree in build/ first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for kvx in "$build"/themes/*.kvx; do
  theme=$(basename "$kvx" .kvx)
  # The video window finds its clip beside the program, so both run from their themes folder.
  render=(render --theme "$theme.kvx" --input testsrc --size 1280x720 --duration 0.2
    --title "arm64 · Über · 日本語")
  (cd build/themes && ../kvxtheme "${render[@]}" --output "$work/native-$theme-%02d.png" >/dev/null)
  (cd "$build/themes" && qemu-aarch64 ../kvxtheme "${render[@]}" \
    --output "$work/arm64-$theme-%02d.png" >/dev/null)
  psnr=$(ffmpeg -nostdin -i "$work/native-$theme-03.png" -i "$work/arm64-$theme-03.png" \
    -lavfi "[0][1]psnr" -f null - 2>&1 | sed -n 's/.*average:\([a-z0-9.]*\).*/\1/p')
  echo "$theme: arm64 against native PSNR $psnr dB"
  # Floating-point contraction differs between the two; anything under 50 dB is a real fault.
  if [ "$psnr" != inf ] && awk -v p="$psnr" 'BEGIN { exit !(p < 50) }'; then status=1; fi
done
exit $status
