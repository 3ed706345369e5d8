#!/usr/bin/env bash
# How close a render through a theme that is all placeholder comes to its source as a player
# shows it: PSNR (dB, RGB, each file decoded by its own colour tags) of a 1080p BT.709 bars
# clip rendered with `kvxtheme render`, and of a plain ffmpeg transcode with the same encoder
# settings (libx264 fast, crf 18, yuv420p).
# usage: render_passthrough_psnr.sh BUILD_DIR
set -euo pipefail
build=$1
tool=$build/kvxtheme
# shellcheck source=support/whole_render.sh
source "$(dirname "$0")/support/whole_render.sh"
ffmpeg -v error -f lavfi -i smptehdbars=size=1920x1080:rate=25:duration=1 -c:v libx264 \
  -preset fast -crf 18 -pix_fmt yuv420p -colorspace bt709 -color_primaries bt709 \
  -color_trc bt709 -color_range tv "$work/bars.mp4"
cat >"$work/page.json" <<'JSON'
{"page": {"width": 1920, "height": 1080}, "objects": [{"name": "placeholder", "type": "picture",
 "width": 1920, "height": 1080, "color": "#000000"}]}
JSON
"$tool" pack "$work/page.json" -o "$work/page.kvx" >/dev/null
"$tool" render --quiet --theme "$work/page.kvx" --input "$work/bars.mp4" --output "$work/themed.mp4"
ffmpeg -v error -i "$work/bars.mp4" -c:v libx264 -preset fast -crf 18 -pix_fmt yuv420p \
  "$work/plain.mp4"

# The mean PSNR of a file against the source, both decoded to RGB by their tags.
psnr() {
  local scale=scale=flags=accurate_rnd+full_chroma_int
  ffmpeg -nostats -i "$work/bars.mp4" -i "$1" \
    -lavfi "[0:v]$scale,format=rgb24[a];[1:v]$scale,format=rgb24[b];[a][b]psnr" -f null - 2>&1 |
    sed -n 's/.*average:\([0-9.inf]*\).*/\1/p'
}
printf 'render_passthrough_psnr_db %s\n' "$(psnr "$work/themed.mp4")"
printf 'transcode_passthrough_psnr_db %s\n' "$(psnr "$work/plain.mp4")"
