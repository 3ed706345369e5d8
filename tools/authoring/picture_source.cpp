#include "picture_source.h"

#include "png_file.h"

namespace kvxauthor {

namespace {

uint8_t luminance(uint32_t r, uint32_t g, uint32_t b) {
  return static_cast<uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
}

bool refuse(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

bool checkSize(const ObjectSpec& object, int width, int height, const std::string& field,
               const std::string& what, std::string* error) {
  if (object.width && *object.width != width)
    return refuse(error, field + ".width: " + std::to_string(*object.width) + " differs from " +
                             what + "'s width " + std::to_string(width));
  if (object.height && *object.height != height)
    return refuse(error, field + ".height: " + std::to_string(*object.height) + " differs from " +
                             what + "'s height " + std::to_string(height));
  return true;
}

bool loadMask(const PictureSpec& model, const PngPicture* png, int width, int height,
              const std::string& field, std::optional<kvx::KvxPicture>* mask, std::string* error) {
  switch (model.mask) {
    case PictureSpec::Mask::None:
      return true;
    case PictureSpec::Mask::Alpha:
      if (png != nullptr && png->hasAlpha)
        *mask = kvx::KvxPicture::fromRows(width, height, 8, png->alpha);
      return true;
    case PictureSpec::Mask::Value:
      *mask = kvx::KvxPicture::oneColour(width, height, 8, static_cast<uint32_t>(model.maskValue));
      return true;
    case PictureSpec::Mask::File: {
      int maskWidth = 0, maskHeight = 0;
      std::vector<uint8_t> grey;
      std::string why;
      if (!readPngGrey(model.maskFile, &maskWidth, &maskHeight, &grey, &why))
        return refuse(error, field + ".mask: " + why);
      if (maskWidth != width || maskHeight != height)
        return refuse(error, field + ".mask: " + std::to_string(maskWidth) + " x " +
                                 std::to_string(maskHeight) + " differs from the picture's " +
                                 std::to_string(width) + " x " + std::to_string(height));
      *mask = kvx::KvxPicture::fromRows(width, height, 8, std::move(grey));
      return true;
    }
  }
  return true;
}

}  // namespace

kvx::KvxPicture pictureFromRgb(int width, int height, int bitsPerPixel,
                               const std::vector<uint8_t>& rgb) {
  if (bitsPerPixel == 24) return kvx::KvxPicture::fromRows(width, height, 24, rgb);
  const size_t pixels = static_cast<size_t>(width) * height;
  if (bitsPerPixel == 8) {
    std::vector<uint8_t> grey(pixels);
    for (size_t i = 0; i < pixels; ++i)
      grey[i] = luminance(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    return kvx::KvxPicture::fromRows(width, height, 8, std::move(grey));
  }
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  std::vector<uint8_t> bits(rowBytes * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
      if (luminance(p[0], p[1], p[2]) >= 128)
        bits[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  return kvx::KvxPicture::fromRows(width, height, 1, std::move(bits));
}

uint32_t colourForDepth(uint32_t colour, int bitsPerPixel) {
  if (bitsPerPixel == 24) return colour;
  const uint8_t level = luminance(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  if (bitsPerPixel == 8) return level;
  return level >= 128 ? 0xFFu : 0u;
}

bool loadPictureObject(const ObjectSpec& object, int bitsPerPixel, const std::string& field,
                       ObjectPictures* pictures, std::string* error) {
  const PictureSpec& model = object.picture;
  if (model.source == PictureSpec::Source::Color) {
    pictures->width = *object.width;
    pictures->height = *object.height;
    pictures->colour = kvx::KvxPicture::oneColour(pictures->width, pictures->height, bitsPerPixel,
                                                  colourForDepth(model.color, bitsPerPixel));
    return loadMask(model, nullptr, pictures->width, pictures->height, field, &pictures->mask,
                    error);
  }
  PngPicture read;
  if (model.source == PictureSpec::Source::File) {
    std::string why;
    if (!readPng(model.file, &read, &why)) return refuse(error, field + ".file: " + why);
  }
  const PngPicture& png = model.source == PictureSpec::Source::Pixels ? *model.pixels : read;
  if (!checkSize(object, png.width, png.height, field, "the picture file", error)) return false;
  pictures->width = png.width;
  pictures->height = png.height;
  pictures->colour = pictureFromRgb(png.width, png.height, bitsPerPixel, png.rgb);
  return loadMask(model, &png, png.width, png.height, field, &pictures->mask, error);
}

}  // namespace kvxauthor
