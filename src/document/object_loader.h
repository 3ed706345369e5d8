#pragma once
// Makes one ThemeObject from its 1,512-byte information record and the file's pictures and
// streams.
#include <cstdint>

#include "kvxtheme/globalmem.h"
#include "kvxtheme/bufferlib.h"
#include "kvxtheme/objectfilelib.h"

class ThemeDocument;
class ThemeObject;

// 1 with the new object in *object, or the failing result (0 or below) with nothing stored.
int loadObject(HGLOBAL file, int index, const uint8_t* record, ThemeObject** object,
               ThemeDocument* document, int32_t pageRenderFlag);

int readPageSize(const char* path, int32_t* width, int32_t* height);

// Writes a run of rows delivered by the file into `buffer`, clipped to it; kind 512 fills the
// whole buffer with one colour. 0 when a row cannot be written.
int writeRowRun(BufHandle buffer, const WcsRowRecord& run);
