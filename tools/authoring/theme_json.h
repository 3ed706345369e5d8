#pragma once
// Reading a theme description (docs/theme-json.md) into a ThemeSpec. Picture files are taken
// relative to the folder of the description.
#include <filesystem>
#include <string>

#include "authoring_api.h"
#include "theme_model.h"

namespace kvxauthor {

// False with a message naming the field ("objects[2].font.size: ...") when the description
// cannot be used; `model` is then unspecified.
KVX_AUTHORING_API bool parseThemeJson(const std::string& text,
                                      const std::filesystem::path& baseFolder, ThemeSpec* model,
                                      std::string* error);
KVX_AUTHORING_API bool loadThemeJson(const std::filesystem::path& file, ThemeSpec* model,
                                     std::string* error);

}  // namespace kvxauthor
