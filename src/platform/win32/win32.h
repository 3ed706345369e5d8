#pragma once
// The Win32 services the effect calls, on Linux.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "kvxtheme/export.h"
#include "kvxtheme/globalmem.h"

typedef uint32_t LCID;

struct LOGFONTA {
  int32_t lfHeight;
  int32_t lfWidth;
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char lfFaceName[32];
};
static_assert(sizeof(LOGFONTA) == 60);
static_assert(offsetof(LOGFONTA, lfCharSet) == 23);
static_assert(offsetof(LOGFONTA, lfFaceName) == 28);

constexpr uint8_t ANSI_CHARSET = 0;
constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr uint8_t SHIFTJIS_CHARSET = 128;

// Locale ids derived from the process locale (LC_ALL, LC_CTYPE, LANG): "ja*" gives 0x0411,
// "C"/"POSIX"/unset gives 0x0409, other languages their primary language id.
LCID GetSystemDefaultLCID();
LCID GetUserDefaultLCID();

// Lead bytes of double-byte code pages; only code page 932 is known.
bool IsDBCSLeadByteEx(unsigned codePage, uint8_t byte);

// The trace sink: silent until a sink is installed. Process-wide.
KVX_API void OutputDebugStringA(const char* text);
using TraceSink = std::function<void(const char*)>;
KVX_API void kvxSetTraceSink(TraceSink sink);

// Path of the running program (/proc/self/exe), or of the module containing `address` when
// given (dladdr).
std::string GetModuleFileNameA(const void* address = nullptr);

// Run-time loading. A name ending in ".dll" maps to "lib<name>.so".
typedef void* HMODULE;
HMODULE LoadLibraryA(const char* name);
void* GetProcAddress(HMODULE module, const char* name);
std::string dllNameToSharedObject(const std::string& name);
