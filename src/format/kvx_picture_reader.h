#pragma once
// Inflates a stored picture and hands it out in runs of rows, so that memory stays bounded by
// one run whatever size the picture claims.
#include <cstdint>
#include <functional>

#include "kvxtheme/kvx_container.h"

namespace kvx {

constexpr int kRowsPerRun = 64;

// Receives the first row, the number of rows and one pointer per row; answers 0 to stop.
using RowRunSink = std::function<int(int firstRow, int rows, uint8_t* const* rowPointers)>;

// Delivers a deflate-encoded picture. Returns 1 when every row was delivered,
// kWcsErrorAborted when the sink stopped, kWcsErrorFormat when the data is damaged
// (truncated, too long or not zlib).
int deliverPictureRows(const PictureChunk& picture, const RowRunSink& sink);

}  // namespace kvx
