#pragma once
// The stored pictures of an object: colour rows converted to the file's pixel depth, and masks.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kvxtheme/kvx_writer.h"
#include "theme_model.h"

namespace kvxauthor {

// Packed R, G, B rows as a picture of `bitsPerPixel` (24; 8: luminance; 1: luminance of at
// least 128 sets the bit).
kvx::KvxPicture pictureFromRgb(int width, int height, int bitsPerPixel,
                               const std::vector<uint8_t>& rgb);
// A 0x00BBGGRR colour as the one-colour value of a picture of that depth.
uint32_t colourForDepth(uint32_t colour, int bitsPerPixel);

struct ObjectPictures {
  int width = 0;
  int height = 0;
  kvx::KvxPicture colour;
  std::optional<kvx::KvxPicture> mask;
};

// The pictures of a picture object; `field` names the object in messages ("objects[2]").
bool loadPictureObject(const ObjectSpec& object, int bitsPerPixel, const std::string& field,
                       ObjectPictures* pictures, std::string* error);

}  // namespace kvxauthor
