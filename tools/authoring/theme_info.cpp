#include "theme_info.h"

#include <cstring>

#include "kvxtheme/kvx_bytes.h"
#include "kvxtheme/kvx_container.h"
#include "kvxtheme/kvx_format.h"
#include "kvxtheme/kvx_object_record.h"
#include "kvxtheme/objectfilelib.h"
#include "kvxtheme/pathlib.h"
#include "kvxtheme/renderlib.h"

namespace kvxauthor {

namespace {

constexpr uint16_t kGroupListVersion = 500;
constexpr size_t kComponentRecordSize = 160;

bool refuse(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

int32_t int32At(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<int32_t>(kvx::loadU32(bytes.data() + offset));
}

double doubleAt(std::span<const uint8_t> bytes, size_t offset) {
  double value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

// A NUL-terminated string inside `bytes`, cut at `capacity` or at the end of the bytes.
std::string stringAt(std::span<const uint8_t> bytes, size_t offset, size_t capacity) {
  if (offset >= bytes.size()) return {};
  const size_t room = std::min(capacity, bytes.size() - offset);
  const char* start = reinterpret_cast<const char*>(bytes.data() + offset);
  return std::string(start, strnlen(start, room));
}

void appendUtf8(std::string* out, uint32_t code) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

std::string utf8Of(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t unit = text[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (unit >= 0xD800 && unit < 0xE000) {
      unit = 0xFFFD;
    }
    appendUtf8(&out, unit);
  }
  return out;
}

// Reads the block as a theme loader does: entries until the offset reaches the block's size.
void readGroupBlock(std::span<const uint8_t> block, ThemeInfo* info) {
  size_t offset = 0;
  if (block.size() >= 8 && int32At(block, 0) == -1 && int32At(block, 4) >= 1) {
    info->extendedGroups = true;
    info->storedGroupCount = int32At(block, 4);
    offset = 12;
  }
  auto takeString = [&](std::string* out) {
    *out = stringAt(block, offset, block.size());
    offset += out->size() + 1;
  };
  while (offset + 4 <= block.size()) {
    GroupInfo group;
    group.id = int32At(block, offset);
    offset += 4;
    takeString(&group.name);
    if (info->extendedGroups)
      for (std::string& text : group.texts) takeString(&text);
    info->groups.push_back(std::move(group));
  }
}

PictureInfo pictureInfo(const kvx::PictureChunk& chunk) {
  PictureInfo picture;
  picture.width = chunk.width;
  picture.height = chunk.height;
  picture.bits = chunk.bits;
  picture.oneColour = chunk.encoding == kvx::kEncodingOneColour;
  picture.colour = chunk.colour;
  picture.storedBytes = picture.oneColour ? 4 : chunk.deflated.size();
  return picture;
}

int acceptAny(int32_t, int32_t, int32_t, int32_t, void*) {
  return 1;
}

// A render object restored from its stream, released when it goes.
class RestoredObject {
 public:
  explicit RestoredObject(bool text)
      : handle_(text ? qrCreateTextObject() : qrCreatePathObject()) {}
  ~RestoredObject() {
    if (handle_) qrDeleteTextPathObject(handle_);
  }
  RestoredObject(const RestoredObject&) = delete;
  RestoredObject& operator=(const RestoredObject&) = delete;

  bool restore(std::span<const uint8_t> bytes) {
    return handle_ && bytes.size() <= static_cast<size_t>(INT32_MAX) &&
           qrUnFlattenObject(handle_, static_cast<int32_t>(bytes.size()), bytes.data(), acceptAny,
                             nullptr) > 0;
  }
  RenderHandle handle() const { return handle_; }

 private:
  RenderHandle handle_;
};

std::optional<RenderInfo> renderInfo(const kvx::StreamChunk& stream, bool text) {
  RestoredObject object(text);
  if (!object.restore(stream.bytes)) return std::nullopt;
  const RenderHandle handle = object.handle();
  RenderInfo render;
  render.text = text;
  QrFontRecord font{};
  QrColorRecord colour{};
  QzPath path;
  if ((text && !qrGetString(handle, &render.string)) || !qrGetAlign(handle, &render.alignment) ||
      !qrGetColorValue(handle, &colour) || !qrGetQzPath(handle, &path))
    return std::nullopt;
  // Only text objects carry a font.
  if (text && qrGetFont(handle, &font)) {
    const LOGFONTA& logFont = font.logFont;
    render.fontFace.assign(logFont.lfFaceName,
                           strnlen(logFont.lfFaceName, sizeof logFont.lfFaceName));
    render.fontSize = qrGetFontSize(handle);
    render.fontWeight = logFont.lfWeight;
    render.italic = logFont.lfItalic != 0;
    render.underline = logFont.lfUnderline != 0;
    render.strikeOut = logFont.lfStrikeOut != 0;
    render.charset = logFont.lfCharSet;
  }
  render.colour = kvx::loadU32(colour.bytes + 4) & 0xFFFFFF;
  render.opacity = static_cast<int32_t>(kvx::loadU32(colour.bytes + 8));
  render.strokeColour = kvx::loadU32(colour.bytes + 12) & 0xFFFFFF;
  render.strokeWidth = static_cast<int32_t>(kvx::loadU32(colour.bytes + 16));
  QrShadowRecord shadow{};
  if (qrHasShadow(handle) && qrGetShadowAttr(handle, &shadow))
    render.shadow =
        RecordShadowInfo{1,
                         {shadow.kind, shadow.xOffset, shadow.yOffset, shadow.opacity, shadow.blur},
                         shadow.transparency,
                         static_cast<uint32_t>(shadow.color)};
  render.path = std::move(path);
  return render;
}

ComponentInfo componentInfo(std::span<const uint8_t> stream) {
  // A short stream reads as a record whose missing bytes are zero, as a theme loader reads it.
  std::vector<uint8_t> record(std::max(stream.size(), kComponentRecordSize), 0);
  std::memcpy(record.data(), stream.data(), stream.size());
  const std::span<const uint8_t> bytes(record);
  ComponentInfo component;
  component.transformKind = int32At(bytes, 120);
  for (size_t i = 0; i < 8; ++i) {
    const uint32_t value = kvx::loadU32(bytes.data() + 128 + 4 * i);
    component.corners[i] = static_cast<int16_t>(value >> 16);
  }
  for (size_t i = 0; i < 4; ++i) component.stretch[i] = doubleAt(bytes, 64 + 8 * i);
  component.resize = {doubleAt(bytes, 96), doubleAt(bytes, 104)};
  component.threeD = {int32At(bytes, 112), int32At(bytes, 116)};
  if (stream.size() > kComponentRecordSize) {
    const uint8_t* data = stream.data() + kComponentRecordSize;
    QzPath* path = nullptr;
    if (QzPathUnFlatten(&data, stream.size() - kComponentRecordSize, &path) && path) {
      component.path = std::move(*path);
      QzPathDeletePtr(path, 0);
    }
  }
  return component;
}

std::array<int32_t, 4> cutBorder(std::span<const uint8_t> stream) {
  std::array<int32_t, 4> border{};
  for (size_t i = 0; i < 4 && 4 * i + 4 <= stream.size(); ++i) border[i] = int32At(stream, 4 * i);
  return border;
}

std::vector<std::string> hyperlinkStrings(std::span<const uint8_t> stream) {
  std::vector<std::string> strings;
  size_t offset = 0;
  while (offset < stream.size() && strings.size() < 4) {
    strings.push_back(stringAt(stream, offset, stream.size()));
    offset += strings.back().size() + 1;
  }
  return strings;
}

void readRecord(std::span<const uint8_t> record, uint16_t version, ObjectInfo* object) {
  namespace r = kvx::record;
  object->name = stringAt(record, r::kName, r::kNameBytes);
  object->x = int32At(record, r::kX);
  object->y = int32At(record, r::kY);
  object->width = int32At(record, r::kWidth);
  object->height = int32At(record, r::kHeight);
  const size_t maskRect =
      kvx::loadU16(record.data() + r::kUseOwnMaskRect) ? r::kOwnMaskRect : r::kMaskRect;
  for (size_t i = 0; i < 4; ++i) object->maskRect[i] = int32At(record, maskRect + 4 * i);
  object->recordText = stringAt(record, r::kText, r::kTextBytes);
  object->flags = int32At(record, r::kFlags);
  object->transparency = int32At(record, r::kTransparency);
  object->mergeMode = int32At(record, r::kMergeMode);
  if (version < kGroupListVersion) {
    if (const int32_t id = int32At(record, r::kLegacyGroupId)) object->groups.push_back(id);
  } else {
    for (size_t i = 0; i < r::kGroupIdCount; ++i)
      if (const int32_t id = int32At(record, r::kGroupIds + 4 * i)) object->groups.push_back(id);
    if (int32At(record, r::kShadowSize) == r::kShadowBlockSize) {
      RecordShadowInfo shadow;
      shadow.on = int32At(record, r::kShadowOn);
      for (size_t i = 0; i < 5; ++i) shadow.params[i] = int32At(record, r::kShadowParams + 4 * i);
      shadow.transparency = int32At(record, r::kShadowTransparency);
      shadow.colour = static_cast<uint32_t>(int32At(record, r::kShadowColour));
      object->shadow = shadow;
    }
  }
}

void readObject(const kvx::ObjectChunks& chunks, uint16_t version, ObjectInfo* object) {
  if (chunks.info.size() >= static_cast<size_t>(kObjectInfoSize))
    readRecord(chunks.info, version, object);
  if (chunks.picture) object->picture = pictureInfo(*chunks.picture);
  if (chunks.mask) object->mask = pictureInfo(*chunks.mask);
  object->kind = "picture";
  for (const kvx::StreamChunk& stream : chunks.streams)
    object->streams.push_back({utf8Of(stream.name), stream.bytes.size()});
  if (const kvx::StreamChunk* text = chunks.findStream(u"TextStream")) {
    object->kind = "text";
    object->render = renderInfo(*text, true);
  } else if (const kvx::StreamChunk* path = chunks.findStream(u"PathStream")) {
    object->kind = "path";
    object->render = renderInfo(*path, false);
  }
  if (const kvx::StreamChunk* component = chunks.findStream(u"ComponentObjectStream"))
    object->component = componentInfo(component->bytes);
  if (const kvx::StreamChunk* border = chunks.findStream(u"PathCutBorderStream")) {
    if (!object->component) object->component = ComponentInfo{};
    object->component->cutBorder = cutBorder(border->bytes);
  }
  if (const kvx::StreamChunk* link = chunks.findStream(u"ObjHyperLinkStream"))
    object->hyperlink = hyperlinkStrings(link->bytes);
}

}  // namespace

bool readThemeContainer(const std::string& path, std::unique_ptr<kvx::KvxContainer>* container,
                        std::string* error) {
  std::vector<uint8_t> bytes;
  std::string why;
  if (!kvx::readThemeFileBytes(path, &bytes, &why)) return refuse(error, path + ": " + why);
  *container = kvx::KvxContainer::parse(std::move(bytes), &why);
  if (!*container) return refuse(error, path + ": " + why);
  if ((*container)->headerRecord().size() < static_cast<size_t>(kKvxHeaderSize))
    return refuse(error, path + ": header record too short");
  return true;
}

ThemeInfo themeInfoOf(const kvx::KvxContainer& container) {
  ThemeInfo info;
  const std::span<const uint8_t> header = container.headerRecord();
  info.pageWidth = int32At(header, kHeaderPageWidth);
  info.pageHeight = int32At(header, kHeaderPageHeight);
  info.pixelFormat = int32At(header, kHeaderPixelFormat);
  info.bitsPerPixel = kvx::bitsForFormatCode(info.pixelFormat);
  info.version = kvx::loadU16(header.data() + kHeaderVersion);
  const std::span<const uint8_t> page = container.pageRecord();
  if (page.size() >= kvx::kPageRenderFlag + 4)
    info.pageRenderFlag = int32At(page, kvx::kPageRenderFlag);
  info.hasGroupBlock = container.hasGroupBlock();
  if (info.hasGroupBlock) {
    info.groupBlockSize = container.groupBlock().size();
    readGroupBlock(container.groupBlock(), &info);
  }
  for (const kvx::ObjectChunks& chunks : container.objects()) {
    ObjectInfo object;
    readObject(chunks, info.version, &object);
    info.objects.push_back(std::move(object));
  }
  return info;
}

bool readThemeInfo(const std::string& path, ThemeInfo* info, std::string* error) {
  std::unique_ptr<kvx::KvxContainer> container;
  if (!readThemeContainer(path, &container, error)) return false;
  *info = themeInfoOf(*container);
  return true;
}

}  // namespace kvxauthor
