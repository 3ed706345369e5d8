#pragma once
// The placeholder picture of a theme, fetched through the library's public texture export.
#include <cstdint>
#include <string>
#include <vector>

#include "authoring_api.h"

namespace kvxauthor {

struct Texture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // R, G, B rows, top row first
};

// False with a message when the theme yields no placeholder picture.
KVX_AUTHORING_API bool fetchPlaceholderTexture(const std::string& themePath, Texture* texture,
                                               std::string* error);
KVX_AUTHORING_API bool exportPlaceholderTexture(const std::string& themePath,
                                                const std::string& pngPath, std::string* error);

}  // namespace kvxauthor
