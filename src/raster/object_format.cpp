#include "raster/object_format.h"

#include <bit>
#include <cstring>
#include <new>

#include "raster/byte_io.h"
#include "raster/placement.h"

// Records are stored as they lie in memory, which is the little-endian layout of the format.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr uint8_t kMagic[4] = {'K', 'V', 'R', 'O'};

enum SectionTag : uint16_t {
  kTagText = 1,
  kTagFont = 2,
  kTagColor = 3,
  kTagAlignment = 4,
  kTagShadow = 5,
  kTagTransform = 6,
  kTagSettings3d = 7,
  kTagPath = 8,
  kTagSizing = 9,
  kLastKnownTag = kTagSizing,
};

constexpr uint32_t kFontSectionSize = sizeof(LOGFONTA) + 4;
constexpr uint32_t kTransformSectionSize = 4 + kTransformDataSize;
constexpr uint32_t kSizingSectionSize = 4 + 4 * 8;

class SectionWriter {
 public:
  explicit SectionWriter(ByteWriter* writer) : writer_(writer) {}
  template <typename Body>
  void add(SectionTag tag, Body body) {
    writer_->writeU16(tag);
    writer_->writeU16(0);
    const size_t lengthAt = writer_->size();
    writer_->writeU32(0);
    body(*writer_);
    writer_->patchU32(lengthAt, static_cast<uint32_t>(writer_->size() - lengthAt - 4));
    ++count_;
  }
  uint32_t count() const { return count_; }

 private:
  ByteWriter* writer_;
  uint32_t count_ = 0;
};

void writeSections(const RenderObjectState& state, SectionWriter* sections) {
  if (state.kind == ObjectKind::Text) {
    sections->add(kTagText,
                  [&](ByteWriter& w) { w.writeBytes(state.text.data(), state.text.size()); });
    sections->add(kTagFont, [&](ByteWriter& w) {
      w.writeBytes(&state.font.logFont, sizeof(LOGFONTA));
      w.writeI32(state.font.pointSize);
    });
  }
  sections->add(kTagColor,
                [&](ByteWriter& w) { w.writeBytes(state.color.bytes, kColorRecordSize); });
  sections->add(kTagAlignment, [&](ByteWriter& w) { w.writeI32(state.alignment); });
  if (state.shadow) {
    sections->add(kTagShadow,
                  [&](ByteWriter& w) { w.writeBytes(&*state.shadow, sizeof(QrShadowRecord)); });
  }
  if (state.transformKind != 0) {
    sections->add(kTagTransform, [&](ByteWriter& w) {
      w.writeI32(state.transformKind);
      w.writeBytes(state.transform.data(), kTransformDataSize);
    });
  }
  sections->add(kTagSettings3d,
                [&](ByteWriter& w) { w.writeBytes(state.settings3d.data(), k3dSettingsSize); });
  if (state.kind == ObjectKind::Path || !state.path.commands.empty()) {
    sections->add(kTagPath, [&](ByteWriter& w) {
      std::vector<uint8_t> path;
      QzPathFlatten(&state.path, &path);
      w.writeBytes(path.data(), path.size());
    });
  }
  sections->add(kTagSizing, [&](ByteWriter& w) {
    w.writeI32(state.sizing.mode);
    for (double value : state.sizing.values) w.writeF64(value);
  });
}

