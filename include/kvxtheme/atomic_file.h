#pragma once
// Replacing a file so that readers see either the old or the complete new content: the bytes
// go to a temporary file in the same folder, are flushed to disk, and the temporary file is
// renamed over the target. On failure the temporary file is removed and the target untouched.
#include <cstdint>
#include <functional>
#include <string>

#include "kvxtheme/export.h"

namespace kvx {

// Writes through `produce`, which receives a writer for consecutive pieces and answers false
// to give up. Returns false with a message in `error` when anything fails.
using PieceWriter = std::function<bool(const void* data, size_t size)>;
KVX_API bool writeFileAtomically(const std::string& path,
                                 const std::function<bool(const PieceWriter&)>& produce,
                                 std::string* error);

}  // namespace kvx
