#pragma once
// The named streams of an object: its render object, cut border, component settings and
// hyperlink text.
#include <cstdint>

#include "kvxtheme/globalmem.h"

class ThemeDocument;
class ThemeObject;

// Restores the text or path render object and applies the component settings. Greater than 0
// on success; a picture object without streams succeeds.
int readObjectStreams(HGLOBAL file, const uint8_t* record, int index, ThemeObject* object,
                      ThemeDocument* document);

// Takes the first string of "ObjHyperLinkStream" (through the project library) as the
// object's link text. Always 0.
int readHyperlinkStream(HGLOBAL file, const uint8_t* record, int index, ThemeObject* object);
