#pragma once
// The state of one text or path object and the per-object caches its rendering keeps.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "kvxtheme/pathlib.h"
#include "kvxtheme/renderlib.h"

enum class ObjectKind : uint16_t { Text = 1, Path = 2 };

// How the natural rendering is scaled: not at all, by percentages, or onto a rectangle.
struct Sizing {
  enum Mode : int32_t { Natural = 0, Resize = 1, Stretch = 2 } mode = Natural;
  double values[4] = {0, 0, 0, 0};  // Resize: width, height percent; Stretch: l, t, r, b
};

struct Margins {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool any() const { return left != 0 || top != 0 || right != 0 || bottom != 0; }
};

constexpr int kTransformDataSize = 36;
constexpr int kCornerRecordSize = 32;
constexpr int kDefaultFontPixels = 32;
constexpr int kMaxFontPixels = 2000;
constexpr int kMaxFontWeight = 1000;
constexpr size_t kMaxTextBytes = 1u << 20;

// Everything that describes an object and is serialized; copyable so that a restore can be
// prepared on the side and committed only when it is complete.
struct RenderObjectState {
  ObjectKind kind = ObjectKind::Text;
  std::string text;
  QrFontRecord font{};
  QrColorRecord color{};
  int32_t alignment = 0;
  std::optional<QrShadowRecord> shadow;
  int32_t transformKind = 0;
  std::array<uint8_t, kTransformDataSize> transform{};
  std::array<uint8_t, k3dSettingsSize> settings3d{};
  QzPath path;
  Sizing sizing;
};

RenderObjectState defaultState(ObjectKind kind);

// Colour record fields.
uint32_t fillColorOf(const QrColorRecord& color);
int32_t opacityOf(const QrColorRecord& color);
uint32_t strokeColorOf(const QrColorRecord& color);
int32_t strokeWidthOf(const QrColorRecord& color);  // 1/100 pixel
bool colorRecordValid(const QrColorRecord& color);
bool fontRecordValid(const QrFontRecord& font);
// Character height in pixels that the font record asks for.
int fontPixelsOf(const QrFontRecord& font);

class TextLayout;

struct RenderObject {
  explicit RenderObject(ObjectKind kind);
  ~RenderObject();

  std::mutex mutex;  // guards everything below; one operation on the object at a time
  RenderObjectState state;
  Margins margins;
  bool rendered = false;
  std::unique_ptr<TextLayout> textLayout;  // built on first rendering, reused afterwards
};
