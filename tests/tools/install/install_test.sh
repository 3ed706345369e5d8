#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, checks that every installed piece is where
# hosts look for it, and compiles and runs a host against the installed package.
# usage: install_test.sh BUILD_DIR HOST_SOURCE SETTINGS_HOST_SOURCE
set -euo pipefail
build=$1
host_source=$2
settings_source=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libkvxtheme.so' -print -quit)")
[ -n "$libdir" ] || { echo "libkvxtheme.so was not installed"; exit 1; }
for file in "$prefix/bin/kvxtheme" "$prefix/include/kvxtheme/kvxtheme.h" \
    "$libdir/pkgconfig/kvxtheme.pc" "$libdir/cmake/kvxtheme/kvxthemeConfig.cmake" \
    "$prefix/lib/frei0r-1/kvxtheme.so" "$libdir/libq32prj.so" \
    "$prefix/share/kdenlive/effects/frei0r_kvxtheme.xml" "$prefix/share/man/man1/kvxtheme.1" \
    "$prefix/share/man/man1/kvxtheme-render.1" "$prefix/share/kvxtheme/themes/lower-third.kvx" \
    "$prefix/share/doc/kvxtheme/LICENSE"; do
  [ -e "$file" ] || { echo "missing after install: $file"; exit 1; }
done

# The installed tool and plug-in find the installed library, not the build tree's.
env -u LD_LIBRARY_PATH "$prefix/bin/kvxtheme" --help >/dev/null
if ldd "$prefix/lib/frei0r-1/kvxtheme.so" | grep -q 'kvxtheme.*not found'; then
  echo "the installed frei0r filter does not find libkvxtheme.so"; exit 1
fi

# The GStreamer element, installed beside the library, loads from there with the installed
# library (a prefix that is not GStreamer's own needs GST_PLUGIN_PATH).
gst_plugin=$(find "$prefix" -name libgstkvxtheme.so -print -quit)
[ -n "$gst_plugin" ] || { echo "the GStreamer plug-in was not installed"; exit 1; }
inspected=$(GST_REGISTRY="$prefix/gst-registry.bin" GST_PLUGIN_PATH=$(dirname "$gst_plugin") \
  env -u LD_LIBRARY_PATH gst-inspect-1.0 kvxtheme 2>&1) || true
grep -q "Filter/Effect/Video" <<<"$inspected" ||
  { echo "gst-inspect-1.0 does not find the installed element: $inspected"; exit 1; }
used=$(ldd "$gst_plugin" | sed -n 's/.*libkvxtheme\.so\.[0-9]* => \([^ ]*\).*/\1/p')
[ -n "$used" ] && [ "$(dirname "$(realpath -s "$used")")" = "$(realpath -s "$libdir")" ] ||
  { echo "the installed GStreamer plug-in does not use the installed library ($used)"; exit 1; }

# The Python package, imported from where it was installed, renders with the installed library.
python_module=$(find "$prefix" -name '_kvxtheme*.so' -print -quit)
[ -n "$python_module" ] || { echo "the Python module was not installed"; exit 1; }
PYTHONPATH=$(dirname "$(dirname "$python_module")") env -u LD_LIBRARY_PATH /usr/bin/python3 -c '
import kvxtheme, numpy
with kvxtheme.Effect(None, 64, 48, texts={"title": "x"}) as effect:
    effect.render(numpy.zeros((48, 64, 3), numpy.uint8), 0)
assert kvxtheme.__file__.startswith("'"$prefix"'"), kvxtheme.__file__
' || { echo "the installed Python package does not work"; exit 1; }
[ -e "$(dirname "$python_module")/__init__.pyi" ] || { echo "no type stubs installed"; exit 1; }

# A distribution's install (prefix /usr into a staging folder) and a local one (/usr/local): the
# filter must land in a folder that ffmpeg and MLT search, as their own libraries list them.
host_folders() {
  local library
  library=$(find /usr/lib /lib -name "$1" -print -quit 2>/dev/null)
  [ -n "$library" ] || { echo "host library $1 not found" >&2; exit 1; }
  strings "$library" | grep -o '/[^:%]*frei0r-1' | sort -u
}
for system_prefix in /usr /usr/local; do
  stage="$prefix/stage$system_prefix"
  DESTDIR="$stage" cmake --install "$build" --prefix "$system_prefix" >/dev/null
  filter=$(cd "$stage" && find . -name kvxtheme.so -path '*frei0r-1*' | sed 's/^\.//')
  folder=$(dirname "$filter")
  for host in 'libavfilter.so.*' 'libmltfrei0r.so'; do
    host_folders "$host" | grep -qx "$folder" ||
      { echo "$folder (prefix $system_prefix) is not searched by $host"; exit 1; }
  done
  if ldd "$stage$filter" | grep -q 'kvxtheme.*not found'; then
    echo "the filter installed under $system_prefix does not find libkvxtheme.so"; exit 1
  fi
