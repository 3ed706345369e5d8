#include "svg_text.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace kvxauthor::svg {

namespace {

constexpr size_t kMaxFaceBytes = 31;

bool reject(std::string* reason, const std::string& why) {
  *reason = why;
  return false;
}

// SVG's default white space handling: newlines dropped, tabs as spaces, runs collapsed.
std::string collapsed(const std::string& text) {
  std::string out;
  bool space = false;
  for (char c : text) {
    if (c == '\n' || c == '\r') continue;
    if (c == ' ' || c == '\t') {
      space = true;
      continue;
    }
    if (space && !out.empty()) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

void appendContent(const xmlNode* node, std::string* line) {
  for (const xmlNode* child = node->children; child; child = child->next) {
    if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
      if (child->content) *line += reinterpret_cast<const char*>(child->content);
    } else if (isElement(child, "tspan")) {
      appendContent(child, line);
    }
  }
}

bool startsLine(const xmlNode* tspan) {
  return anyAttribute(tspan, "role") == "line" || attribute(tspan, "y").has_value();
}

// Lines from Inkscape's line tspans (or tspans placed on their own y); other text runs on.
std::string textContent(const xmlNode* text) {
  std::vector<std::string> lines(1);
  bool first = true;
  for (const xmlNode* child = text->children; child; child = child->next) {
    if (isElement(child, "tspan") && startsLine(child) && !first) lines.emplace_back();
    if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
      if (child->content) lines.back() += reinterpret_cast<const char*>(child->content);
    } else if (isElement(child, "tspan")) {
      appendContent(child, &lines.back());
      first = false;
    }
  }
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) joined += (i ? "\n" : "") + collapsed(lines[i]);
  return joined;
}

bool hasDescendant(const xmlNode* node, std::string_view name) {
  for (const xmlNode* child = node->children; child; child = child->next)
    if (isElement(child, name) || (isElement(child) && hasDescendant(child, name))) return true;
  return false;
}

// The element whose style describes the text: Inkscape writes it on the first line's tspan.
const xmlNode* styledElement(const xmlNode* text) {
  const xmlNode* styled = text;
  for (const xmlNode* child = styled->children; child;) {
    if (isElement(child, "tspan")) {
      styled = child;
      child = child->children;
    } else {
      child = child->next;
    }
  }
  return styled;
}

std::string firstFamily(const std::string& list) {
  std::string family = list.substr(0, list.find(','));
  family.erase(std::remove(family.begin(), family.end(), '\''), family.end());
  family.erase(std::remove(family.begin(), family.end(), '"'), family.end());
  const size_t begin = family.find_first_not_of(' ');
  const size_t end = family.find_last_not_of(' ');
  return begin == std::string::npos ? std::string() : family.substr(begin, end - begin + 1);
}

std::optional<int> fontWeight(const std::string& value) {
  if (value == "normal") return 400;
  if (value == "bold") return 700;
  if (value == "bolder") return 800;
  if (value == "lighter") return 300;
  const std::optional<double> n = number(value);
  if (!n || *n < 1 || *n > 1000) return std::nullopt;
  return static_cast<int>(*n);
}

double opacityValue(const std::optional<std::string>& value) {
  if (!value) return 1;
  const std::optional<double> n = number(*value);
  return n ? std::clamp(*n, 0.0, 1.0) : 1;
}

// The product of the group opacities above the text and its own.
double inheritedOpacity(const xmlNode* node) {
  double opacity = 1;
  for (const xmlNode* n = node; isElement(n); n = n->parent)
    opacity *= opacityValue(property(n, "opacity", false));
  return opacity;
}

std::optional<std::string> urlTarget(const std::string& value) {
  const size_t hash = value.find("url(#");
  if (hash == std::string::npos) return std::nullopt;
  const size_t close = value.find(')', hash);
  if (close == std::string::npos) return std::nullopt;
  std::string id = value.substr(hash + 5, close - hash - 5);
  id.erase(std::remove(id.begin(), id.end(), '"'), id.end());
  id.erase(std::remove(id.begin(), id.end(), '\''), id.end());
  return id;
}

// Given, and not "none".
bool isSet(const std::optional<std::string>& value) {
  return value && *value != "none";
}

void collectIds(const xmlNode* node, IdMap* ids) {
  for (const xmlNode* n = node; n; n = n->next) {
    if (!isElement(n)) continue;
    if (std::optional<std::string> id = attribute(n, "id")) ids->emplace(*id, n);
    collectIds(n->children, ids);
  }
}

// Gaussian deviation to the radius of the shadow builder's three box passes, whose variance
// is about (r/3)(r/3 + 1).
int32_t blurRadius(double deviation) {
  const double third = (std::sqrt(1 + 4 * deviation * deviation) - 1) / 2;
  return static_cast<int32_t>(std::lround(std::clamp(3 * third, 0.0, 1000.0)));
}

int32_t rounded(double value, double limit) {
  return static_cast<int32_t>(std::lround(std::clamp(value, -limit, limit)));
}

}  // namespace

IdMap elementsById(const xmlDoc* doc) {
  IdMap ids;
  collectIds(xmlDocGetRootElement(const_cast<xmlDoc*>(doc)), &ids);
  return ids;
}

