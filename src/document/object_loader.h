#pragma once
// Makes one ThemeObject from its 1,512-byte information record and the file's pictures and
// streams.
#include <cstdint>

#include "kvxtheme/bufferlib.h"
#include "kvxtheme/globalmem.h"
#include "kvxtheme/objectfilelib.h"

class ThemeDocument;
class ThemeObject;

// 1 with the new object in *object, or the failing result (0 or below) with nothing stored.
int loadObject(HGLOBAL file, int index, const uint8_t* record, ThemeObject** object,
               ThemeDocument* document, int32_t pageRenderFlag);

int readPageSize(const char* path, int32_t* width, int32_t* height);

// What the pictures of one theme may hold in memory together, colour and masks at their
// stored depth: the sizes come from the records, whatever the stored pictures hold.
constexpr uint64_t kMaxThemePictureBytes = uint64_t{1} << 30;

// Bits per pixel of the file's colour pictures: 24, 1 or 8, from its pixel format.
int pictureBitsOf(HGLOBAL file);

// The bytes the object's colour picture (at `bitsPerPixel`) and mask declare in its record.
uint64_t declaredPictureBytes(const uint8_t* record, int bitsPerPixel);

// Writes a run of rows delivered by the file into `buffer`, clipped to it; kind 512 fills the
// whole buffer with one colour. 0 when a row cannot be written.
int writeRowRun(BufHandle buffer, const WcsRowRecord& run);
