// Reads a KVX theme file into an empty document: page size, groups and objects.
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/object_loader.h"
#include "document/theme_document.h"
#include "kvxtheme/commonlib.h"
#include "kvxtheme/filelib.h"
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

// Closes the file on every path after a successful open.
struct OpenFile {
  HGLOBAL handle;
  ~OpenFile() {
    wcsKVXLock(handle, 0);
    q32FileFreeFileData(handle);
  }
};

// Refuses a theme whose records declare more picture memory than a theme may hold, before any
// picture is allocated; a small file could otherwise ask for many gigabytes.
bool withinPictureBudget(HGLOBAL file, const std::vector<uint8_t>& records, int32_t count) {
  const int bits = pictureBitsOf(file);
  uint64_t total = 0;
  for (int32_t index = 0; index < count; ++index) {
    total +=
        declaredPictureBytes(records.data() + static_cast<size_t>(index) * kObjectInfoSize, bits);
    if (total > kMaxThemePictureBytes) break;
  }
  if (total <= kMaxThemePictureBytes) return true;
  const std::string detail = "the theme's pictures declare more than " +
                             std::to_string(kMaxThemePictureBytes >> 20) +
                             " MiB, the most one theme may hold";
  c32SetDLLErrInfo(detail.c_str(), kErrorOutOfMemory, 1, 3300, 5, 0);
  return false;
}

}  // namespace

int readPageSize(const char* path, int32_t* width, int32_t* height) {
  HGLOBAL file = wcsOpenFile(path, 0);
  if (!file) return 0;
  auto* header = static_cast<const uint8_t*>(GlobalLock(file));
  if (!header) {
    q32FileFreeFileData(file);
    return 0;
  }
  *width = readInt32(header + kHeaderPageWidth);
  *height = readInt32(header + kHeaderPageHeight);
  GlobalUnlock(file);
  q32FileFreeFileData(file);
  return 1;
}

int ThemeDocument::loadThemeFile(const char* path) {
  if (!path) return 0;
  const std::string ownPath = path;
  char fioPath[260] = {};
  q32FileGetFIOPath(fioPath, sizeof(fioPath));
  wcsInitKvxDir(fioPath);
  readPageSize(ownPath.c_str(), &pageWidth, &pageHeight);

  HGLOBAL handle = wcsOpenFile(ownPath.c_str(), 0);
  if (!handle) return 0;
  wcsKVXLock(handle, 1);
  OpenFile file{handle};
  readGroups(handle, groups);

  int32_t count = 0;
  int result = wcsGetObjectNumber(handle, &count);
  if (result <= 0) return result;

  std::vector<uint8_t> records;
  if (count >= 1) {
    try {
      records.resize(static_cast<size_t>(count) * kObjectInfoSize);
    } catch (const std::bad_alloc&) {
      c32SetDLLErrInfo(nullptr, kErrorOutOfMemory, 1, 3300, 1, 0);
      return 0;
    }
    result = wcsOpenObjectInfo(handle, count, records.data());
    if (result <= 0) return result;
    if (!withinPictureBudget(handle, records, count)) return 0;
  }
  uint8_t pageInfo[kPageInfoSize] = {};
  wcsGetIEPageInfo(handle, pageInfo);
  const int32_t renderFlag = readInt32(pageInfo + 48);

  for (int32_t index = 0; index < count; ++index) {
    ThemeObject* object = nullptr;
    result =
        loadObject(handle, index, records.data() + static_cast<size_t>(index) * kObjectInfoSize,
                   &object, this, renderFlag);
    if (result <= 0) return result;
    objects.emplace_back(object);
  }
  removeUnreferencedGroups();
  return result;
}

int ThemeDocument::readGroups(HGLOBAL file, GroupList& list) {
  int32_t size = 0;
  void* block = nullptr;
  if (!wcsGetAllGroupName(file, &size, &block)) return 1;
  if (size > 0 && block) {
    const size_t available = GlobalSize(block);
    const size_t usable = available ? std::min<size_t>(size, available) : size;
    parseGroupBlock(list, static_cast<int32_t>(usable), static_cast<const uint8_t*>(block));
  }
  if (block) GlobalFree(block);
  return 1;
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
