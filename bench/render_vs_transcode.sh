#!/usr/bin/env bash
# Wall-clock time of `kvxtheme render` of a 1080p H.264 clip (100 frames) for the default page
# and every sample theme, against a plain ffmpeg transcode of the same clip with the same
# encoder settings (libx264 fast, crf 18, yuv420p), median of 3 interleaved runs.
# usage: render_vs_transcode.sh BUILD_DIR
set -euo pipefail
build=$1
tool=$build/kvxtheme
# shellcheck source=support/whole_render.sh
source "$(dirname "$0")/support/whole_render.sh"
make_clip "$work/clip.mp4" 4 -crf 18 -pix_fmt yuv420p

transcode=(ffmpeg -v error -y -i "$work/clip.mp4" -an -c:v libx264 -preset fast -crf 18
  -pix_fmt yuv420p "$work/plain.mp4")
themes=(default)
for theme in "$build"/themes/*.kvx; do themes+=("$(basename "$theme" .kvx)"); done
for name in "${themes[@]}"; do
  render=("$tool" render --quiet --input "$work/clip.mp4" --output "$work/themed.mp4"
    --title "Summer 2026")
  [ "$name" = default ] || render+=(--theme "$build/themes/$name.kvx")
  ours=() plain=()
  for _ in 1 2 3; do
    ours+=("$(seconds "${render[@]}")")
    plain+=("$(seconds "${transcode[@]}")")
  done
  o=$(median "${ours[@]}") p=$(median "${plain[@]}")
  printf 'render_vs_transcode_ratio_%s %.2f\n' "${name//-/_}" "$(echo "$o / $p" | bc -l)"
done
