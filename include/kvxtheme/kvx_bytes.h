#pragma once
// Little-endian reading and writing of the container's integers, independent of the host's
// byte order and alignment.
#include <cstdint>
#include <cstring>
#include <vector>

namespace kvx {

inline uint16_t loadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t loadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t loadU64(const uint8_t* p) {
  return static_cast<uint64_t>(loadU32(p)) | (static_cast<uint64_t>(loadU32(p + 4)) << 32);
}

inline void storeU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

inline void storeU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void storeU64(uint8_t* p, uint64_t v) {
  storeU32(p, static_cast<uint32_t>(v));
  storeU32(p + 4, static_cast<uint32_t>(v >> 32));
}

inline void appendU16(std::vector<uint8_t>& out, uint16_t v) {
  out.resize(out.size() + 2);
  storeU16(out.data() + out.size() - 2, v);
}

inline void appendU32(std::vector<uint8_t>& out, uint32_t v) {
  out.resize(out.size() + 4);
  storeU32(out.data() + out.size() - 4, v);
}

inline void appendU64(std::vector<uint8_t>& out, uint64_t v) {
  out.resize(out.size() + 8);
  storeU64(out.data() + out.size() - 8, v);
}

inline void appendBytes(std::vector<uint8_t>& out, const void* data, size_t size) {
  if (size == 0) return;
  const auto* bytes = static_cast<const uint8_t*>(data);
  out.insert(out.end(), bytes, bytes + size);
}

}  // namespace kvx
