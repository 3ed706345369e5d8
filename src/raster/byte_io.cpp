#include "raster/byte_io.h"

#include <array>
#include <bit>

bool ByteReader::readU8(uint8_t* value) {
  if (remaining() < 1) return false;
  *value = data_[offset_++];
  return true;
}

bool ByteReader::readU16(uint16_t* value) {
  if (remaining() < 2) return false;
  *value = static_cast<uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
  offset_ += 2;
  return true;
}

bool ByteReader::readU32(uint32_t* value) {
  if (remaining() < 4) return false;
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | data_[offset_ + i];
  *value = v;
  offset_ += 4;
  return true;
}

bool ByteReader::readI32(int32_t* value) {
  uint32_t raw;
  if (!readU32(&raw)) return false;
  *value = static_cast<int32_t>(raw);
  return true;
}

bool ByteReader::readF64(double* value) {
  if (remaining() < 8) return false;
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | data_[offset_ + i];
  *value = std::bit_cast<double>(bits);
  offset_ += 8;
  return true;
}

bool ByteReader::readBytes(void* destination, size_t count) {
  if (remaining() < count) return false;
  if (count > 0) std::memcpy(destination, data_ + offset_, count);
  offset_ += count;
  return true;
}

bool ByteReader::skip(size_t count) {
  if (remaining() < count) return false;
  offset_ += count;
  return true;
}

void ByteWriter::writeU16(uint16_t value) {
  out_->push_back(static_cast<uint8_t>(value));
  out_->push_back(static_cast<uint8_t>(value >> 8));
}

void ByteWriter::writeU32(uint32_t value) {
  for (int i = 0; i < 4; ++i) out_->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void ByteWriter::writeF64(double value) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) out_->push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

void ByteWriter::writeBytes(const void* source, size_t count) {
  const auto* bytes = static_cast<const uint8_t*>(source);
  out_->insert(out_->end(), bytes, bytes + count);
}

void ByteWriter::patchU32(size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*out_)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

namespace {

constexpr std::array<uint32_t, 256> makeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

}  // namespace

uint32_t crc32Of(const uint8_t* data, size_t size) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) c = kCrcTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}
