#pragma once
// Little-endian reading and writing of the serialized render formats. The reader never reads
// past its end: every read checks the remaining length first and reports failure instead.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t remaining() const { return size_ - offset_; }
  size_t offset() const { return offset_; }
  const uint8_t* current() const { return data_ + offset_; }

  bool readU8(uint8_t* value);
  bool readU16(uint16_t* value);
  bool readU32(uint32_t* value);
  bool readI32(int32_t* value);
  bool readF64(double* value);
  bool readBytes(void* destination, size_t count);
  bool skip(size_t count);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>* out) : out_(out) {}

  void writeU8(uint8_t value) { out_->push_back(value); }
  void writeU16(uint16_t value);
  void writeU32(uint32_t value);
  void writeI32(int32_t value) { writeU32(static_cast<uint32_t>(value)); }
  void writeF64(double value);
  void writeBytes(const void* source, size_t count);
  size_t size() const { return out_->size(); }
  // Overwrites a value written earlier (used for lengths known only afterwards).
  void patchU32(size_t offset, uint32_t value);

 private:
  std::vector<uint8_t>* out_;
};

// CRC-32 (IEEE 802.3, the polynomial zlib and PNG use).
uint32_t crc32Of(const uint8_t* data, size_t size);
