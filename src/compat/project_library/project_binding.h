#pragma once
// The project library, loaded at run time by name ("q32prj.dll", on Linux libq32prj.so): first
// through the system's search path, then from the data directory.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kvxtheme/globalmem.h"
#include "kvxtheme/kvx_container.h"

constexpr int kProjectNameCount = 25;
extern const char* const kProjectFunctionNames[kProjectNameCount];

int bindProjectLibrary();
void* projectFunction(int index);
int projectHasObjectStream(HGLOBAL file, const void* record, int index, const char16_t* name,
                           int32_t* has);
int projectGetObjectStream(HGLOBAL file, const void* record, int index, const char16_t* name,
                           void* destination);

// Reads an object's stream through the project library, which takes the file as an open
// handle; false when the library, the object or the stream is missing.
bool readProjectObjectStream(std::shared_ptr<const kvx::KvxContainer> file, const std::string& path,
                             int index, const char16_t* name, std::vector<uint8_t>* bytes);
