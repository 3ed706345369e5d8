// The "video" layer: every composed frame shows the matching frame of the layer's video file,
// looping. The reader belongs to the document, so documents never disturb each other's video.
#include <algorithm>
#include <cstring>

#include "compat/win32/module_directory.h"
#include "compose/bitmap_rows.h"
#include "compose/compositor.h"

int Compositor::openVideo(const std::string& fileName) {
  std::memset(document_.video.info, 0, sizeof(document_.video.info));
  const std::string path = cachedModuleDirectory() + fileName;
  // A path that does not fit the record's field is not opened: the frame count stays 0.
  if (path.size() < kVideoInfoPathMax) {
    std::memcpy(document_.video.info + kVideoInfoPath, path.c_str(), path.size() + 1);
    qVideoGetFileInfo(document_.video.info);
  }
  BITMAPINFOHEADER format{};
  format.biSize = sizeof(BITMAPINFOHEADER);
  format.biBitCount = 24;
  int32_t unused = 0;
  qVideoReadVideoBegin(document_.video.info, &unused, &document_.video.reader, &format);
  return 1;
}

void Compositor::copyVideoFrame(ThemeLayer* layer, int frameIndex) {
  if (!document_.videoOpen) {
    openVideo(layer->linkText);
    document_.videoOpen = 1;
  }
  uint32_t frameCount;
  std::memcpy(&frameCount, document_.video.info + kVideoInfoFrameCount, 4);
  if (frameCount == 0) return;
  BITMAPINFOHEADER* frame = nullptr;
  int32_t unused = 0;
  qVideoReadVideo(document_.video.info, static_cast<uint32_t>(frameIndex) % frameCount, &frame,
                  &unused, document_.video.reader);
  if (!frame || frame->biBitCount != 24 || frame->biWidth <= 0 || frame->biHeight <= 0) return;

  const int rows = std::min(layer->height, static_cast<int>(frame->biHeight));
  const int columns = std::min(layer->width, static_cast<int>(frame->biWidth));
  const size_t rowBytes = bitmapRowBytes(frame->biWidth);
  const auto* pixels = reinterpret_cast<const uint8_t*>(frame) + frame->biSize;
  for (int i = 0; i < rows; ++i)
    std::memcpy(layer->pixels + static_cast<size_t>(i) * layer->width * 3,
                pixels + (frame->biHeight - 1 - i) * rowBytes, static_cast<size_t>(columns) * 3);
}
