#pragma once
// EffectHostLib: the host's effect object as its settings dialog sees it, and the calls that
// redraw the host's preview of an effect.
#include <cstdint>
#include <functional>

#include "kvxtheme/export.h"
#include "kvxtheme/kvxtheme.h"

struct OptionTableEntry {
  void* hostData = nullptr;  // the host's
  EffectOption* option = nullptr;
};

// The effect's option records: `count` entries, one for each place the effect is used.
struct OptionTable {
  uint8_t hostReserved[8] = {};
  int32_t count = 0;
  OptionTableEntry* entries = nullptr;
};

// The record of the option the host's editor currently shows.
struct OptionHolder {
  void* hostData = nullptr;
  EffectOption* current = nullptr;
};

class EffectPreview;

// The host's effect object. The host owns it and everything it points to.
class CVFTEffect {
 public:
  OptionTable* optionTable = nullptr;
  OptionHolder* optionHolder = nullptr;
  EffectPreview* previewTarget = nullptr;
};

// The host's preview of an effect: invalidating it marks it for redrawing, updating it redraws
// it once if it was invalidated since the last redraw.
class KVX_API EffectPreview {
 public:
  using Redraw = std::function<void(CVFTEffect* effect)>;
  explicit EffectPreview(Redraw redraw) : redraw_(std::move(redraw)) {}

  void invalidate(CVFTEffect* effect);
  void update();
  bool invalid() const { return invalid_; }
  int redrawCount() const { return redrawCount_; }

 private:
  Redraw redraw_;
  CVFTEffect* invalidEffect_ = nullptr;
  bool invalid_ = false;
  int redrawCount_ = 0;
};

struct RECT {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

// Marks the preview of `effect` as needing a redraw; a null rectangle means all of it, `erase`
// is accepted for the host's sake. Returns 1, or 0 for a null preview.
KVX_API int vft32InvalidateRect(CVFTEffect* effect, EffectPreview* preview, const RECT* rect,
                                int erase);
// Redraws the preview now if it was invalidated. Returns 1, or 0 for a null preview.
KVX_API int vft32UpdateWindow(EffectPreview* preview);
