#pragma once
// RenderLib: text and path objects rendered into BufferLib buffers (Pango and Cairo).
// Objects are 32-bit handles, 0 for none; operations return nonzero on success.
#include <cstdint>
#include <string>
#include <vector>

#include "kvxtheme/bufferlib.h"
#include "kvxtheme/export.h"
#include "kvxtheme/win32.h"

typedef uint32_t RenderHandle;
struct QzPath;

constexpr int kColorRecordSize = 2688;
constexpr int kRenderOutRecordSize = 360;
constexpr int k3dSettingsSize = 832;

// Colour record: int32 size (2688) at 0, fill colour 0x00BBGGRR at 4, opacity 0..255 at 8,
// stroke colour at 12, stroke width in 1/100 pixel at 16 (0: no stroke); the rest is reserved.
struct QrColorRecord {
  uint8_t bytes[kColorRecordSize];
};

// Font record: a LOGFONTA followed by our own fields.
struct QrFontRecord {
  LOGFONTA logFont;  // lfHeight in pixels (negative: character height), lfFaceName, lfCharSet
  int32_t pointSize;
};

// Shadow record as handed out by qrGetShadowAttr (24 bytes).
struct QrShadowRecord {
  int32_t xOffset;       // -> shadowParam2
  int32_t yOffset;       // -> shadowParam3
  int32_t transparency;  // percent, -> shadowTransparency
  int32_t color;         // 0x00BBGGRR, -> shadowColor
  int16_t kind;          // -> shadowParam1
  int16_t opacity;       // -> shadowParam4
  int32_t blur;          // -> shadowParam5
};
static_assert(sizeof(QrShadowRecord) == 24);

// Query callback of qrUnFlattenObject: answers 1 when `user` is non-null.
using QrQueryCallback = int (*)(int32_t, int32_t, int32_t, int32_t, void* user);

extern "C++" {
KVX_API RenderHandle qrCreateTextObject();
KVX_API RenderHandle qrCreatePathObject();
KVX_API RenderHandle qrCreateTextObjectWithString(const std::string& text);
KVX_API int qrDeleteTextPathObject(RenderHandle object);
// Restores an object from its serialized form (docs/render-object-format.md); refuses damaged
// data with 0 or below and leaves the object unchanged. `query`, when given, must answer 1.
KVX_API int qrUnFlattenObject(RenderHandle object, int32_t size, const void* bytes,
                              QrQueryCallback query, void* user);
// Serializes an object (the theme writer's side of qrUnFlattenObject).
KVX_API int qrFlattenObject(RenderHandle object, std::vector<uint8_t>* bytes);

// Replaces *image with a new 24-bit buffer and *mask with a new 8-bit coverage mask (old handles
// are released). `outRecord` (360 bytes, may be null) receives at byte 100 a message on failure.
KVX_API int qrRenderObject(RenderHandle object, BufHandle* image, BufHandle* mask, int reserved1,
                           int reserved2, void* outRecord);
// Transparent margins of the last rendering: left, top, right, bottom. Nonzero when there are
// margins to crop; 0 before the first rendering and for a rendering without margins.
KVX_API int qrGetMargin(RenderHandle object, int32_t* margin);

KVX_API int qrGetString(RenderHandle object, std::string* text);
KVX_API int qrSetString(RenderHandle object, const std::string& text);
KVX_API int qrIsSameColorValue(RenderHandle object, const QrColorRecord* color);
KVX_API int qrSetColorValue(RenderHandle object, const QrColorRecord* color);
KVX_API int qrGetColorValue(RenderHandle object, QrColorRecord* color);
KVX_API int qrGetFont(RenderHandle object, QrFontRecord* font);
KVX_API int qrSetFont(RenderHandle object, const QrFontRecord* font);
KVX_API int qrGetFontSize(RenderHandle object);
KVX_API int qrSetFontSize(RenderHandle object, int size);
KVX_API int qrGetAlign(RenderHandle object, int32_t* alignment);  // 0 left, 1 right, 2 centre
KVX_API int qrSetAlign(RenderHandle object, int32_t alignment);

KVX_API int qrHasShadow(RenderHandle object);
KVX_API int qrGetShadowAttr(RenderHandle object, QrShadowRecord* shadow);
KVX_API int qrSetShadowAttr(RenderHandle object, const QrShadowRecord* shadow);  // null: no shadow

// Transform data: 32-byte corner record of four points (x, y), each value a signed pixel
// coordinate in its upper 16 bits. qrSetTransformData takes `kind` (0 clears) and 36 bytes whose
// bytes 4..35 are such a corner record.
KVX_API int qrGetTransformData(RenderHandle object, int32_t* kind, void** record);
// Frees a record of qrGetTransformData; any other pointer is refused with 0.
KVX_API int qrDelTransformData(void* record);
KVX_API int qrSetTransformData(RenderHandle object, int32_t kind, const void* data);

KVX_API int qr3dFastGetSetting(RenderHandle object, void* block);
KVX_API int qr3dFastSetSetting(RenderHandle object, const void* block);

// The vector path a path object draws. A text object keeps it (and serializes it) but draws
// its text.
// Copies the object's path into *path.
KVX_API int qrGetQzPath(RenderHandle object, QzPath* path);
KVX_API int qrSetQzPath(RenderHandle object, const QzPath* path);
// Stretches the rendering to the rectangle left, top, right, bottom (page pixels).
KVX_API int qrStretchObj(RenderHandle object, const double* left, const double* top,
                         const double* right, const double* bottom, int32_t* result);
// Resizes the rendering to the given percentages of its natural size (0 … 10000). A zero
// percentage follows the other one, so (50, 0) halves both sides; (0, 0) is the natural size.
KVX_API int qrResizeObj(RenderHandle object, const double* widthPercent,
                        const double* heightPercent, int32_t* result);
}
