#pragma once
// A parsed KVX file: the chunk table checked against the file's bytes, every chunk's size,
// place and CRC-32 verified, and the chunks sorted out per object. Nothing is read later that
// was not checked here, except the zlib data of pictures, which is checked as it is inflated.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "kvxtheme/export.h"

namespace kvx {

struct PictureChunk {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bits = 0;
  uint32_t encoding = 0;
  uint32_t colour = 0;                // one-colour pictures
  std::span<const uint8_t> deflated;  // zlib-compressed packed rows
};

struct StreamChunk {
  std::u16string name;
  std::span<const uint8_t> bytes;
};

struct KVX_API ObjectChunks {
  std::span<const uint8_t> info;  // the 1,512-byte record
  std::optional<PictureChunk> picture;
  std::optional<PictureChunk> mask;
  std::vector<StreamChunk> streams;

  // The stream named by a NUL-terminated UTF-16 string, or null.
  const StreamChunk* findStream(const char16_t* name) const;
};

class KVX_API KvxContainer {
 public:
  // Null with a message in `error` when the bytes are not a sound KVX file.
  static std::unique_ptr<KvxContainer> parse(std::vector<uint8_t> bytes, std::string* error);

  std::span<const uint8_t> headerRecord() const { return header_; }
  std::span<const uint8_t> pageRecord() const { return page_; }  // empty when not stored
  bool hasGroupBlock() const { return hasGroups_; }
  std::span<const uint8_t> groupBlock() const { return groups_; }
  const std::vector<ObjectChunks>& objects() const { return objects_; }
  // Bits per pixel of the objects' colour pictures, from the header's pixel format.
  uint32_t pictureBits() const;
  // The bytes loading the theme allocates for its pictures, colour at pictureBits() and 8-bit
  // masks, at the sizes the object records declare (whatever the stored pictures hold).
  uint64_t declaredPictureBytes() const;

 private:
  KvxContainer() = default;
  bool readTable(std::string* error);
  bool takeChunk(uint32_t type, uint32_t object, std::span<const uint8_t> data, std::string* error);

  std::vector<uint8_t> bytes_;
  std::span<const uint8_t> header_;
  std::span<const uint8_t> page_;
  std::span<const uint8_t> groups_;
  bool hasGroups_ = false;
  std::vector<ObjectChunks> objects_;
  std::vector<bool> objectSeen_;
};

// Reads a theme file whole: regular files only (a FIFO or device is refused without waiting),
// the magic number checked before the rest is read, at most kMaxFileBytes. False with a
// reason in `error` otherwise.
KVX_API bool readThemeFileBytes(const std::string& path, std::vector<uint8_t>* bytes,
                                std::string* error);

// The packed rows of a stored picture, inflated whole, for tools that rewrite pictures; a
// one-colour picture has none. False with a reason when the data is damaged.
KVX_API bool inflatePictureRows(const PictureChunk& picture, std::vector<uint8_t>* rows,
                                std::string* error);

}  // namespace kvx
