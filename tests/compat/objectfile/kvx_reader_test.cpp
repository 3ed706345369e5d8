#include <gtest/gtest.h>

#include "kvx_test_files.h"
#include "kvxtheme/kvx_group_block.h"

using namespace kvxtest;
using kvx::KvxGroup;
using kvx::KvxObjectRecord;
using kvx::KvxWriter;

namespace {

int32_t int32At(const void* base, size_t offset) {
  return static_cast<int32_t>(kvx::loadU32(static_cast<const uint8_t*>(base) + offset));
}

// The group block exactly as the file hands it out, or nullopt when none was delivered.
std::optional<std::vector<uint8_t>> deliveredGroups(HGLOBAL file) {
  int32_t size = -1;
  void* block = nullptr;
  if (wcsGetAllGroupName(file, &size, &block) == 0) {
    EXPECT_EQ(block, nullptr);
    return std::nullopt;
  }
  EXPECT_NE(block, nullptr);
  auto* bytes = static_cast<uint8_t*>(block);
  std::vector<uint8_t> copy(bytes, bytes + size);
  EXPECT_EQ(GlobalFree(block), nullptr) << "the block must be a GlobalAlloc block";
  return copy;
}

std::vector<uint8_t> roundTripGroups(const std::vector<uint8_t>& block) {
  TempDir dir;
  KvxWriter writer;
  writer.setGroupBlock(block);
  OpenKvx file(dir, serialized(writer));
  EXPECT_TRUE(file);
  auto delivered = deliveredGroups(file.handle());
  EXPECT_TRUE(delivered.has_value());
  return delivered.value_or(std::vector<uint8_t>{});
}

}  // namespace

TEST(KvxReader, HeaderRecordCarriesPageFormatVersionAndPath) {
  TempDir dir;
  KvxWriter writer;
  writer.setPageSize(1920, 1080);
  writer.setPixelFormat(64);
  writer.setVersion(499);
  writer.headerRecord()[kHeaderPath] = 'X';  // the writer must not store this part
  const std::string path = dir.file("page.kvx");
  std::string error;
  ASSERT_TRUE(writer.write(path, &error)) << error;

  OpenKvx file(path);
  ASSERT_TRUE(file);
  EXPECT_EQ(GlobalSize(file.handle()), static_cast<size_t>(kKvxHeaderSize));
  const auto* header = static_cast<const uint8_t*>(GlobalLock(file.handle()));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(int32At(header, kHeaderPageWidth), 1920);
  EXPECT_EQ(int32At(header, kHeaderPageHeight), 1080);
  EXPECT_EQ(int32At(header, kHeaderPixelFormat), 64);
  EXPECT_EQ(kvx::loadU16(header + kHeaderVersion), 499);
  EXPECT_STREQ(reinterpret_cast<const char*>(header + kHeaderPath), path.c_str());
  GlobalUnlock(file.handle());
}

TEST(KvxReader, FileWithoutObjects) {
  TempDir dir;
  KvxWriter writer;
  writer.setPageSize(640, 480);
  writer.setPageRenderFlag(7);
  OpenKvx file(dir, serialized(writer));
  ASSERT_TRUE(file);
  int32_t count = -1;
  EXPECT_GT(wcsGetObjectNumber(file.handle(), &count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_GT(wcsOpenObjectInfo(file.handle(), 0, nullptr), 0);
  EXPECT_EQ(wcsOpenObjectInfo(file.handle(), 1, nullptr), kWcsErrorRange);
  std::vector<uint8_t> page(kPageInfoSize, 0xCC);
  EXPECT_GT(wcsGetIEPageInfo(file.handle(), page.data()), 0);
  EXPECT_EQ(int32At(page.data(), kvx::kPageRenderFlag), 7);
  EXPECT_FALSE(deliveredGroups(file.handle()).has_value()) << "no group block was written";
  int32_t has = -1;
  EXPECT_EQ(wcsHasObjectStream(file.handle(), page.data(), 0, u"TextStream", &has), kWcsErrorRange);
  EXPECT_EQ(has, -1);
}

TEST(KvxReader, ObjectRecordsComeBackInOrder) {
  TempDir dir;
  KvxWriter writer;
  for (int i = 0; i < 3; ++i) {
    KvxObjectRecord record;
    record.setName("object" + std::to_string(i));
    record.setRect(i * 10, i * 20, 30 + i, 40 + i);
    record.setGroupId(15, 100 + i);
    record.setShadow(1, {0, 10, 10, 100, 5}, 50, 0x00112233);
    writer.addObject(record);
  }
  OpenKvx file(dir, serialized(writer));
  ASSERT_TRUE(file);
  int32_t count = 0;
  ASSERT_GT(wcsGetObjectNumber(file.handle(), &count), 0);
  ASSERT_EQ(count, 3);
  std::vector<uint8_t> records(3 * kObjectInfoSize);
  ASSERT_GT(wcsOpenObjectInfo(file.handle(), count, records.data()), 0);
  for (int i = 0; i < 3; ++i) {
    const uint8_t* record = records.data() + i * kObjectInfoSize;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record)), "object" + std::to_string(i));
    EXPECT_EQ(int32At(record, kvx::record::kX), i * 10);
    EXPECT_EQ(int32At(record, kvx::record::kHeight), 40 + i);
    EXPECT_EQ(int32At(record, kvx::record::kGroupIds + 60), 100 + i);
    EXPECT_EQ(int32At(record, kvx::record::kShadowSize), 24);
    EXPECT_EQ(int32At(record, kvx::record::kShadowColour), 0x00112233);
  }
  EXPECT_EQ(wcsOpenObjectInfo(file.handle(), 4, records.data()), kWcsErrorRange);
}

