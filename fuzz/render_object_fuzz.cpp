// Feeds arbitrary bytes to the render object reader, as a text object and as a path object, and
// to the path reader. A restored object is asked everything a theme loader asks, serialized and
// restored once more, and rendered when it is small enough to keep runs fast.
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "kvxtheme/bufferlib.h"
#include "kvxtheme/pathlib.h"
#include "kvxtheme/renderlib.h"

#define KVX_FUZZ_TARGET "render_object_fuzz"
#include "fuzz_support.h"

namespace {

constexpr size_t kObjectHeaderSize = 20;
constexpr size_t kRenderTextBytes = 64;
constexpr int kRenderFontPixels = 128;
constexpr size_t kRenderPathCommands = 64;
constexpr size_t kRenderMessageOffset = 100;

int answerQuery(int32_t, int32_t, int32_t, int32_t, void* user) {
  ++*static_cast<int*>(user);
  return 1;
}

// The serialized form carries a CRC-32 of its payload. A copy with the checksum made right lets
// mutated sections reach their parsers; the refusal of a wrong checksum is one comparison.
std::vector<uint8_t> withChecksum(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (size < kObjectHeaderSize) return bytes;
  uint32_t payload;
  std::memcpy(&payload, data + 12, sizeof payload);
  if (payload > size - kObjectHeaderSize) return bytes;
  const uint32_t crc =
      static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), data + kObjectHeaderSize, payload));
  std::memcpy(bytes.data() + 16, &crc, sizeof crc);
  return bytes;
}

std::vector<uint8_t> flatten(RenderHandle object) {
  std::vector<uint8_t> bytes;
  KVX_FUZZ_CHECK(qrFlattenObject(object, &bytes), "a live object could not be serialized");
  return bytes;
}

RenderHandle createObject(bool text) {
  const RenderHandle object = text ? qrCreateTextObject() : qrCreatePathObject();
  KVX_FUZZ_CHECK(object != 0, "no render object could be created");
  return object;
}

void touchPath(const QzPath& path) {
  for (const QzPathCommand& command : path.commands) kvxfuzz::touch(&command, sizeof command);
}

// Everything the theme loader and the settings page read from an object. Returns whether the
// object is small enough to render within the time of a run.
bool queryAll(RenderHandle object, bool text) {
  std::string string;
  qrGetString(object, &string);
  kvxfuzz::touch(string.data(), string.size());
  QrFontRecord font{};
  qrGetFont(object, &font);
  const int fontPixels = qrGetFontSize(object);
  QrColorRecord colour{};
  KVX_FUZZ_CHECK(qrGetColorValue(object, &colour), "the colour of a live object is not answered");
  KVX_FUZZ_CHECK(qrIsSameColorValue(object, &colour), "an object differs from its own colour");
  int32_t alignment = 0;
  qrGetAlign(object, &alignment);
  QrShadowRecord shadow{};
  KVX_FUZZ_CHECK(qrGetShadowAttr(object, &shadow) == qrHasShadow(object),
                 "the shadow is answered but not announced, or the other way round");
  int32_t kind = 0;
  void* corners = nullptr;
  if (qrGetTransformData(object, &kind, &corners)) {
    KVX_FUZZ_CHECK(corners != nullptr, "transform data were answered without a record");
    kvxfuzz::touch(corners, 32);
    KVX_FUZZ_CHECK(qrDelTransformData(corners) == 1, "a corner record could not be freed");
    KVX_FUZZ_CHECK(qrDelTransformData(corners) == 0, "a freed corner record was freed again");
  }
  std::vector<uint8_t> settings(k3dSettingsSize);
  const int32_t blockSize = k3dSettingsSize;
  std::memcpy(settings.data(), &blockSize, sizeof blockSize);
  qr3dFastGetSetting(object, settings.data());
  QzPath path;
  qrGetQzPath(object, &path);
  touchPath(path);
  if (text) return string.size() <= kRenderTextBytes && fontPixels <= kRenderFontPixels;
  return path.commands.size() <= kRenderPathCommands;
}

