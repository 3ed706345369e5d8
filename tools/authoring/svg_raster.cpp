#include "svg_raster.h"

#include <cairo.h>
#include <gio/gio.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace kvxauthor::svg {

namespace {

template <typename T>
struct GObjectUnref {
  void operator()(T* object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref<T>>;

struct SurfaceDestroy {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDestroy {
  void operator()(cairo_t* context) const { cairo_destroy(context); }
};

std::string takeMessage(GError* error, const char* fallback) {
  std::string message = error && error->message ? error->message : fallback;
  if (error) g_error_free(error);
  return message;
}

}  // namespace

bool renderSvg(const std::string& text, const std::filesystem::path& baseFile, int width,
               int height, PageRaster* page, std::string* error) {
  GObjectPtr<GInputStream> stream(
      g_memory_input_stream_new_from_data(text.data(), static_cast<gssize>(text.size()), nullptr));
  GObjectPtr<GFile> base(g_file_new_for_path(baseFile.c_str()));
  GError* failure = nullptr;
  GObjectPtr<RsvgHandle> handle(rsvg_handle_new_from_stream_sync(
      stream.get(), base.get(), RSVG_HANDLE_FLAGS_NONE, nullptr, &failure));
  if (!handle) {
    *error = "librsvg could not read the drawing: " + takeMessage(failure, "unknown error");
    return false;
  }
  std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    *error =
        "not enough memory for a page of " + std::to_string(width) + " x " + std::to_string(height);
    return false;
  }
  std::unique_ptr<cairo_t, ContextDestroy> context(cairo_create(surface.get()));
  const RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
  if (!rsvg_handle_render_document(handle.get(), context.get(), &viewport, &failure)) {
    *error = "librsvg could not render the drawing: " + takeMessage(failure, "unknown error");
    return false;
  }
  cairo_surface_flush(surface.get());
  page->width = width;
  page->height = height;
  page->bgra.resize(static_cast<size_t>(width) * height * 4);
  const unsigned char* data = cairo_image_surface_get_data(surface.get());
  const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface.get()));
  for (int y = 0; y < height; ++y)
    std::memcpy(page->bgra.data() + static_cast<size_t>(y) * width * 4, data + y * stride,
                static_cast<size_t>(width) * 4);
  return true;
}

std::optional<PixelBox> paintedBox(const PageRaster& page, uint8_t threshold) {
  threshold = std::max<uint8_t>(threshold, 1);
  PixelBox box{page.width, page.height, 0, 0};
  for (int y = 0; y < page.height; ++y) {
    const uint8_t* row = page.bgra.data() + static_cast<size_t>(y) * page.width * 4;
    for (int x = 0; x < page.width; ++x) {
      if (row[4 * x + 3] < threshold) continue;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x + 1);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y + 1);
    }
  }
  if (box.right <= box.left) return std::nullopt;
  return box;
}

PngPicture cutPicture(const PageRaster& page, const PixelBox& box, uint32_t fallback) {
  PngPicture picture;
  picture.width = box.width();
  picture.height = box.height();
  picture.hasAlpha = true;
  const size_t pixels = static_cast<size_t>(picture.width) * picture.height;
  picture.rgb.resize(pixels * 3);
  picture.alpha.resize(pixels);
  size_t i = 0;
  for (int y = box.top; y < box.bottom; ++y) {
    const uint8_t* p = page.bgra.data() + (static_cast<size_t>(y) * page.width + box.left) * 4;
    for (int x = box.left; x < box.right; ++x, p += 4, ++i) {
      const uint32_t alpha = p[3];
      picture.alpha[i] = static_cast<uint8_t>(alpha);
      uint8_t* out = picture.rgb.data() + 3 * i;
      if (alpha == 0) {
        out[0] = static_cast<uint8_t>(fallback);
        out[1] = static_cast<uint8_t>(fallback >> 8);
        out[2] = static_cast<uint8_t>(fallback >> 16);
        continue;
      }
      for (int c = 0; c < 3; ++c)
        out[c] =
            static_cast<uint8_t>(std::min<uint32_t>(255, (p[2 - c] * 255 + alpha / 2) / alpha));
    }
  }
  return picture;
}

}  // namespace kvxauthor::svg
