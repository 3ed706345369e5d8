#include "platform/render/text_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/render/render_object.h"

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
}

TextLayout::~TextLayout() {
  if (layout_ != nullptr) g_object_unref(layout_);
  if (context_ != nullptr) g_object_unref(context_);
  if (fontMap_ != nullptr) g_object_unref(fontMap_);
}

void TextLayout::update(const std::string& text, const QrFontRecord& font, int32_t alignment) {
  if (!fontApplied_ || std::memcmp(&font, &font_, sizeof font) != 0) applyFont(font);
  if (alignment != alignment_) {
    alignment_ = alignment;
    pango_layout_set_alignment(layout_, pangoAlignmentOf(alignment));
  }
  if (text != text_) applyText(text);
}

void TextLayout::applyFont(const QrFontRecord& font) {
  font_ = font;
  fontApplied_ = true;
  const LOGFONTA& lf = font.logFont;
  // Japanese glyph forms for character set 128; otherwise a fixed language, so that the
  // rendering does not depend on the process locale.
  pango_context_set_language(
      context_, pango_language_from_string(lf.lfCharSet == SHIFTJIS_CHARSET ? "ja" : "en"));
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
    PangoFontMetrics* metrics = pango_context_get_metrics(context_, description, nullptr);
    const double cell = static_cast<double>(pango_font_metrics_get_ascent(metrics) +
                                            pango_font_metrics_get_descent(metrics)) /
                        PANGO_SCALE;
    pango_font_metrics_unref(metrics);
    if (cell > 0) pixels = pixels * pixels / cell;
    pango_font_description_set_absolute_size(description, pixels * PANGO_SCALE);
  }
  emPixels_ = pixels;
  pango_layout_set_font_description(layout_, description);
  pango_font_description_free(description);
  PangoAttrList* decorations = decorationsOf(lf);
  pango_layout_set_attributes(layout_, decorations);
  pango_attr_list_unref(decorations);
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
