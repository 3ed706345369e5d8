#pragma once
// Seed writers of the fuzz targets: each fills one folder with small inputs that reach the
// branches of its parser, and answers false when a file could not be written.
#include <cstdint>
#include <string>
#include <vector>

namespace kvxseeds {

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// KVX theme files for kvx_reader_fuzz.
bool writeThemeFileSeeds(const std::string& folder);
// Serialized text and path objects, and flattened paths, for render_object_fuzz.
bool writeRenderObjectSeeds(const std::string& folder);
// Valid and damaged 24-bit bitmaps for merge_holder_fuzz.
bool writeBitmapSeeds(const std::string& folder);
// The sample theme descriptions, and descriptions that name the harness's own pictures, for
// theme_json_fuzz.
bool writeThemeJsonSeeds(const std::string& folder, const std::vector<std::string>& samples);

}  // namespace kvxseeds
