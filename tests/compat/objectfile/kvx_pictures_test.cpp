#include <gtest/gtest.h>

#include <random>

#include "kvx_test_files.h"

using namespace kvxtest;
using kvx::KvxObjectRecord;
using kvx::KvxPicture;
using kvx::KvxWriter;

namespace {

std::vector<uint8_t> noise(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

struct PictureCase {
  int formatCode;
  int bits;
  int width;
  int height;
};

}  // namespace

class KvxPictureRoundTrip : public testing::TestWithParam<PictureCase> {};

TEST_P(KvxPictureRoundTrip, RowsComeBackInRunsAsStored) {
  const PictureCase c = GetParam();
  TempDir dir;
  KvxWriter writer;
  writer.setPixelFormat(c.formatCode);
  const auto rows = noise(kvx::packedRowBytes(c.width, c.bits) * c.height, c.width * 7 + c.bits);
  writer.addObject(KvxObjectRecord())
      .setPicture(KvxPicture::fromRows(c.width, c.height, c.bits, rows));
  OpenKvx file(dir, serialized(writer));
  ASSERT_TRUE(file);

  int result = 0;
  auto delivered = readPicture(file.handle(), 0, c.width, c.height, c.bits, false, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(delivered.rows, rows);
  // Runs cover the picture top to bottom without gaps, at most 64 rows each.
  int nextRow = 0;
  for (const WcsRowRecord& call : delivered.calls) {
    EXPECT_EQ(call.kind, 0);
    EXPECT_EQ(call.x, 0);
    EXPECT_EQ(call.y, nextRow);
    EXPECT_EQ(call.count, c.width);
    EXPECT_EQ(call.bitsPerPixel, c.bits);
    EXPECT_GE(call.rows, 1);
    EXPECT_LE(call.rows, 64);
    nextRow += call.rows;
  }
  EXPECT_EQ(nextRow, c.height);
}

INSTANTIATE_TEST_SUITE_P(Depths, KvxPictureRoundTrip,
                         testing::Values(PictureCase{2, 24, 37, 150}, PictureCase{0, 8, 64, 64},
                                         PictureCase{64, 1, 13, 70}, PictureCase{64, 1, 16, 3},
                                         PictureCase{2, 24, 1, 1}));

TEST(KvxPictures, OnePixelRowsOfOneBitPicturesAreMsbFirst) {
  TempDir dir;
  KvxWriter writer;
  writer.setPixelFormat(64);
  // 10 pixels a row: two bytes, pixel 0 in bit 7 of the first byte.
  writer.addObject(KvxObjectRecord()).setPicture(KvxPicture::fromRows(10, 1, 1, {0x80, 0x40}));
  OpenKvx file(dir, serialized(writer));
  ASSERT_TRUE(file);
  auto delivered = readPicture(file.handle(), 0, 10, 1, 1);
  ASSERT_EQ(delivered.rows.size(), 2u);
  EXPECT_EQ(delivered.rows[0], 0x80);
  EXPECT_EQ(delivered.rows[1], 0x40);
}

TEST(KvxPictures, OneColourPictureIsASingleFillCall) {
  TempDir dir;
  KvxWriter writer;
  writer.addObject(KvxObjectRecord()).setPicture(KvxPicture::oneColour(500, 400, 24, 0x00336699));
  writer.addObject(KvxObjectRecord()).setMask(KvxPicture::oneColour(500, 400, 8, 255));
  OpenKvx file(dir, serialized(writer));
  ASSERT_TRUE(file);
  auto colour = readPicture(file.handle(), 0, 500, 400, 24);
  ASSERT_EQ(colour.calls.size(), 1u);
  EXPECT_EQ(colour.calls[0].kind, kRowKindFill);
  EXPECT_EQ(colour.fillColour, 0x00336699);
  auto mask = readPicture(file.handle(), 1, 500, 400, 8, true);
  ASSERT_EQ(mask.calls.size(), 1u);
  EXPECT_EQ(mask.fillColour, 255);
}

TEST(KvxPictures, MaskIsReadSeparatelyFromTheColour) {
  TempDir dir;
  KvxWriter writer;
  const auto colour = noise(20 * 30 * 3, 1);
  const auto mask = noise(20 * 30, 2);
  auto& object = writer.addObject(KvxObjectRecord());
  object.setPicture(KvxPicture::fromRows(20, 30, 24, colour));
  object.setMask(KvxPicture::fromRows(20, 30, 8, mask));
  OpenKvx file(dir, serialized(writer));
  ASSERT_TRUE(file);
  EXPECT_EQ(readPicture(file.handle(), 0, 20, 30, 24).rows, colour);
  auto delivered = readPicture(file.handle(), 0, 20, 30, 8, true);
  EXPECT_EQ(delivered.rows, mask);
}

TEST(KvxPictures, ObjectWithoutPicturesDeliversNothing) {
  TempDir dir;
  KvxWriter writer;
  writer.addObject(KvxObjectRecord());
  OpenKvx file(dir, serialized(writer));
  ASSERT_TRUE(file);
  int result = 0;
  auto colour = readPicture(file.handle(), 0, 4, 4, 24, false, &result);
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(colour.calls.empty());
  auto mask = readPicture(file.handle(), 0, 4, 4, 8, true, &result);
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(mask.calls.empty());
}

TEST(KvxPictures, CallbackAnsweringZeroAborts) {
  TempDir dir;
  KvxWriter writer;
  writer.addObject(KvxObjectRecord())
      .setPicture(KvxPicture::fromRows(8, 200, 24, noise(8 * 200 * 3, 3)));
  writer.addObject(KvxObjectRecord()).setPicture(KvxPicture::oneColour(8, 8, 24, 1));
  OpenKvx file(dir, serialized(writer));
  ASSERT_TRUE(file);
  int result = 0;
  auto rows = readPicture(file.handle(), 0, 8, 200, 24, false, &result, 2);
  EXPECT_EQ(result, kWcsErrorAborted);
  EXPECT_EQ(rows.calls.size(), 2u) << "no call after the refusal";
  readPicture(file.handle(), 1, 8, 8, 24, false, &result, 1);
  EXPECT_EQ(result, kWcsErrorAborted);
}

TEST(KvxPictures, BadIndexOrCallbackIsRefused) {
  TempDir dir;
  KvxWriter writer;
  writer.addObject(KvxObjectRecord()).setPicture(KvxPicture::oneColour(8, 8, 24, 1));
  OpenKvx file(dir, serialized(writer));
  ASSERT_TRUE(file);
  int result = 0;
  for (int index : {-1, 1, 1000}) {
    auto delivered = readPicture(file.handle(), index, 8, 8, 24, false, &result);
    EXPECT_EQ(result, kWcsErrorRange);
    EXPECT_TRUE(delivered.calls.empty());
  }
  WcsReadParams params{};
  EXPECT_EQ(wcsReadObject(file.handle(), nullptr, 0, &params, nullptr), kWcsErrorRange);
  EXPECT_EQ(wcsReadObject(nullptr, nullptr, 0, &params, collectRows), 0);
}
