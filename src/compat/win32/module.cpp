#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "compat/win32/win32.h"

std::string GetModuleFileNameA(const void* address) {
  if (address) {
    Dl_info info{};
    if (dladdr(address, &info) && info.dli_fname) {
      char resolved[PATH_MAX];
      if (realpath(info.dli_fname, resolved)) return resolved;
      return info.dli_fname;
    }
  }
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (n <= 0) return {};
  path[n] = '\0';
  return path;
}

std::string dllNameToSharedObject(const std::string& name) {
  const std::string suffix = ".dll";
  if (name.size() <= suffix.size()) return name;
  std::string tail = name.substr(name.size() - suffix.size());
  for (char& c : tail) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (tail != suffix) return name;
  std::string stem = name.substr(0, name.size() - suffix.size());
  size_t slash = stem.rfind('/');
  std::string directory = slash == std::string::npos ? "" : stem.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? stem : stem.substr(slash + 1);
  return directory + "lib" + base + ".so";
}

HMODULE LoadLibraryA(const char* name) {
  if (!name || !*name) return nullptr;
  const std::string file = dllNameToSharedObject(name);
  // A bare name is looked for in the folder of the module that asks first, as Windows looks
  // in the program's folder; dlopen alone would search only the system's paths.
  if (file.find('/') == std::string::npos) {
    const std::string module = GetModuleFileNameA(reinterpret_cast<const void*>(&LoadLibraryA));
    const size_t slash = module.rfind('/');
    if (slash != std::string::npos) {
      const std::string beside = module.substr(0, slash + 1) + file;
      if (HMODULE found = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL)) return found;
    }
  }
  return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name) return nullptr;
  return dlsym(module, name);
}
