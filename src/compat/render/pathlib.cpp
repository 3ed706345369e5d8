#include "kvxtheme/pathlib.h"

#include <cmath>
#include <mutex>
#include <new>
#include <unordered_set>

#include "raster/byte_io.h"

// Flattened form: "QZPA", uint16 version, uint16 flags (0), uint32 command count, then per
// command its kind byte and its coordinates as little-endian doubles.
namespace {

constexpr uint8_t kMagic[4] = {'Q', 'Z', 'P', 'A'};
constexpr uint16_t kVersion = 1;

// Paths handed out by QzPathUnFlatten, so that a foreign or freed pointer is refused.
std::mutex gLivePathsMutex;
std::unordered_set<const QzPath*> gLivePaths;

bool coordinateValid(double value) {
  return std::isfinite(value) && std::fabs(value) <= kMaxPathCoordinate;
}

bool readCommands(ByteReader* reader, uint32_t count, QzPath* path) {
  path->commands.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    QzPathCommand command{};
    uint8_t kind;
    if (!reader->readU8(&kind)) return false;
    const int points = qzPathPointCount(kind);
    if (points < 0) return false;
    command.kind = static_cast<QzPathCommand::Kind>(kind);
    for (int p = 0; p < points; ++p) {
      if (!reader->readF64(&command.points[p]) || !coordinateValid(command.points[p])) {
        return false;
      }
    }
    path->commands.push_back(command);
  }
  return true;
}

}  // namespace

int qzPathPointCount(uint8_t kind) {
  switch (kind) {
    case QzPathCommand::Move:
    case QzPathCommand::Line:
      return 2;
    case QzPathCommand::Curve:
      return 6;
    case QzPathCommand::Close:
      return 0;
    default:
      return -1;
  }
}

bool qzPathIsValid(const QzPath& path) {
  if (path.commands.size() > kMaxPathCommands) return false;
  for (const QzPathCommand& command : path.commands) {
    const int points = qzPathPointCount(command.kind);
    if (points < 0) return false;
    for (int p = 0; p < points; ++p) {
      if (!coordinateValid(command.points[p])) return false;
    }
  }
  return true;
}

int QzPathUnFlatten(const uint8_t** data, size_t available, QzPath** path) {
  if (data == nullptr || *data == nullptr || path == nullptr) return 0;
  *path = nullptr;
  ByteReader reader(*data, available);
  uint8_t magic[4];
  uint16_t version, flags;
  uint32_t count;
  if (!reader.readBytes(magic, 4) || std::memcmp(magic, kMagic, 4) != 0) return 0;
  if (!reader.readU16(&version) || version != kVersion) return 0;
  if (!reader.readU16(&flags) || flags != 0) return 0;
  // Every command takes at least its kind byte, so a count beyond the bytes left is a lie.
  if (!reader.readU32(&count) || count > kMaxPathCommands || count > reader.remaining()) return 0;
  auto* result = new (std::nothrow) QzPath;
  if (result == nullptr) return 0;
  try {
    if (!readCommands(&reader, count, result)) {
      delete result;
      return 0;
    }
    std::lock_guard lock(gLivePathsMutex);
    gLivePaths.insert(result);
  } catch (const std::bad_alloc&) {
    delete result;
    return 0;
  }
  *data += reader.offset();
  *path = result;
  return 1;
}

int QzPathFlatten(const QzPath* path, std::vector<uint8_t>* bytes) {
  if (path == nullptr || bytes == nullptr || !qzPathIsValid(*path)) return 0;
  ByteWriter writer(bytes);
  writer.writeBytes(kMagic, 4);
  writer.writeU16(kVersion);
  writer.writeU16(0);
  writer.writeU32(static_cast<uint32_t>(path->commands.size()));
  for (const QzPathCommand& command : path->commands) {
    writer.writeU8(command.kind);
    const int points = qzPathPointCount(command.kind);
    for (int p = 0; p < points; ++p) writer.writeF64(command.points[p]);
  }
  return 1;
}

int QzPathDeletePtr(QzPath* path, int /*reserved*/) {
  if (path == nullptr) return 0;
  {
    std::lock_guard lock(gLivePathsMutex);
    if (gLivePaths.erase(path) == 0) return 0;
  }
  delete path;
  return 1;
}
