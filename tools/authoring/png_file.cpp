#include "png_file.h"

#include <png.h>

#include "kvxtheme/atomic_file.h"

namespace kvxauthor {

namespace {

// Opens the file and checks its size; the image is freed unless reading finishes it.
bool beginRead(const std::string& path, png_image* image, std::string* error) {
  *image = png_image{};
  image->version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(image, path.c_str())) {
    *error = path + ": not a readable PNG file (" + image->message + ")";
    return false;
  }
  if (image->width == 0 || image->height == 0 || image->width > kMaxPngSide ||
      image->height > kMaxPngSide || uint64_t{image->width} * image->height > kMaxPngPixels) {
    png_image_free(image);
    *error = path + ": picture size must lie within 1..32768 pixels a side and 64 Mpixels";
    return false;
  }
  return true;
}

bool finishRead(const std::string& path, png_image* image, std::vector<uint8_t>* pixels,
                std::string* error) {
  pixels->resize(PNG_IMAGE_SIZE(*image));
  if (!png_image_finish_read(image, nullptr, pixels->data(), 0, nullptr)) {
    *error = path + ": damaged PNG data (" + image->message + ")";
    png_image_free(image);
    return false;
  }
  return true;
}

bool writePng(const std::string& path, int width, int height, png_uint_32 format, size_t channels,
              const std::vector<uint8_t>& pixels, std::string* error) {
  if (width <= 0 || height <= 0 || width > kMaxPngSide || height > kMaxPngSide ||
      pixels.size() != static_cast<size_t>(width) * height * channels) {
    *error = "picture size does not match its pixels";
    return false;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = format;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr)) {
    *error = std::string("PNG encoding failed: ") + image.message;
    return false;
  }
  std::vector<uint8_t> bytes(size);
  if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr)) {
    *error = std::string("PNG encoding failed: ") + image.message;
    return false;
  }
  return kvx::writeFileAtomically(
      path, [&](const kvx::PieceWriter& put) { return put(bytes.data(), size); }, error);
}

}  // namespace

bool readPng(const std::string& path, PngPicture* picture, std::string* error) {
  png_image image;
  if (!beginRead(path, &image, error)) return false;
  const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba;
  if (!finishRead(path, &image, &rgba, error)) return false;
  picture->width = static_cast<int>(image.width);
  picture->height = static_cast<int>(image.height);
  picture->hasAlpha = alpha;
  const size_t pixels = static_cast<size_t>(picture->width) * picture->height;
  picture->rgb.resize(pixels * 3);
  picture->alpha.resize(pixels);
  for (size_t i = 0; i < pixels; ++i) {
    picture->rgb[3 * i] = rgba[4 * i];
    picture->rgb[3 * i + 1] = rgba[4 * i + 1];
    picture->rgb[3 * i + 2] = rgba[4 * i + 2];
    picture->alpha[i] = rgba[4 * i + 3];
  }
  return true;
}

bool readPngGrey(const std::string& path, int* width, int* height, std::vector<uint8_t>* grey,
                 std::string* error) {
  png_image image;
  if (!beginRead(path, &image, error)) return false;
  image.format = PNG_FORMAT_GRAY;
  if (!finishRead(path, &image, grey, error)) return false;
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  return true;
}

bool writeRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                 std::string* error) {
  return writePng(path, width, height, PNG_FORMAT_RGB, 3, rgb, error);
}

bool writeGreyPng(const std::string& path, int width, int height, const std::vector<uint8_t>& grey,
                  std::string* error) {
  return writePng(path, width, height, PNG_FORMAT_GRAY, 1, grey, error);
}

}  // namespace kvxauthor
