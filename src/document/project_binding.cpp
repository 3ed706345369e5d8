#include "document/project_binding.h"

#include <string>

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
