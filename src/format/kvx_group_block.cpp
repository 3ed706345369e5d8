#include "kvxtheme/kvx_group_block.h"

#include "kvxtheme/kvx_bytes.h"

namespace kvx {

namespace {

void appendString(std::vector<uint8_t>& out, const std::string& text) {
  appendBytes(out, text.c_str(), text.size() + 1);
}

}  // namespace

std::vector<uint8_t> plainGroupBlock(const std::vector<KvxGroup>& groups) {
  std::vector<uint8_t> block;
  for (const KvxGroup& group : groups) {
    appendU32(block, static_cast<uint32_t>(group.id));
    appendString(block, group.name);
  }
  return block;
}

std::vector<uint8_t> extendedGroupBlock(const std::vector<KvxGroup>& groups, int32_t storedCount) {
  std::vector<uint8_t> block;
  appendU32(block, static_cast<uint32_t>(-1));
  appendU32(block, static_cast<uint32_t>(storedCount));
  appendU32(block, 0);
  for (const KvxGroup& group : groups) {
    appendU32(block, static_cast<uint32_t>(group.id));
    for (const std::string* text :
         {&group.name, &group.text1, &group.text2, &group.text3, &group.text4})
      appendString(block, *text);
  }
  return block;
}

}  // namespace kvx
