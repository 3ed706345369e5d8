#!/usr/bin/env bash
# Wall-clock time of `kvxtheme render` of a 1080p H.264 clip (100 frames) for the default page
# and every sample theme, against a plain ffmpeg transcode of the same clip with the same
# encoder settings (libx264 fast, crf 18, yuv420p), median of 3 interleaved runs.
# usage: render_vs_transcode.sh BUILD_DIR
set -euo pipefail
build=$1
tool=$build/kvxtheme
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=4 -c:v libx264 \
  -preset fast -crf 18 -pix_fmt yuv420p "$work/clip.mp4"

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { printf '%s\n' "$@" | sort -g | sed -n 2p; }

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
