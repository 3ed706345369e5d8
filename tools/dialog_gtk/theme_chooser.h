#pragma once
// The theme settings page in a real window, for hosts that edit option records of their own.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kvxtheme/export.h"
#include "kvxtheme/kvxtheme.h"

// A picture to show beside the page: packed rows of R, G, B bytes, top row first.
struct PreviewPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

struct ThemeChooserSettings {
  // Window title; empty keeps the page's own.
  std::string title;
  // Called when the host's preview must be redrawn: once when the page opens and after every
  // theme chosen with the browse button. `current` is the first option record. Filling
  // `picture` and answering true shows it in a preview window beside the page.
  std::function<bool(const EffectOption& current, PreviewPicture* picture)> onPreviewRedraw;
};

// Result of runThemeChooser when no window can be shown (no display, no records).
constexpr int kThemeChooserUnavailable = -1;

// Opens the theme page for `count` option records (the first one is the record shown) and
// runs GTK's main loop until the user closes it. With OK (IDOK) the records keep the name the
// page wrote into them; with Cancel or closing the window (IDCANCEL) they are given back
// their names from before. kThemeChooserUnavailable when `options` is null, `count` below 1
// or no display can be opened.
KVX_API int runThemeChooser(EffectOption* options, int count,
                            const ThemeChooserSettings& settings = {});
