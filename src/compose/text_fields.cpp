// Text layers show the host's texts for the current slide.
#include <cstring>

#include "compose/compositor.h"
#include "kvxtheme/caption_keys.h"

namespace {

constexpr const char* kCaptionLayer = "OnScreenText";

void setHidden(ThemeLayer* layer, bool hidden) {
  if (!layer) return;
  if (hidden)
    layer->flags |= 1;
  else
    layer->flags &= ~1;
}

}  // namespace

int Compositor::updateTextLayers(ITextProvider* provider, int frameIndex) {
  if (!provider) return 0;
  for (const auto& layer : document_.layers) {
    if (!layer || !layer->isText) continue;
    std::string text;
    queryLayerText(provider, frameIndex, layer->name.c_str(), text);
    const bool shown = document_.rebuildTextLayer(layer.get(), text.c_str()) == 1;
    setHidden(layer.get(), !shown);
    setHidden(layer->shadowLayer, !shown);
  }
  return 1;
}

int Compositor::queryLayerText(ITextProvider* provider, int frameIndex, const char* key,
                               std::string& text) {
  if (!provider) return 0;
  int found = 1;
  if (std::strcmp(key, kCaptionLayer) != 0) {
    provider->GetFieldText(frameIndex, key, &text, &found);
    if (!found) text.clear();
    return 1;
  }
  for (const auto& caption : kvxtheme::kCaptionKeys) {
    std::string value;
    if (provider->GetFieldText(frameIndex, caption.key, &value, &found) && !value.empty() &&
        found) {
      text += value;
      text += '\n';
    }
  }
  return 1;
}
