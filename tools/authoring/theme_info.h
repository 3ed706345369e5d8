#pragma once
// What a KVX theme file holds, read for inspection: page, groups, and per object its record
// fields, pictures, streams and the settings of its render object and component record.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "authoring_api.h"
#include "kvxtheme/kvx_container.h"
#include "kvxtheme/pathlib.h"

namespace kvxauthor {

struct PictureInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bits = 0;
  bool oneColour = false;
  uint32_t colour = 0;       // one-colour pictures, 0x00BBGGRR
  uint64_t storedBytes = 0;  // compressed size of the rows
};

struct StreamInfo {
  std::string name;  // UTF-8
  uint64_t size = 0;
};

struct RecordShadowInfo {
  int32_t on = 0;
  std::array<int32_t, 5> params{};
  int32_t transparency = 0;
  uint32_t colour = 0;
};

struct RenderInfo {
  bool text = false;
  std::string string;
  std::string fontFace;
  int32_t fontSize = 0;
  int32_t fontWeight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int32_t charset = 0;
  int32_t alignment = 0;
  uint32_t colour = 0;
  int32_t opacity = 0;
  uint32_t strokeColour = 0;
  int32_t strokeWidth = 0;  // 1/100 pixel; 0: no stroke
  std::optional<RecordShadowInfo> shadow;
  QzPath path;
};

struct ComponentInfo {
  int32_t transformKind = 0;
  std::array<int32_t, 8> corners{};  // top-left, top-right, bottom-left, bottom-right
  std::array<double, 4> stretch{};
  std::array<double, 2> resize{};
  std::array<int32_t, 2> threeD{};
  std::optional<QzPath> path;
  std::optional<std::array<int32_t, 4>> cutBorder;  // "PathCutBorderStream"
};

struct ObjectInfo {
  std::string name;
  std::string kind;  // "picture", "text" or "path"
  int32_t x = 0, y = 0, width = 0, height = 0;
  std::array<int32_t, 4> maskRect{};
  std::string recordText;
  int32_t flags = 0;
  int32_t transparency = 0;
  int32_t mergeMode = 0;
  std::vector<int32_t> groups;  // the nonzero ids
  std::optional<RecordShadowInfo> shadow;
  std::optional<PictureInfo> picture;
  std::optional<PictureInfo> mask;
  std::vector<StreamInfo> streams;
  std::optional<RenderInfo> render;
  std::optional<ComponentInfo> component;
  std::vector<std::string> hyperlink;
};

struct GroupInfo {
  int32_t id = 0;
  std::string name;
  std::array<std::string, 4> texts;
};

struct ThemeInfo {
  int32_t pageWidth = 0;
  int32_t pageHeight = 0;
  int32_t pixelFormat = 0;
  uint32_t bitsPerPixel = 0;
  uint16_t version = 0;
  int32_t pageRenderFlag = 0;
  bool hasGroupBlock = false;
  bool extendedGroups = false;
  int32_t storedGroupCount = 0;
  uint64_t groupBlockSize = 0;
  std::vector<GroupInfo> groups;
  std::vector<ObjectInfo> objects;
};

// False with a message when the file cannot be read or is not a sound KVX file.
KVX_AUTHORING_API bool readThemeInfo(const std::string& path, ThemeInfo* info, std::string* error);

// The same in two steps, for readers that also need the stored pictures.
bool readThemeContainer(const std::string& path, std::unique_ptr<kvx::KvxContainer>* container,
                        std::string* error);
ThemeInfo themeInfoOf(const kvx::KvxContainer& container);

}  // namespace kvxauthor
