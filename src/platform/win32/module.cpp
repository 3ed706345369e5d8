#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/win32/win32.h"

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
  return dlopen(dllNameToSharedObject(name).c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name) return nullptr;
  return dlsym(module, name);
}
