// Rendering of text and path objects into BufferLib buffers.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "compat/buffer/buffer_table.h"
#include "compat/render/object_table.h"
#include "kvxtheme/renderlib.h"
#include "raster/object_rendering.h"

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

// Frees what the slot held once the fresh buffer has its handle.
bool replaceHandle(BufHandle* slot, kvx::pixels::SharedBuffer fresh) {
  BufHandle handle = 0;
  if (!kvx::pixels::handOut(std::move(fresh), &handle)) return false;
  if (*slot != 0) buf32Free(*slot);
  *slot = handle;
  return true;
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
    if (!renderObjectPixels(o, &rendering, &error)) return 0;
    if (!replaceHandle(image, std::move(rendering.image)) ||
        !replaceHandle(mask, std::move(rendering.mask))) {
      error = "no buffer handle is free";
      return 0;
    }
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
