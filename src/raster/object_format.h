#pragma once
// The serialized form of text and path objects (described in docs/render-object-format.md).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/render_object.h"

// Results of reading a serialized object; every refusal is 0 or below.
enum FormatResult : int {
  kFormatRestored = 1,
  kFormatBadArguments = 0,
  kFormatDamaged = -1,      // truncated, wrong magic, checksum or section lengths
  kFormatUnsupported = -2,  // a version this library does not read
  kFormatInvalid = -3,      // well formed, but a value out of range or the wrong object kind
  kFormatDeclined = -4,     // the query callback refused the object
};

constexpr uint16_t kObjectFormatVersion = 1;
constexpr size_t kObjectHeaderSize = 20;
constexpr uint32_t kMaxSections = 64;

void writeObject(const RenderObjectState& state, std::vector<uint8_t>* bytes);

// Reads a serialized object of kind `expected` into *state (left untouched on refusal).
FormatResult readObject(const uint8_t* data, size_t size, ObjectKind expected,
                        QrQueryCallback query, void* user, RenderObjectState* state);
