#pragma once
// The Win32 types and services that hosts and the render library's callers share: the font
// record that render objects carry, and the process-wide trace sink.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "kvxtheme/export.h"

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

// The trace sink: silent until a sink is installed. Process-wide.
KVX_API void OutputDebugStringA(const char* text);
using TraceSink = std::function<void(const char*)>;
KVX_API void kvxSetTraceSink(TraceSink sink);
