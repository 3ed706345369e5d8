#pragma once
// A theme as the authoring tools describe it before it becomes a KVX file: page, groups and
// objects with every setting a theme file can carry. Values are already checked and resolved
// (colours as 0x00BBGGRR, picture files as full paths).
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kvxtheme/pathlib.h"

namespace kvxauthor {

struct PngPicture;

// Drop shadow settings: the five parameters handed to the shadow builder (kind, x and y
// offset, opacity percent, blur radius), how much the shadow is weakened, and its colour.
struct ShadowSpec {
  bool enabled = true;
  int32_t kind = 0;
  int32_t offsetX = 10;
  int32_t offsetY = 10;
  int32_t opacity = 100;
  int32_t blur = 5;
  int32_t transparency = 50;
  uint32_t color = 0;
};

struct StrokeSpec {
  uint32_t color = 0;
  int32_t widthHundredths = 100;  // 1/100 pixel
};

struct FontSpec {
  std::string face = "DejaVu Sans";
  int32_t size = 32;  // character height in pixels
  int32_t weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int32_t charset = 1;
};

enum class Alignment : int32_t { Left = 0, Right = 1, Center = 2 };

struct TextSpec {
  std::string string;
  FontSpec font;
  uint32_t color = 0;
  int32_t opacity = 255;
  Alignment align = Alignment::Left;
  std::optional<StrokeSpec> stroke;
  std::optional<ShadowSpec> shadow;  // carried by the render object
};

struct PathSpec {
  QzPath path;
  uint32_t fill = 0;
  int32_t opacity = 255;
  std::optional<StrokeSpec> stroke;
  std::optional<ShadowSpec> shadow;  // carried by the render object
};

struct PictureSpec {
  enum class Source { File, Color, Pixels } source = Source::Color;
  std::string file;                          // full path of a PNG
  std::shared_ptr<const PngPicture> pixels;  // a picture made in memory (an SVG layer)
  uint32_t color = 0;
  enum class Mask { None, Alpha, File, Value } mask = Mask::None;
  std::string maskFile;     // full path of a PNG, read as grey levels
  int32_t maskValue = 255;  // one mask level for the whole picture
};

// Corner points of a transform, each a signed 16-bit pixel coordinate.
struct TransformSpec {
  int32_t kind = 1;
  std::array<int16_t, 8> corners{};  // top-left, top-right, bottom-left, bottom-right (x, y)
};

// The settings of "ComponentObjectStream" and the cut border of "PathCutBorderStream".
struct ComponentSpec {
  std::optional<TransformSpec> transform;
  std::array<double, 4> stretch{};  // left, top, right, bottom; all 0: no stretch
  std::array<double, 2> resize{};   // horizontal, vertical factors; 0: not resized
  std::array<int32_t, 2> threeD{};  // stored at bytes 112 and 116 of the record
  std::optional<QzPath> path;       // vector path after the record
  std::optional<std::array<int32_t, 4>> cutBorder;
};

enum class ObjectType { Picture, Text, Path };

struct ObjectSpec {
  std::string name;
  ObjectType type = ObjectType::Picture;
  int32_t x = 0;
  int32_t y = 0;
  std::optional<int32_t> width;  // pictures: required for a colour, else the PNG's size
  std::optional<int32_t> height;
  std::string linkText;                // the record's text (the placeholder's rotation tag)
  std::vector<std::string> hyperlink;  // up to four strings of "ObjHyperLinkStream"
  std::vector<int32_t> groups;
  bool hidden = false;
  int32_t transparency = 0;
  int32_t mergeMode = 1;
  std::optional<ShadowSpec> shadow;  // the record's shadow block
  PictureSpec picture;
  TextSpec text;
  PathSpec path;
  std::optional<ComponentSpec> component;
};

struct GroupSpec {
  int32_t id = 0;
  std::string name;
  std::array<std::string, 4> texts;
};

struct ThemeSpec {
  int32_t pageWidth = 0;
  int32_t pageHeight = 0;
  uint16_t version = 500;
  int32_t pixelFormat = 2;  // 2: 24-bit, 64: 1-bit, any other: 8-bit
  int32_t pageRenderFlag = 1;
  bool extendedGroups = false;
  std::optional<int32_t> groupCount;  // count stored in the extended form
  bool groupBlock = false;            // false: the file carries no group block
  std::vector<GroupSpec> groups;
  std::vector<ObjectSpec> objects;
};

}  // namespace kvxauthor