done

# Under /usr, the folders Debian's python3 and GStreamer read, whatever prefix was configured.
stage="$prefix/stage/usr/usr"
python_dir="$stage/lib/python3/dist-packages"
PYTHONPATH="$python_dir" env -u LD_LIBRARY_PATH /usr/bin/python3 -c '
import kvxtheme, sys
assert kvxtheme.__file__.startswith(sys.argv[1]), kvxtheme.__file__
kvxtheme.Theme(sys.argv[2]).info()
' "$python_dir" "$stage/share/kvxtheme/themes/lower-third.kvx" ||
  { echo "python3 does not import the package from $python_dir"; exit 1; }
gst_dir="$stage/lib/$(gcc -print-multiarch)/gstreamer-1.0"
inspected=$(GST_REGISTRY="$prefix/gst-registry-usr.bin" GST_PLUGIN_PATH="$gst_dir" \
  env -u LD_LIBRARY_PATH gst-inspect-1.0 kvxtheme 2>&1) || true
grep -q "Filter/Effect/Video" <<<"$inspected" ||
  { echo "gst-inspect-1.0 does not find the element in $gst_dir: $inspected"; exit 1; }

# The video theme's clip is found with the installed themes, not beside the program.
video_window_mean() {
  env -u LD_LIBRARY_PATH -u KVXTHEME_DATA_DIR "$1/bin/kvxtheme" render --quiet --theme "$1/share/kvxtheme/themes/video-window.kvx" \
    --input testsrc --size 1280x720 --output "$prefix/video-window.png"
  ffmpeg -v error -i "$prefix/video-window.png" -vf crop=300:160:910:470 -f rawvideo \
    -pix_fmt gray - | /usr/bin/python3 -c 'import sys; d = sys.stdin.buffer.read(); print(sum(d) // len(d))'
}
[ "$(video_window_mean "$stage")" -gt 32 ] ||
  { echo "the installed video theme shows no clip"; exit 1; }

export PKG_CONFIG_PATH="$libdir/pkgconfig"
# Every installed header stands on its own and needs nothing of the source tree.
for header in "$prefix"/include/kvxtheme/*.h; do
  echo "#include <kvxtheme/$(basename "$header")>" |
    c++ -std=c++20 -Wall -Wextra -Werror -fsyntax-only -x c++ -I"$prefix/include" - ||
    { echo "the installed header $header does not compile on its own"; exit 1; }
done
c++ -std=c++17 -Wall -Wextra -Werror "$host_source" -o "$prefix/host" \
  $(pkg-config --cflags --libs kvxtheme)
"$prefix/host"
# The settings page through the installed dialog headers.
c++ -std=c++20 -Wall -Wextra -Werror "$settings_source" -o "$prefix/settings-host" \
  $(pkg-config --cflags --libs kvxtheme)
"$prefix/settings-host"

# The CMake package: a project using find_package(kvxtheme) configures and builds.
mkdir -p "$prefix/cmake-host"
cat > "$prefix/cmake-host/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.20)
project(host CXX)
find_package(kvxtheme REQUIRED)
add_executable(host "$host_source")
target_link_libraries(host PRIVATE kvxtheme::kvxtheme)
CMAKE
cmake -S "$prefix/cmake-host" -B "$prefix/cmake-host/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$prefix/cmake-host/build" >/dev/null
"$prefix/cmake-host/build/host"

# Uninstalling removes every installed file and the folders that leaves empty.
fresh=$(mktemp -d)
trap 'rm -rf "$prefix" "$fresh"' EXIT
cmake --install "$build" --prefix "$fresh/prefix" >/dev/null
cmake --build "$build" --target uninstall >/dev/null
if [ -n "$(ls -A "$fresh/prefix")" ]; then
  echo "left after uninstall:"; find "$fresh/prefix"; exit 1
fi
