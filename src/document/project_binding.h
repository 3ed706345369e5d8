#pragma once
// The project library, loaded at run time by name ("q32prj.dll", on Linux libq32prj.so): first
// through the system's search path, then from the data directory.
#include <cstdint>

#include "kvxtheme/globalmem.h"

constexpr int kProjectNameCount = 25;
extern const char* const kProjectFunctionNames[kProjectNameCount];

int bindProjectLibrary();
void* projectFunction(int index);
int projectHasObjectStream(HGLOBAL file, const void* record, int index, const char16_t* name,
                           int32_t* has);
int projectGetObjectStream(HGLOBAL file, const void* record, int index, const char16_t* name,
                           void* destination);
