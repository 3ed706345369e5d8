// Feeds arbitrary bytes as a bitmap (BITMAPINFOHEADER, then its rows) to MergeHolder during a
// clip on the default page, as a host hands a still picture to the effect it was given.
#include <cstring>
#include <memory>
#include <vector>

#include "host/reference_host.h"
#include "kvxtheme/globalmem.h"
#include "kvxtheme/kvxtheme.h"

#define KVX_FUZZ_TARGET "merge_holder_fuzz"
#include "fuzz_support.h"

namespace {

constexpr int kFrameWidth = 64;
constexpr int kFrameHeight = 48;
// Bitmaps whose rows would take more are not built: the caller owes the effect every row its
// header declares, and the harness cannot hand over more without slowing every run.
constexpr uint64_t kMaxRowBytes = uint64_t{4} << 20;

uint64_t magnitude(int32_t value) {
  return value < 0 ? uint64_t{0} - static_cast<uint32_t>(value) : static_cast<uint64_t>(value);
}

// Bytes of the rows a bitmap with this header holds: rows padded to 4 bytes, at its own depth;
// UINT64_MAX when that does not fit.
uint64_t declaredRowBytes(const BITMAPINFOHEADER& header) {
  const uint64_t stride = (magnitude(header.biWidth) * header.biBitCount + 31) / 32 * 4;
  const uint64_t rows = magnitude(header.biHeight);
  if (stride != 0 && rows > UINT64_MAX / stride) return UINT64_MAX;
  return stride * rows;
}

// The bitmap as a host would hold it: the header, then every declared row, filled from the
// input's bytes after the header (repeated, or zero when there are none). Exactly as large as
// declared, so that any read beyond it is reported.
std::unique_ptr<uint8_t[]> makeBitmap(const uint8_t* data, size_t size) {
  BITMAPINFOHEADER header;
  std::memcpy(&header, data, sizeof header);
  const uint64_t rows = declaredRowBytes(header);
  if (rows > kMaxRowBytes) return nullptr;
  std::unique_ptr<uint8_t[]> block(new uint8_t[sizeof header + static_cast<size_t>(rows)]());
  std::memcpy(block.get(), data, sizeof header);
  const size_t available = size - sizeof header;
  for (size_t i = 0; available > 0 && i < rows; ++i)
    block[sizeof header + i] = data[sizeof header + i % available];
  return block;
}

void checkResult(const BITMAPINFOHEADER* result) {
  KVX_FUZZ_CHECK(result != nullptr, "MergeHolder succeeded without a bitmap");
  KVX_FUZZ_CHECK(result->biSize == sizeof(BITMAPINFOHEADER) && result->biBitCount == 24 &&
                     result->biWidth > 0 && result->biHeight > 0,
                 "MergeHolder handed back a bitmap it would not read itself");
  // The block holds every row its header declares.
  const size_t rows = static_cast<size_t>(declaredRowBytes(*result));
  KVX_FUZZ_CHECK(GlobalSize(const_cast<BITMAPINFOHEADER*>(result)) >= sizeof *result + rows,
                 "MergeHolder's bitmap is smaller than its header declares");
  kvxfuzz::touch(result + 1, rows);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < sizeof(BITMAPINFOHEADER)) return 0;
  std::unique_ptr<uint8_t[]> block = makeBitmap(data, size);
  if (!block) return 0;
  auto* picture = reinterpret_cast<BITMAPINFOHEADER*>(block.get());

  kvxhost::ReferenceHost host;
  KVX_FUZZ_CHECK(host.begin(kFrameWidth, kFrameHeight) == 1, "the default page did not begin");
  CThemeEffectBase* effect = host.attachedEffect();
  KVX_FUZZ_CHECK(effect != nullptr, "the sink received no effect");
  BITMAPINFOHEADER sentinel{};
  BITMAPINFOHEADER* result = &sentinel;
  if (effect->MergeHolder(picture, &result) == 1) {
    checkResult(result);
    KVX_FUZZ_CHECK(GlobalFree(result) == nullptr, "MergeHolder's bitmap is not a live block");
  } else {
    KVX_FUZZ_CHECK(result == &sentinel, "a refused MergeHolder changed the result");
  }
  // A frame after the fit composes the placeholder's new picture. Whether it was composed in
  // full is the effect's to count; it must only survive it.
  const size_t frameBytes = static_cast<size_t>(kFrameWidth) * kFrameHeight * 3;
  std::vector<uint8_t> source(frameBytes, 0x80), destination(frameBytes);
  host.renderFrame(0, source.data(), kFrameWidth * 3, destination.data(), kFrameWidth * 3);
  KVX_FUZZ_CHECK(host.end() == 1, "the clip did not end");
  return 0;
}
