#include "kvxtheme/effecthost.h"

void EffectPreview::invalidate(CVFTEffect* effect) {
  invalid_ = true;
  invalidEffect_ = effect;
}

void EffectPreview::update() {
  if (!invalid_) return;
  // Cleared first, so a redraw that invalidates again is honoured by the next update.
  invalid_ = false;
  ++redrawCount_;
  if (redraw_) redraw_(invalidEffect_);
}

int vft32InvalidateRect(CVFTEffect* effect, EffectPreview* preview, const RECT*, int) {
  if (!preview) return 0;
  preview->invalidate(effect);
  return 1;
}

int vft32UpdateWindow(EffectPreview* preview) {
  if (!preview) return 0;
  preview->update();
  return 1;
}
