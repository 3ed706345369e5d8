#include "kvxtheme/kvx_container.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "kvxtheme/kvx_bytes.h"
#include "kvxtheme/kvx_format.h"
#include "kvxtheme/objectfilelib.h"

namespace kvx {

namespace {

[[maybe_unused]] uint32_t crcOf(std::span<const uint8_t> data) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes the length as uInt: feed large chunks in pieces.
  size_t done = 0;
  while (done < data.size()) {
    size_t piece = std::min<size_t>(data.size() - done, 1u << 30);
    crc = crc32(crc, data.data() + done, static_cast<uInt>(piece));
    done += piece;
  }
  return static_cast<uint32_t>(crc);
}

// A fuzzing build skips the checksums so that mutated inputs reach the parsers behind them;
// every bounds check still applies.
bool crcMatches(std::span<const uint8_t> data, uint32_t expected) {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  (void)data;
  (void)expected;
  return true;
#else
  return crcOf(data) == expected;
#endif
}

bool fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

bool parsePicture(std::span<const uint8_t> data, bool isMask, PictureChunk* out,
                  std::string* error) {
  if (data.size() < kPictureHeaderSize) return fail(error, "picture chunk too short");
  PictureChunk p;
  p.width = loadU32(data.data());
  p.height = loadU32(data.data() + 4);
  p.bits = loadU32(data.data() + 8);
  p.encoding = loadU32(data.data() + 12);
  if (p.width > kMaxDimension || p.height > kMaxDimension)
    return fail(error, "picture larger than 32768 pixels on a side");
  if (p.bits != 1 && p.bits != 8 && p.bits != 24) return fail(error, "unknown picture depth");
  if (isMask && p.bits != 8) return fail(error, "mask is not 8-bit");
  if (packedRowBytes(p.width, p.bits) * p.height > kMaxPictureBytes)
    return fail(error, "picture too large");
  auto rest = data.subspan(kPictureHeaderSize);
  if (p.encoding == kEncodingOneColour) {
    if (rest.size() != 4) return fail(error, "one-colour picture of wrong size");
    p.colour = loadU32(rest.data());
  } else if (p.encoding == kEncodingDeflate) {
    p.deflated = rest;
  } else {
    return fail(error, "unknown picture encoding");
  }
  *out = p;
  return true;
}

}  // namespace

const StreamChunk* ObjectChunks::findStream(const char16_t* name) const {
  if (!name) return nullptr;
  size_t length = 0;
  while (length <= kMaxStreamNameUnits && name[length] != u'\0') ++length;
  if (length > kMaxStreamNameUnits) return nullptr;
  std::u16string_view wanted(name, length);
  for (const StreamChunk& stream : streams)
    if (stream.name == wanted) return &stream;
  return nullptr;
}

std::unique_ptr<KvxContainer> KvxContainer::parse(std::vector<uint8_t> bytes, std::string* error) {
  std::unique_ptr<KvxContainer> file(new KvxContainer);
  file->bytes_ = std::move(bytes);
  if (!file->readTable(error)) return nullptr;
  return file;
}

bool KvxContainer::readTable(std::string* error) {
  const uint64_t fileSize = bytes_.size();
  const uint8_t* base = bytes_.data();
  if (fileSize < kFileHeaderSize || std::memcmp(base, kMagic, sizeof(kMagic)) != 0)
    return fail(error, "not a KVX file");
  if (loadU16(base + 8) != kFormatVersion) return fail(error, "unsupported KVX format version");
  const uint32_t count = loadU32(base + 12);
  if (count > kMaxChunks || count > (fileSize - kFileHeaderSize) / kChunkEntrySize)
    return fail(error, "chunk table larger than the file");
  const uint64_t tableEnd = kFileHeaderSize + uint64_t{count} * kChunkEntrySize;
  std::span<const uint8_t> table(base + kFileHeaderSize, tableEnd - kFileHeaderSize);
  if (!crcMatches(table, loadU32(base + 16))) return fail(error, "chunk table damaged (CRC)");

  // Object information chunks first: they decide how many objects the file has.
  uint32_t objectCount = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* entry = table.data() + size_t{i} * kChunkEntrySize;
    if (loadU32(entry) == kChunkObjectInfo) ++objectCount;
  }
  if (objectCount > kMaxObjects) return fail(error, "too many objects");
  objects_.resize(objectCount);
  objectSeen_.assign(objectCount, false);

  bool pass[2] = {true, false};  // object records, then everything else
  for (bool infoPass : pass) {
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* entry = table.data() + size_t{i} * kChunkEntrySize;
      const uint32_t type = loadU32(entry);
      if ((type == kChunkObjectInfo) != infoPass) continue;
      const uint64_t offset = loadU64(entry + 8);
      const uint64_t size = loadU64(entry + 16);
      if (offset < tableEnd || offset > fileSize || size > fileSize - offset)
        return fail(error, "chunk outside the file");
      std::span<const uint8_t> data(base + offset, size);
      if (!crcMatches(data, loadU32(entry + 24))) return fail(error, "chunk damaged (CRC)");
      if (!takeChunk(type, loadU32(entry + 4), data, error)) return false;
    }
  }
  if (header_.empty()) return fail(error, "no header record");
  if (std::find(objectSeen_.begin(), objectSeen_.end(), false) != objectSeen_.end())
    return fail(error, "object numbers are not consecutive");
  const int32_t formatCode = static_cast<int32_t>(loadU32(header_.data() + kHeaderPixelFormat));
  for (const ObjectChunks& object : objects_)
    if (object.picture && object.picture->bits != bitsForFormatCode(formatCode))
      return fail(error, "picture depth differs from the file's pixel format");
  return true;
}

