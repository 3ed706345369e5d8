#include "compose/text_layers.h"

#include <cstring>

#include "kvxtheme/caption_keys.h"

namespace {

void setHidden(ThemeLayer* layer, bool hidden) {
  if (!layer) return;
  if (hidden)
    layer->flags |= 1;
  else
    layer->flags &= ~1;
}

// The four caption fields the host has for the frame, one a line.
std::string captionText(ITextProvider* provider, int frameIndex) {
  std::string text;
  int found = 1;
  for (const auto& caption : kvxtheme::kCaptionKeys) {
    std::string value;
    if (provider->GetFieldText(frameIndex, caption.key, &value, &found) && !value.empty() &&
        found) {
      text += value;
      text += '\n';
    }
  }
  return text;
}

std::string fieldText(ITextProvider* provider, int frameIndex, const char* key) {
  std::string text;
  int found = 1;
  provider->GetFieldText(frameIndex, key, &text, &found);
  if (!found) text.clear();
  return text;
}

}  // namespace

bool isCaptionLayerName(const std::string& name) {
  return name == "OnScreenText";
}

int updateTextLayers(ClipState& clip, ITextProvider* provider, int frameIndex) {
  if (!provider) return 0;
  for (const auto& layer : clip.layers) {
    if (!layer || !layer->isText) continue;
    const std::string text = layer->isCaption
                                 ? captionText(provider, frameIndex)
                                 : fieldText(provider, frameIndex, layer->name.c_str());
    const bool shown = clip.rebuildTextLayer(layer.get(), text.c_str()) == 1;
    setHidden(layer.get(), !shown);
    setHidden(layer->shadowLayer, !shown);
  }
  return 1;
}

int queryLayerText(ITextProvider* provider, int frameIndex, const char* key, bool caption,
                   std::string& text) {
  if (!provider) return 0;
  text = caption ? captionText(provider, frameIndex) : fieldText(provider, frameIndex, key);
  return 1;
}
