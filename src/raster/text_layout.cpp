#include "raster/text_layout.h"

#include <hb-ot.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "raster/render_object.h"

namespace {

PangoAlignment pangoAlignmentOf(int32_t alignment) {
  switch (alignment) {
    case 1:
      return PANGO_ALIGN_RIGHT;
    case 2:
      return PANGO_ALIGN_CENTER;
    default:
      return PANGO_ALIGN_LEFT;
  }
}

// Unhinted outlines and fractional glyph positions: the layout then scales linearly, so a
// resized or stretched object looks like the natural one, only larger or smaller.
void configureContext(PangoContext* context) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context, FALSE);
  // A weak base direction: each paragraph still takes its direction from its first strong
  // character, while left and right alignment keep meaning the left and the right edge.
  pango_context_set_base_dir(context, PANGO_DIRECTION_WEAK_LTR);
}

// The language of the font metrics: Japanese for character set 128, otherwise a fixed one, so
// that neither the process locale nor the text changes the size a font record resolves to.
PangoLanguage* metricsLanguageOf(const LOGFONTA& logFont) {
  return pango_language_from_string(logFont.lfCharSet == SHIFTJIS_CHARSET ? "ja" : "en");
}

// The language the text is shaped in. Han characters belong to Chinese, Japanese and Korean
// alike, and Pango cannot tell which from the characters: a text with kana is Japanese, Han
// with Hangul Korean, other Han Chinese, so that a title is set in one font with its
// language's glyph forms. Character set 128 is Japanese; other texts take a fixed language, so
// that the rendering does not depend on the process locale.
PangoLanguage* textLanguageOf(const char* text, const LOGFONTA& logFont) {
  if (logFont.lfCharSet == SHIFTJIS_CHARSET) return pango_language_from_string("ja");
  bool han = false, kana = false, hangul = false;
  for (const char* p = text; *p != '\0'; p = g_utf8_next_char(p)) {
    const GUnicodeScript script = g_unichar_get_script(g_utf8_get_char(p));
    han = han || script == G_UNICODE_SCRIPT_HAN;
    kana = kana || script == G_UNICODE_SCRIPT_HIRAGANA || script == G_UNICODE_SCRIPT_KATAKANA;
    hangul = hangul || script == G_UNICODE_SCRIPT_HANGUL;
  }
  if (kana) return pango_language_from_string("ja");
  if (han) return pango_language_from_string(hangul ? "ko" : "zh-cn");
  return pango_language_from_string("en");
}

PangoAttrList* decorationsOf(const LOGFONTA& logFont) {
  PangoAttrList* list = pango_attr_list_new();
  if (logFont.lfUnderline)
    pango_attr_list_insert(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (logFont.lfStrikeOut) pango_attr_list_insert(list, pango_attr_strikethrough_new(TRUE));
  return list;
}

}  // namespace

std::string familyListFor(const LOGFONTA& logFont) {
  std::string face(logFont.lfFaceName, strnlen(logFont.lfFaceName, sizeof logFont.lfFaceName));
  std::replace(face.begin(), face.end(), ',', ' ');
  std::string families;
  if (logFont.lfCharSet == SHIFTJIS_CHARSET) families = std::string(kJapaneseFamily) + ",";
  if (!face.empty()) families += face + ",";
  return families + kFallbackFamily;
}

TextLayout::TextLayout() {
  fontMap_ = pango_cairo_font_map_new();
  if (fontMap_ == nullptr) return;
  context_ = pango_font_map_create_context(fontMap_);
  if (context_ == nullptr) return;
  configureContext(context_);
  layout_ = pango_layout_new(context_);
  // Otherwise Pango swaps left and right alignment for right-to-left paragraphs, and the lines
  // of a right-aligned Arabic or Hebrew text would leave the edge the object is anchored at.
  if (layout_ != nullptr) pango_layout_set_auto_dir(layout_, FALSE);
}

TextLayout::~TextLayout() {
  if (layout_ != nullptr) g_object_unref(layout_);
  if (context_ != nullptr) g_object_unref(context_);
  if (fontMap_ != nullptr) g_object_unref(fontMap_);
}

void TextLayout::update(const std::string& text, const QrFontRecord& font, int32_t alignment) {
  const bool fontChanged = !fontApplied_ || std::memcmp(&font, &font_, sizeof font) != 0;
  const bool textChanged = text != text_;
  if (fontChanged) applyFont(font);
  if (alignment != alignment_) {
    alignment_ = alignment;
    pango_layout_set_alignment(layout_, pangoAlignmentOf(alignment));
  }
  if (textChanged) applyText(text);
  if (fontChanged || textChanged) applyLanguage();
}

