#pragma once
// Reading a small text file given by the user (a theme description, a texts file) whole.
#include <cstddef>
#include <filesystem>
#include <string>

#include "authoring_api.h"

namespace kvxauthor {

// Theme descriptions and texts files are far below this.
constexpr size_t kMaxTextFileBytes = size_t{64} << 20;

// Reads `path` into `contents`. Refuses, naming the file in `error`, a folder, anything that
// is not a regular file (a FIFO or device, without waiting on it), a file larger than
// `maxBytes`, and a file that cannot be read.
KVX_AUTHORING_API bool readTextFile(const std::filesystem::path& path, size_t maxBytes,
                                    std::string* contents, std::string* error);

}  // namespace kvxauthor
