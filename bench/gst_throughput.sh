#!/usr/bin/env bash
# Live 4K through the GStreamer element: frames a second of videotestsrc 3840 × 2160 (BGR) →
# kvxtheme → fakesink sync=false for the default page and every sample theme, and the ratio of
# that pipeline's time to the same pipeline without the element; median of 3 interleaved runs.
# usage: gst_throughput.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
frames=60
# shellcheck source=support/whole_render.sh
source "$(dirname "$0")/support/whole_render.sh"
export GST_PLUGIN_PATH=$build/gstreamer-1.0

source=(videotestsrc num-buffers=$frames pattern=smpte ! video/x-raw,format=BGR,width=3840,height=2160,framerate=60/1)
bare=(gst-launch-1.0 -q "${source[@]}" ! fakesink sync=false)
themes=(default)
for theme in "$build"/themes/*.kvx; do themes+=("$(basename "$theme" .kvx)"); done
for name in "${themes[@]}"; do
  element=(kvxtheme title="Summer 2026")
  [ "$name" = default ] || element+=(theme="$build/themes/$name.kvx")
  themed=(gst-launch-1.0 -q "${source[@]}" ! "${element[@]}" ! fakesink sync=false)
  with=() without=()
  for _ in 1 2 3; do
    with+=("$(seconds "${themed[@]}")")
    without+=("$(seconds "${bare[@]}")")
  done
  w=$(median "${with[@]}") b=$(median "${without[@]}")
  printf 'gst_4k_fps_%s %.1f\n' "${name//-/_}" "$(echo "$frames / $w" | bc -l)"
  printf 'gst_4k_element_cost_ratio_%s %.2f\n' "${name//-/_}" "$(echo "$w / $b" | bc -l)"
done
