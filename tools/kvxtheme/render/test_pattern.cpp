// A generated clip: colour bars drifting sideways over a vertical gradient, with a white block
// that crosses the picture, so that motion, colour and field order are all visible.
#include <algorithm>

#include "frame_source.h"

namespace kvxcli {
namespace {

// B, G, R of the eight classic bars.
constexpr uint8_t kBars[8][3] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                                 {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};

class TestPattern : public FrameSource {
 public:
  TestPattern(int width, int height, Rational rate, int64_t frameCount) {
    info_.width = width;
    info_.height = height;
    info_.rate = rate;
    info_.expectedFrames = frameCount;
    info_.colorimetry = assumedColorimetry(height);
  }
  const SourceInfo& info() const override { return info_; }

  // Every frame is drawn from its index alone.
  bool seekFrame(int64_t index, int64_t* frameCount) override {
    if (index >= info_.expectedFrames) {
      *frameCount = info_.expectedFrames;
      return false;
    }
    next_ = index;
    return true;
  }

  bool read(std::vector<uint8_t>* bgr) override {
    if (next_ >= info_.expectedFrames) return false;
    if (!bgr) {
      ++next_;
      return true;
    }
    const int width = info_.width;
    const int height = info_.height;
    bgr->resize(static_cast<size_t>(width) * height * 3);
    const int shift = static_cast<int>((next_ * 4) % width);
    const int block = std::max(1, std::min(width, height) / 6);
    const int blockX = static_cast<int>((next_ * 7) % std::max(1, width - block));
    const int blockY = (height - block) / 2;
    for (int y = 0; y < height; ++y) {
      uint8_t* row = bgr->data() + static_cast<size_t>(y) * width * 3;
      const int shade = 64 + 191 * y / std::max(1, height - 1);
      for (int x = 0; x < width; ++x) {
        const uint8_t* bar = kBars[((x + shift) % width) * 8 / width];
        uint8_t* pixel = row + x * 3;
        for (int c = 0; c < 3; ++c) pixel[c] = static_cast<uint8_t>(bar[c] * shade / 255);
        if (x >= blockX && x < blockX + block && y >= blockY && y < blockY + block)
          pixel[0] = pixel[1] = pixel[2] = 255;
      }
    }
    ++next_;
    return true;
  }

 private:
  SourceInfo info_;
  int64_t next_ = 0;
};

}  // namespace

std::unique_ptr<FrameSource> makeTestPattern(int width, int height, Rational rate,
                                             int64_t frameCount) {
  return std::make_unique<TestPattern>(width, height, rate, frameCount);
}

}  // namespace kvxcli
