#include "format/kvx_picture_reader.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "kvxtheme/kvx_format.h"
#include "kvxtheme/objectfilelib.h"

namespace kvx {

namespace {

class Inflater {
 public:
  explicit Inflater(std::span<const uint8_t> input) {
    stream_.next_in = const_cast<Bytef*>(input.data());
    remaining_ = input.size();
    ok_ = inflateInit(&stream_) == Z_OK;
  }
  ~Inflater() {
    if (ok_) inflateEnd(&stream_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Fills `size` bytes exactly; false when the data ends early or is damaged.
  bool fill(uint8_t* out, size_t size) {
    if (!ok_) return false;
    stream_.next_out = out;
    stream_.avail_out = static_cast<uInt>(size);
    while (stream_.avail_out > 0) {
      feed();
      // Z_BUF_ERROR means no progress was possible: the input ran out.
      int result = inflate(&stream_, Z_NO_FLUSH);
      if (result == Z_STREAM_END) {
        ended_ = true;
        return stream_.avail_out == 0;
      }
      if (result != Z_OK) return false;
    }
    return true;
  }

  // True when the zlib stream ends exactly here, with no further output and no bytes after it.
  bool endsHere() {
    if (!ok_) return false;
    if (ended_) return inputUsedUp();
    uint8_t extra = 0;
    stream_.next_out = &extra;
    stream_.avail_out = 1;
    for (;;) {
      feed();
      int result = inflate(&stream_, Z_NO_FLUSH);
      if (result == Z_STREAM_END) return stream_.avail_out == 1 && inputUsedUp();
      if (result != Z_OK || stream_.avail_out == 0) return false;
    }
  }

 private:
  bool inputUsedUp() const { return stream_.avail_in == 0 && remaining_ == 0; }

  // zlib takes input lengths as uInt: hand large inputs over in pieces.
  void feed() {
    if (stream_.avail_in == 0 && remaining_ > 0) {
      size_t piece = std::min<size_t>(remaining_, 1u << 30);
      stream_.avail_in = static_cast<uInt>(piece);
      remaining_ -= piece;
    }
  }

  z_stream stream_{};
  size_t remaining_ = 0;
  bool ok_ = false;
  bool ended_ = false;
};

}  // namespace

int deliverPictureRows(const PictureChunk& picture, const RowRunSink& sink) {
  const size_t rowBytes = packedRowBytes(picture.width, picture.bits);
  const int height = static_cast<int>(picture.height);
  Inflater inflater(picture.deflated);
  if (rowBytes == 0 || height == 0) return inflater.endsHere() ? 1 : kWcsErrorFormat;
  const int runRows = std::min(height, kRowsPerRun);
  std::vector<uint8_t> run(rowBytes * runRows);
  std::vector<uint8_t*> rowPointers(runRows);
  for (int i = 0; i < runRows; ++i) rowPointers[i] = run.data() + rowBytes * i;
  for (int y = 0; y < height; y += runRows) {
    const int rows = std::min(runRows, height - y);
    if (!inflater.fill(run.data(), rowBytes * rows)) return kWcsErrorFormat;
    if (!sink(y, rows, rowPointers.data())) return kWcsErrorAborted;
  }
  return inflater.endsHere() ? 1 : kWcsErrorFormat;
}

bool inflatePictureRows(const PictureChunk& picture, std::vector<uint8_t>* rows,
                        std::string* error) {
  rows->clear();
  if (picture.encoding == kEncodingOneColour) return true;
  rows->reserve(packedRowBytes(picture.width, picture.bits) * picture.height);
  const int result = deliverPictureRows(picture, [&](int, int count, uint8_t* const* pointers) {
    const size_t rowBytes = packedRowBytes(picture.width, picture.bits);
    for (int i = 0; i < count; ++i) rows->insert(rows->end(), pointers[i], pointers[i] + rowBytes);
    return 1;
  });
  if (result > 0) return true;
  *error = "damaged picture data";
  return false;
}

}  // namespace kvx
