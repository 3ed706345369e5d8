// Seeds of the targets past the file reader: serialized render objects and paths, bitmaps, and
// theme descriptions.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kvxtheme/kvxtheme.h"
#include "kvxtheme/pathlib.h"
#include "kvxtheme/renderlib.h"
#include "seeds.h"

namespace kvxseeds {

namespace {

void store(uint8_t* bytes, size_t offset, int32_t value) {
  std::memcpy(bytes + offset, &value, sizeof value);
}

QzPath shapePath(double scale) {
  QzPath path;
  path.commands.push_back({QzPathCommand::Move, {0, 0}});
  path.commands.push_back({QzPathCommand::Line, {40 * scale, 0}});
  path.commands.push_back(
      {QzPathCommand::Curve,
       {50 * scale, 10 * scale, 50 * scale, 20 * scale, 40 * scale, 30 * scale}});
  path.commands.push_back({QzPathCommand::Line, {-5.5, 30 * scale}});
  path.commands.push_back({QzPathCommand::Close, {}});
  path.commands.push_back({QzPathCommand::Move, {10, 10}});
  path.commands.push_back({QzPathCommand::Line, {20, 12}});
  return path;
}

QrColorRecord colour(uint32_t fill, int32_t opacity, uint32_t stroke, int32_t strokeWidth) {
  QrColorRecord record{};
  store(record.bytes, 0, kColorRecordSize);
  store(record.bytes, 4, static_cast<int32_t>(fill));
  store(record.bytes, 8, opacity);
  store(record.bytes, 12, static_cast<int32_t>(stroke));
  store(record.bytes, 16, strokeWidth);
  return record;
}

// Sets every attribute a serialized object can carry.
bool decorate(RenderHandle object) {
  const QrColorRecord c = colour(0x3366CC, 200, 0xFFFFFF, 150);
  const QrShadowRecord shadow{3, 4, 50, 0x101010, 1, 80, 5};
  uint8_t transform[36] = {};
  for (int i = 0; i < 8; ++i) store(transform, 4 + 4 * i, (10 * i) << 16);
  uint8_t settings[k3dSettingsSize] = {};
  store(settings, 0, k3dSettingsSize);
  store(settings, 8, 7);
  store(settings, 12, -3);
  const double width = 50, height = 0;
  int32_t done = 0;
  return qrSetColorValue(object, &c) && qrSetAlign(object, 2) && qrSetShadowAttr(object, &shadow) &&
         qrSetTransformData(object, 1, transform) && qr3dFastSetSetting(object, settings) &&
         qrResizeObj(object, &width, &height, &done);
}

bool writeObject(RenderHandle object, const std::string& path) {
  std::vector<uint8_t> bytes;
  const bool ok = object != 0 && qrFlattenObject(object, &bytes) && writeFile(path, bytes);
  qrDeleteTextPathObject(object);
  return ok;
}

bool textSeeds(const std::string& folder) {
  bool ok = writeObject(qrCreateTextObject(), folder + "/text-default.kvro");
  RenderHandle text = qrCreateTextObjectWithString("Holiday 2024\nsecond line");
  QrFontRecord font{};
  font.logFont.lfHeight = -24;
  font.logFont.lfWeight = 700;
  font.logFont.lfItalic = 1;
  font.logFont.lfUnderline = 1;
  font.logFont.lfCharSet = 1;
  std::strcpy(font.logFont.lfFaceName, "DejaVu Serif");
  font.pointSize = 24;
  const QzPath path = shapePath(1);
  ok = text && qrSetFont(text, &font) && decorate(text) && qrSetQzPath(text, &path) && ok;
  ok = writeObject(text, folder + "/text-full.kvro") && ok;
  RenderHandle plain = qrCreateTextObjectWithString("Ab");
  const QrColorRecord c = colour(0xFFFFFF, 255, 0, 0);
  ok = plain && qrSetColorValue(plain, &c) && qrSetFontSize(plain, 12) && ok;
  return writeObject(plain, folder + "/text-plain.kvro") && ok;
}

bool pathSeeds(const std::string& folder) {
  bool ok = writeObject(qrCreatePathObject(), folder + "/path-default.kvro");
  RenderHandle shape = qrCreatePathObject();
  const QzPath path = shapePath(1);
  ok = shape && qrSetQzPath(shape, &path) && decorate(shape) && ok;
  ok = writeObject(shape, folder + "/path-full.kvro") && ok;
  RenderHandle stretched = qrCreatePathObject();
  const QzPath small = shapePath(0.25);
  const double left = 0, top = 0, right = 30, bottom = 20;
  int32_t done = 0;
  ok = stretched && qrSetQzPath(stretched, &small) &&
       qrStretchObj(stretched, &left, &top, &right, &bottom, &done) && ok;
  ok = writeObject(stretched, folder + "/path-stretched.kvro") && ok;
  // Flattened paths alone, for the path reader.
  std::vector<uint8_t> bytes;
  QzPathFlatten(&path, &bytes);
  ok = writeFile(folder + "/path.qzpa", bytes) && ok;
  bytes.clear();
  const QzPath empty;
  QzPathFlatten(&empty, &bytes);
  return writeFile(folder + "/path-empty.qzpa", bytes) && ok;
}

// A bitmap block: header, then `pixelBytes` bytes of a pattern (a damaged one may hold fewer
// rows than it declares; the harness fills the rest).
std::vector<uint8_t> bitmap(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                            size_t pixelBytes, uint32_t headerSize = sizeof(BITMAPINFOHEADER)) {
  BITMAPINFOHEADER header{};
  header.biSize = headerSize;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = bits;
  header.biCompression = compression;
  std::vector<uint8_t> bytes(sizeof header + pixelBytes);
  std::memcpy(bytes.data(), &header, sizeof header);
  for (size_t i = 0; i < pixelBytes; ++i)
    bytes[sizeof header + i] = static_cast<uint8_t>(i * 7 + (i >> 5));
  return bytes;
}

size_t rowBytes(int32_t width) {
  return (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
}

}  // namespace

bool writeRenderObjectSeeds(const std::string& folder) {
  const bool text = textSeeds(folder);
  return pathSeeds(folder) && text;
}

bool writeBitmapSeeds(const std::string& folder) {
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } seeds[] = {
      {"one-pixel", bitmap(1, 1, 24, 0, rowBytes(1))},
      {"three-by-two", bitmap(3, 2, 24, 0, rowBytes(3) * 2)},
      {"padded-rows", bitmap(7, 5, 24, 0, rowBytes(7) * 5)},
      {"frame-size", bitmap(64, 48, 24, 0, rowBytes(64) * 48)},
      {"wide", bitmap(1000, 1, 24, 0, rowBytes(1000))},
      {"tall", bitmap(1, 300, 24, 0, rowBytes(1) * 300)},
      {"short-rows", bitmap(16, 16, 24, 0, 10)},
      {"top-down", bitmap(4, -3, 24, 0, rowBytes(4) * 3)},
      {"32-bit", bitmap(4, 3, 32, 0, 16 * 3)},
      {"8-bit", bitmap(8, 2, 8, 0, 16)},
      {"compressed", bitmap(4, 3, 24, 1, rowBytes(4) * 3)},
      {"core-header", bitmap(4, 3, 24, 0, rowBytes(4) * 3, 12)},
      {"zero-width", bitmap(0, 3, 24, 0, 0)},
  };
  bool ok = true;
  for (const auto& seed : seeds)
    ok = writeFile(folder + "/" + seed.name + ".bmp", seed.bytes) && ok;
  return ok;
}

bool writeThemeJsonSeeds(const std::string& folder, const std::vector<std::string>& samples) {
  bool ok = true;
  for (const std::string& sample : samples) {
    std::ifstream in(sample, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string bytes = text.str();
    ok = in.good() && !bytes.empty() &&
         writeFile(folder + "/" + std::filesystem::path(sample).filename().string(),
                   std::vector<uint8_t>(bytes.begin(), bytes.end())) &&
         ok;
  }
  // Descriptions that reach what the samples leave out: the harness's own pictures
  // ("picture.png" and "mask.png", 6 x 4), every text and path setting, old versions and the
  // objects the engine gives a meaning by their names.
  const char* const descriptions[][2] = {
      {"pictures.json", R"({"page": {"width": 32, "height": 24}, "pixelFormat": 8,
 "objects": [
  {"name": "placeholder", "type": "picture", "x": 2, "y": 3, "file": "picture.png",
   "mask": "mask.png", "linkText": "<rotation=8>"},
  {"name": "bits", "type": "picture", "file": "picture.png", "mask": 128, "hidden": true},
  {"name": "plain", "type": "picture", "width": 5, "height": 5, "color": "#8C4", "mask": "none",
   "mergeMode": "screen", "transparency": 30}]})"},
      {"one-bit.json", R"({"page": {"width": 20, "height": 20, "renderFlag": 0},
 "pixelFormat": 64, "version": 499,
 "groups": {"form": "plain", "entries": [{"id": 4, "name": "four"}]},
 "objects": [{"name": "b", "type": "picture", "file": "picture.png", "groups": [4]},
  {"name": "c", "type": "picture", "width": 9, "height": 2, "color": [10, 200, 30]}]})"},
      {"text.json", R"({"page": {"width": 160, "height": 90},
 "groups": {"form": "extended", "count": 3,
  "entries": [{"id": 1, "name": "one", "texts": ["a", "b", "c", "d"]}]},
 "objects": [
  {"name": "holder_ref", "type": "text", "x": 80, "y": 10, "string": "Ref\nline",
   "align": "center", "font": {"face": "DejaVu Serif", "size": 14, "weight": "bold",
   "italic": true, "underline": true, "strikeOut": true, "charset": 0},
   "color": "#FFD36B", "opacity": 200, "stroke": {"color": "#000", "width": 1.5},
   "shadow": {"x": 2, "y": 2, "blur": 3, "kind": 1, "transparency": 20},
   "recordShadow": {"enabled": false}, "groups": [1], "hyperlink": ["http://a", "b"],
   "component": {"transform": {"kind": 1, "topLeft": [10, 10], "topRight": [100, 5],
    "bottomLeft": [12, 70], "bottomRight": [110, 80]}, "threeD": [1, -2],
    "cutBorder": [1, 2, 3, 4]}},
  {"name": "DateTaken", "type": "text", "x": 150, "y": 70, "align": "right", "string": "2024",
   "font": {"size": 10}, "component": {"resize": [0.5, 0]}},
  {"name": "placeholder", "type": "picture", "x": 20, "y": 20, "width": 60, "height": 40,
   "color": "#6A6A6A", "mask": 200}]})"},
      {"path.json", R"({"page": {"width": 120, "height": 80},
 "objects": [
  {"name": "shape", "type": "path", "x": 4, "y": 6,
   "commands": [["move", 0, 0], ["line", 30, 0], ["curve", 40, 10, 40, 20, 30, 30],
    ["close"], ["move", 5, 5], ["line", 10, 8]],
   "fill": "#336699", "opacity": 180, "stroke": {"width": 2},
   "shadow": {"x": -3, "y": 4, "color": "#102030"},
   "component": {"stretch": [0, 0, 50, 25], "path": [["move", 1, 1], ["line", 9, 9]]}},
  {"name": "video", "type": "picture", "width": 16, "height": 9, "color": "#000",
   "linkText": "missing-clip.mp4", "mergeMode": 4}]})"},
  };
  for (const auto& [name, text] : descriptions)
    ok = writeFile(folder + "/" + name, std::vector<uint8_t>(text, text + std::strlen(text))) && ok;
  return ok;
}

}  // namespace kvxseeds
