#!/usr/bin/env bash
# Builds the Debian packages of the build tree and checks their files and dependencies, then
# renders a clip and imports the Python package from the packages unpacked into a scratch root.
# usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; exit 1; }
version=$(sed -n 's/^CPACK_PACKAGE_VERSION "\(.*\)"/\1/p; s/^set(CPACK_PACKAGE_VERSION "\(.*\)")/\1/p' \
  "$build/CPackConfig.cmake" | head -1)
arch=$(dpkg --print-architecture)
triplet=$(gcc -print-multiarch)
package() { echo "$work/out/$1_${version}_$arch.deb"; }
for name in kvxtheme kvxtheme-dev kvxtheme-plugins python3-kvxtheme; do
  [ -f "$(package $name)" ] || { echo "no $(basename "$(package $name)")"; ls "$work/out"; exit 1; }
done

# Each file in the package that owns it, at the place the system looks.
expect() {
  dpkg-deb -c "$(package "$1")" | awk '{print $6}' | grep -qx "\./usr/$2" ||
    { echo "$1 lacks /usr/$2"; dpkg-deb -c "$(package "$1")"; exit 1; }
}
expect kvxtheme bin/kvxtheme
expect kvxtheme share/kvxtheme/themes/video-window.kvx
expect kvxtheme share/kvxtheme/themes/kvx-sample-clip.mp4
expect kvxtheme share/man/man1/kvxtheme-render.1.gz
expect kvxtheme share/doc/kvxtheme/copyright
expect kvxtheme-dev include/kvxtheme/kvxtheme.h
expect kvxtheme-plugins lib/frei0r-1/kvxtheme.so
expect kvxtheme-plugins "lib/$triplet/gstreamer-1.0/libgstkvxtheme.so"
expect python3-kvxtheme lib/python3/dist-packages/kvxtheme/__init__.py
if dpkg-deb -c "$(package kvxtheme)" | grep -q 'include/'; then
  echo "the runtime package carries headers"; exit 1
fi

# Dependencies as dpkg-shlibdeps found them, and on the runtime package of the same version.
depends() { dpkg-deb -f "$(package "$1")" Depends; }
for library in libc6 libavcodec libpango; do
  grep -q "$library" <<<"$(depends kvxtheme)" ||
    { echo "kvxtheme does not depend on $library: $(depends kvxtheme)"; exit 1; }
done
for name in kvxtheme-dev kvxtheme-plugins python3-kvxtheme; do
  grep -q "kvxtheme (= $version)" <<<"$(depends $name)" ||
    { echo "$name does not depend on kvxtheme $version: $(depends $name)"; exit 1; }
done
grep -q "libgstreamer" <<<"$(depends kvxtheme-plugins)" ||
  { echo "kvxtheme-plugins does not depend on GStreamer: $(depends kvxtheme-plugins)"; exit 1; }

# The unpacked packages work from their own root.
root="$work/root"
for name in kvxtheme kvxtheme-plugins python3-kvxtheme; do
  dpkg-deb -x "$(package $name)" "$root"
done
env -u LD_LIBRARY_PATH -u KVXTHEME_DATA_DIR "$root/usr/bin/kvxtheme" render --quiet \
  --theme "$root/usr/share/kvxtheme/themes/lower-third.kvx" --input testsrc --size 320x180 \
  --duration 1 --title "Packaged" --output "$work/clip.mp4"
frames=$(ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=nb_read_frames -of csv=p=0 "$work/clip.mp4")
[ "$frames" -gt 0 ] || { echo "the packaged tool rendered no frames"; exit 1; }
PYTHONPATH="$root/usr/lib/python3/dist-packages" env -u LD_LIBRARY_PATH /usr/bin/python3 -c '
import kvxtheme, sys
assert kvxtheme.__file__.startswith(sys.argv[1]), kvxtheme.__file__
kvxtheme.Theme(sys.argv[2]).info()' "$root" "$root/usr/share/kvxtheme/themes/lower-third.kvx"
