#include "raster/object_rendering.h"

#include <cstdint>
#include <new>

#include "raster/path_shape.h"
#include "raster/text_layout.h"

namespace {

// Pango measures in 1/1024 pixel in an int, so a layout beyond about two million pixels
// overflows inside it. A text that could come near is refused before it is laid out: every
// glyph is taken as two font sizes wide and every line as two high, far beyond any real title.
constexpr int64_t kMaxLayoutPixels = 1000000;

bool fitsLayout(const std::string& text, int fontPixels, std::string* error) {
  int64_t lines = 1, longest = 0, current = 0;
  for (const char c : text) {
    if (c == '\n') {
      ++lines;
      current = 0;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      longest = std::max(longest, ++current);
    }
  }
  const int64_t pixels = 2 * static_cast<int64_t>(fontPixels);
  if (lines * pixels <= kMaxLayoutPixels && longest * pixels <= kMaxLayoutPixels) return true;
  *error = "text too large to lay out: " + std::to_string(lines) + " lines of up to " +
           std::to_string(longest) + " characters at " + std::to_string(fontPixels) + " px";
  return false;
}

bool renderText(RenderObject& object, Rendering* rendering, std::string* error) {
  if (!fitsLayout(object.state.text, fontPixelsOf(object.state.font), error)) return false;
  if (!object.textLayout) {
    object.textLayout.reset(new (std::nothrow) TextLayout);
    if (!object.textLayout || !object.textLayout->valid()) {
      object.textLayout.reset();
      *error = "text layout could not be created";
      return false;
    }
  }
  const RenderObjectState& state = object.state;
  object.textLayout->update(state.text, state.font, state.alignment);
  return rasterize(*object.textLayout, state.color, state.sizing, rendering, error);
}

bool renderPath(const RenderObject& object, Rendering* rendering, std::string* error) {
  const PathShape shape(object.state.path);
  return rasterize(shape, object.state.color, object.state.sizing, rendering, error);
}

}  // namespace

bool renderObjectPixels(RenderObject& object, Rendering* rendering, std::string* error) {
  Rendering fresh;
  const bool ok = object.state.kind == ObjectKind::Text ? renderText(object, &fresh, error)
                                                        : renderPath(object, &fresh, error);
  if (!ok) return false;
  object.margins = fresh.margins;
  object.rendered = true;
  *rendering = std::move(fresh);
  return true;
}
