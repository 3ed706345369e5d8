#pragma once
// The 1,512-byte object information record, with setters for the fields the theme loader
// reads. Every other byte stays 0 unless set through setInt32/bytes.
#include <array>
#include <cstdint>
#include <string>

#include "kvxtheme/export.h"
#include "kvxtheme/objectfilelib.h"

namespace kvx {

namespace record {
constexpr size_t kName = 0;  // 128 bytes, NUL-terminated
constexpr size_t kX = 128, kY = 132, kWidth = 136, kHeight = 140;
constexpr size_t kUseOwnMaskRect = 144;  // uint16: nonzero selects the rectangle at 148
constexpr size_t kOwnMaskRect = 148;     // x, y, width, height
constexpr size_t kTransparency = 296, kMergeMode = 300;
constexpr size_t kLegacyGroupId = 324;  // files before version 500
constexpr size_t kFlags = 328;          // bit 0: hidden
constexpr size_t kMaskRect = 348;       // x, y, width, height
constexpr size_t kText = 416;           // 256 bytes, NUL-terminated
constexpr size_t kGroupIds = 672;       // 16 × int32, version 500 and later
constexpr size_t kShadowOn = 736, kShadowSize = 740, kShadowParams = 744;
constexpr size_t kShadowTransparency = 784, kShadowColour = 792;
constexpr size_t kNameBytes = 128, kTextBytes = 256, kGroupIdCount = 16;
constexpr int32_t kShadowBlockSize = 24;
}  // namespace record

class KVX_API KvxObjectRecord {
 public:
  KvxObjectRecord() { bytes_.fill(0); }

  // Names longer than 127 bytes and texts longer than 255 bytes are cut.
  void setName(const std::string& name);
  void setRect(int32_t x, int32_t y, int32_t width, int32_t height);
  void setMaskRect(int32_t x, int32_t y, int32_t width, int32_t height);
  // Selects a separate mask rectangle (the one at byte 148) over the attribute block's.
  void setOwnMaskRect(int32_t x, int32_t y, int32_t width, int32_t height);
  void setTransparency(int32_t level) { setInt32(record::kTransparency, level); }
  void setMergeMode(int32_t mode) { setInt32(record::kMergeMode, mode); }
  void setFlags(int32_t flags) { setInt32(record::kFlags, flags); }
  void setLegacyGroupId(int32_t id) { setInt32(record::kLegacyGroupId, id); }
  void setGroupId(size_t slot, int32_t id);  // slot 0..15
  void setText(const std::string& text);
  // A shadow block as files from version 500 store it: size 24, on value, five parameters,
  // transparency and colour.
  void setShadow(int32_t on, const std::array<int32_t, 5>& params, int32_t transparency,
                 uint32_t colour);

  void setInt32(size_t offset, int32_t value);
  int32_t int32At(size_t offset) const;
  uint8_t* bytes() { return bytes_.data(); }
  const uint8_t* bytes() const { return bytes_.data(); }

 private:
  void setString(size_t offset, size_t capacity, const std::string& text);
  std::array<uint8_t, kObjectInfoSize> bytes_;
};

}  // namespace kvx
