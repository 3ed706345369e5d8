#!/usr/bin/env bash
# Builds the Debian packages from a clean build folder: kvxtheme, kvxtheme-dev, kvxtheme-plugins
# and python3-kvxtheme (cmake/KvxPackage.cmake), written to the current folder's packages/.
# usage: scripts/package.sh [BUILD_DIR]   (default build-package; it is emptied first)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-package}
out=$PWD/packages
rm -rf "$build"
cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DKVX_BENCH=OFF
cmake --build "$build"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out")
rm -rf "$out/_CPack_Packages"
ls -l "$out"/*.deb
echo "Install with: apt install ./packages/kvxtheme_*.deb ./packages/kvxtheme-plugins_*.deb ..."
