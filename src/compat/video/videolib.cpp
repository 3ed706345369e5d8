#include "compat/video/videolib.h"

#include <cstring>
#include <string>

#include "compat/video/reader_table.h"
#include "io/video_frame_count.h"
#include "io/video_reader.h"

using kvxvideo::ReaderTable;
using kvxvideo::VideoReader;

namespace {

uint32_t load32(const void* record, int offset) {
  uint32_t value;
  std::memcpy(&value, static_cast<const uint8_t*>(record) + offset, sizeof value);
  return value;
}

void store32(void* record, int offset, uint32_t value) {
  std::memcpy(static_cast<uint8_t*>(record) + offset, &value, sizeof value);
}

void clearFilledFields(void* record) {
  std::memset(static_cast<uint8_t*>(record) + kVideoInfoFrameCount, 0,
              kVideoInfoFilledEnd - kVideoInfoFrameCount);
}

// The path of the record, refused when empty or when its NUL does not come before the count.
bool recordPath(const void* record, std::string* path) {
  const char* field = static_cast<const char*>(record) + kVideoInfoPath;
  const void* end = std::memchr(field, '\0', kVideoInfoPathMax);
  if (!end || end == field) return false;
  path->assign(field, static_cast<const char*>(end));
  return true;
}

}  // namespace

int qVideoGetFileInfo(void* info) {
  if (!info) return 0;
  clearFilledFields(info);
  std::string path;
  if (!recordPath(info, &path)) return 0;
  const auto reader = VideoReader::open(path);
  if (!reader) return 0;
  const uint32_t frameCount = kvxvideo::videoFrameCount(*reader, path);
  if (frameCount == 0) return 0;
  const auto& properties = reader->properties();
  store32(info, kVideoInfoFrameCount, frameCount);
  store32(info, kVideoInfoId, ReaderTable::instance().newInfoId());
  store32(info, kVideoInfoWidth, static_cast<uint32_t>(properties.width));
  store32(info, kVideoInfoHeight, static_cast<uint32_t>(properties.height));
  store32(info, kVideoInfoRateNum, static_cast<uint32_t>(properties.frameRate.num));
  store32(info, kVideoInfoRateDen, static_cast<uint32_t>(properties.frameRate.den));
  return 1;
}

int qVideoReadVideoBegin(void* info, int32_t* reserved, uint32_t* reader,
                         const BITMAPINFOHEADER* format) {
  if (reserved) *reserved = 0;
  if (!reader) return 0;
  *reader = 0;
  if (!info || !format) return 0;
  if (format->biSize < sizeof(BITMAPINFOHEADER) || format->biBitCount != 24 ||
      format->biCompression != 0)
    return 0;
  const uint32_t infoId = load32(info, kVideoInfoId);
  std::string path;
  if (infoId == 0 || !recordPath(info, &path)) return 0;
  auto opened = VideoReader::open(path);
  if (!opened) return 0;
  *reader = ReaderTable::instance().add(infoId, std::move(opened));
  return *reader ? 1 : 0;
}

int qVideoReadVideo(void* info, uint32_t frameNumber, BITMAPINFOHEADER** frame, int32_t* reserved,
                    uint32_t reader) {
  if (reserved) *reserved = 0;
  if (!frame) return 0;
  *frame = nullptr;
  if (!info) return 0;
  const auto entry = ReaderTable::instance().find(reader, load32(info, kVideoInfoId));
  if (!entry) return 0;
  std::lock_guard<std::mutex> busy(entry->lock);
  if (!entry->reader) return 0;
  const BITMAPINFOHEADER* bitmap = entry->reader->read(frameNumber);
  if (!bitmap) return 0;
  // The caller may not write into the bitmap; the type is that of the established interface.
  *frame = const_cast<BITMAPINFOHEADER*>(bitmap);
  return 1;
}

int qVideoReadVideoEnd(void* info, uint32_t reader) {
  if (!info) return 0;
  return ReaderTable::instance().remove(reader, load32(info, kVideoInfoId)) ? 1 : 0;
}

int qVideoFreeFileInfo(void* info) {
  if (!info) return 0;
  const uint32_t infoId = load32(info, kVideoInfoId);
  if (infoId != 0) ReaderTable::instance().removeAll(infoId);
  clearFilledFields(info);
  return 1;
}
