#pragma once
// A merge-ready picture of one object (or of its shadow) at the output size: packed 24-bit rows
// in frame byte order and a packed 8-bit mask.
#include <cstdint>
#include <string>

class ThemeObject;

class ThemeLayer {
 public:
  ThemeLayer() = default;
  virtual ~ThemeLayer();
  ThemeLayer(const ThemeLayer&) = delete;
  ThemeLayer& operator=(const ThemeLayer&) = delete;

  // Releases the rows (and the base rows where they differ) before a rebuild.
  void releasePixels();
  bool isHidden() const { return (flags & 1) != 0; }

  ThemeLayer* shadowLayer = nullptr;  // also in the document's list, which owns it
  std::string name;
  std::string linkText;
  std::string text;
  uint8_t* basePixels = nullptr;
  uint8_t* baseMask = nullptr;
  uint8_t* pixels = nullptr;
  uint8_t* maskPixels = nullptr;
  bool opaqueMask = false;  // every mask byte is 255; set where the mask is made
  int x = 0, y = 0;
  int width = 0, height = 0;
  int transparency = 0;
  int mergeMode = 0;
  int flags = 0;
  const ThemeObject* sourceObject = nullptr;
  ThemeObject* textObject = nullptr;  // a text layer's own object, whose text it sets
  int isText = 0;
  bool isCaption = false;  // shows the caption fields rather than a text of its own name
  int alignment = 0;
  int anchorX = 0, anchorY = 0;
};
