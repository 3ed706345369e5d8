#include <gtest/gtest.h>

#include "compat/objectfile/kvx_open_files.h"
#include "kvx_test_files.h"
#include "kvxtheme/kvx_group_block.h"

using namespace kvxtest;
using kvx::KvxObjectRecord;
using kvx::KvxPicture;
using kvx::KvxWriter;

namespace {

std::vector<uint8_t> sampleFile() {
  KvxWriter writer;
  writer.setPageSize(320, 240);
  writer.setGroupBlock(kvx::extendedGroupBlock({{1, "g", "t1", "t2", "t3", "t4"}}));
  auto& object = writer.addObject(KvxObjectRecord());
  std::vector<uint8_t> rows(16 * 100 * 3);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 31);
  object.setPicture(KvxPicture::fromRows(16, 100, 24, rows));
  object.setMask(KvxPicture::oneColour(16, 100, 8, 128));
  object.addStream(u"TextStream", std::vector<uint8_t>(40, 7));
  return serialized(writer);
}

// Opens the bytes as a file would be opened, without going through the disk.
bool opens(const std::vector<uint8_t>& bytes) {
  HGLOBAL handle = kvx::openKvxBytes(bytes, "memory");
  if (handle) q32FileFreeFileData(handle);
  return handle != nullptr;
}

// A file with one picture chunk replaced by `payload` (checksums made right again).
std::vector<uint8_t> withPicturePayload(const std::vector<uint8_t>& payload) {
  auto file = sampleFile();
  const auto picture = findChunk(file, kvx::kChunkPicture, 0);
  std::vector<uint8_t> out(file.begin(), file.begin() + picture.offset);
  out.insert(out.end(), payload.begin(), payload.end());
  out.insert(out.end(), file.begin() + picture.offset + picture.size, file.end());
  const int64_t shift = static_cast<int64_t>(payload.size()) - static_cast<int64_t>(picture.size);
  for (const auto& entry : chunkTable(out))
    if (entry.offset > picture.offset) kvx::storeU64(&out[entry.at + 8], entry.offset + shift);
  kvx::storeU64(&out[picture.at + 16], payload.size());
  resealChecksums(out);
  return out;
}

std::vector<uint8_t> pictureHeader(uint32_t width, uint32_t height, uint32_t bits,
                                   uint32_t encoding) {
  std::vector<uint8_t> out;
  for (uint32_t v : {width, height, bits, encoding}) kvx::appendU32(out, v);
  return out;
}

std::vector<uint8_t> deflated(const std::vector<uint8_t>& raw) {
  uLongf size = compressBound(raw.size());
  std::vector<uint8_t> out(size);
  EXPECT_EQ(compress(out.data(), &size, raw.data(), raw.size()), Z_OK);
  out.resize(size);
  return out;
}

}  // namespace

TEST(KvxDamage, EveryTruncationIsRefused) {
  const auto file = sampleFile();
  ASSERT_TRUE(opens(file));
  for (size_t length = 0; length < file.size(); ++length)
    EXPECT_FALSE(opens({file.begin(), file.begin() + length})) << "cut to " << length << " bytes";
  TempDir dir;
  writeBytes(dir.file("cut.kvx"), {file.begin(), file.end() - 1});
  EXPECT_EQ(wcsOpenFile(dir.file("cut.kvx").c_str(), 0), nullptr);
}

TEST(KvxDamage, ChangedBytesAreCaughtByTheChecksums) {
  const auto file = sampleFile();
  for (size_t at = 8; at < file.size(); at += 7) {
    auto damaged = file;
    damaged[at] ^= 0x5A;
    EXPECT_FALSE(opens(damaged)) << "byte " << at;
  }
}

TEST(KvxDamage, WrongMagicOrFormatVersion) {
  auto file = sampleFile();
  file[0] = 'k';
  EXPECT_FALSE(opens(file));
  file = sampleFile();
  kvx::storeU16(&file[8], kvx::kFormatVersion + 1);
  EXPECT_FALSE(opens(file));
}

TEST(KvxDamage, LyingChunkSizesAndOffsetsAreRefused) {
  const auto file = sampleFile();
  const auto stream = findChunk(file, kvx::kChunkStream, 0);
  struct Lie {
    const char* what;
    size_t field;
    uint64_t value;
  };
  for (const Lie& lie :
       {Lie{"size past the end", 16, file.size()}, Lie{"size wrapping around", 16, ~0ull - 3},
        Lie{"offset past the end", 8, file.size() + 1}, Lie{"offset inside the table", 8, 4}}) {
    auto damaged = file;
    kvx::storeU64(&damaged[stream.at + lie.field], lie.value);
    resealChecksums(damaged);
    EXPECT_FALSE(opens(damaged)) << lie.what;
  }
  auto damaged = file;
  kvx::storeU32(&damaged[12], 100000);  // more chunks than the file could hold; refused
                                        // before the table's checksum is looked at
  EXPECT_FALSE(opens(damaged));
}

TEST(KvxDamage, LyingStreamNameLengthIsRefused) {
  auto file = sampleFile();
  const auto stream = findChunk(file, kvx::kChunkStream, 0);
  for (uint32_t units : {0u, 1000u, static_cast<uint32_t>(stream.size)}) {
    auto damaged = file;
    kvx::storeU32(&damaged[stream.offset], units);
    resealChecksums(damaged);
    EXPECT_FALSE(opens(damaged)) << units;
  }
}

