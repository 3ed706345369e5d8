#pragma once
// The Win32 services the effect calls, on Linux.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "kvxtheme/globalmem.h"
#include "kvxtheme/win32.h"

typedef uint32_t LCID;

// Locale ids derived from the process locale (LC_ALL, LC_CTYPE, LANG): "ja*" gives 0x0411,
// "C"/"POSIX"/unset gives 0x0409, other languages their primary language id.
LCID GetSystemDefaultLCID();
LCID GetUserDefaultLCID();

// Lead bytes of double-byte code pages; only code page 932 is known.
bool IsDBCSLeadByteEx(unsigned codePage, uint8_t byte);

// Path of the running program (/proc/self/exe), or of the module containing `address` when
// given (dladdr).
std::string GetModuleFileNameA(const void* address = nullptr);

// Run-time loading. A name ending in ".dll" maps to "lib<name>.so"; a name without a folder is
// looked for beside the calling module first, then on the system's library paths.
typedef void* HMODULE;
HMODULE LoadLibraryA(const char* name);
void* GetProcAddress(HMODULE module, const char* name);
std::string dllNameToSharedObject(const std::string& name);
