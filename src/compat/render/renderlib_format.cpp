// Serialization of render objects: the theme writer flattens, the theme loader restores.
#include <new>

#include "compat/render/object_table.h"
#include "kvxtheme/renderlib.h"
#include "raster/object_format.h"

int qrUnFlattenObject(RenderHandle object, int32_t size, const void* bytes, QrQueryCallback query,
                      void* user) {
  if (bytes == nullptr || size <= 0) return kFormatBadArguments;
  return withObject(object, [&](RenderObject& o) {
    const FormatResult result =
        readObject(static_cast<const uint8_t*>(bytes), static_cast<size_t>(size), o.state.kind,
                   query, user, &o.state);
    if (result == kFormatRestored) o.rendered = false;
    return static_cast<int>(result);
  });
}

int qrFlattenObject(RenderHandle object, std::vector<uint8_t>* bytes) {
  if (bytes == nullptr) return 0;
  return withObject(object, [&](RenderObject& o) {
    try {
      bytes->clear();
      writeObject(o.state, bytes);
    } catch (const std::bad_alloc&) {
      return 0;
    }
    return 1;
  });
}
