#include "placeholder_texture.h"

#include <filesystem>

#include "host/reference_host.h"
#include "kvxtheme/bufferlib.h"
#include "kvxtheme/commonlib.h"
#include "kvxtheme/kvxtheme.h"
#include "png_file.h"

namespace kvxauthor {

namespace {

bool refuse(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

// Releases the handed-out buffer whatever happens while it is read.
struct TextureHandle {
  BufHandle handle = 0;
  ~TextureHandle() {
    if (handle) buf32Free(handle);
  }
};

}  // namespace

bool fetchPlaceholderTexture(const std::string& themePath, Texture* texture, std::string* error) {
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(themePath, ignored))
    return refuse(error, themePath + ": no such theme file");
  void* slot = nullptr;
  c32ClearDLLErrInfo();
  if (!q32themeGetKVXTexture(themePath.c_str(), &slot)) return refuse(error, "out of memory");
  TextureHandle buffer{kvxTextureHandle(slot)};
  if (const std::string failure = kvxhost::themeLoadFailure(); !buffer.handle && !failure.empty())
    return refuse(error, themePath + ": " + failure);
  if (!buffer.handle)
    return refuse(error, themePath +
                             ": no placeholder picture (the theme did not load or has no object "
                             "named \"placeholder\")");
  int width = 0, height = 0, bytesPerPixel = 0;
  if (!buf32GetWHU(buffer.handle, &width, &height, &bytesPerPixel) || width <= 0 || height <= 0 ||
      width > kMaxPngSide || height > kMaxPngSide || (bytesPerPixel != 1 && bytesPerPixel != 3))
    return refuse(error, themePath + ": the placeholder picture has no usable size");
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * bytesPerPixel);
  if (!buf32GetMem(buffer.handle, 0, 0, width, height, pixels.data()))
    return refuse(error, themePath + ": the placeholder picture could not be read");
  texture->width = width;
  texture->height = height;
  if (bytesPerPixel == 3) {
    texture->rgb = std::move(pixels);
  } else {
    texture->rgb.resize(pixels.size() * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
      texture->rgb[3 * i] = texture->rgb[3 * i + 1] = texture->rgb[3 * i + 2] = pixels[i];
  }
  return true;
}

bool exportPlaceholderTexture(const std::string& themePath, const std::string& pngPath,
                              std::string* error) {
  Texture texture;
  if (!fetchPlaceholderTexture(themePath, &texture, error)) return false;
  std::string why;
  if (!writeRgbPng(pngPath, texture.width, texture.height, texture.rgb, &why))
    return refuse(error, pngPath + ": " + why);
  return true;
}

}  // namespace kvxauthor