TEST(KvxObjectRecord, LongNamesAndTextsAreCutAtTheirFields) {
  KvxObjectRecord record;
  record.setText(std::string(1000, 't'));
  record.setName(std::string(300, 'n'));
  const auto* bytes = reinterpret_cast<const char*>(record.bytes());
  EXPECT_EQ(std::string(bytes + kvx::record::kName), std::string(127, 'n'));
  EXPECT_EQ(std::string(bytes + kvx::record::kText), std::string(255, 't'));
  EXPECT_EQ(record.int32At(kvx::record::kText + 256), 0) << "nothing past the text field";
  record.setInt32(kObjectInfoSize - 2, 5);  // would cross the end: ignored
  EXPECT_EQ(record.int32At(kObjectInfoSize - 4), 0);
}

TEST(KvxGroupBlocks, DeliveredExactlyAsWritten) {
  const std::vector<KvxGroup> three = {
      {1, "one", "a", "b", "c", "d"}, {2, "two", "", "", "", ""}, {3, "three", "x", "", "", "z"}};
  // The plain form, the extended form with an honest count, with a count of 1 and three
  // entries, with the marker and a count of 0, and with duplicate ids.
  std::vector<std::vector<uint8_t>> blocks = {
      kvx::plainGroupBlock(three), kvx::extendedGroupBlock(three),
      kvx::extendedGroupBlock(three, 1), kvx::extendedGroupBlock(three, 0),
      kvx::plainGroupBlock({{4, "first", "", "", "", ""}, {4, "second", "", "", "", ""}})};
  for (const auto& block : blocks) EXPECT_EQ(roundTripGroups(block), block);

  const auto countZero = kvx::extendedGroupBlock(three, 0);
  EXPECT_EQ(int32At(countZero.data(), 0), -1);
  EXPECT_EQ(int32At(countZero.data(), 4), 0);
  const auto plain = kvx::plainGroupBlock(three);
  EXPECT_EQ(plain.size(), 3 * 4 + 4 + 4 + 6u) << "id and NUL-ended name, no padding";
  EXPECT_EQ(kvx::extendedGroupBlock({{9, "g", "1", "22", "333", "4444"}}).size(),
            12 + 4 + 2 + 2 + 3 + 4 + 5u);
}

TEST(KvxGroupBlocks, EmptyAndOddBlocksAreStillDelivered) {
  // A stored block of size 0 is delivered (a block of its own, size 0); strings that do not
  // end inside the block are the caller's to handle: the container keeps the bytes.
  EXPECT_TRUE(roundTripGroups({}).empty());
  std::vector<uint8_t> unterminated = {7, 0, 0, 0, 'a', 'b', 'c'};
  EXPECT_EQ(roundTripGroups(unterminated), unterminated);
}

TEST(KvxReader, LockAndHandleRules) {
  TempDir dir;
  KvxWriter writer;
  OpenKvx file(dir, serialized(writer));
  ASSERT_TRUE(file);
  EXPECT_EQ(wcsKVXLock(file.handle(), 0), 0) << "unlock without lock";
  EXPECT_EQ(wcsKVXLock(file.handle(), 1), 1);
  EXPECT_EQ(wcsKVXLock(file.handle(), 1), 1);
  EXPECT_EQ(wcsKVXLock(file.handle(), 0), 1);
  EXPECT_EQ(wcsKVXLock(file.handle(), 0), 1);
  EXPECT_EQ(wcsKVXLock(file.handle(), 0), 0);

  // A block that is not an open file is refused by every operation and not freed.
  HGLOBAL stranger = GlobalAlloc(GHND, kKvxHeaderSize);
  int32_t count = -1;
  EXPECT_EQ(wcsGetObjectNumber(stranger, &count), 0);
  EXPECT_EQ(count, -1);
  EXPECT_EQ(wcsKVXLock(stranger, 1), 0);
  EXPECT_EQ(q32FileFreeFileData(stranger), 0);
  EXPECT_EQ(GlobalFree(stranger), nullptr);
  EXPECT_EQ(q32FileFreeFileData(nullptr), 0);

  HGLOBAL second = wcsOpenFile(dir.file("theme.kvx").c_str(), 0);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, file.handle()) << "each open gets its own handle";
  EXPECT_EQ(q32FileFreeFileData(second), 1);
  EXPECT_EQ(q32FileFreeFileData(second), 0) << "a released handle is unknown";
  EXPECT_EQ(wcsGetObjectNumber(second, &count), 0);
}

TEST(KvxReader, OpenRefusals) {
  TempDir dir;
  EXPECT_EQ(wcsOpenFile(nullptr, 0), nullptr);
  EXPECT_EQ(wcsOpenFile("", 0), nullptr);
  EXPECT_EQ(wcsOpenFile(dir.file("missing.kvx").c_str(), 0), nullptr);
  EXPECT_EQ(wcsOpenFile(dir.path().c_str(), 0), nullptr) << "a directory";
  KvxWriter writer;
  writeBytes(dir.file("ok.kvx"), serialized(writer));
  EXPECT_EQ(wcsOpenFile(dir.file("ok.kvx").c_str(), 1), nullptr) << "the reader only reads";
}

TEST(KvxReader, RelativeNamesFallBackToTheKvxDirectory) {
  TempDir dir;
  KvxWriter writer;
  writeBytes(dir.file("installed-theme.kvx"), serialized(writer));
  ASSERT_EQ(wcsInitKvxDir((dir.path().string() + "/").c_str()), 1);
  OpenKvx file("installed-theme.kvx");
  EXPECT_TRUE(file);
  ASSERT_EQ(wcsInitKvxDir(""), 1);
  OpenKvx missing("installed-theme.kvx");
  EXPECT_FALSE(missing);
  EXPECT_EQ(wcsInitKvxDir(nullptr), 0);
}
