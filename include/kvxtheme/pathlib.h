#pragma once
// PathLib: vector paths of move, line, cubic curve and close commands.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kvxtheme/export.h"

struct QzPathCommand {
  enum Kind : uint8_t { Move = 0, Line = 1, Curve = 2, Close = 3 } kind;
  double points[6];  // Move, Line: x, y; Curve: x1, y1, x2, y2, x, y
};

struct QzPath {
  std::vector<QzPathCommand> commands;
};

// Reads a flattened path at *data (at most `available` bytes), advances *data past it and
// stores a new path in *path. Returns nonzero on success; damaged data is refused with 0.
KVX_API int QzPathUnFlatten(const uint8_t** data, size_t available, QzPath** path);
KVX_API int QzPathFlatten(const QzPath* path, std::vector<uint8_t>* bytes);
KVX_API int QzPathDeletePtr(QzPath* path, int reserved);

// Limits every path obeys, whether built in memory or read from a stream.
constexpr size_t kMaxPathCommands = 1u << 20;
constexpr double kMaxPathCoordinate = 1.0e6;

// Number of coordinates a command carries (2, 2, 6, 0); -1 for an unknown kind.
KVX_API int qzPathPointCount(uint8_t kind);
// True when every command has a known kind and finite coordinates within the limits.
KVX_API bool qzPathIsValid(const QzPath& path);
