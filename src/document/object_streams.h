#pragma once
// The named streams of an object: its render object, cut border, component settings and
// hyperlink text.
#include "kvxtheme/kvx_container.h"

class ThemeDocument;
class ThemeObject;
struct ThemeSource;

// Restores the text or path render object and applies the component settings. Greater than 0
// on success; a picture object without streams succeeds.
int readObjectStreams(const kvx::ObjectChunks& chunks, ThemeObject* object,
                      ThemeDocument* document);

// Takes the first string of "ObjHyperLinkStream" (through the project library) as the
// object's link text. Always 0.
int readHyperlinkStream(const ThemeSource& file, int index, ThemeObject* object);
