#include "compat/win32/module_directory.h"

#include "compat/win32/win32.h"
#include "kvxtheme/commonlib.h"

void GetModuleDirectory(std::string& out) {
  std::string path = GetModuleFileNameA();
  char directory[260] = {};
  qfdSplitPathname(path.c_str(), nullptr, directory);
  out = directory;
}

const std::string& cachedModuleDirectory() {
  // Filled once under the static-initialisation lock, so threads of one host can share it.
  static const std::string directory = [] {
    std::string d;
    GetModuleDirectory(d);
    return d;
  }();
  return directory;
}
