#include "kvxtheme/kvx_object_record.h"

#include <algorithm>
#include <cstring>

#include "kvxtheme/kvx_bytes.h"

namespace kvx {

void KvxObjectRecord::setString(size_t offset, size_t capacity, const std::string& text) {
  std::memset(bytes_.data() + offset, 0, capacity);
  std::memcpy(bytes_.data() + offset, text.data(), std::min(text.size(), capacity - 1));
}

void KvxObjectRecord::setName(const std::string& name) {
  setString(record::kName, record::kNameBytes, name);
}

void KvxObjectRecord::setText(const std::string& text) {
  setString(record::kText, record::kTextBytes, text);
}

void KvxObjectRecord::setRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  setInt32(record::kX, x);
  setInt32(record::kY, y);
  setInt32(record::kWidth, width);
  setInt32(record::kHeight, height);
}

void KvxObjectRecord::setMaskRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  setInt32(record::kMaskRect, x);
  setInt32(record::kMaskRect + 4, y);
  setInt32(record::kMaskRect + 8, width);
  setInt32(record::kMaskRect + 12, height);
}

void KvxObjectRecord::setOwnMaskRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  storeU16(bytes_.data() + record::kUseOwnMaskRect, 1);
  setInt32(record::kOwnMaskRect, x);
  setInt32(record::kOwnMaskRect + 4, y);
  setInt32(record::kOwnMaskRect + 8, width);
  setInt32(record::kOwnMaskRect + 12, height);
}

void KvxObjectRecord::setGroupId(size_t slot, int32_t id) {
  if (slot < record::kGroupIdCount) setInt32(record::kGroupIds + 4 * slot, id);
}

void KvxObjectRecord::setShadow(int32_t on, const std::array<int32_t, 5>& params,
                                int32_t transparency, uint32_t colour) {
  setInt32(record::kShadowOn, on);
  setInt32(record::kShadowSize, record::kShadowBlockSize);
  for (size_t i = 0; i < params.size(); ++i) setInt32(record::kShadowParams + 4 * i, params[i]);
  setInt32(record::kShadowTransparency, transparency);
  setInt32(record::kShadowColour, static_cast<int32_t>(colour));
}

void KvxObjectRecord::setInt32(size_t offset, int32_t value) {
  if (offset + 4 <= bytes_.size()) storeU32(bytes_.data() + offset, static_cast<uint32_t>(value));
}

int32_t KvxObjectRecord::int32At(size_t offset) const {
  return offset + 4 <= bytes_.size() ? static_cast<int32_t>(loadU32(bytes_.data() + offset)) : 0;
}

}  // namespace kvx