uint32_t KvxContainer::pictureBits() const {
  return bitsForFormatCode(static_cast<int32_t>(loadU32(header_.data() + kHeaderPixelFormat)));
}

namespace {

uint64_t pictureBytes(int32_t width, int32_t height, uint32_t bits) {
  if (width <= 0 || height <= 0) return 0;
  return packedRowBytes(static_cast<uint64_t>(width), bits) * static_cast<uint64_t>(height);
}

}  // namespace

uint64_t KvxContainer::declaredPictureBytes() const {
  const uint32_t bits = pictureBits();
  uint64_t total = 0;
  for (const ObjectChunks& object : objects_) {
    const uint8_t* record = object.info.data();
    // The mask's size: the record's own mask rectangle when it says so, else the attributes'.
    const bool ownMask = loadU16(record + 144) != 0;
    total += pictureBytes(static_cast<int32_t>(loadU32(record + 136)),
                          static_cast<int32_t>(loadU32(record + 140)), bits) +
             pictureBytes(static_cast<int32_t>(loadU32(record + (ownMask ? 156 : 356))),
                          static_cast<int32_t>(loadU32(record + (ownMask ? 160 : 360))), 8);
  }
  return total;
}

bool KvxContainer::takeChunk(uint32_t type, uint32_t object, std::span<const uint8_t> data,
                             std::string* error) {
  const bool perObject = type == kChunkObjectInfo || type == kChunkPicture || type == kChunkMask ||
                         type == kChunkStream;
  if (perObject && object >= objects_.size()) return fail(error, "chunk of an unknown object");
  switch (type) {
    case kChunkHeader:
      if (!header_.empty() || data.size() != kKvxHeaderSize)
        return fail(error, "bad header record");
      header_ = data;
      return true;
    case kChunkPage:
      if (!page_.empty() || data.size() != kPageInfoSize) return fail(error, "bad page record");
      page_ = data;
      return true;
    case kChunkGroups:
      if (hasGroups_) return fail(error, "two group blocks");
      if (data.size() > 0x7FFFFFFF) return fail(error, "group block too large");
      hasGroups_ = true;
      groups_ = data;
      return true;
    case kChunkObjectInfo:
      if (objectSeen_[object] || data.size() != kObjectInfoSize)
        return fail(error, "bad object information record");
      objectSeen_[object] = true;
      objects_[object].info = data;
      return true;
    case kChunkPicture:
    case kChunkMask: {
      auto& slot = type == kChunkPicture ? objects_[object].picture : objects_[object].mask;
      if (slot) return fail(error, "two pictures for one object");
      PictureChunk picture;
      if (!parsePicture(data, type == kChunkMask, &picture, error)) return false;
      slot = picture;
      return true;
    }
    case kChunkStream: {
      if (data.size() < 4) return fail(error, "stream chunk too short");
      const uint32_t units = loadU32(data.data());
      if (units == 0 || units > kMaxStreamNameUnits || 4 + uint64_t{units} * 2 > data.size())
        return fail(error, "bad stream name");
      StreamChunk stream;
      for (uint32_t u = 0; u < units; ++u) {
        char16_t c = static_cast<char16_t>(loadU16(data.data() + 4 + 2 * u));
        if (c == u'\0') return fail(error, "bad stream name");
        stream.name.push_back(c);
      }
      stream.bytes = data.subspan(4 + size_t{units} * 2);
      if (stream.bytes.size() > kMaxStreamBytes) return fail(error, "stream too large");
      stream.name.push_back(u'\0');
      if (objects_[object].findStream(stream.name.c_str()))
        return fail(error, "two streams with one name");
      stream.name.pop_back();
      objects_[object].streams.push_back(std::move(stream));
      return true;
    }
    default:
      return true;  // a later format's chunk: checked for place and CRC, otherwise skipped
  }
}

}  // namespace kvx
