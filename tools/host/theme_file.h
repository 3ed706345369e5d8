#pragma once
// A host's first look at the theme file it was given, so that every host refuses a missing,
// unreadable or foreign file in the same words before the effect (which would go on with an
// empty page) is asked to load it.
#include <string>

namespace kvxhost {

enum class ThemeStatus {
  Ok,
  NotFound,    // no such file
  Folder,      // a folder where a theme file was asked for
  Unreadable,  // there, but this process may not read it
  NotATheme,   // read, but not a KVX theme (or a damaged one)
  OverBudget,  // a theme whose pictures would take more memory than a theme may hold
};

struct ThemeCheck {
  ThemeStatus status = ThemeStatus::Ok;
  std::string path;     // absolute and normal when the file was found
  std::string message;  // why it was refused, without the path: "does not exist"
  bool ok() const { return status == ThemeStatus::Ok; }
};

// Checks `path` (not empty) is a readable KVX theme file the effect can load.
ThemeCheck checkThemeFile(const std::string& path);

}  // namespace kvxhost
