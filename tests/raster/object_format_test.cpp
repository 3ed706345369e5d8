#include "raster/object_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "kvxtheme/renderlib.h"
#include "raster/byte_io.h"
#include "raster/render_test_support.h"

using rendertest::Object;

namespace {

int acceptWhenUser(int32_t, int32_t, int32_t, int32_t, void* user) {
  return user ? 1 : 0;
}

Object richTextObject() {
  Object object = rendertest::textObject("Flattened\ncaption", 36);
  qrSetAlign(object.get(), 1);
  const QrColorRecord color = rendertest::colorRecord(0x00336699, 200);
  qrSetColorValue(object.get(), &color);
  const QrShadowRecord shadow{3, 4, 40, 0x00101010, 0, 100, 5};
  qrSetShadowAttr(object.get(), &shadow);
  uint8_t transform[36];
  for (int i = 0; i < 36; ++i) transform[i] = static_cast<uint8_t>(i * 7);
  qrSetTransformData(object.get(), 2, transform);
  const double width = 80, height = 0;
  qrResizeObj(object.get(), &width, &height, nullptr);
  return object;
}

std::vector<uint8_t> flatten(RenderHandle object) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(qrFlattenObject(object, &bytes), 1);
  return bytes;
}

int restore(RenderHandle object, const std::vector<uint8_t>& bytes) {
  int marker = 0;
  return qrUnFlattenObject(object, static_cast<int32_t>(bytes.size()), bytes.data(), acceptWhenUser,
                           &marker);
}

// Recomputes the checksum after a deliberate change, so the change itself is what is judged.
void resealChecksum(std::vector<uint8_t>* bytes) {
  const uint32_t crc =
      crc32Of(bytes->data() + kObjectHeaderSize, bytes->size() - kObjectHeaderSize);
  std::vector<uint8_t> field;
  ByteWriter(&field).writeU32(crc);
  std::memcpy(bytes->data() + 16, field.data(), 4);
}

// Offset of the first section with this tag in a flattened object.
size_t sectionOffset(const std::vector<uint8_t>& bytes, uint16_t tag) {
  size_t offset = kObjectHeaderSize;
  while (offset + 8 <= bytes.size()) {
    const uint16_t found = bytes[offset] | (bytes[offset + 1] << 8);
    uint32_t length;
    std::memcpy(&length, &bytes[offset + 4], 4);
    if (found == tag) return offset;
    offset += 8 + length;
  }
  return 0;
}

}  // namespace

TEST(ObjectFormat, TextRoundTripRendersTheSamePixels) {
  Object original = richTextObject();
  const std::vector<uint8_t> bytes = flatten(original.get());
  Object copy(qrCreateTextObject());
  ASSERT_EQ(restore(copy.get(), bytes), 1);
  EXPECT_EQ(flatten(copy.get()), bytes);
  std::string text;
  qrGetString(copy.get(), &text);
  EXPECT_EQ(text, "Flattened\ncaption");
  QrShadowRecord shadow{};
  ASSERT_EQ(qrGetShadowAttr(copy.get(), &shadow), 1);
  EXPECT_EQ(shadow.transparency, 40);
  const rendertest::Rendered a = rendertest::render(original.get());
  const rendertest::Rendered b = rendertest::render(copy.get());
  ASSERT_TRUE(a.ok && b.ok);
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.mask, b.mask);
  EXPECT_EQ(a.rgb, b.rgb);
}

TEST(ObjectFormat, PathRoundTripRendersTheSamePixels) {
  Object original(qrCreatePathObject());
  QzPath path;
  path.commands = {{QzPathCommand::Move, {0, 0}},
                   {QzPathCommand::Curve, {40, -20, 80, 60, 100, 10}},
                   {QzPathCommand::Line, {20, 70}},
                   {QzPathCommand::Close, {}}};
  ASSERT_EQ(qrSetQzPath(original.get(), &path), 1);
  const double l = 0, t = 0, r = 50, b = 40;
  qrStretchObj(original.get(), &l, &t, &r, &b, nullptr);
  const std::vector<uint8_t> bytes = flatten(original.get());
  Object copy(qrCreatePathObject());
  ASSERT_EQ(restore(copy.get(), bytes), 1);
  const rendertest::Rendered first = rendertest::render(original.get());
  const rendertest::Rendered second = rendertest::render(copy.get());
  ASSERT_TRUE(first.ok && second.ok);
  EXPECT_EQ(first.width, 50);
  EXPECT_EQ(first.mask, second.mask);
  // A text stream is not restored into a path object, nor the other way round.
  Object text(qrCreateTextObject());
  EXPECT_EQ(restore(text.get(), bytes), kFormatInvalid);
}

TEST(ObjectFormat, TruncatedStreamsAreRefusedAndChangeNothing) {
  Object original = richTextObject();
  const std::vector<uint8_t> bytes = flatten(original.get());
  Object target(qrCreateTextObjectWithString("unchanged"));
  for (size_t size = 1; size < bytes.size(); ++size) {
    // Copied into a block of exactly that size, so reading past it shows under ASan.
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + size);
    ASSERT_LE(restore(target.get(), cut), 0) << size;
  }
  std::string text;
  qrGetString(target.get(), &text);
  EXPECT_EQ(text, "unchanged");
  EXPECT_EQ(qrUnFlattenObject(target.get(), 0, bytes.data(), nullptr, nullptr), 0);
  EXPECT_EQ(qrUnFlattenObject(target.get(), -5, bytes.data(), nullptr, nullptr), 0);
  EXPECT_EQ(qrUnFlattenObject(target.get(), 100, nullptr, nullptr, nullptr), 0);
}

