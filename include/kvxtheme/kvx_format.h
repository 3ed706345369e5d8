#pragma once
// Layout of the KVX container (docs/kvx-format.md), shared by the reader and the writer.
#include <cstddef>
#include <cstdint>

namespace kvx {

constexpr uint8_t kMagic[8] = {'K', 'V', 'X', 'T', 'H', 'E', 'M', 'E'};
constexpr uint16_t kFormatVersion = 1;

// File header: magic, format version (u16), flags (u16, 0), chunk count (u32), CRC-32 of the
// chunk table (u32). The chunk table follows at once.
constexpr size_t kFileHeaderSize = 20;
// Chunk table entry: type (u32), object index (u32), offset (u64), size (u64), CRC-32 (u32).
constexpr size_t kChunkEntrySize = 28;
constexpr uint32_t kNoObject = 0xFFFFFFFFu;

constexpr uint32_t fourcc(const char (&name)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(name[0])) |
         (static_cast<uint32_t>(static_cast<uint8_t>(name[1])) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(name[2])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(name[3])) << 24);
}

constexpr uint32_t kChunkHeader = fourcc("HEAD");      // the 1,024-byte header record
constexpr uint32_t kChunkPage = fourcc("PAGE");        // the 532-byte page information
constexpr uint32_t kChunkGroups = fourcc("GRPS");      // the group block, bytes as stored
constexpr uint32_t kChunkObjectInfo = fourcc("OBJI");  // a 1,512-byte object information record
constexpr uint32_t kChunkPicture = fourcc("PICT");     // an object's colour picture
constexpr uint32_t kChunkMask = fourcc("MASK");        // an object's 8-bit mask
constexpr uint32_t kChunkStream = fourcc("STRM");      // a named stream of an object

// Picture chunk: width, height, bits per pixel (1, 8, 24), encoding (all u32), then either a
// zlib stream of the packed rows or one u32 colour (0x00BBGGRR).
constexpr size_t kPictureHeaderSize = 16;
constexpr uint32_t kEncodingDeflate = 0;
constexpr uint32_t kEncodingOneColour = 1;

// Stream chunk: name length in UTF-16 units (u32), the name (UTF-16LE, no NUL), the bytes.
constexpr uint32_t kMaxStreamNameUnits = 256;

// Limits that keep a hostile file from asking for absurd amounts of memory.
constexpr uint64_t kMaxFileBytes = 1ull << 31;
constexpr uint32_t kMaxChunks = 1u << 20;
constexpr uint32_t kMaxObjects = 65536;
constexpr uint32_t kMaxDimension = 32768;
constexpr uint64_t kMaxPictureBytes = 1ull << 30;
// What the pictures of one theme may hold in memory together once loaded, colour and masks at
// their stored depth, as the object records declare them.
constexpr uint64_t kMaxThemePictureBytes = 1ull << 30;
constexpr uint64_t kMaxStreamBytes = 0x7FFFFFFF;

// Offset of the page render flag in the page information record.
constexpr size_t kPageRenderFlag = 48;

// Bits per pixel of an object's colour picture for the header's pixel format code.
constexpr uint32_t bitsForFormatCode(int32_t code) {
  return code == 2 ? 24u : code == 64 ? 1u : 8u;
}

// Bytes of one packed row; 1-bit rows are padded to whole bytes.
constexpr uint64_t packedRowBytes(uint64_t width, uint32_t bits) {
  return bits == 1 ? (width + 7) / 8 : width * (bits / 8);
}

}  // namespace kvx
