#pragma once
// An SVG drawing (Inkscape's or any editor's) read as a theme: its top-level layers become
// pictures rendered by librsvg, its named texts live text objects, and the elements labelled
// "placeholder" and "video" the engine's special objects.
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "authoring_api.h"
#include "theme_model.h"

namespace kvxauthor {

struct SvgImportOptions {
  // The page in pixels; 0 takes the drawing's width and height at 96 dpi.
  int pageWidth = 0;
  int pageHeight = 0;
};

// Drawings larger than this, or whose page exceeds the engine's, are refused unread.
constexpr size_t kMaxSvgFileBytes = size_t{64} << 20;

// False with a message when the drawing cannot be used. Elements that a theme cannot carry as
// they are (a text on a path, a masked text field) are kept as pictures and reported in
// `notes` by their id.
KVX_AUTHORING_API bool importSvgDesign(const std::filesystem::path& file,
                                       const SvgImportOptions& options, ThemeSpec* model,
                                       std::vector<std::string>* notes, std::string* error);
// The same from the drawing's text; linked files are found relative to `baseFolder`.
KVX_AUTHORING_API bool importSvgText(const std::string& text,
                                     const std::filesystem::path& baseFolder,
                                     const SvgImportOptions& options, ThemeSpec* model,
                                     std::vector<std::string>* notes, std::string* error);

// The local files the drawing links (images, the video clip), for a tool that watches them.
KVX_AUTHORING_API std::vector<std::filesystem::path> svgLinkedFiles(
    const std::filesystem::path& file);

}  // namespace kvxauthor
