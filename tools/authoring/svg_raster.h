#pragma once
// An SVG drawing rendered by librsvg onto a page of pixels, and the painted parts cut out of it.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "png_file.h"

namespace kvxauthor::svg {

// Cairo's ARGB32 rows: premultiplied, B, G, R, A bytes on this machine.
struct PageRaster {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgra;
};

struct PixelBox {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

// Renders a whole drawing fitted to a page of `width` x `height` pixels, as librsvg fits its
// view box; images the drawing links are found relative to `baseFile`'s folder.
bool renderSvg(const std::string& text, const std::filesystem::path& baseFile, int width,
               int height, PageRaster* page, std::string* error);

// The smallest box holding every pixel whose alpha reaches `threshold`; nullopt when none does.
std::optional<PixelBox> paintedBox(const PageRaster& page, uint8_t threshold = 1);

// The box's pixels as straight (not premultiplied) R, G, B and alpha; `fallback` (0x00BBGGRR)
// colours the pixels nothing covers.
PngPicture cutPicture(const PageRaster& page, const PixelBox& box, uint32_t fallback = 0);

}  // namespace kvxauthor::svg
