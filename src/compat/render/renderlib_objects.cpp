// Creation, deletion and the attributes of render objects.
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "compat/render/object_table.h"
#include "kvxtheme/renderlib.h"
#include "raster/placement.h"

namespace {

RenderHandle createObject(ObjectKind kind, const std::string* text) {
  try {
    auto object = std::make_shared<RenderObject>(kind);
    if (text != nullptr) object->state.text = *text;
    return registerObject(std::move(object));
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

bool isText(const RenderObject& object) {
  return object.state.kind == ObjectKind::Text;
}

int32_t blockSizeOf(const void* block) {
  int32_t size;
  std::memcpy(&size, block, sizeof size);
  return size;
}

// Corner records handed out by qrGetTransformData, so that only those are ever freed.
std::mutex gCornerRecordsMutex;
std::unordered_set<void*> gCornerRecords;

}  // namespace

RenderHandle qrCreateTextObject() {
  return createObject(ObjectKind::Text, nullptr);
}

RenderHandle qrCreatePathObject() {
  return createObject(ObjectKind::Path, nullptr);
}

RenderHandle qrCreateTextObjectWithString(const std::string& text) {
  if (text.size() > kMaxTextBytes) return 0;
  return createObject(ObjectKind::Text, &text);
}

int qrDeleteTextPathObject(RenderHandle object) {
  return unregisterObject(object) ? 1 : 0;
}

int qrGetString(RenderHandle object, std::string* text) {
  if (text == nullptr) return 0;
  return withObject(object, [&](RenderObject& o) {
    if (!isText(o)) return 0;
    *text = o.state.text;
    return 1;
  });
}

int qrSetString(RenderHandle object, const std::string& text) {
  if (text.size() > kMaxTextBytes) return 0;
  return withObject(object, [&](RenderObject& o) {
    if (!isText(o)) return 0;
    o.state.text = text;
    return 1;
  });
}

int qrIsSameColorValue(RenderHandle object, const QrColorRecord* color) {
  if (color == nullptr) return 0;
  return withObject(object, [&](RenderObject& o) {
    return std::memcmp(o.state.color.bytes, color->bytes, kColorRecordSize) == 0 ? 1 : 0;
  });
}

int qrSetColorValue(RenderHandle object, const QrColorRecord* color) {
  if (color == nullptr || !colorRecordValid(*color)) return 0;
  return withObject(object, [&](RenderObject& o) {
    o.state.color = *color;
    return 1;
  });
}

int qrGetColorValue(RenderHandle object, QrColorRecord* color) {
  if (color == nullptr) return 0;
  return withObject(object, [&](RenderObject& o) {
    *color = o.state.color;
    return 1;
  });
}

int qrGetFont(RenderHandle object, QrFontRecord* font) {
  if (font == nullptr) return 0;
  return withObject(object, [&](RenderObject& o) {
    if (!isText(o)) return 0;
    *font = o.state.font;
    return 1;
  });
}

int qrSetFont(RenderHandle object, const QrFontRecord* font) {
  if (font == nullptr || !fontRecordValid(*font)) return 0;
  return withObject(object, [&](RenderObject& o) {
    if (!isText(o)) return 0;
    o.state.font = *font;
    return 1;
  });
}

int qrGetFontSize(RenderHandle object) {
  return withObject(object,
                    [&](RenderObject& o) { return isText(o) ? fontPixelsOf(o.state.font) : 0; });
}

int qrSetFontSize(RenderHandle object, int size) {
  if (size < 1 || size > kMaxFontPixels) return 0;
  return withObject(object, [&](RenderObject& o) {
    if (!isText(o)) return 0;
    o.state.font.logFont.lfHeight = -size;
    o.state.font.pointSize = size;
    return 1;
  });
}

int qrGetAlign(RenderHandle object, int32_t* alignment) {
  if (alignment == nullptr) return 0;
  return withObject(object, [&](RenderObject& o) {
    *alignment = o.state.alignment;
    return 1;
  });
}

int qrSetAlign(RenderHandle object, int32_t alignment) {
  if (alignment < 0 || alignment > 2) return 0;
  return withObject(object, [&](RenderObject& o) {
    o.state.alignment = alignment;
    return 1;
  });
}

int qrHasShadow(RenderHandle object) {
  return withObject(object, [&](RenderObject& o) { return o.state.shadow ? 1 : 0; });
}

int qrGetShadowAttr(RenderHandle object, QrShadowRecord* shadow) {
  if (shadow == nullptr) return 0;
  return withObject(object, [&](RenderObject& o) {
    if (!o.state.shadow) return 0;
    *shadow = *o.state.shadow;
    return 1;
  });
}

int qrSetShadowAttr(RenderHandle object, const QrShadowRecord* shadow) {
  return withObject(object, [&](RenderObject& o) {
    if (shadow == nullptr) {
      o.state.shadow.reset();
    } else {
      o.state.shadow = *shadow;
    }
    return 1;
  });
}

int qrGetTransformData(RenderHandle object, int32_t* kind, void** record) {
  if (record == nullptr) return 0;
  *record = nullptr;
  return withObject(object, [&](RenderObject& o) {
    if (o.state.transformKind == 0) return 0;
    auto* corners = new (std::nothrow) uint8_t[kCornerRecordSize];
    if (corners == nullptr) return 0;
    std::memcpy(corners, o.state.transform.data() + 4, kCornerRecordSize);
    try {
      std::lock_guard lock(gCornerRecordsMutex);
      gCornerRecords.insert(corners);
    } catch (const std::bad_alloc&) {
      delete[] corners;
      return 0;
    }
    if (kind != nullptr) *kind = o.state.transformKind;
    *record = corners;
    return 1;
  });
}

int qrDelTransformData(void* record) {
  if (record == nullptr) return 0;
  {
    std::lock_guard lock(gCornerRecordsMutex);
    if (gCornerRecords.erase(record) == 0) return 0;
  }
  delete[] static_cast<uint8_t*>(record);
  return 1;
}

int qrSetTransformData(RenderHandle object, int32_t kind, const void* data) {
  if (kind != 0 && data == nullptr) return 0;
  return withObject(object, [&](RenderObject& o) {
    o.state.transformKind = kind;
    if (kind == 0) {
      o.state.transform.fill(0);
    } else {
      std::memcpy(o.state.transform.data(), data, kTransformDataSize);
    }
    return 1;
  });
}

int qr3dFastGetSetting(RenderHandle object, void* block) {
  if (block == nullptr || blockSizeOf(block) != k3dSettingsSize) return 0;
  return withObject(object, [&](RenderObject& o) {
    std::memcpy(block, o.state.settings3d.data(), k3dSettingsSize);
    return 1;
  });
}

int qr3dFastSetSetting(RenderHandle object, const void* block) {
  if (block == nullptr || blockSizeOf(block) != k3dSettingsSize) return 0;
  return withObject(object, [&](RenderObject& o) {
    std::memcpy(o.state.settings3d.data(), block, k3dSettingsSize);
    return 1;
  });
}

int qrGetQzPath(RenderHandle object, QzPath* path) {
  if (path == nullptr) return 0;
  return withObject(object, [&](RenderObject& o) {
    try {
      *path = o.state.path;
    } catch (const std::bad_alloc&) {
      return 0;
    }
    return 1;
  });
}

int qrSetQzPath(RenderHandle object, const QzPath* path) {
  if (path == nullptr || !qzPathIsValid(*path)) return 0;
  return withObject(object, [&](RenderObject& o) {
    try {
      o.state.path = *path;
    } catch (const std::bad_alloc&) {
      return 0;
    }
    return 1;
  });
}

int qrStretchObj(RenderHandle object, const double* left, const double* top, const double* right,
                 const double* bottom, int32_t* result) {
  if (result != nullptr) *result = 0;
  if (left == nullptr || top == nullptr || right == nullptr || bottom == nullptr ||
      !stretchValid(*left, *top, *right, *bottom)) {
    return 0;
  }
  const int done = withObject(object, [&](RenderObject& o) {
    o.state.sizing = {Sizing::Stretch, {*left, *top, *right, *bottom}};
    return 1;
  });
  if (result != nullptr) *result = done;
  return done;
}

int qrResizeObj(RenderHandle object, const double* widthPercent, const double* heightPercent,
                int32_t* result) {
  if (result != nullptr) *result = 0;
  if (widthPercent == nullptr || heightPercent == nullptr ||
      !resizeValid(*widthPercent, *heightPercent)) {
    return 0;
  }
  const int done = withObject(object, [&](RenderObject& o) {
    o.state.sizing = {Sizing::Resize, {*widthPercent, *heightPercent, 0, 0}};
    return 1;
  });
  if (result != nullptr) *result = done;
  return done;
}
