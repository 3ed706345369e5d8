#include "compat/project_library/project_binding.h"

#include <new>
#include <string>

#include "compat/objectfile/kvx_open_files.h"
#include "compat/win32/win32.h"
#include "kvxtheme/filelib.h"

const char* const kProjectFunctionNames[kProjectNameCount] = {"KvxLock",
                                                              "KvxGetObjectNumber",
                                                              "KvxGetObjectList",
                                                              "KvxSetObjectList",
                                                              "KvxGetPageInfo",
                                                              "KvxSetPageInfo",
                                                              "KvxGetObjectData",
                                                              "KvxSetObjectData",
                                                              "KvxReadObject",
                                                              "KvxWriteObject",
                                                              "KvxGetObjectMaskInfo",
                                                              "KvxSetObjectMaskInfo",
                                                              "KvxReadObjectMask",
                                                              "KvxWriteObjectMask",
                                                              "PrjHasObjectStream",
                                                              "PrjGetObjectStream",
                                                              "PrjSetObjectStream",
                                                              "PrjHasStream",
                                                              "PrjGetStream",
                                                              "KvxSetStream",
                                                              "KvxShowDlgSaveOptionEx",
                                                              "KvxWritePageInfo",
                                                              "KvxOpenFile",
                                                              "KvxSaveFile",
                                                              ""};

namespace {

constexpr const char* kProjectLibraryName = "q32prj.dll";

// Rebuilt by every wrapper call; the handle of a library once loaded stays valid for the
// process, so threads that bind at the same time get the same answer.
thread_local HMODULE projectLibrary = nullptr;

using StreamQuery = int (*)(HGLOBAL, const void*, int, const char16_t*, int32_t*);
using StreamRead = int (*)(HGLOBAL, const void*, int, const char16_t*, void*);

}  // namespace

int bindProjectLibrary() {
  projectLibrary = nullptr;
  char fioPath[260] = {};
  q32FileGetFIOPath(fioPath, sizeof(fioPath));
  projectLibrary = LoadLibraryA(kProjectLibraryName);
  if (!projectLibrary && fioPath[0]) {
    std::string path = fioPath;
    if (path.back() != '/') path += '/';
    projectLibrary = LoadLibraryA((path + kProjectLibraryName).c_str());
  }
  return projectLibrary ? 1 : 0;
}

void* projectFunction(int index) {
  if (index < 0 || index >= kProjectNameCount || !projectLibrary) return nullptr;
  return GetProcAddress(projectLibrary, kProjectFunctionNames[index]);
}

int projectHasObjectStream(HGLOBAL file, const void* record, int index, const char16_t* name,
                           int32_t* has) {
  if (!bindProjectLibrary()) return 0;
  auto function = reinterpret_cast<StreamQuery>(projectFunction(14));
  return function ? function(file, record, index, name, has) : 0;
}

int projectGetObjectStream(HGLOBAL file, const void* record, int index, const char16_t* name,
                           void* destination) {
  if (!bindProjectLibrary()) return 0;
  auto function = reinterpret_cast<StreamRead>(projectFunction(15));
  return function ? function(file, record, index, name, destination) : 0;
}

bool readProjectObjectStream(std::shared_ptr<const kvx::KvxContainer> file, const std::string& path,
                             int index, const char16_t* name, std::vector<uint8_t>* bytes) {
  if (!file || index < 0 || static_cast<size_t>(index) >= file->objects().size() ||
      !bindProjectLibrary())
    return false;
  const uint8_t* record = file->objects()[index].info.data();
  HGLOBAL handle = kvx::openKvxContainer(std::move(file), path);
  if (!handle) return false;
  int32_t has = 0;
  bool read = false;
  if (projectHasObjectStream(handle, record, index, name, &has) > 0 && has) {
    const int size = projectGetObjectStream(handle, record, index, name, nullptr);
    try {
      if (size > 0) {
        bytes->assign(static_cast<size_t>(size), 0);
        read = projectGetObjectStream(handle, record, index, name, bytes->data()) > 0;
      }
    } catch (const std::bad_alloc&) {
      read = false;
    }
  }
  kvx::closeOpenFile(handle);
  return read;
}
