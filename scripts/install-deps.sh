#!/usr/bin/env bash
# Installs every Debian package kvxtheme needs to build, test and run. Safe to re-run.
# Usage: install-deps.sh [--arm64-library]
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpango1.0-dev libcairo2-dev libfontconfig-dev fonts-dejavu-core fonts-ipafont-gothic
  fonts-wqy-microhei fonts-lohit-deva fonts-tlwg-garuda-otf fonts-noto-color-emoji
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
  zlib1g-dev libpng-dev nlohmann-json3-dev librsvg2-dev librsvg2-bin libxml2-dev
  libgtk-3-dev xvfb xauth
  frei0r-plugins-dev melt
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  help2man man-db python3-jsonschema
  pybind11-dev python3-pybind11 python3-numpy python3-pytest python3-dask python3-distributed
  python3-hypothesis
  python3 binutils
  dpkg-dev
  libhwy-dev g++-aarch64-linux-gnu qemu-user
  libhwy-dev:arm64 libgtest-dev:arm64 libgmock-dev:arm64 libpng-dev:arm64
)
# `--arm64-library`: also what the whole library needs to build for arm64 (about 190 packages).
if [ "${1:-}" = "--arm64-library" ]; then
  packages+=(libpango1.0-dev:arm64 libcairo2-dev:arm64 libfontconfig-dev:arm64 zlib1g-dev:arm64
    libavformat-dev:arm64 libavcodec-dev:arm64 libswscale-dev:arm64 libswresample-dev:arm64
    libavutil-dev:arm64)
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
# The arm64 libraries the cross test links come from Debian's arm64 archive (multiarch).
fresh_architecture=0
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  $SUDO dpkg --add-architecture arm64
  fresh_architecture=1
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ "$fresh_architecture" -eq 1 ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