bool readShadowFilter(const xmlNode* filter, double scale, ShadowSpec* shadow) {
  static const std::set<std::string_view> kChain = {"feGaussianBlur", "feOffset", "feFlood",
                                                    "feComposite", "feMerge"};
  double deviation = 0, dx = 0, dy = 0, floodOpacity = 1;
  uint32_t floodColour = 0;
  int blurs = 0, offsets = 0, floods = 0, dropShadows = 0;
  for (const xmlNode* p = filter->children; p; p = p->next) {
    if (!isElement(p)) continue;
    const std::string_view name = localName(p);
    auto numberOf = [&](const char* attributeName, double fallback) {
      const std::optional<std::string> text = attribute(p, attributeName);
      const std::optional<double> n = text ? number(text->substr(0, text->find_first_of(" ,")))
                                           : std::optional<double>(fallback);
      return n.value_or(fallback);
    };
    if (name == "feDropShadow") {
      ++dropShadows;
      deviation = numberOf("stdDeviation", 2);
      dx = numberOf("dx", 2);
      dy = numberOf("dy", 2);
    } else if (!kChain.count(name)) {
      return false;
    } else if (name == "feGaussianBlur") {
      ++blurs;
      deviation = numberOf("stdDeviation", 0);
    } else if (name == "feOffset") {
      ++offsets;
      dx = numberOf("dx", 0);
      dy = numberOf("dy", 0);
    }
    if (name == "feDropShadow" || name == "feFlood") {
      if (name == "feFlood") ++floods;
      if (std::optional<std::string> c = property(p, "flood-color", false))
        if (std::optional<uint32_t> value = colour(*c)) floodColour = *value;
      floodOpacity = opacityValue(property(p, "flood-opacity", false));
    }
  }
  const bool dropShadow = dropShadows == 1 && blurs + offsets + floods == 0;
  const bool chain = dropShadows == 0 && offsets == 1 && blurs <= 1 && floods <= 1;
  if (!dropShadow && !chain) return false;
  shadow->enabled = true;
  shadow->kind = 0;
  shadow->offsetX = rounded(dx * scale, 10000);
  shadow->offsetY = rounded(dy * scale, 10000);
  shadow->blur = blurRadius(std::fabs(deviation) * scale);
  shadow->opacity = rounded(floodOpacity * 100, 100);
  shadow->transparency = 0;
  shadow->color = floodColour;
  return true;
}

const xmlNode* referencedFilter(const xmlNode* element, const IdMap& ids) {
  const std::optional<std::string> filter = property(element, "filter", false);
  const std::optional<std::string> id = isSet(filter) ? urlTarget(*filter) : std::nullopt;
  const auto found = id ? ids.find(*id) : ids.end();
  return found != ids.end() && isElement(found->second, "filter") ? found->second : nullptr;
}

bool readTextElement(const xmlNode* text, const Affine& toPage, const IdMap& ids,
                     TextSpec* settings, std::string* reason) {
  if (hasDescendant(text, "textPath")) return reject(reason, "a text on a path");
  if (isSet(property(text, "mask", false))) return reject(reason, "a mask over a text field");
  if (isSet(property(text, "clip-path", false)))
    return reject(reason, "a clip path over a text field");
  if (!toPage.isTranslateScale() || std::fabs(toPage.a - toPage.d) > 1e-6 * toPage.a)
    return reject(reason, "a rotated, skewed or stretched text");
  const double scale = toPage.a;
  const xmlNode* styled = styledElement(text);

  const std::optional<std::string> fill = property(styled, "fill");
  const std::optional<uint32_t> fillColour = fill ? colour(*fill) : std::optional<uint32_t>(0);
  if (!fillColour) return reject(reason, "a fill that is not one colour");
  settings->color = *fillColour;
  const double opacity = opacityValue(property(styled, "fill-opacity")) * inheritedOpacity(styled);
  settings->opacity = static_cast<int32_t>(std::lround(opacity * 255));

  const std::optional<double> size =
      length(property(styled, "font-size").value_or("16"), /*fontSize=*/16);
  if (!size || *size * scale < 1 || *size * scale > 2000)
    return reject(reason, "a font size the text objects cannot take");
  settings->font.size = static_cast<int32_t>(std::lround(*size * scale));
  if (std::optional<std::string> families = property(styled, "font-family")) {
    const std::string face = firstFamily(*families);
    if (face.size() > kMaxFaceBytes) return reject(reason, "a font name longer than 31 bytes");
    if (!face.empty()) settings->font.face = face;
  }
  const std::optional<int> weight = fontWeight(property(styled, "font-weight").value_or("normal"));
  if (!weight) return reject(reason, "a font weight the text objects cannot take");
  settings->font.weight = *weight;
  const std::string style = property(styled, "font-style").value_or("normal");
  settings->font.italic = style == "italic" || style == "oblique";
  const std::string decoration = property(text, "text-decoration", false).value_or("");
  settings->font.underline = decoration.find("underline") != std::string::npos;
  settings->font.strikeOut = decoration.find("line-through") != std::string::npos;

  const std::string anchor = property(styled, "text-anchor").value_or("start");
  settings->align = anchor == "middle" ? Alignment::Center
                    : anchor == "end"  ? Alignment::Right
                                       : Alignment::Left;

  const std::optional<std::string> stroke = property(styled, "stroke");
  if (isSet(stroke)) {
    const std::optional<uint32_t> strokeColour = colour(*stroke);
    if (!strokeColour) return reject(reason, "an outline that is not one colour");
    const double width = length(property(styled, "stroke-width").value_or("1")).value_or(1);
    settings->stroke = StrokeSpec{*strokeColour, rounded(width * scale * 100, 10000)};
  }

  if (isSet(property(text, "filter", false))) {
    const xmlNode* filter = referencedFilter(text, ids);
    ShadowSpec shadow;
    if (!filter || !readShadowFilter(filter, scale, &shadow))
      return reject(reason, "a filter other than a drop shadow");
    settings->shadow = shadow;
  }
  settings->string = textContent(text);
  return true;
}

}  // namespace kvxauthor::svg
