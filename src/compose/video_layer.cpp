#include "compose/video_layer.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "compat/file/data_directory.h"
#include "compat/win32/module_directory.h"
#include "compose/bitmap_rows.h"
#include "io/video_frame_count.h"

namespace {

// Beside the running program first, as hosts always kept their clips; then with the installed
// sample themes, for hosts such as python3 or gst-launch-1.0 whose folder holds no clips.
std::string videoPath(const std::string& linkText) {
  const std::string besideProgram = cachedModuleDirectory() + linkText;
  std::error_code ignored;
  if (std::filesystem::is_regular_file(besideProgram, ignored)) return besideProgram;
  const std::string withThemes = kvx::dataDirectory() + "themes/" + linkText;
  return std::filesystem::is_regular_file(withThemes, ignored) ? withThemes : besideProgram;
}

}  // namespace

void showVideoFrame(ClipState& clip, ThemeLayer& layer, int frameIndex) {
  VideoLayerState& video = clip.video;
  if (!video.opened) {
    video.opened = true;
    const std::string path = videoPath(layer.linkText);
    video.reader = kvxvideo::VideoReader::open(path);
    video.frameCount = video.reader ? kvxvideo::videoFrameCount(*video.reader, path) : 0;
  }
  if (!video.reader || video.frameCount == 0) return;
  const BITMAPINFOHEADER* frame =
      video.reader->read(static_cast<uint32_t>(frameIndex) % video.frameCount);
  if (!frame || frame->biBitCount != 24 || frame->biWidth <= 0 || frame->biHeight <= 0) return;

  const int rows = std::min(layer.height, static_cast<int>(frame->biHeight));
  const int columns = std::min(layer.width, static_cast<int>(frame->biWidth));
  const size_t rowBytes = bitmapRowBytes(frame->biWidth);
  const auto* pixels = reinterpret_cast<const uint8_t*>(frame) + frame->biSize;
  for (int i = 0; i < rows; ++i)
    std::memcpy(layer.pixels + static_cast<size_t>(i) * layer.width * 3,
                pixels + (frame->biHeight - 1 - i) * rowBytes, static_cast<size_t>(columns) * 3);
}
