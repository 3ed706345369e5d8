#pragma once
// Building pages of solid picture objects for the engine's tests.
#include <memory>

#include "document/theme_document.h"

namespace kvxtest {

// Appends a picture object of one colour (0x00BBGGRR) with an opaque mask.
inline ThemeObject* addPicture(ThemeDocument& document, const char* name, int x, int y, int width,
                               int height, uint32_t colour = 0x0000FF) {
  auto object = std::make_unique<ThemeObject>();
  copyToField(object->name, sizeof(object->name), name);
  object->x = x;
  object->y = y;
  object->width = width;
  object->height = height;
  const uint32_t opaque = 255;
  object->imageBuffer = kvx::pixels::makeFilledBuffer(24, width, height, colour);
  object->maskBuffer = kvx::pixels::makeFilledBuffer(8, width, height, opaque);
  document.objects.push_back(std::move(object));
  return document.objects.back().get();
}

}  // namespace kvxtest
