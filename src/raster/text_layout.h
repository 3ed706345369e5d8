#pragma once
// A Pango layout kept per text object. Each layout has its own font map and context, so that
// objects rendered on different threads share no Pango state, and a caption that changes every
// frame only re-shapes its text: fonts are looked up again only when the font record changes.
#include <pango/pangocairo.h>

#include <string>
#include <vector>

#include "kvxtheme/renderlib.h"
#include "raster/shape.h"

// The family asked for when the font record names none or names one that is missing, and the
// Japanese family chosen by character set 128.
inline constexpr const char* kFallbackFamily = "DejaVu Sans";
inline constexpr const char* kJapaneseFamily = "IPAGothic";

class TextLayout : public Shape {
 public:
  TextLayout();
  ~TextLayout() override;
  TextLayout(const TextLayout&) = delete;
  TextLayout& operator=(const TextLayout&) = delete;

  bool valid() const { return layout_ != nullptr; }
  // Brings the layout up to date; unchanged text, font or alignment costs nothing.
  void update(const std::string& text, const QrFontRecord& font, int32_t alignment);

  // Union of the ink and logical extents, in pixels relative to the layout's origin.
  Box bounds() const override;
  void fill(cairo_t* cr) const override;
  void appendOutline(cairo_t* cr) const override;
  // True when a run is set in a font with colour glyphs (bitmaps or layers).
  bool paintsOwnColours() const override;

  // Families of the fonts Pango chose for the runs of the text, in order.
  std::vector<std::string> fontFamilies() const;
  // Characters that no installed font could show (drawn as boxes).
  int unknownGlyphCount() const { return pango_layout_get_unknown_glyphs_count(layout_); }

 private:
  void applyFont(const QrFontRecord& font);
  void applyText(const std::string& text);
  void applyLanguage();

  PangoFontMap* fontMap_ = nullptr;
  PangoContext* context_ = nullptr;
  PangoLayout* layout_ = nullptr;
  std::string text_;
  QrFontRecord font_{};
  bool fontApplied_ = false;
  int32_t alignment_ = -1;
};

// Family list for Pango: the face name of the record (commas removed), the Japanese family
// first for character set 128, and the fallback family last.
std::string familyListFor(const LOGFONTA& logFont);
