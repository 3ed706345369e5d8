// Feeds arbitrary bytes to the KVX reader and then asks the opened file everything the theme
// loader asks, touching every byte handed out so that the sanitizers see each read.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "compat/objectfile/kvx_open_files.h"
#include "kvxtheme/filelib.h"
#include "kvxtheme/kvx_format.h"
#include "kvxtheme/objectfilelib.h"

namespace {

volatile uint32_t sink;

void touch(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  uint32_t sum = 0;
  for (size_t i = 0; i < size; ++i) sum += bytes[i];
  sink = sink + sum;
}

int touchRows(WcsRowRecord record) {
  if (record.kind == kRowKindFill) {
    touch(record.rowData, sizeof(int32_t));
    return 1;
  }
  const size_t rowBytes =
      kvx::packedRowBytes(static_cast<uint32_t>(record.count), record.bitsPerPixel);
  auto* const* rows = static_cast<uint8_t* const*>(record.rowData);
  for (int i = 0; i < record.rows; ++i) touch(rows[i], rowBytes);
  return 1;
}

void readStreams(HGLOBAL file, const void* record, int index) {
  for (const char16_t* name : {u"TextStream", u"PathStream", u"PathCutBorderStream",
                               u"ComponentObjectStream", u"ObjHyperLinkStream"}) {
    int32_t has = 0;
    if (wcsHasObjectStream(file, record, index, name, &has) < 1 || !has) continue;
    const int size = wcsGetObjectStream(file, record, index, name, nullptr);
    if (size <= 0) continue;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (wcsGetObjectStream(file, record, index, name, bytes.data()) > 0)
      touch(bytes.data(), bytes.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HGLOBAL file = kvx::openKvxBytes(std::vector<uint8_t>(data, data + size), "fuzz.kvx");
  if (!file) return 0;
  wcsKVXLock(file, 1);
  if (const void* header = GlobalLock(file)) {
    touch(header, kKvxHeaderSize);
    GlobalUnlock(file);
  }
  int32_t groupSize = 0;
  void* groups = nullptr;
  if (wcsGetAllGroupName(file, &groupSize, &groups)) {
    touch(groups, static_cast<size_t>(groupSize));
    GlobalFree(groups);
  }
  std::vector<uint8_t> page(kPageInfoSize);
  wcsGetIEPageInfo(file, page.data());
  int32_t count = 0;
  if (wcsGetObjectNumber(file, &count) > 0 && count > 0) {
    std::vector<uint8_t> records(static_cast<size_t>(count) * kObjectInfoSize);
    if (wcsOpenObjectInfo(file, count, records.data()) > 0) {
      for (int index = 0; index < count; ++index) {
        const uint8_t* record = records.data() + static_cast<size_t>(index) * kObjectInfoSize;
        WcsReadParams readParams{{1, 1, 0, 0, 0, 0}, nullptr};
        wcsReadObject(file, record, index, &readParams, touchRows);
        WcsMaskParams maskParams{0, 1, nullptr};
        wcsReadObjectMask(file, record, index, &maskParams, touchRows);
        readStreams(file, record, index);
      }
    }
  }
  wcsKVXLock(file, 0);
  q32FileFreeFileData(file);
  return 0;
}