TEST(KvxDamage, RecordsOfTheWrongSizeAreRefused) {
  for (uint32_t type : {kvx::kChunkHeader, kvx::kChunkPage, kvx::kChunkObjectInfo}) {
    auto damaged = sampleFile();
    const auto chunk = findChunk(damaged, type, type == kvx::kChunkObjectInfo ? 0 : kvx::kNoObject);
    kvx::storeU64(&damaged[chunk.at + 16], chunk.size - 1);
    resealChecksums(damaged);
    EXPECT_FALSE(opens(damaged));
  }
}

TEST(KvxDamage, ObjectNumbersMustBeConsecutiveAndUnique) {
  auto file = sampleFile();
  const auto info = findChunk(file, kvx::kChunkObjectInfo, 0);
  auto damaged = file;
  kvx::storeU32(&damaged[info.at + 4], 1);  // object 1 of a one-object file
  resealChecksums(damaged);
  EXPECT_FALSE(opens(damaged));
  damaged = file;
  const auto mask = findChunk(file, kvx::kChunkMask, 0);
  kvx::storeU32(&damaged[mask.at], kvx::kChunkPicture);  // two pictures for object 0
  resealChecksums(damaged);
  EXPECT_FALSE(opens(damaged));
}

TEST(KvxDamage, UnknownChunkTypesAreSkipped) {
  auto file = sampleFile();
  const auto groups = findChunk(file, kvx::kChunkGroups, kvx::kNoObject);
  kvx::storeU32(&file[groups.at], kvx::fourcc("XTRA"));
  resealChecksums(file);
  TempDir dir;
  OpenKvx opened(dir, file);
  ASSERT_TRUE(opened);
  int32_t size = 0;
  void* block = nullptr;
  EXPECT_EQ(wcsGetAllGroupName(opened.handle(), &size, &block), 0) << "the groups went away";
  int32_t count = 0;
  EXPECT_GT(wcsGetObjectNumber(opened.handle(), &count), 0);
  EXPECT_EQ(count, 1);
}

TEST(KvxDamage, HugeOrInconsistentPicturesAreRefused) {
  const auto tiny = deflated(std::vector<uint8_t>(16, 0));
  auto header = [&](uint32_t w, uint32_t h, uint32_t bits) {
    auto payload = pictureHeader(w, h, bits, kvx::kEncodingDeflate);
    payload.insert(payload.end(), tiny.begin(), tiny.end());
    return payload;
  };
  EXPECT_TRUE(opens(withPicturePayload(header(4, 4, 24))));
  EXPECT_FALSE(opens(withPicturePayload(header(32769, 1, 24))));
  EXPECT_FALSE(opens(withPicturePayload(header(1, 0xFFFFFFFF, 24))));
  EXPECT_FALSE(opens(withPicturePayload(header(32768, 32768, 24)))) << "over the byte limit";
  EXPECT_FALSE(opens(withPicturePayload(header(4, 4, 8)))) << "depth differs from the file's";
  EXPECT_FALSE(opens(withPicturePayload(header(4, 4, 16))));
  EXPECT_FALSE(opens(withPicturePayload(pictureHeader(4, 4, 24, 9))));
  EXPECT_FALSE(opens(withPicturePayload({1, 2, 3})));
  auto oneColour = pictureHeader(4, 4, 24, kvx::kEncodingOneColour);
  EXPECT_FALSE(opens(withPicturePayload(oneColour))) << "colour missing";
}

TEST(KvxDamage, BrokenPixelDataFailsTheRead) {
  const uint32_t width = 10, height = 100;
  const std::vector<uint8_t> raw(width * height * 3, 0x42);
  auto good = deflated(raw);
  auto tooShort = deflated(std::vector<uint8_t>(raw.size() - 1, 0x42));
  auto tooLong = deflated(std::vector<uint8_t>(raw.size() + 1, 0x42));
  auto cut = std::vector<uint8_t>(good.begin(), good.end() - 5);
  auto garbage = std::vector<uint8_t>(good.size(), 0x99);
  auto trailing = good;
  trailing.push_back(0);
  auto resultFor = [&](const std::vector<uint8_t>& data, size_t* rowsDelivered) {
    auto payload = pictureHeader(width, height, 24, kvx::kEncodingDeflate);
    payload.insert(payload.end(), data.begin(), data.end());
    TempDir dir;
    OpenKvx file(dir, withPicturePayload(payload));
    EXPECT_TRUE(file);
    int result = 0;
    auto delivered = readPicture(file.handle(), 0, width, height, 24, false, &result);
    *rowsDelivered = 0;
    for (const auto& call : delivered.calls) *rowsDelivered += call.rows;
    return result;
  };
  size_t rows = 0;
  EXPECT_EQ(resultFor(good, &rows), 1);
  EXPECT_EQ(rows, height);
  for (const auto* data : {&tooShort, &tooLong, &cut, &garbage, &trailing}) {
    EXPECT_EQ(resultFor(*data, &rows), kWcsErrorFormat);
    EXPECT_LT(rows, height + 1u);
  }
}