void render(RenderHandle object) {
  BufHandle image = 0, mask = 0;
  uint8_t out[kRenderOutRecordSize] = {};
  if (!qrRenderObject(object, &image, &mask, 0, 0, out)) {
    KVX_FUZZ_CHECK(std::memchr(out + kRenderMessageOffset, 0,
                               kRenderOutRecordSize - kRenderMessageOffset) != nullptr,
                   "a refusal's message is not terminated within the record");
    return;
  }
  int width = 0, height = 0, bytes = 0, maskWidth = 0, maskHeight = 0, maskBytes = 0;
  KVX_FUZZ_CHECK(
      buf32GetWHU(image, &width, &height, &bytes) && bytes == 3 && width > 0 && height > 0,
      "a rendering is not a 24-bit picture");
  KVX_FUZZ_CHECK(buf32GetWHU(mask, &maskWidth, &maskHeight, &maskBytes) && maskBytes == 1 &&
                     maskWidth == width && maskHeight == height,
                 "a rendering's mask does not match its picture");
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
  KVX_FUZZ_CHECK(buf32GetMem(image, 0, 0, width, height, pixels.data()),
                 "a rendering cannot be read");
  KVX_FUZZ_CHECK(buf32GetMem(mask, 0, 0, width, height, pixels.data()),
                 "a rendering's mask cannot be read");
  int32_t margin[4] = {};
  if (qrGetMargin(object, margin)) {
    KVX_FUZZ_CHECK(margin[0] >= 0 && margin[1] >= 0 && margin[2] >= 0 && margin[3] >= 0 &&
                       margin[0] + margin[2] < width && margin[1] + margin[3] < height,
                   "the margins leave nothing of the rendering");
  }
  buf32Free(image);
  buf32Free(mask);
}

void restore(const std::vector<uint8_t>& bytes, bool text) {
  const RenderHandle object = createObject(text);
  const std::vector<uint8_t> before = flatten(object);
  int queries = 0;
  const int restored = qrUnFlattenObject(object, static_cast<int32_t>(bytes.size()), bytes.data(),
                                         answerQuery, &queries);
  if (restored <= 0) {
    KVX_FUZZ_CHECK(flatten(object) == before, "a refused serialization changed the object");
  } else {
    KVX_FUZZ_CHECK(queries == 1, "the query callback was not asked exactly once");
    const bool small = queryAll(object, text);
    // What an object writes, a fresh object reads back into the same state.
    const std::vector<uint8_t> written = flatten(object);
    const RenderHandle copy = createObject(text);
    KVX_FUZZ_CHECK(qrUnFlattenObject(copy, static_cast<int32_t>(written.size()), written.data(),
                                     nullptr, nullptr) > 0,
                   "an object's own serialization was refused");
    KVX_FUZZ_CHECK(flatten(copy) == written, "a restored object serializes differently");
    qrDeleteTextPathObject(copy);
    if (small) render(object);
  }
  KVX_FUZZ_CHECK(qrDeleteTextPathObject(object) == 1, "a live object could not be deleted");
}

void readPath(const uint8_t* data, size_t size) {
  const uint8_t* cursor = data;
  QzPath* path = nullptr;
  if (!QzPathUnFlatten(&cursor, size, &path)) return;
  KVX_FUZZ_CHECK(path != nullptr && cursor > data && cursor <= data + size,
                 "a path was read without a path or beyond its bytes");
  KVX_FUZZ_CHECK(qzPathIsValid(*path), "a path read from bytes breaks the path limits");
  touchPath(*path);
  // The bytes read are exactly what the path writes.
  std::vector<uint8_t> written;
  KVX_FUZZ_CHECK(QzPathFlatten(path, &written), "a path read could not be written");
  KVX_FUZZ_CHECK(written.size() == static_cast<size_t>(cursor - data) &&
                     std::memcmp(written.data(), data, written.size()) == 0,
                 "a path read writes other bytes than it was read from");
  KVX_FUZZ_CHECK(QzPathDeletePtr(path, 0), "a path read could not be deleted");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes = withChecksum(data, size);
  restore(bytes, true);
  restore(bytes, false);
  readPath(data, size);
  return 0;
}
