#include "host/theme_file.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include "kvxtheme/kvx_container.h"
#include "kvxtheme/kvx_format.h"

namespace kvxhost {
namespace {

ThemeCheck refused(ThemeStatus status, std::string path, std::string message) {
  return ThemeCheck{status, std::move(path), std::move(message)};
}

}  // namespace

ThemeCheck checkThemeFile(const std::string& path) {
  std::error_code error;
  const auto kind = std::filesystem::status(path, error).type();
  if (kind == std::filesystem::file_type::not_found || kind == std::filesystem::file_type::none)
    return refused(ThemeStatus::NotFound, path, "does not exist");
  if (kind == std::filesystem::file_type::directory)
    return refused(ThemeStatus::Folder, path, "is a folder, not a theme file");
  if (kind == std::filesystem::file_type::unknown)
    return refused(ThemeStatus::Unreadable, path, "cannot be read: " + error.message());
  if (kind != std::filesystem::file_type::regular)
    return refused(ThemeStatus::NotATheme, path, "is not a regular file, so not a theme file");
  if (!std::ifstream(path, std::ios::binary))
    return refused(ThemeStatus::Unreadable, path, "cannot be read");
  std::string absolute = std::filesystem::absolute(path, error).lexically_normal().string();
  if (error) return refused(ThemeStatus::Unreadable, path, "cannot be read: " + error.message());

  std::vector<uint8_t> bytes;
  std::string why;
  std::unique_ptr<kvx::KvxContainer> theme;
  if (kvx::readThemeFileBytes(path, &bytes, &why))
    theme = kvx::KvxContainer::parse(std::move(bytes), &why);
  if (!theme)
    return refused(ThemeStatus::NotATheme, std::move(absolute), "is not a theme file: " + why);
  if (theme->declaredPictureBytes() > kvx::kMaxThemePictureBytes)
    return refused(ThemeStatus::OverBudget, std::move(absolute),
                   "the theme's pictures declare more than " +
                       std::to_string(kvx::kMaxThemePictureBytes >> 20) +
                       " MiB, the most one theme may hold");
  return ThemeCheck{ThemeStatus::Ok, std::move(absolute), {}};
}

}  // namespace kvxhost
