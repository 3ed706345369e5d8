#include "kvxtheme/kvx_writer.h"

#include <zlib.h>

#include <cstring>
#include <new>

#include "kvxtheme/atomic_file.h"
#include "kvxtheme/kvx_bytes.h"
#include "kvxtheme/kvx_format.h"

namespace kvx {

namespace {

struct Chunk {
  uint32_t type;
  uint32_t object;
  std::vector<uint8_t> bytes;
};

bool fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

uint32_t crcOf(const std::vector<uint8_t>& data) {
  uLong crc = crc32(0L, Z_NULL, 0);
  size_t done = 0;
  while (done < data.size()) {
    size_t piece = std::min<size_t>(data.size() - done, 1u << 30);
    crc = crc32(crc, data.data() + done, static_cast<uInt>(piece));
    done += piece;
  }
  return static_cast<uint32_t>(crc);
}

bool checkPicture(const KvxPicture& picture, const std::string& what, std::string* error) {
  const int bits = picture.bitsPerPixel();
  if (bits != 1 && bits != 8 && bits != 24) return fail(error, what + ": depth must be 1, 8 or 24");
  if (picture.width() < 0 || picture.height() < 0 ||
      static_cast<uint32_t>(picture.width()) > kMaxDimension ||
      static_cast<uint32_t>(picture.height()) > kMaxDimension)
    return fail(error, what + ": size must lie within 0..32768 pixels");
  const uint64_t bytes = packedRowBytes(picture.width(), bits) * picture.height();
  if (bytes > kMaxPictureBytes) return fail(error, what + ": picture too large");
  if (!picture.isOneColour() && picture.rows().size() != bytes)
    return fail(error, what + ": row data does not match the picture's size");
  return true;
}

bool encodePicture(const KvxPicture& picture, std::vector<uint8_t>* out, std::string* error) {
  appendU32(*out, static_cast<uint32_t>(picture.width()));
  appendU32(*out, static_cast<uint32_t>(picture.height()));
  appendU32(*out, static_cast<uint32_t>(picture.bitsPerPixel()));
  if (picture.isOneColour()) {
    appendU32(*out, kEncodingOneColour);
    appendU32(*out, picture.colour());
    return true;
  }
  appendU32(*out, kEncodingDeflate);
  const size_t start = out->size();
  uLongf packed = compressBound(picture.rows().size());
  out->resize(start + packed);
  if (compress2(out->data() + start, &packed, picture.rows().data(), picture.rows().size(), 6) !=
      Z_OK)
    return fail(error, "compressing a picture failed");
  out->resize(start + packed);
  return true;
}

std::vector<uint8_t> encodeStream(const std::u16string& name, const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> out;
  appendU32(out, static_cast<uint32_t>(name.size()));
  for (char16_t unit : name) appendU16(out, static_cast<uint16_t>(unit));
  appendBytes(out, bytes.data(), bytes.size());
  return out;
}

}  // namespace

KvxPicture KvxPicture::fromRows(int width, int height, int bitsPerPixel,
                                std::vector<uint8_t> rows) {
  KvxPicture picture;
  picture.width_ = width;
  picture.height_ = height;
  picture.bits_ = bitsPerPixel;
  picture.rows_ = std::move(rows);
  return picture;
}

KvxPicture KvxPicture::oneColour(int width, int height, int bitsPerPixel, uint32_t colour) {
  KvxPicture picture;
  picture.width_ = width;
  picture.height_ = height;
  picture.bits_ = bitsPerPixel;
  picture.oneColour_ = true;
  picture.colour_ = colour;
  return picture;
}

void KvxWriterObject::addStream(std::u16string name, std::vector<uint8_t> bytes) {
  streams_.emplace_back(std::move(name), std::move(bytes));
}

KvxWriter::KvxWriter() {
  setVersion(kDefaultVersion);
  setPixelFormat(kDefaultPixelFormat);
}

void KvxWriter::setPageSize(int32_t width, int32_t height) {
  storeU32(header_.data() + kHeaderPageWidth, static_cast<uint32_t>(width));
  storeU32(header_.data() + kHeaderPageHeight, static_cast<uint32_t>(height));
}

void KvxWriter::setPixelFormat(int32_t code) {
  storeU32(header_.data() + kHeaderPixelFormat, static_cast<uint32_t>(code));
}

void KvxWriter::setVersion(uint16_t version) {
  storeU16(header_.data() + kHeaderVersion, version);
}

void KvxWriter::setPageRenderFlag(int32_t flag) {
  storeU32(page_.data() + kPageRenderFlag, static_cast<uint32_t>(flag));
}

void KvxWriter::setGroupBlock(std::vector<uint8_t> block) {
  groups_ = std::move(block);
  hasGroups_ = true;
}

KvxWriterObject& KvxWriter::addObject(const KvxObjectRecord& record) {
  return objects_.emplace_back(record);
}

bool KvxWriter::serialize(std::vector<uint8_t>* out, std::string* error) const {
  if (objects_.size() > kMaxObjects) return fail(error, "too many objects");
  if (groups_.size() > 0x7FFFFFFF) return fail(error, "group block too large");
  const uint32_t colourBits =
      bitsForFormatCode(static_cast<int32_t>(loadU32(header_.data() + kHeaderPixelFormat)));
  try {
    std::vector<Chunk> chunks;
    std::vector<uint8_t> header(header_.begin(), header_.end());
    std::memset(header.data() + kHeaderPath, 0, kKvxHeaderSize - kHeaderPath);
    chunks.push_back({kChunkHeader, kNoObject, std::move(header)});
    chunks.push_back({kChunkPage, kNoObject, {page_.begin(), page_.end()}});
    if (hasGroups_) chunks.push_back({kChunkGroups, kNoObject, groups_});
    for (size_t i = 0; i < objects_.size(); ++i) {
      const KvxWriterObject& object = objects_[i];
      const std::string what = "object " + std::to_string(i);
      const auto index = static_cast<uint32_t>(i);
      const uint8_t* record = object.record_.bytes();
      chunks.push_back({kChunkObjectInfo, index, {record, record + kObjectInfoSize}});
      if (object.hasPicture_) {
        if (!checkPicture(object.picture_, what + " picture", error)) return false;
        if (static_cast<uint32_t>(object.picture_.bitsPerPixel()) != colourBits)
          return fail(error, what + " picture: depth differs from the file's pixel format");
        Chunk chunk{kChunkPicture, index, {}};
        if (!encodePicture(object.picture_, &chunk.bytes, error)) return false;
        chunks.push_back(std::move(chunk));
      }
      if (object.hasMask_) {
        if (!checkPicture(object.mask_, what + " mask", error)) return false;
        if (object.mask_.bitsPerPixel() != 8) return fail(error, what + " mask: must be 8-bit");
        Chunk chunk{kChunkMask, index, {}};
        if (!encodePicture(object.mask_, &chunk.bytes, error)) return false;
        chunks.push_back(std::move(chunk));
      }
      for (size_t s = 0; s < object.streams_.size(); ++s) {
        const auto& [name, bytes] = object.streams_[s];
        if (name.empty() || name.size() > kMaxStreamNameUnits ||
            name.find(u'\0') != std::u16string::npos)
          return fail(error, what + ": stream names must have 1 to 256 characters and no NUL");
        if (bytes.size() > kMaxStreamBytes) return fail(error, what + ": stream too large");
        for (size_t t = 0; t < s; ++t)
          if (object.streams_[t].first == name)
            return fail(error, what + ": two streams of one name");
        chunks.push_back({kChunkStream, index, encodeStream(name, bytes)});
      }
    }

    std::vector<uint8_t> table;
    uint64_t offset = kFileHeaderSize + chunks.size() * kChunkEntrySize;
    for (const Chunk& chunk : chunks) {
      appendU32(table, chunk.type);
      appendU32(table, chunk.object);
      appendU64(table, offset);
      appendU64(table, chunk.bytes.size());
      appendU32(table, crcOf(chunk.bytes));
      offset += chunk.bytes.size();
    }
    if (offset > kMaxFileBytes) return fail(error, "theme file too large");
    out->clear();
    out->reserve(offset);
    appendBytes(*out, kMagic, sizeof(kMagic));
    appendU16(*out, kFormatVersion);
    appendU16(*out, 0);
    appendU32(*out, static_cast<uint32_t>(chunks.size()));
    appendU32(*out, crcOf(table));
    appendBytes(*out, table.data(), table.size());
    for (const Chunk& chunk : chunks) appendBytes(*out, chunk.bytes.data(), chunk.bytes.size());
    return true;
  } catch (const std::bad_alloc&) {
    return fail(error, "out of memory");
  }
}

bool KvxWriter::write(const std::string& path, std::string* error) const {
  std::vector<uint8_t> bytes;
  if (!serialize(&bytes, error)) return false;
  return writeFileAtomically(
      path, [&](const PieceWriter& put) { return put(bytes.data(), bytes.size()); }, error);
}

}  // namespace kvx
