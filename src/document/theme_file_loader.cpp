// Reads a KVX theme file into an empty document: page size, groups and objects.
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "compat/file/data_directory.h"
#include "compat/objectfile/theme_files.h"
#include "document/object_loader.h"
#include "document/theme_document.h"
#include "kvxtheme/commonlib.h"
#include "kvxtheme/kvx_format.h"
#include "kvxtheme/objectfilelib.h"

namespace {

int32_t readInt32(const uint8_t* bytes) {
  int32_t value;
  std::memcpy(&value, bytes, 4);
  return value;
}

// A string of the group block: it ends at its NUL or at the block's end, whichever comes first.
struct BlockString {
  std::string text;
  size_t advance;  // bytes the entry moves on: the length and its NUL
};

BlockString readBlockString(const uint8_t* block, size_t size, size_t offset) {
  if (offset >= size) return {std::string(), 1};
  const char* start = reinterpret_cast<const char*>(block + offset);
  const size_t length = strnlen(start, size - offset);
  return {std::string(start, length), length + 1};
}

// Refuses a theme whose records declare more picture memory than a theme may hold, before any
// picture is allocated; a small file could otherwise ask for many gigabytes.
bool withinPictureBudget(const kvx::KvxContainer& file) {
  if (file.declaredPictureBytes() <= kvx::kMaxThemePictureBytes) return true;
  const std::string detail = "the theme's pictures declare more than " +
                             std::to_string(kvx::kMaxThemePictureBytes >> 20) +
                             " MiB, the most one theme may hold";
  c32SetDLLErrInfo(detail.c_str(), kErrorOutOfMemory, 1, 3300, 5, 0);
  return false;
}

}  // namespace

int ThemeDocument::loadThemeFile(const char* path) {
  if (!path) return 0;
  kvx::setKvxDirectory(kvx::dataDirectory());
  ThemeSource file;
  file.container = kvx::openThemeContainer(path, &file.path);
  if (!file.container) return 0;
  const uint8_t* header = file.container->headerRecord().data();
  pageWidth = readInt32(header + kHeaderPageWidth);
  pageHeight = readInt32(header + kHeaderPageHeight);
  if (file.container->hasGroupBlock()) {
    const auto block = file.container->groupBlock();
    parseGroupBlock(groups, static_cast<int32_t>(block.size()), block.data());
  }
  if (!withinPictureBudget(*file.container)) return 0;
  const auto page = file.container->pageRecord();
  const int32_t renderFlag = page.size() >= 52 ? readInt32(page.data() + 48) : 0;

  int result = 1;
  const int count = static_cast<int>(file.container->objects().size());
  for (int index = 0; index < count; ++index) {
    ThemeObject* object = nullptr;
    result = loadObject(file, index, &object, this, renderFlag);
    if (result <= 0) return result;
    objects.emplace_back(object);
  }
  removeUnreferencedGroups();
  return result;
}

int ThemeDocument::parseGroupBlock(GroupList& list, int32_t size, const uint8_t* block) {
  if (!block || size <= 0) return 1;
  const size_t blockSize = static_cast<size_t>(size);
  const bool extended = blockSize >= 8 && readInt32(block) == -1 && readInt32(block + 4) >= 1;
  // Texts go to the first group of an id, as setGroupTexts finds it; looked up here by id, so
  // a block of many entries loads in linear time.
  std::unordered_map<int32_t, ThemeGroup*> firstOfId;
  for (const auto& group : list)
    if (group) firstOfId.emplace(group->id, group.get());
  size_t offset = extended ? 12 : 0;
  while (offset < blockSize) {
    if (blockSize - offset < 4) break;  // no room for an id: the block ends here
    const int32_t id = readInt32(block + offset);
    const BlockString name = readBlockString(block, blockSize, offset + 4);
    size_t next = offset + 4 + name.advance;
    BlockString texts[4];
    if (extended) {
      for (BlockString& text : texts) {
        text = readBlockString(block, blockSize, next);
        next += text.advance;
      }
    }
    if (addGroup(list, id, name.text.c_str())) firstOfId.emplace(id, list.back().get());
    if (const auto first = firstOfId.find(id); first != firstOfId.end())
      first->second->setTexts(texts[0].text.c_str(), texts[1].text.c_str(), texts[2].text.c_str(),
                              texts[3].text.c_str());
    offset = next;
  }
  return 1;
}

int ThemeDocument::addGroup(GroupList& list, int32_t id, const char* name) {
  std::unique_ptr<ThemeGroup> group(new (std::nothrow) ThemeGroup);
  if (!group) return 0;
  group->id = id;
  copyToField(group->name, sizeof(group->name), name);
  list.push_back(std::move(group));
  return 1;
}

int ThemeDocument::setGroupTexts(int32_t id, const char* text1, const char* text2,
                                 const char* text3, const char* text4, GroupList& list) {
  for (const auto& group : list)
    if (group && group->id == id) return group->setTexts(text1, text2, text3, text4);
  return 0;
}
