// Rendering of text and path objects into BufferLib buffers.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "compat/render/object_table.h"
#include "kvxtheme/renderlib.h"
#include "raster/path_shape.h"
#include "raster/rasterizer.h"
#include "raster/text_layout.h"

namespace {

constexpr size_t kMessageOffset = 100;

void writeMessage(void* outRecord, const std::string& message) {
  if (outRecord == nullptr) return;
  char* text = static_cast<char*>(outRecord) + kMessageOffset;
  const size_t room = kRenderOutRecordSize - kMessageOffset;
  const size_t length = std::min(message.size(), room - 1);
  std::memcpy(text, message.data(), length);
  text[length] = '\0';
}

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

void replaceHandle(BufHandle* slot, BufHandle fresh) {
  if (*slot != 0 && *slot != fresh) buf32Free(*slot);
  *slot = fresh;
}

}  // namespace

int qrRenderObject(RenderHandle object, BufHandle* image, BufHandle* mask, int /*reserved1*/,
                   int /*reserved2*/, void* outRecord) {
  if (image == nullptr || mask == nullptr) {
    writeMessage(outRecord, "no place for the rendered buffers");
    return 0;
  }
  std::string error = "unknown render object";
  const int done = withObject(object, [&](RenderObject& o) {
    Rendering rendering;
    const bool ok = o.state.kind == ObjectKind::Text ? renderText(o, &rendering, &error)
                                                     : renderPath(o, &rendering, &error);
    if (!ok) return 0;
    replaceHandle(image, rendering.image);
    replaceHandle(mask, rendering.mask);
    o.margins = rendering.margins;
    o.rendered = true;
    return 1;
  });
  if (!done) writeMessage(outRecord, error);
  return done;
}

int qrGetMargin(RenderHandle object, int32_t* margin) {
  if (margin == nullptr) return 0;
  return withObject(object, [&](RenderObject& o) {
    if (!o.rendered) return 0;
    margin[0] = o.margins.left;
    margin[1] = o.margins.top;
    margin[2] = o.margins.right;
    margin[3] = o.margins.bottom;
    return o.margins.any() ? 1 : 0;
  });
}
