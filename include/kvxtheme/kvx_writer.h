#pragma once
// Writing KVX theme files (docs/kvx-format.md). A writer collects the header, page, group
// block and objects, checks them, and writes the file atomically: a failed write leaves any
// existing file of that name as it was and no partial file behind.
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "kvxtheme/export.h"
#include "kvxtheme/kvx_object_record.h"
#include "kvxtheme/objectfilelib.h"

namespace kvx {

// A picture as stored: packed rows, top row first. 24-bit pixels are R, G, B; 8-bit one byte;
// 1-bit rows hold one bit a pixel, most significant bit first, each row padded to whole bytes.
// Or one colour (0x00BBGGRR; 8-bit and 1-bit pictures use the low byte) for the whole picture.
class KVX_API KvxPicture {
 public:
  static KvxPicture fromRows(int width, int height, int bitsPerPixel, std::vector<uint8_t> rows);
  static KvxPicture oneColour(int width, int height, int bitsPerPixel, uint32_t colour);

  int width() const { return width_; }
  int height() const { return height_; }
  int bitsPerPixel() const { return bits_; }
  bool isOneColour() const { return oneColour_; }
  uint32_t colour() const { return colour_; }
  const std::vector<uint8_t>& rows() const { return rows_; }

 private:
  int width_ = 0;
  int height_ = 0;
  int bits_ = 0;
  bool oneColour_ = false;
  uint32_t colour_ = 0;
  std::vector<uint8_t> rows_;
};

class KVX_API KvxWriterObject {
 public:
  explicit KvxWriterObject(const KvxObjectRecord& record) : record_(record) {}

  KvxObjectRecord& record() { return record_; }
  const KvxObjectRecord& record() const { return record_; }
  // The colour picture's depth must match the file's pixel format; masks are 8-bit.
  void setPicture(KvxPicture picture) { picture_ = std::move(picture), hasPicture_ = true; }
  void setMask(KvxPicture mask) { mask_ = std::move(mask), hasMask_ = true; }
  void addStream(std::u16string name, std::vector<uint8_t> bytes);

 private:
  friend class KvxWriter;
  KvxObjectRecord record_;
  KvxPicture picture_;
  KvxPicture mask_;
  bool hasPicture_ = false;
  bool hasMask_ = false;
  std::vector<std::pair<std::u16string, std::vector<uint8_t>>> streams_;
};

class KVX_API KvxWriter {
 public:
  static constexpr uint16_t kDefaultVersion = 500;
  static constexpr int32_t kDefaultPixelFormat = 2;  // 24-bit colour pictures

  KvxWriter();

  void setPageSize(int32_t width, int32_t height);
  void setPixelFormat(int32_t code);  // 2 24-bit, 64 1-bit, else 8-bit
  void setVersion(uint16_t version);
  void setPageRenderFlag(int32_t flag);
  // Raw records for fields without a setter. The header's bytes from 768 on are not stored:
  // the reader puts the open file's path there.
  std::array<uint8_t, kKvxHeaderSize>& headerRecord() { return header_; }
  std::array<uint8_t, kPageInfoSize>& pageRecord() { return page_; }

  // Stored byte for byte, whatever it holds (see kvx_group_block.h to build one).
  void setGroupBlock(std::vector<uint8_t> block);

  KvxWriterObject& addObject(const KvxObjectRecord& record);
  size_t objectCount() const { return objects_.size(); }

  // The file's bytes; false with a message naming the fault when the content is unsound.
  bool serialize(std::vector<uint8_t>* out, std::string* error) const;
  // Serializes and replaces `path` atomically.
  bool write(const std::string& path, std::string* error) const;

 private:
  std::array<uint8_t, kKvxHeaderSize> header_{};
  std::array<uint8_t, kPageInfoSize> page_{};
  bool hasGroups_ = false;
  std::vector<uint8_t> groups_;
  std::deque<KvxWriterObject> objects_;
};

}  // namespace kvx
