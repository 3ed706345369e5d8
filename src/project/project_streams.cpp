// The project library's object-stream operations. A file handle is one the theme library's
// wcsOpenFile handed out; the streams are read from that open file through the theme
// library's exported reader, so both see the same checked copy of the file.
#include <cstdint>
#include <cstring>

#include "kvxtheme/export.h"
#include "kvxtheme/globalmem.h"
#include "kvxtheme/objectfilelib.h"

namespace {

// Only handles of files the theme library has open are answered; anything else is refused
// before a stream operation sees it.
bool isOpenThemeFile(HGLOBAL file) {
  int32_t count = 0;
  return file && GlobalSize(file) == static_cast<size_t>(kKvxHeaderSize) &&
         wcsGetObjectNumber(file, &count) > 0;
}

}  // namespace

extern "C" {

KVX_API int PrjHasObjectStream(HGLOBAL file, const void* record, int index, const char16_t* name,
                               int32_t* has) {
  if (!name || !has || !isOpenThemeFile(file)) return 0;
  return wcsHasObjectStream(file, record, index, name, has);
}

KVX_API int PrjGetObjectStream(HGLOBAL file, const void* record, int index, const char16_t* name,
                               void* destination) {
  if (!name || !isOpenThemeFile(file)) return 0;
  return wcsGetObjectStream(file, record, index, name, destination);
}

}  // extern "C"