void TextLayout::applyFont(const QrFontRecord& font) {
  font_ = font;
  fontApplied_ = true;
  const LOGFONTA& lf = font.logFont;
  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, familyListFor(lf).c_str());
  const int weight = lf.lfWeight == 0 ? 400 : std::clamp<int>(lf.lfWeight, 100, 1000);
  pango_font_description_set_weight(description, static_cast<PangoWeight>(weight));
  pango_font_description_set_style(description,
                                   lf.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  double pixels = fontPixelsOf(font);
  pango_font_description_set_absolute_size(description, pixels * PANGO_SCALE);
  if (lf.lfHeight > 0) {
    // A positive height is the character cell (ascent plus descent), not the em square.
    PangoFontMetrics* metrics =
        pango_context_get_metrics(context_, description, metricsLanguageOf(lf));
    const double cell = static_cast<double>(pango_font_metrics_get_ascent(metrics) +
                                            pango_font_metrics_get_descent(metrics)) /
                        PANGO_SCALE;
    pango_font_metrics_unref(metrics);
    if (cell > 0) pixels = pixels * pixels / cell;
    pango_font_description_set_absolute_size(description, pixels * PANGO_SCALE);
  }
  pango_layout_set_font_description(layout_, description);
  pango_font_description_free(description);
  PangoAttrList* decorations = decorationsOf(lf);
  pango_layout_set_attributes(layout_, decorations);
  pango_attr_list_unref(decorations);
}

void TextLayout::applyLanguage() {
  // The layout's text, not text_: it is valid UTF-8.
  PangoLanguage* language = textLanguageOf(pango_layout_get_text(layout_), font_.logFont);
  if (language == pango_context_get_language(context_)) return;
  pango_context_set_language(context_, language);
  pango_layout_context_changed(layout_);
}

void TextLayout::applyText(const std::string& text) {
  text_ = text;
  const int length = static_cast<int>(std::min(text.size(), kMaxTextBytes));
  if (g_utf8_validate(text.data(), length, nullptr)) {
    pango_layout_set_text(layout_, text.data(), length);
    return;
  }
  // Texts are UTF-8; stray bytes of another encoding become replacement characters.
  gchar* repaired = g_utf8_make_valid(text.data(), length);
  pango_layout_set_text(layout_, repaired, -1);
  g_free(repaired);
}

Box TextLayout::bounds() const {
  if (text_.empty()) return {};
  PangoRectangle ink, logical;
  pango_layout_get_extents(layout_, &ink, &logical);
  Box box;
  // Sums in double: Pango's int extents may be near their limit.
  const double scale = PANGO_SCALE;
  box.x0 = std::min(ink.x, logical.x) / scale;
  box.y0 = std::min(ink.y, logical.y) / scale;
  box.x1 = std::max(double(ink.x) + ink.width, double(logical.x) + logical.width) / scale;
  box.y1 = std::max(double(ink.y) + ink.height, double(logical.y) + logical.height) / scale;
  return box;
}

void TextLayout::fill(cairo_t* cr) const {
  cairo_move_to(cr, 0, 0);
  pango_cairo_show_layout(cr, layout_);
}

void TextLayout::appendOutline(cairo_t* cr) const {
  cairo_move_to(cr, 0, 0);
  pango_cairo_layout_path(cr, layout_);
}

bool TextLayout::paintsOwnColours() const {
  bool colour = false;
  PangoLayoutIter* iter = pango_layout_get_iter(layout_);
  do {
    PangoLayoutRun* run = pango_layout_iter_get_run_readonly(iter);
    if (run == nullptr || run->item->analysis.font == nullptr) continue;
    hb_face_t* face = hb_font_get_face(pango_font_get_hb_font(run->item->analysis.font));
    colour = hb_ot_color_has_png(face) || hb_ot_color_has_layers(face);
  } while (!colour && pango_layout_iter_next_run(iter));
  pango_layout_iter_free(iter);
  return colour;
}

std::vector<std::string> TextLayout::fontFamilies() const {
  std::vector<std::string> families;
  PangoLayoutIter* iter = pango_layout_get_iter(layout_);
  do {
    PangoLayoutRun* run = pango_layout_iter_get_run_readonly(iter);
    if (run == nullptr) continue;
    PangoFontDescription* description = pango_font_describe(run->item->analysis.font);
    const char* family = pango_font_description_get_family(description);
    families.emplace_back(family != nullptr ? family : "");
    pango_font_description_free(description);
  } while (pango_layout_iter_next_run(iter));
  pango_layout_iter_free(iter);
  return families;
}