// Applies one known section to the state; false when its length or contents are wrong.
bool readSection(uint16_t tag, ByteReader section, RenderObjectState* state) {
  const size_t length = section.remaining();
  switch (tag) {
    case kTagText:
      if (state->kind != ObjectKind::Text || length > kMaxTextBytes) return false;
      state->text.assign(reinterpret_cast<const char*>(section.current()), length);
      return true;
    case kTagFont:
      if (state->kind != ObjectKind::Text || length != kFontSectionSize) return false;
      section.readBytes(&state->font.logFont, sizeof(LOGFONTA));
      section.readI32(&state->font.pointSize);
      return fontRecordValid(state->font);
    case kTagColor:
      if (length != kColorRecordSize) return false;
      section.readBytes(state->color.bytes, kColorRecordSize);
      return colorRecordValid(state->color);
    case kTagAlignment:
      if (length != 4) return false;
      section.readI32(&state->alignment);
      return state->alignment >= 0 && state->alignment <= 2;
    case kTagShadow: {
      if (length != sizeof(QrShadowRecord)) return false;
      QrShadowRecord shadow;
      section.readBytes(&shadow, sizeof shadow);
      state->shadow = shadow;
      return true;
    }
    case kTagTransform:
      if (length != kTransformSectionSize) return false;
      section.readI32(&state->transformKind);
      section.readBytes(state->transform.data(), kTransformDataSize);
      return state->transformKind != 0;
    case kTagSettings3d: {
      if (length != k3dSettingsSize) return false;
      section.readBytes(state->settings3d.data(), k3dSettingsSize);
      int32_t blockSize;
      std::memcpy(&blockSize, state->settings3d.data(), sizeof blockSize);
      return blockSize == k3dSettingsSize;
    }
    case kTagPath: {
      const uint8_t* cursor = section.current();
      QzPath* path = nullptr;
      if (!QzPathUnFlatten(&cursor, length, &path)) return false;
      const bool exact = cursor == section.current() + length;
      state->path = std::move(*path);
      QzPathDeletePtr(path, 0);
      return exact;
    }
    case kTagSizing: {
      if (length != kSizingSectionSize) return false;
      int32_t mode;
      section.readI32(&mode);
      for (double& value : state->sizing.values) section.readF64(&value);
      const double* v = state->sizing.values;
      bool valid = false;
      if (mode == Sizing::Natural) valid = v[0] == 0 && v[1] == 0 && v[2] == 0 && v[3] == 0;
      if (mode == Sizing::Resize) valid = resizeValid(v[0], v[1]) && v[2] == 0 && v[3] == 0;
      if (mode == Sizing::Stretch) valid = stretchValid(v[0], v[1], v[2], v[3]);
      state->sizing.mode = static_cast<Sizing::Mode>(mode);
      return valid;
    }
    default:
      return true;  // sections of later minor additions are skipped
  }
}

}  // namespace

void writeObject(const RenderObjectState& state, std::vector<uint8_t>* bytes) {
  ByteWriter writer(bytes);
  const size_t start = writer.size();
  writer.writeBytes(kMagic, 4);
  writer.writeU16(kObjectFormatVersion);
  writer.writeU16(static_cast<uint16_t>(state.kind));
  writer.writeU32(0);  // section count
  writer.writeU32(0);  // payload size
  writer.writeU32(0);  // payload CRC-32
  SectionWriter sections(&writer);
  writeSections(state, &sections);
  const size_t payload = writer.size() - start - kObjectHeaderSize;
  writer.patchU32(start + 8, sections.count());
  writer.patchU32(start + 12, static_cast<uint32_t>(payload));
  writer.patchU32(start + 16, crc32Of(bytes->data() + start + kObjectHeaderSize, payload));
}

FormatResult readObject(const uint8_t* data, size_t size, ObjectKind expected,
                        QrQueryCallback query, void* user, RenderObjectState* state) {
  if (data == nullptr || state == nullptr) return kFormatBadArguments;
  ByteReader header(data, size);
  uint8_t magic[4];
  uint16_t version, kind;
  uint32_t sectionCount, payloadSize, crc;
  if (!header.readBytes(magic, 4) || std::memcmp(magic, kMagic, 4) != 0 ||
      !header.readU16(&version) || !header.readU16(&kind) || !header.readU32(&sectionCount) ||
      !header.readU32(&payloadSize) || !header.readU32(&crc)) {
    return kFormatDamaged;
  }
  if (version != kObjectFormatVersion) return kFormatUnsupported;
  if (payloadSize > header.remaining() || sectionCount > kMaxSections) return kFormatDamaged;
  const uint8_t* payload = header.current();
  if (crc32Of(payload, payloadSize) != crc) return kFormatDamaged;
  if (kind != static_cast<uint16_t>(expected)) return kFormatInvalid;
  if (query != nullptr && query(kind, version, static_cast<int32_t>(sectionCount),
                                static_cast<int32_t>(payloadSize), user) <= 0) {
    return kFormatDeclined;
  }
  try {
    RenderObjectState restored = defaultState(expected);
    ByteReader reader(payload, payloadSize);
    uint32_t seen = 0;  // bit per known tag: a section may appear once
    for (uint32_t i = 0; i < sectionCount; ++i) {
      uint16_t tag, flags;
      uint32_t length;
      if (!reader.readU16(&tag) || !reader.readU16(&flags) || !reader.readU32(&length) ||
          length > reader.remaining()) {
        return kFormatDamaged;
      }
      if (flags != 0) return kFormatUnsupported;
      if (tag >= kTagText && tag <= kLastKnownTag) {
        if (seen & (1u << tag)) return kFormatInvalid;
        seen |= 1u << tag;
      }
      if (!readSection(tag, ByteReader(reader.current(), length), &restored)) return kFormatInvalid;
      reader.skip(length);
    }
    if (reader.remaining() != 0) return kFormatDamaged;
    *state = std::move(restored);
  } catch (const std::bad_alloc&) {
    return kFormatBadArguments;
  }
  return kFormatRestored;
}
