#!/usr/bin/env bash
# Installs the packages; builds every host the README and docs use (the kvxtheme tool, the frei0r
# filter, the GStreamer element, the Python module, libq32prj.so, the manual pages and the sample
# themes); and renders a generated test clip into out/: with the default page and the
# picture-frame theme through `kvxtheme render`, with the lower-third theme through ffmpeg's
# frei0r filter, through the GStreamer element and through the Python module. Beside every video
# it writes a PNG of its middle frame.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${KVX_DEMO_BUILD:-build-demo}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DKVX_BENCH=OFF >/dev/null
cmake --build "$build" --target kvxtheme_cli kvxtheme_frei0r kvxtheme_gst kvxtheme_python \
  q32prj kvx_man_pages kvx_sample_themes
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
GST_PLUGIN_PATH="$PWD/$build/gstreamer-1.0" gst-launch-1.0 -q \
  videotestsrc num-buffers=100 ! video/x-raw,width=1280,height=720,framerate=25/1 ! videoconvert ! \
  kvxtheme theme="$PWD/$build/themes/news-lower-third.kvx" title="kvxtheme through GStreamer" ! \
  videoconvert ! jpegenc ! avimux ! filesink location=out/news-lower-third-gstreamer.avi
# Python renders frames of a gradient and hands them to ffmpeg as raw BGR.
PYTHONPATH="$build/python" /usr/bin/python3 - "$build/themes/title-card.kvx" <<'PYTHON' |
import sys, numpy, kvxtheme
frame = numpy.zeros((720, 1280, 3), numpy.uint8)
frame[:, :, 0] = numpy.linspace(0, 255, 1280, dtype=numpy.uint8)
with kvxtheme.Effect(sys.argv[1], 1280, 720, texts={"title": "kvxtheme through Python"}) as effect:
    for index in range(100):
        sys.stdout.buffer.write(effect.render(frame, index).tobytes())
PYTHON
  ffmpeg -v error -y -f rawvideo -pix_fmt bgr24 -s 1280x720 -r 25 -i - -c:v libx264 \
    -pix_fmt yuv420p out/title-card-python.mp4

for video in out/default-page.mp4 out/picture-frame.mp4 out/lower-third-ffmpeg.mp4 \
    out/news-lower-third-gstreamer.avi out/title-card-python.mp4; do
  ffmpeg -v error -y -ss 2 -i "$video" -frames:v 1 "${video%.*}.png"
done
ls -l out
