#pragma once
// A theme design as a designer keeps it: a KVX theme file, a JSON description or an SVG drawing.
// The last two are packed on the way to the engine.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "authoring_api.h"

namespace kvxauthor {

enum class DesignKind { Kvx, Json, Svg };

// By the file's extension (letter case ignored); nullopt for any other.
KVX_AUTHORING_API std::optional<DesignKind> designKindOf(const std::filesystem::path& design);

struct DesignOptions {
  // The page in pixels; 0 keeps the design's own (an SVG's width and height at 96 dpi).
  int pageWidth = 0;
  int pageHeight = 0;
};

// Packs an SVG design (by its extension) or a JSON description (any other name) into the theme
// file `output`, replaced atomically. False with a
// message when the design cannot be used, and nothing is written. What the design holds that a
// theme cannot carry as it is (an SVG text on a path kept as picture) is reported in `notes`, one
// line per element.
KVX_AUTHORING_API bool packDesign(const std::filesystem::path& design,
                                  const std::filesystem::path& output, const DesignOptions& options,
                                  std::vector<std::string>* notes, std::string* error);

// The files a design reads besides itself (a description's pictures, the images an SVG links),
// for a tool that watches them; files that cannot be read are left out.
KVX_AUTHORING_API std::vector<std::filesystem::path> designInputs(
    const std::filesystem::path& design);

}  // namespace kvxauthor
