#pragma once
// One object of a theme page: a picture (colour + optional 8-bit mask) or a text or path
// object rendered by the rasterizer, with an optional drop shadow.
#include <cstdint>
#include <memory>
#include <string>

#include "kvxtheme/renderlib.h"
#include "pixels/pixel_buffer.h"
#include "pixels/shadow/drop_shadow.h"
#include "raster/render_object.h"

// A drop shadow's colour picture and mask, placed relative to its object.
struct ObjectShadow {
  kvx::pixels::SharedBuffer image;
  kvx::pixels::SharedBuffer mask;
  int x = 0, y = 0;
};

class ThemeObject {
 public:
  static constexpr int kGroupIdCount = 16;

  ThemeObject();
  virtual ~ThemeObject();
  ThemeObject& operator=(const ThemeObject&) = delete;

  // A copy that can change on its own: pictures are shared (they are replaced, never written
  // over), the render object is copied.
  std::unique_ptr<ThemeObject> clone() const;

  // Brings the pixels up to date: renders the render object when needed, crops its margins and
  // rebuilds the shadow. 0 on failure.
  int render();
  // Makes the shadow of the present mask and keeps it. 1 when the shadow is off.
  int buildShadow();
  // The shadow of the present mask, without keeping it; false when it is off or cannot be made.
  bool makeShadow(ObjectShadow* shadow) const;
  int createText(const std::string& text, int x, int y);
  // The render object's font record; false for a picture or path object.
  bool font(QrFontRecord* font) const;
  int setGroupId(int value, int index);
  int groupId(int index) const;
  int setColor(const QrColorRecord* color);
  // Copies the text, cut to `capacity` − 1 bytes, into `destination`.
  int getText(char* destination, size_t capacity) const;
  int setText(const char* text);
  void getAlignment(int* alignment) const;
  int hasShadowImage() const;
  int chooseCharset(const std::string& text);
  bool isHidden() const { return (flags & 1) != 0; }

  kvx::pixels::SharedBuffer imageBuffer;
  int x = 0, y = 0;
  int width = 0, height = 0;
  kvx::pixels::SharedBuffer maskBuffer;
  int maskX = 0, maskY = 0, maskWidth = 0, maskHeight = 0;
  int transparency = 0;
  int mergeMode = 1;
  int flags = 0;
  char name[128] = {};
  int isText = 0;
  std::shared_ptr<RenderObject> renderObject;  // text and path objects only
  int needsRender = 0;
  int shadowEnabled = 0;
  kvx::shadow::DropShadowParams shadowParams;
  int shadowColor = 0;
  int shadowTransparency = 50;
  kvx::pixels::SharedBuffer shadowImageBuffer;
  kvx::pixels::SharedBuffer shadowMaskBuffer;
  int shadowX = 0, shadowY = 0;
  int shadowWidth = 0, shadowHeight = 0;
  std::string linkText;
  int groupIds[kGroupIdCount] = {};

 private:
  ThemeObject(const ThemeObject&) = default;
  void cropMargins(const Margins& margins);
};

// Copies `text` into a fixed character field, cut so that the NUL fits.
void copyToField(char* field, size_t capacity, const char* text);
