#include "kvxtheme/filelib.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "compat/file/data_directory.h"
#include "compat/objectfile/kvx_open_files.h"
#include "compat/win32/win32.h"

namespace {

// <prefix>/share/kvxtheme/ for a library installed in <prefix>/lib, or in a multiarch folder
// <prefix>/lib/<triplet> as Debian installs it.
std::string installedDataDirectory() {
  std::filesystem::path module(
      GetModuleFileNameA(reinterpret_cast<const void*>(&q32FileGetFIOPath)));
  std::filesystem::path libraryDir = module.parent_path();
  const auto parentName = libraryDir.parent_path().filename();
  if (parentName == "lib" || parentName == "lib64") libraryDir = libraryDir.parent_path();
  return (libraryDir / ".." / "share" / "kvxtheme").lexically_normal().string();
}

}  // namespace

namespace kvx {

std::string dataDirectory() {
  const char* fromEnvironment = std::getenv("KVXTHEME_DATA_DIR");
  std::string directory =
      fromEnvironment && *fromEnvironment ? fromEnvironment : installedDataDirectory();
  if (directory.empty() || directory.back() != '/') directory += '/';
  return directory;
}

}  // namespace kvx

extern "C" {

int q32FileGetFIOPath(char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  const std::string directory = kvx::dataDirectory();
  if (directory.size() + 1 > static_cast<size_t>(size)) return 0;
  std::memcpy(buffer, directory.c_str(), directory.size() + 1);
  return static_cast<int>(directory.size());
}

int q32FileFreeFileData(HGLOBAL file) {
  return kvx::closeOpenFile(file) ? 1 : 0;
}

}  // extern "C"
