#include "raster/rasterizer.h"

#include <array>
#include <cstring>

#include "raster/scratch_context.h"

namespace {

struct Rgb {
  double r, g, b;
};

Rgb rgbOf(uint32_t color) {
  return {(color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, ((color >> 16) & 0xFF) / 255.0};
}

Box strokedBounds(const Shape& shape, double strokeWidth) {
  Box box = shape.bounds();
  if (strokeWidth <= 0) return box;
  ScratchContext scratch;
  if (!scratch.valid()) return box;
  shape.appendOutline(scratch.get());
  applyStrokeStyle(scratch.get(), strokeWidth);
  Box stroke;
  cairo_stroke_extents(scratch.get(), &stroke.x0, &stroke.y0, &stroke.x1, &stroke.y1);
  if (stroke.empty()) return box;
  if (box.empty()) return stroke;
  return {std::min(box.x0, stroke.x0), std::min(box.y0, stroke.y0), std::max(box.x1, stroke.x1),
          std::max(box.y1, stroke.y1)};
}

// A Cairo image surface with the placement's transform, released with the object.
class Canvas {
 public:
  Canvas(cairo_format_t format, const Placement& placement) {
    surface_ = cairo_image_surface_create(format, placement.width, placement.height);
    cr_ = cairo_create(surface_);
    cairo_translate(cr_, placement.offsetX, placement.offsetY);
    cairo_scale(cr_, placement.scaleX, placement.scaleY);
  }
  ~Canvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool valid() const { return cairo_status(cr_) == CAIRO_STATUS_SUCCESS; }
  cairo_t* cr() const { return cr_; }
  // Finishes drawing; rows may be read afterwards.
  void finish() const { cairo_surface_flush(surface_); }
  const uint8_t* row(int y) const {
    return cairo_image_surface_get_data(surface_) + static_cast<size_t>(y) * stride();
  }
  int stride() const { return cairo_image_surface_get_stride(surface_); }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

// Both buffers of a rendering, handed over only when the whole rendering succeeded.
struct BufferPair {
  bool allocate(int width, int height, uint32_t fill) {
    image = kvx::pixels::makeFilledBuffer(24, width, height, fill);
    mask = kvx::pixels::makeBuffer(8, width, height);
    return image && mask;
  }
  kvx::pixels::SharedBuffer image;
  kvx::pixels::SharedBuffer mask;
};

std::array<uint8_t, 256> opacityTable(int32_t opacity) {
  std::array<uint8_t, 256> table;
  for (int v = 0; v < 256; ++v) table[v] = static_cast<uint8_t>((v * opacity + 127) / 255);
  return table;
}

bool renderCoverage(const Shape& shape, uint32_t fill, int32_t opacity, const Placement& placement,
                    BufferPair* buffers, std::string* error) {
  Canvas canvas(CAIRO_FORMAT_A8, placement);
  if (!canvas.valid()) return *error = "out of memory for the drawing surface", false;
  shape.fill(canvas.cr());
  canvas.finish();
  if (!buffers->allocate(placement.width, placement.height, fill))
    return *error = "pixel buffer allocation failed", false;
  const auto table = opacityTable(opacity);
  for (int y = 0; y < placement.height; ++y) {
    const uint8_t* in = canvas.row(y);
    uint8_t* out = buffers->mask->row(y);
    if (opacity == 255) {
      std::memcpy(out, in, placement.width);
    } else {
      for (int x = 0; x < placement.width; ++x) out[x] = table[in[x]];
    }
  }
  return true;
}

bool renderColoured(const Shape& shape, const QrColorRecord& color, double strokeWidth,
                    const Placement& placement, BufferPair* buffers, std::string* error) {
  Canvas canvas(CAIRO_FORMAT_ARGB32, placement);
  if (!canvas.valid()) return *error = "out of memory for the drawing surface", false;
  const uint32_t fill = fillColorOf(color);
  const Rgb fillRgb = rgbOf(fill), strokeRgb = rgbOf(strokeColorOf(color));
  cairo_set_source_rgb(canvas.cr(), fillRgb.r, fillRgb.g, fillRgb.b);
  shape.fill(canvas.cr());
  if (strokeWidth > 0) {
    cairo_set_source_rgb(canvas.cr(), strokeRgb.r, strokeRgb.g, strokeRgb.b);
    shape.stroke(canvas.cr(), strokeWidth);
  }
  canvas.finish();
  if (!buffers->allocate(placement.width, placement.height, fill))
    return *error = "pixel buffer allocation failed", false;
  const auto table = opacityTable(opacityOf(color));
  for (int y = 0; y < placement.height; ++y) {
    const auto* in = reinterpret_cast<const uint32_t*>(canvas.row(y));
    uint8_t* out = buffers->mask->row(y);
    uint8_t* rgb = buffers->image->row(y);
    for (int x = 0; x < placement.width; ++x) {
      const uint32_t argb = in[x];
      const uint32_t alpha = argb >> 24;
      out[x] = table[alpha];
      if (alpha == 0) continue;  // keeps the fill colour the buffer was created with
      if (alpha == 255) {
        rgb[3 * x] = static_cast<uint8_t>(argb >> 16);
        rgb[3 * x + 1] = static_cast<uint8_t>(argb >> 8);
        rgb[3 * x + 2] = static_cast<uint8_t>(argb);
        continue;
      }
      // Cairo stores premultiplied colour; the buffer holds the plain colour.
      rgb[3 * x] = static_cast<uint8_t>((((argb >> 16) & 0xFF) * 255 + alpha / 2) / alpha);
      rgb[3 * x + 1] = static_cast<uint8_t>((((argb >> 8) & 0xFF) * 255 + alpha / 2) / alpha);
      rgb[3 * x + 2] = static_cast<uint8_t>(((argb & 0xFF) * 255 + alpha / 2) / alpha);
    }
  }
  return true;
}

bool renderEmpty(uint32_t fill, BufferPair* buffers, std::string* error) {
  if (!buffers->allocate(1, 1, fill)) return *error = "pixel buffer allocation failed", false;
  return true;
}

}  // namespace

bool rasterize(const Shape& shape, const QrColorRecord& color, const Sizing& sizing,
               Rendering* rendering, std::string* error) {
  const double strokeWidth = strokeWidthOf(color) / 100.0;
  Placement placement;
  BufferPair buffers;
  switch (placeBox(strokedBounds(shape, strokeWidth), sizing, &placement)) {
    case PlaceResult::TooLarge:
      *error = "rendered size too large";
      return false;
    case PlaceResult::Empty:
      if (!renderEmpty(fillColorOf(color), &buffers, error)) return false;
      break;
    case PlaceResult::Ok: {
      // A coverage mask carries one colour; strokes and colour glyphs need the full picture.
      const bool done = strokeWidth > 0 || shape.paintsOwnColours()
                            ? renderColoured(shape, color, strokeWidth, placement, &buffers, error)
                            : renderCoverage(shape, fillColorOf(color), opacityOf(color), placement,
                                             &buffers, error);
      if (!done) return false;
      break;
    }
  }
  rendering->image = std::move(buffers.image);
  rendering->mask = std::move(buffers.mask);
  rendering->margins = placement.margins;
  return true;
}
