#pragma once
// ObjectFileLib: reading KVX theme files (format: docs/kvx-format.md). Operations return
// greater than 0 on success, 0 or a negative code on failure.
#include <cstdint>

#include "kvxtheme/export.h"
#include "kvxtheme/globalmem.h"

constexpr int kKvxHeaderSize = 1024;   // the header record behind a file handle
constexpr int kObjectInfoSize = 1512;  // one object information record
constexpr int kPageInfoSize = 532;     // the page information record

// Header record fields (byte offsets).
constexpr int kHeaderPageWidth = 592;    // int32
constexpr int kHeaderPageHeight = 596;   // int32
constexpr int kHeaderPixelFormat = 608;  // int32: 2 24-bit, 64 1-bit, else 8-bit
constexpr int kHeaderVersion = 734;      // uint16
constexpr int kHeaderPath = 768;         // NUL-terminated path of the open file (up to 256 bytes)

// Failure codes below 0.
constexpr int kWcsErrorFormat = -2;   // damaged or not a KVX file
constexpr int kWcsErrorRange = -3;    // object index or stream out of range
constexpr int kWcsErrorAborted = -4;  // the row callback asked to stop

// The record a row callback receives by value. The colour reader's record is followed by
// bitsPerPixel; the mask reader's ends after `kind`.
struct WcsRowRecord {
  void* params;   // the parameter block handed to the read operation
  int32_t x;      // first column
  int32_t y;      // first row
  int32_t count;  // pixels per row
  int32_t rows;   // number of rows
  void* rowData;  // array of row pointers, or for kind 512 a pointer to one int32 colour
  uint16_t kind;  // 512: fill the whole buffer with the colour
  int32_t bitsPerPixel;
};
constexpr uint16_t kRowKindFill = 512;

// Parameter blocks: int32 1, 1, 0, (unset), 0, (unset), then the caller's context.
struct WcsReadParams {
  int32_t value[6];
  void* context;
};
struct WcsMaskParams {
  int16_t kind;  // 0
  int32_t one;   // 1
  void* context;
};

using WcsRowCallback = int (*)(WcsRowRecord record);

extern "C" {
KVX_API int wcsInitKvxDir(const char* directory);
// A handle whose locked memory is the header record; 0 when the file cannot be opened.
KVX_API HGLOBAL wcsOpenFile(const char* path, int mode);
KVX_API int wcsKVXLock(HGLOBAL file, int lock);
// The group block (plain or extended form) as a GlobalAlloc block the caller frees.
KVX_API int wcsGetAllGroupName(HGLOBAL file, int32_t* size, void** block);
KVX_API int wcsGetObjectNumber(HGLOBAL file, int32_t* count);
KVX_API int wcsOpenObjectInfo(HGLOBAL file, int32_t count, void* records);
KVX_API int wcsGetIEPageInfo(HGLOBAL file, void* record);
KVX_API int wcsReadObject(HGLOBAL file, const void* record, int index, void* params,
                          WcsRowCallback callback);
KVX_API int wcsReadObjectMask(HGLOBAL file, const void* record, int index, void* params,
                              WcsRowCallback callback);
KVX_API int wcsHasObjectStream(HGLOBAL file, const void* record, int index, const char16_t* name,
                               int32_t* has);
// With a null destination: the stream's size (0 when absent). Otherwise copies the stream.
KVX_API int wcsGetObjectStream(HGLOBAL file, const void* record, int index, const char16_t* name,
                               void* destination);
}
