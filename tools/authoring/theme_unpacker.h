#pragma once
// A KVX theme file turned back into a theme description (docs/theme-json.md) and its pictures,
// so that the theme can be edited and packed again into one that composes the same frames.
#include <filesystem>
#include <string>

#include "authoring_api.h"

namespace kvxauthor {

constexpr const char* kUnpackedDescriptionName = "theme.json";

// Writes `folder`/theme.json and the pictures beside it as PNG files, making the folder when
// it is missing. No existing file is replaced: a folder that already holds theme.json is
// refused, and picture names avoid the files present. False with a one-line message when the
// file is no theme or a file cannot be written; what was written is then removed again.
KVX_AUTHORING_API bool unpackTheme(const std::string& themePath,
                                   const std::filesystem::path& folder, std::string* error);

}  // namespace kvxauthor
