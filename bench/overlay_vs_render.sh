#!/usr/bin/env bash
# Wall-clock time of `kvxtheme render --overlay` against a normal render of the same theme and
# clip (1080p, 50 frames), median of 3 interleaved runs, for every sample theme. The overlay is
# ProRes 4444 with alpha; the normal render is the tool's default (H.264), and is also compared
# in ProRes 422 HQ (the same encoder family: what the overlay itself costs beyond the codec).
# usage: overlay_vs_render.sh BUILD_DIR
set -euo pipefail
build=$1
tool=$build/kvxtheme
# shellcheck source=support/whole_render.sh
source "$(dirname "$0")/support/whole_render.sh"
make_clip "$work/clip.mp4" 2

for theme in "$build"/themes/*.kvx; do
  name=$(basename "$theme" .kvx)
  render=(render --quiet --theme "$theme" --title Overlay --input "$work/clip.mp4")
  overlay=() prores=() h264=()
  for _ in 1 2 3; do
    overlay+=("$(seconds "$tool" "${render[@]}" --overlay --output "$work/overlay.mov")")
    prores+=("$(seconds "$tool" "${render[@]}" --codec prores --output "$work/normal.mov")")
    h264+=("$(seconds "$tool" "${render[@]}" --output "$work/normal.mp4")")
  done
  o=$(median "${overlay[@]}") p=$(median "${prores[@]}") h=$(median "${h264[@]}")
  printf 'overlay_vs_render_ratio_%s %.2f\n' "$name" "$(echo "$o / $h" | bc -l)"
  printf 'overlay_vs_prores_render_ratio_%s %.2f\n' "$name" "$(echo "$o / $p" | bc -l)"
done
