#pragma once
// Turning a theme description into a KVX theme file.
#include <string>

#include "authoring_api.h"
#include "kvxtheme/kvx_writer.h"
#include "theme_model.h"

namespace kvxauthor {

// Fills `writer` with the theme (inside the library only): pictures are read, text and path objects
// rendered. False with a message naming the object's field when something cannot be packed.
bool buildTheme(const ThemeSpec& model, kvx::KvxWriter* writer, std::string* error);

// Builds the theme and writes it atomically to `path`; on failure nothing is written.
KVX_AUTHORING_API bool packTheme(const ThemeSpec& model, const std::string& path,
                                 std::string* error);

}  // namespace kvxauthor
