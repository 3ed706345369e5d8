#pragma once

class ThemeDocument;

// Fills an empty document with the default page: 768 × 578, an "OnScreenText" text object and
// a white "PlaceHolder". The output size does not change the page. Always 1.
int BuildDefaultPage(ThemeDocument* document, int width, int height);

// The default colour record: size 2688, colour 0, opacity 255 (opaque black).
struct QrColorRecord;
void makeDefaultColorRecord(QrColorRecord* record);
