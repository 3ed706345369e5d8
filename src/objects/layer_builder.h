#pragma once
// Turns theme objects into merge-ready layers at the output size: each object's buffers are
// resampled by the page-to-output scale, and a shadow gets a layer of its own below the object.
#include <cstdint>
#include <list>
#include <memory>

#include "objects/theme_layer.h"
#include "objects/theme_object.h"

using ObjectList = std::list<std::unique_ptr<ThemeObject>>;
using LayerList = std::list<std::unique_ptr<ThemeLayer>>;

// A page length at the output size, cut toward zero.
int scaledLength(int value, double scale);

class LayerBuilder {
 public:
  LayerBuilder(double scaleX, double scaleY) : scaleX_(scaleX), scaleY_(scaleY) {}

  // Adds a layer for every object, and one for its shadow, at the head of `layers`; an object
  // whose layer cannot be held in memory is left out. Text objects, whose texts change while
  // the clip plays, are copied into `textObjects` and their layers draw the copies.
  void buildLayers(const ObjectList& objects, LayerList& layers, ObjectList& textObjects) const;
  void buildObjectLayer(ThemeLayer* layer, const ThemeObject& object) const;
  void buildShadowLayer(ThemeLayer* layer, const ThemeObject& object,
                        const ObjectShadow& shadow) const;
  // Sets a text layer's text, renders it and rebuilds the layer. 1 on success, 0 when the
  // text cannot be set, rendered or held (the layer's rows are then gone).
  int rebuildTextLayer(ThemeLayer* layer, const char* text) const;

 private:
  double scaleX_;
  double scaleY_;
};

// Exchanges the first and third byte of every 3-byte pixel.
void swapRedBlue(uint8_t* rows, int width, int height);
