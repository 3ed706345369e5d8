#pragma once
// Building the group block a theme file stores. Plain form: entries of id and name. Extended
// form: marker -1, a count, an unused int32, then entries of id, name and four texts. Strings
// are NUL-terminated, integers little-endian int32, no padding.
#include <cstdint>
#include <string>
#include <vector>

#include "kvxtheme/export.h"

namespace kvx {

struct KvxGroup {
  int32_t id = 0;
  std::string name;
  std::string text1, text2, text3, text4;
};

KVX_API std::vector<uint8_t> plainGroupBlock(const std::vector<KvxGroup>& groups);

// `storedCount` is written as the block's count; readers only look at whether it is 1 or
// more, so it need not match the number of entries.
KVX_API std::vector<uint8_t> extendedGroupBlock(const std::vector<KvxGroup>& groups,
                                                int32_t storedCount);
inline std::vector<uint8_t> extendedGroupBlock(const std::vector<KvxGroup>& groups) {
  return extendedGroupBlock(groups, static_cast<int32_t>(groups.size()));
}

}  // namespace kvx
