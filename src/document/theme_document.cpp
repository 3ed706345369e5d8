#include "document/theme_document.h"

#include <strings.h>

#include <cstring>
#include <new>
#include <unordered_set>

bool namesEqualIgnoringCase(const char* a, const char* b) {
  return a && b && strcasecmp(a, b) == 0;
}

ThemeDocument::~ThemeDocument() {
  deleteObjects();
  deleteLayers();
  std::free(frameBuffer);
  frameBuffer = nullptr;
  groups.clear();
}

ThemeGroup* ThemeDocument::findGroup(int32_t id) const {
  for (const auto& group : groups)
    if (group && group->id == id) return group.get();
  return nullptr;
}

ThemeObject* ThemeDocument::findObject(const char* name) const {
  for (const auto& object : objects)
    if (object && namesEqualIgnoringCase(object->name, name)) return object.get();
  return nullptr;
}

ThemeLayer* ThemeDocument::findLayer(const char* name) const {
  for (const auto& layer : layers)
    if (layer && namesEqualIgnoringCase(layer->name.c_str(), name)) return layer.get();
  return nullptr;
}

int ThemeDocument::isGroupReferenced(int32_t id) const {
  for (const auto& object : objects) {
    if (!object) continue;
    for (int i = 0; i < ThemeObject::kGroupIdCount; ++i) {
      int value = object->groupId(i);
      if (value == 0) break;
      if (value == id) return 1;
    }
  }
  return 0;
}

void ThemeDocument::removeUnreferencedGroups() {
  // The ids the objects use, gathered once: a check per group would cost groups × objects.
  std::unordered_set<int32_t> referenced;
  for (const auto& object : objects) {
    if (!object) continue;
    for (int i = 0; i < ThemeObject::kGroupIdCount; ++i) {
      const int value = object->groupId(i);
      if (value == 0) break;
      referenced.insert(value);
    }
  }
  groups.remove_if([&](const std::unique_ptr<ThemeGroup>& group) {
    return !group || !referenced.count(group->id);
  });
}

uint8_t* ThemeDocument::prepareFrameBuffer(int width, int height) {
  if (!frameBuffer) {
    if (width <= 0 || height <= 0) return nullptr;
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    frameBuffer = static_cast<uint8_t*>(std::malloc(bytes));
    if (!frameBuffer) return nullptr;
    frameWidth = width;
    frameHeight = height;
  }
  std::memset(frameBuffer, 0, static_cast<size_t>(frameWidth) * frameHeight * 3);
  return frameBuffer;
}

void ThemeDocument::deleteObjects() {
  objects.clear();
  cornerRecord = {};  // a later object may be given a freed handle
}

void ThemeDocument::deleteLayers() {
  layers.clear();
  overlayCache = {};
}

int ThemeDocument::buildLayers(int width, int height) {
  if (layersBuilt) return 1;
  // A page without a size (a theme that failed to load) has no scale to build with.
  if (pageWidth <= 0 || pageHeight <= 0 || width <= 0 || height <= 0) return 0;
  scaleX = static_cast<double>(width) / pageWidth;
  scaleY = static_cast<double>(height) / pageHeight;
  if (!prepareFrameBuffer(scaledLength(pageWidth, scaleX), scaledLength(pageHeight, scaleY)))
    return 0;
  layerBuilder().buildLayers(objects, layers);
  overlayCache = {};
  layersBuilt = 1;
  return 1;
}

void ThemeDocument::buildObjectLayer(ThemeLayer* layer, ThemeObject* object) {
  layerBuilder().buildObjectLayer(layer, object);
}

void ThemeDocument::buildShadowLayer(ThemeLayer* layer, ThemeObject* object) {
  layerBuilder().buildShadowLayer(layer, object);
}

int ThemeDocument::rebuildTextLayer(ThemeLayer* layer, const char* text) {
  return layerBuilder().rebuildTextLayer(layer, text);
}
