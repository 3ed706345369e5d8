#pragma once
// Test videos that carry their frame number in the picture, readable back after lossy coding.
// Header-only so that any test program linking kvx_video_writer can use it.
//
// The top half of each frame is a grid of 8 x 2 cells: cells 0-11 show the bits of the frame
// number (white 1, black 0), cell 12 is black, 13 white, 14 pure red, 15 pure blue. The bottom
// half is a colour gradient that moves with the frame number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "kvxtheme/kvxtheme.h"
#include "support/video_writer.h"

namespace kvxtest {

constexpr int kStampColumns = 8;
constexpr int kStampRows = 2;
constexpr int kStampBits = 12;
constexpr int kMaxStampedFrame = (1 << kStampBits) - 1;

struct StampCell {
  int left, top, right, bottom;  // pixel bounds, right and bottom exclusive
};

// Bounds of cell `index` in a picture of width x height.
inline StampCell stampCell(int index, int width, int height) {
  const int column = index % kStampColumns;
  const int row = index / kStampColumns;
  const int half = height / 2;
  return {column * width / kStampColumns, row * half / kStampRows,
          (column + 1) * width / kStampColumns, (row + 1) * half / kStampRows};
}

// B,G,R colour of a cell for frame `number`.
inline void stampColour(int index, int number, uint8_t bgr[3]) {
  uint8_t b = 0, g = 0, r = 0;
  if (index < kStampBits) {
    b = g = r = ((number >> index) & 1) ? 255 : 0;
  } else if (index == 13) {
    b = g = r = 255;
  } else if (index == 14) {
    r = 255;
  } else if (index == 15) {
    b = 255;
  }
  bgr[0] = b;
  bgr[1] = g;
  bgr[2] = r;
}

// Draws frame `number` into a top-down B,G,R picture (`stride` bytes a row).
inline void drawStampedFrame(uint8_t* bgr, ptrdiff_t stride, int width, int height, int number) {
  for (int index = 0; index < kStampColumns * kStampRows; ++index) {
    const StampCell cell = stampCell(index, width, height);
    uint8_t colour[3];
    stampColour(index, number, colour);
    for (int y = cell.top; y < cell.bottom; ++y)
      for (int x = cell.left; x < cell.right; ++x)
        for (int c = 0; c < 3; ++c) bgr[y * stride + x * 3 + c] = colour[c];
  }
  for (int y = height / 2; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* pixel = bgr + y * stride + x * 3;
      pixel[0] = static_cast<uint8_t>(x * 255 / width);
      pixel[1] = static_cast<uint8_t>((y + number * 4) & 255);
      pixel[2] = static_cast<uint8_t>(((x + y) / 2 + number * 8) & 255);
    }
}

// Mean of channel `channel` over the middle half of a cell.
inline int cellMean(const uint8_t* bgr, ptrdiff_t stride, const StampCell& cell, int channel) {
  const int w = cell.right - cell.left, h = cell.bottom - cell.top;
  const int left = cell.left + w / 4, right = cell.right - w / 4;
  const int top = cell.top + h / 4, bottom = cell.bottom - h / 4;
  if (right <= left || bottom <= top) return -1;
  long sum = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) sum += bgr[y * stride + x * 3 + channel];
  return static_cast<int>(sum / ((right - left) * (bottom - top)));
}

// The frame number shown by a top-down B,G,R picture of the video's width x height, or -1 when
// the picture does not carry a clear stamp (also when its colours are not in B,G,R order).
// Only the top half of the picture is looked at.
inline int readFrameNumber(const uint8_t* bgr, ptrdiff_t stride, int width, int height) {
  if (!bgr || width < kStampColumns * 4 || height < kStampRows * 8) return -1;
  auto grey = [&](int index) {
    const StampCell cell = stampCell(index, width, height);
    return (cellMean(bgr, stride, cell, 0) + cellMean(bgr, stride, cell, 1) +
            cellMean(bgr, stride, cell, 2)) /
           3;
  };
  const int black = grey(12), white = grey(13);
  if (white - black < 128) return -1;
  const StampCell red = stampCell(14, width, height), blue = stampCell(15, width, height);
  if (cellMean(bgr, stride, red, 2) < 160 || cellMean(bgr, stride, red, 0) > 96 ||
      cellMean(bgr, stride, blue, 0) < 160 || cellMean(bgr, stride, blue, 2) > 96)
    return -1;
  const int margin = (white - black) / 4;
  int number = 0;
  for (int bit = 0; bit < kStampBits; ++bit) {
    const int level = grey(bit);
    if (level >= white - margin)
      number |= 1 << bit;
    else if (level > black + margin)
      return -1;
  }
  return number;
}

// The frame number shown by a bottom-up 24-bit bitmap, or -1.
inline int readFrameNumber(const BITMAPINFOHEADER* bitmap) {
  if (!bitmap || bitmap->biBitCount != 24 || bitmap->biWidth < 1 || bitmap->biHeight < 1) return -1;
  const ptrdiff_t rowBytes = (static_cast<ptrdiff_t>(bitmap->biWidth) * 3 + 3) / 4 * 4;
  const uint8_t* topRow =
      reinterpret_cast<const uint8_t*>(bitmap) + bitmap->biSize + (bitmap->biHeight - 1) * rowBytes;
  return readFrameNumber(topRow, -rowBytes, bitmap->biWidth, bitmap->biHeight);
}

// Encoder settings for a test video.
inline kvxvideo::VideoWriterOptions videoOptions(const std::string& codec = "libx264",
                                                 const std::string& pixelFormat = "yuv420p",
                                                 int frameRate = 25,
                                                 const std::string& codecOptions = "") {
  kvxvideo::VideoWriterOptions options;
  options.codec = codec;
  options.pixelFormat = pixelFormat;
  options.frameRateNum = frameRate;
  options.codecOptions = codecOptions;
  return options;
}

// Writes `frames` stamped frames (numbers 0 to frames - 1) of width x height into `path`.
inline bool writeTestVideo(const std::string& path, int width, int height, int frames,
                           const kvxvideo::VideoWriterOptions& options = {}) {
  if (width < 1 || height < 1 || frames < 0 || frames > kMaxStampedFrame + 1) return false;
  kvxvideo::VideoWriter writer;
  if (!writer.open(path, width, height, options)) return false;
  const ptrdiff_t stride = static_cast<ptrdiff_t>(width) * 3;
  std::vector<uint8_t> picture(static_cast<size_t>(stride) * height);
  for (int number = 0; number < frames; ++number) {
    drawStampedFrame(picture.data(), stride, width, height, number);
    if (!writer.writeFrame(picture.data(), stride)) return false;
  }
  return writer.finish();
}

}  // namespace kvxtest
