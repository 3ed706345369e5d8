#!/usr/bin/env bash
# Installs the packages, builds the kvxtheme tool, the frei0r filter and the sample themes, and
# renders a generated test clip into out/: with the default page and the picture-frame theme
# through `kvxtheme render`, and with the lower-third theme through ffmpeg's frei0r filter.
# Beside every video it writes a PNG of its middle frame.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${KVX_DEMO_BUILD:-build-demo}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DKVX_BENCH=OFF >/dev/null
cmake --build "$build" --target kvxtheme_cli kvxtheme_frei0r kvx_sample_themes
mkdir -p out

texts=(--title "kvxtheme" --description "A generated test clip" --date "$(date +%Y-%m-%d)"
  --file-name "testsrc")
clip=(--input testsrc --size 1280x720 --rate 25 --duration 4)
"$build/kvxtheme" render "${clip[@]}" "${texts[@]}" --output out/default-page.mp4
"$build/kvxtheme" render "${clip[@]}" "${texts[@]}" --theme "$build/themes/picture-frame.kvx" \
  --output out/picture-frame.mp4
FREI0R_PATH="$PWD/$build/frei0r-1" ffmpeg -v error -y \
  -f lavfi -i testsrc2=size=1280x720:rate=25:duration=4 \
  -vf "frei0r=kvxtheme:$PWD/$build/themes/lower-third.kvx|kvxtheme through ffmpeg||$(date +%Y-%m-%d)" \
  -c:v libx264 -pix_fmt yuv420p out/lower-third-ffmpeg.mp4

for video in out/default-page.mp4 out/picture-frame.mp4 out/lower-third-ffmpeg.mp4; do
  ffmpeg -v error -y -ss 2 -i "$video" -frames:v 1 "${video%.mp4}.png"
done
ls -l out