TEST(ObjectFormat, LyingHeadersAreRefused) {
  Object object = richTextObject();
  const std::vector<uint8_t> good = flatten(object.get());
  Object target(qrCreateTextObject());
  auto withU32 = [&](size_t offset, uint32_t value, bool reseal) {
    std::vector<uint8_t> bytes = good;
    std::memcpy(&bytes[offset], &value, 4);
    if (reseal) resealChecksum(&bytes);
    return restore(target.get(), bytes);
  };
  EXPECT_EQ(withU32(0, 0x4F52564C, false), kFormatDamaged);          // magic
  EXPECT_EQ(withU32(4, 2 | (1u << 16), false), kFormatUnsupported);  // version 2
  EXPECT_EQ(withU32(8, 1000, false), kFormatDamaged);                // section count
  EXPECT_EQ(withU32(8, 3, false), kFormatDamaged);                   // fewer sections than data
  EXPECT_EQ(withU32(12, 0x7FFFFFF0, false), kFormatDamaged);         // payload size
  EXPECT_EQ(withU32(16, 0, false), kFormatDamaged);                  // checksum
  std::vector<uint8_t> flipped = good;
  flipped[good.size() - 3] ^= 0x40;
  EXPECT_EQ(restore(target.get(), flipped), kFormatDamaged);
}

TEST(ObjectFormat, LyingSectionsAreRefused) {
  Object object = richTextObject();
  const std::vector<uint8_t> good = flatten(object.get());
  Object target(qrCreateTextObject());
  const size_t text = sectionOffset(good, 1);
  const size_t color = sectionOffset(good, 3);
  const size_t alignment = sectionOffset(good, 4);
  ASSERT_GT(text, 0u);
  ASSERT_GT(color, 0u);
  auto changed = [&](size_t offset, uint32_t value) {
    std::vector<uint8_t> bytes = good;
    std::memcpy(&bytes[offset], &value, 4);
    resealChecksum(&bytes);
    return restore(target.get(), bytes);
  };
  EXPECT_EQ(changed(text + 4, 0xFFFFFFF0), kFormatDamaged);  // section beyond the payload
  EXPECT_LE(changed(text + 4, 3), kFormatDamaged);           // shorter: the rest misparses
  EXPECT_EQ(changed(color + 8 + 8, 999), kFormatInvalid);    // opacity out of range
  EXPECT_EQ(changed(alignment + 8, 7), kFormatInvalid);      // alignment out of range
  EXPECT_EQ(changed(text + 2, 1), kFormatUnsupported);       // section flags
  // The same section twice.
  std::vector<uint8_t> twice = good;
  const std::vector<uint8_t> section(good.begin() + alignment, good.begin() + alignment + 12);
  twice.insert(twice.end(), section.begin(), section.end());
  uint32_t count, payload;
  std::memcpy(&count, &twice[8], 4);
  std::memcpy(&payload, &twice[12], 4);
  count += 1;
  payload += 12;
  std::memcpy(&twice[8], &count, 4);
  std::memcpy(&twice[12], &payload, 4);
  resealChecksum(&twice);
  EXPECT_EQ(restore(target.get(), twice), kFormatInvalid);
}

TEST(ObjectFormat, UnknownSectionsAreSkipped) {
  Object object(qrCreateTextObjectWithString("extended"));
  std::vector<uint8_t> bytes = flatten(object.get());
  const uint8_t extra[12] = {200, 0, 0, 0, 4, 0, 0, 0, 1, 2, 3, 4};
  bytes.insert(bytes.end(), extra, extra + sizeof extra);
  uint32_t count, payload;
  std::memcpy(&count, &bytes[8], 4);
  std::memcpy(&payload, &bytes[12], 4);
  count += 1;
  payload += sizeof extra;
  std::memcpy(&bytes[8], &count, 4);
  std::memcpy(&bytes[12], &payload, 4);
  resealChecksum(&bytes);
  Object target(qrCreateTextObject());
  ASSERT_EQ(restore(target.get(), bytes), 1);
  std::string text;
  qrGetString(target.get(), &text);
  EXPECT_EQ(text, "extended");
}

TEST(ObjectFormat, QueryCallbackDecides) {
  Object object(qrCreateTextObjectWithString("asked"));
  const std::vector<uint8_t> bytes = flatten(object.get());
  Object target(qrCreateTextObject());
  const auto size = static_cast<int32_t>(bytes.size());
  EXPECT_EQ(qrUnFlattenObject(target.get(), size, bytes.data(), acceptWhenUser, nullptr),
            kFormatDeclined);
  int document = 0;
  EXPECT_EQ(qrUnFlattenObject(target.get(), size, bytes.data(), acceptWhenUser, &document), 1);
  EXPECT_EQ(qrUnFlattenObject(target.get(), size, bytes.data(), nullptr, nullptr), 1);
}

TEST(ObjectFormat, RandomDamageNeverRestoresGarbage) {
  Object object = richTextObject();
  const std::vector<uint8_t> good = flatten(object.get());
  std::mt19937 random(1234);
  Object target(qrCreateTextObject());
  int restored = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> bytes = good;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c)
      bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
    if (round % 2 == 0) resealChecksum(&bytes);
    if (restore(target.get(), bytes) > 0) {
      ++restored;
      // Whatever was accepted is a consistent object: it serializes and restores again.
      const std::vector<uint8_t> again = flatten(target.get());
      Object copy(qrCreateTextObject());
      EXPECT_EQ(restore(copy.get(), again), 1);
      EXPECT_EQ(flatten(copy.get()), again);
    }
  }
  // Without a matching checksum nothing is accepted; some resealed changes land in free text.
  EXPECT_LT(restored, 150);
}
