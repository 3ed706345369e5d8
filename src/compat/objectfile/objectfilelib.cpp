#include "kvxtheme/objectfilelib.h"

#include <cstring>
#include <new>
#include <string>

#include "compat/objectfile/kvx_open_files.h"
#include "compat/objectfile/theme_files.h"
#include "compat/win32/win32.h"
#include "format/kvx_picture_reader.h"
#include "kvxtheme/kvx_format.h"

namespace {

using kvx::KvxContainer;
using kvx::ObjectChunks;
using kvx::PictureChunk;

// The object at `index` of an open file, or null (with the failure code in `result`).
const ObjectChunks* objectOf(const std::shared_ptr<const KvxContainer>& file, int index,
                             int* result) {
  if (!file) {
    *result = 0;
    return nullptr;
  }
  if (index < 0 || static_cast<size_t>(index) >= file->objects().size()) {
    *result = kWcsErrorRange;
    return nullptr;
  }
  return &file->objects()[index];
}

int readPicture(const PictureChunk& picture, void* params, WcsRowCallback callback) {
  WcsRowRecord record{};
  record.params = params;
  record.count = static_cast<int32_t>(picture.width);
  record.bitsPerPixel = static_cast<int32_t>(picture.bits);
  if (picture.encoding == kvx::kEncodingOneColour) {
    int32_t colour = static_cast<int32_t>(picture.colour);
    record.rows = static_cast<int32_t>(picture.height);
    record.rowData = &colour;
    record.kind = kRowKindFill;
    return callback(record) ? 1 : kWcsErrorAborted;
  }
  return kvx::deliverPictureRows(picture, [&](int firstRow, int rows, uint8_t* const* pointers) {
    record.y = firstRow;
    record.rows = rows;
    record.rowData = const_cast<uint8_t**>(pointers);
    return callback(record);
  });
}

int readObjectPicture(HGLOBAL file, int index, void* params, WcsRowCallback callback, bool mask) {
  auto container = kvx::findOpenFile(file);
  int result = 0;
  const ObjectChunks* object = objectOf(container, index, &result);
  if (!object) return result;
  if (!callback) return kWcsErrorRange;
  const auto& picture = mask ? object->mask : object->picture;
  // An object stored without this picture has nothing to deliver.
  if (!picture) return 1;
  try {
    return readPicture(*picture, params, callback);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

}  // namespace

extern "C" {

int wcsInitKvxDir(const char* directory) {
  if (!directory) return 0;
  kvx::setKvxDirectory(directory);
  return 1;
}

HGLOBAL wcsOpenFile(const char* path, int mode) {
  if (!path || !*path || mode != 0) return nullptr;
  std::string opened;
  auto container = kvx::openThemeContainer(path, &opened);
  return container ? kvx::openKvxContainer(std::move(container), opened) : nullptr;
}

int wcsKVXLock(HGLOBAL file, int lock) {
  return kvx::changeFileLock(file, lock != 0) ? 1 : 0;
}

int wcsGetAllGroupName(HGLOBAL file, int32_t* size, void** block) {
  auto container = kvx::findOpenFile(file);
  if (!container || !size || !block) return 0;
  *size = 0;
  *block = nullptr;
  if (!container->hasGroupBlock()) return 0;
  auto groups = container->groupBlock();
  HGLOBAL copy = GlobalAlloc(GMEM_FIXED, groups.size());
  if (!copy) return 0;
  if (!groups.empty()) std::memcpy(copy, groups.data(), groups.size());
  *size = static_cast<int32_t>(groups.size());
  *block = copy;
  return 1;
}

int wcsGetObjectNumber(HGLOBAL file, int32_t* count) {
  auto container = kvx::findOpenFile(file);
  if (!container || !count) return 0;
  *count = static_cast<int32_t>(container->objects().size());
  return 1;
}

int wcsOpenObjectInfo(HGLOBAL file, int32_t count, void* records) {
  auto container = kvx::findOpenFile(file);
  if (!container) return 0;
  if (count < 0 || static_cast<size_t>(count) > container->objects().size()) return kWcsErrorRange;
  if (count > 0 && !records) return kWcsErrorRange;
  auto* out = static_cast<uint8_t*>(records);
  for (int32_t i = 0; i < count; ++i)
    std::memcpy(out + size_t{static_cast<uint32_t>(i)} * kObjectInfoSize,
                container->objects()[i].info.data(), kObjectInfoSize);
  return 1;
}

int wcsGetIEPageInfo(HGLOBAL file, void* record) {
  auto container = kvx::findOpenFile(file);
  if (!container || !record) return 0;
  auto page = container->pageRecord();
  if (page.empty())
    std::memset(record, 0, kPageInfoSize);
  else
    std::memcpy(record, page.data(), kPageInfoSize);
  return 1;
}

int wcsReadObject(HGLOBAL file, const void*, int index, void* params, WcsRowCallback callback) {
  return readObjectPicture(file, index, params, callback, false);
}

int wcsReadObjectMask(HGLOBAL file, const void*, int index, void* params, WcsRowCallback callback) {
  return readObjectPicture(file, index, params, callback, true);
}

int wcsHasObjectStream(HGLOBAL file, const void*, int index, const char16_t* name, int32_t* has) {
  auto container = kvx::findOpenFile(file);
  int result = 0;
  const ObjectChunks* object = objectOf(container, index, &result);
  if (!object) return result;
  if (!name || !has) return kWcsErrorRange;
  *has = object->findStream(name) ? 1 : 0;
  return 1;
}

int wcsGetObjectStream(HGLOBAL file, const void*, int index, const char16_t* name,
                       void* destination) {
  auto container = kvx::findOpenFile(file);
  int result = 0;
  const ObjectChunks* object = objectOf(container, index, &result);
  if (!object) return destination ? result : 0;
  const kvx::StreamChunk* stream = object->findStream(name);
  if (!destination) return stream ? static_cast<int>(stream->bytes.size()) : 0;
  if (!stream) return kWcsErrorRange;
  if (!stream->bytes.empty()) std::memcpy(destination, stream->bytes.data(), stream->bytes.size());
  return 1;
}

}  // extern "C"
