#pragma once
// Helpers of the container tests: writing theme files, opening them, collecting the rows
// that the read operations deliver, and patching files while keeping their checksums right.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "kvxtheme/filelib.h"
#include "kvxtheme/kvx_bytes.h"
#include "kvxtheme/kvx_format.h"
#include "kvxtheme/kvx_writer.h"
#include "kvxtheme/objectfilelib.h"
#include "support/test_support.h"

namespace kvxtest {

inline std::vector<uint8_t> serialized(const kvx::KvxWriter& writer) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(writer.serialize(&bytes, &error)) << error;
  return bytes;
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An open file, released with the object.
class OpenKvx {
 public:
  explicit OpenKvx(const std::string& path) : handle_(wcsOpenFile(path.c_str(), 0)) {}
  OpenKvx(const TempDir& dir, const std::vector<uint8_t>& bytes) : OpenKvx(writeTo(dir, bytes)) {}
  ~OpenKvx() {
    if (handle_) q32FileFreeFileData(handle_);
  }
  OpenKvx(const OpenKvx&) = delete;
  OpenKvx& operator=(const OpenKvx&) = delete;
  HGLOBAL handle() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  static std::string writeTo(const TempDir& dir, const std::vector<uint8_t>& bytes) {
    std::string path = dir.file("theme.kvx");
    writeBytes(path, bytes);
    return path;
  }
  HGLOBAL handle_;
};

// Everything a picture read delivered: the calls and the picture assembled from the rows.
struct DeliveredPicture {
  int width = 0;
  int height = 0;
  int bits = 0;
  std::vector<WcsRowRecord> calls;
  std::vector<uint8_t> rows;  // packed as stored
  int32_t fillColour = -1;
  int stopAfterCalls = -1;  // answer 0 on this call (counting from 1)
};

inline int collectRows(WcsRowRecord record) {
  auto* params = static_cast<WcsReadParams*>(record.params);
  auto* out = static_cast<DeliveredPicture*>(params->context);
  out->calls.push_back(record);
  if (out->stopAfterCalls == static_cast<int>(out->calls.size())) return 0;
  if (record.kind == kRowKindFill) {
    out->fillColour = *static_cast<int32_t*>(record.rowData);
    return 1;
  }
  const size_t rowBytes = kvx::packedRowBytes(record.count, out->bits);
  auto* const* rows = static_cast<uint8_t* const*>(record.rowData);
  for (int i = 0; i < record.rows; ++i) {
    const size_t at = (static_cast<size_t>(record.y) + i) * rowBytes;
    if (at + rowBytes > out->rows.size()) return 0;
    std::memcpy(out->rows.data() + at, rows[i], rowBytes);
  }
  return 1;
}

inline int collectMaskRows(WcsRowRecord record) {
  auto* params = static_cast<WcsMaskParams*>(record.params);
  WcsReadParams asRead{};
  asRead.context = params->context;
  record.params = &asRead;
  return collectRows(record);
}

inline DeliveredPicture readPicture(HGLOBAL file, int index, int width, int height, int bits,
                                    bool mask = false, int* result = nullptr,
                                    int stopAfterCalls = -1) {
  DeliveredPicture out;
  out.width = width;
  out.height = height;
  out.bits = bits;
  out.stopAfterCalls = stopAfterCalls;
  out.rows.assign(kvx::packedRowBytes(width, bits) * height, 0);
  std::vector<uint8_t> record(kObjectInfoSize, 0);
  int answer;
  if (mask) {
    WcsMaskParams params{0, 1, &out};
    answer = wcsReadObjectMask(file, record.data(), index, &params, collectMaskRows);
  } else {
    WcsReadParams params{{1, 1, 0, 0, 0, 0}, &out};
    answer = wcsReadObject(file, record.data(), index, &params, collectRows);
  }
  if (result) *result = answer;
  return out;
}

inline uint32_t crcOf(const uint8_t* data, size_t size) {
  return static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), data, static_cast<uInt>(size)));
}

// The file's chunk table, for tests that damage files on purpose.
struct ChunkEntry {
  size_t at;  // position of the entry in the file
  uint32_t type, object;
  uint64_t offset, size;
};

inline std::vector<ChunkEntry> chunkTable(const std::vector<uint8_t>& file) {
  std::vector<ChunkEntry> entries;
  const uint32_t count = kvx::loadU32(file.data() + 12);
  for (uint32_t i = 0; i < count; ++i) {
    size_t at = kvx::kFileHeaderSize + i * kvx::kChunkEntrySize;
    if (at + kvx::kChunkEntrySize > file.size()) break;
    entries.push_back({at, kvx::loadU32(&file[at]), kvx::loadU32(&file[at + 4]),
                       kvx::loadU64(&file[at + 8]), kvx::loadU64(&file[at + 16])});
  }
  return entries;
}

inline ChunkEntry findChunk(const std::vector<uint8_t>& file, uint32_t type, uint32_t object) {
  for (const ChunkEntry& entry : chunkTable(file))
    if (entry.type == type && entry.object == object) return entry;
  ADD_FAILURE() << "chunk not found";
  return {};
}

// Recomputes every chunk CRC that lies inside the file and the table's CRC, so that only the
// damage a test made on purpose remains.
inline void resealChecksums(std::vector<uint8_t>& file) {
  for (const ChunkEntry& entry : chunkTable(file))
    if (entry.offset <= file.size() && entry.size <= file.size() - entry.offset)
      kvx::storeU32(&file[entry.at + 24], crcOf(file.data() + entry.offset, entry.size));
  const size_t table = kvx::loadU32(file.data() + 12) * kvx::kChunkEntrySize;
  if (kvx::kFileHeaderSize + table <= file.size())
    kvx::storeU32(&file[16], crcOf(file.data() + kvx::kFileHeaderSize, table));
}

}  // namespace kvxtest
