#pragma once
// PNG pictures in and out of the authoring tools, as packed rows, top row first.
#include <cstdint>
#include <string>
#include <vector>

#include "authoring_api.h"

namespace kvxauthor {

struct PngPicture {
  int width = 0;
  int height = 0;
  bool hasAlpha = false;       // the file carries an alpha channel or transparency
  std::vector<uint8_t> rgb;    // 3 bytes a pixel: R, G, B
  std::vector<uint8_t> alpha;  // 1 byte a pixel, 255 opaque (all 255 without alpha)
};

// Pictures wider or higher than this are refused before anything is allocated.
constexpr int kMaxPngSide = 32768;
constexpr uint64_t kMaxPngPixels = uint64_t{1} << 26;

KVX_AUTHORING_API bool readPng(const std::string& path, PngPicture* picture, std::string* error);
// The picture's grey levels (a mask): colour pictures are converted by luminance.
KVX_AUTHORING_API bool readPngGrey(const std::string& path, int* width, int* height,
                                   std::vector<uint8_t>* grey, std::string* error);
// Writes packed R, G, B rows; the file is replaced atomically.
KVX_AUTHORING_API bool writeRgbPng(const std::string& path, int width, int height,
                                   const std::vector<uint8_t>& rgb, std::string* error);
// Writes one grey level a pixel (masks, 8-bit and 1-bit pictures), replaced atomically.
bool writeGreyPng(const std::string& path, int width, int height, const std::vector<uint8_t>& grey,
                  std::string* error);

}  // namespace kvxauthor
