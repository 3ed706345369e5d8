#include "svg_document.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kvxauthor::svg {

namespace {

constexpr const char* kInkscapeNamespace = "http://www.inkscape.org/namespaces/inkscape";
constexpr const char* kXlinkNamespace = "http://www.w3.org/1999/xlink";
constexpr double kPi = 3.14159265358979323846;

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::optional<std::string> xmlText(xmlChar* value) {
  if (!value) return std::nullopt;
  std::string text(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return text;
}

// The declaration of `name` in a style attribute ("fill:#fff;font-size:12px").
std::optional<std::string> styleDeclaration(std::string_view style, std::string_view name) {
  std::optional<std::string> found;
  while (!style.empty()) {
    const size_t end = style.find(';');
    const std::string_view declaration = style.substr(0, end);
    style = end == std::string_view::npos ? std::string_view() : style.substr(end + 1);
    const size_t colon = declaration.find(':');
    if (colon == std::string_view::npos || trimmed(declaration.substr(0, colon)) != name) continue;
    std::string_view value = trimmed(declaration.substr(colon + 1));
    if (const size_t important = value.find("!important"); important != std::string_view::npos)
      value = trimmed(value.substr(0, important));
    found = std::string(value);  // the last declaration wins
  }
  return found;
}

std::optional<std::string> ownProperty(const xmlNode* node, std::string_view name) {
  if (const std::optional<std::string> style = attribute(node, "style"))
    if (std::optional<std::string> value = styleDeclaration(*style, name)) return value;
  return attribute(node, std::string(name).c_str());
}

// The numbers of one transform function's argument list.
std::optional<std::vector<double>> arguments(std::string_view list) {
  std::vector<double> values;
  std::string text(list);
  const char* p = text.c_str();
  while (*p) {
    while (*p && (std::isspace(static_cast<unsigned char>(*p)) || *p == ',')) ++p;
    if (!*p) break;
    char* end = nullptr;
    const double value = std::strtod(p, &end);
    if (end == p || !std::isfinite(value)) return std::nullopt;
    values.push_back(value);
    p = end;
  }
  return values;
}

std::optional<Affine> transformFunction(std::string_view name, const std::vector<double>& v) {
  const size_t n = v.size();
  if (name == "matrix" && n == 6) return Affine{v[0], v[1], v[2], v[3], v[4], v[5]};
  if (name == "translate" && (n == 1 || n == 2)) return Affine{1, 0, 0, 1, v[0], n == 2 ? v[1] : 0};
  if (name == "scale" && (n == 1 || n == 2)) return Affine{v[0], 0, 0, n == 2 ? v[1] : v[0], 0, 0};
  if (name == "rotate" && (n == 1 || n == 3)) {
    const double angle = v[0] * kPi / 180, c = std::cos(angle), s = std::sin(angle);
    const Affine rotation{c, s, -s, c, 0, 0};
    if (n == 1) return rotation;
    return Affine{1, 0, 0, 1, -v[1], -v[2]}.then(rotation).then(Affine{1, 0, 0, 1, v[1], v[2]});
  }
  if (name == "skewX" && n == 1) return Affine{1, 0, std::tan(v[0] * kPi / 180), 1, 0, 0};
  if (name == "skewY" && n == 1) return Affine{1, std::tan(v[0] * kPi / 180), 0, 1, 0, 0};
  return std::nullopt;
}

struct NamedColour {
  const char* name;
  uint32_t rgb;  // 0xRRGGBB
};
constexpr NamedColour kNamedColours[] = {
    {"black", 0x000000},    {"white", 0xFFFFFF},    {"red", 0xFF0000},      {"green", 0x008000},
    {"blue", 0x0000FF},     {"yellow", 0xFFFF00},   {"cyan", 0x00FFFF},     {"aqua", 0x00FFFF},
    {"magenta", 0xFF00FF},  {"fuchsia", 0xFF00FF},  {"gray", 0x808080},     {"grey", 0x808080},
    {"silver", 0xC0C0C0},   {"maroon", 0x800000},   {"olive", 0x808000},    {"lime", 0x00FF00},
    {"navy", 0x000080},     {"purple", 0x800080},   {"teal", 0x008080},     {"orange", 0xFFA500},
    {"gold", 0xFFD700},     {"darkgray", 0xA9A9A9}, {"darkgrey", 0xA9A9A9}, {"lightgray", 0xD3D3D3},
    {"lightgrey", 0xD3D3D3}};

uint32_t fromRgb(uint32_t r, uint32_t g, uint32_t b) {
  return r | (g << 8) | (b << 16);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}  // namespace

Affine Affine::then(const Affine& o) const {
  return {o.a * a + o.c * b, o.b * a + o.d * b,       o.a * c + o.c * d,
          o.b * c + o.d * d, o.a * e + o.c * f + o.e, o.b * e + o.d * f + o.f};
}

std::array<double, 2> Affine::apply(double x, double y) const {
  return {a * x + c * y + e, b * x + d * y + f};
}

double Affine::uniformScale() const {
  return std::sqrt(std::fabs(a * d - b * c));
}

bool Affine::isTranslateScale() const {
  constexpr double kTolerance = 1e-9;
  return std::fabs(b) < kTolerance && std::fabs(c) < kTolerance && a > 0 && d > 0;
}

bool Affine::isSimilarity() const {
  // Columns of equal length, at right angles, and not mirrored.
  const double lengthX = std::hypot(a, b), lengthY = std::hypot(c, d);
  const double tolerance = 1e-6 * std::max(lengthX, lengthY);
  return lengthX > 0 && std::fabs(lengthX - lengthY) < tolerance &&
         std::fabs(a * c + b * d) < tolerance * std::max(lengthX, lengthY) && a * d - b * c > 0;
}

XmlDocument parseSvg(const std::string& text, std::string* error) {
  if (text.size() > static_cast<size_t>(INT32_MAX)) {
    *error = "the drawing is too large";
    return nullptr;
  }
  // No entity substitution, no external DTD, no network: a drawing reads nothing but itself.
  XmlDocument doc(xmlReadMemory(text.data(), static_cast<int>(text.size()), "design.svg", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!doc) {
    const xmlError* last = xmlGetLastError();
    std::string message(last && last->message ? trimmed(last->message) : "unreadable");
    if (message.find("Excessive depth") != std::string::npos)
      message = "elements nest deeper than 256 levels";
    *error = "not well-formed XML (line " + std::to_string(last ? last->line : 0) + "): " + message;
    return nullptr;
  }
  const xmlDtd* dtd = doc->intSubset;
  if (dtd && (dtd->entities || dtd->pentities)) {
    *error = "declares XML entities, which a drawing does not need and which are not expanded";
    return nullptr;
  }
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root || localName(root) != "svg") {
    *error = "is not an SVG drawing (its root element is not <svg>)";
    return nullptr;
  }
  return doc;
}

std::string serialize(xmlDoc* doc) {
  xmlChar* bytes = nullptr;
  int size = 0;
  xmlDocDumpMemory(doc, &bytes, &size);
  std::string text(reinterpret_cast<const char*>(bytes), bytes ? static_cast<size_t>(size) : 0);
  xmlFree(bytes);
  return text;
}

std::string_view localName(const xmlNode* node) {
  return node && node->name ? std::string_view(reinterpret_cast<const char*>(node->name))
                            : std::string_view();
}

bool isElement(const xmlNode* node, std::string_view name) {
  return node && node->type == XML_ELEMENT_NODE && (name.empty() || localName(node) == name);
}

std::optional<std::string> attribute(const xmlNode* node, const char* name) {
  return xmlText(xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name)));
}

std::optional<std::string> anyAttribute(const xmlNode* node, const char* name) {
  return xmlText(xmlGetProp(node, reinterpret_cast<const xmlChar*>(name)));
}

std::optional<std::string> inkscapeAttribute(const xmlNode* node, const char* name) {
  return xmlText(xmlGetNsProp(node, reinterpret_cast<const xmlChar*>(name),
                              reinterpret_cast<const xmlChar*>(kInkscapeNamespace)));
}

std::optional<std::string> linkTarget(const xmlNode* node) {
  if (std::optional<std::string> href = attribute(node, "href")) return href;
  return xmlText(xmlGetNsProp(node, reinterpret_cast<const xmlChar*>("href"),
                              reinterpret_cast<const xmlChar*>(kXlinkNamespace)));
}

std::string labelOf(const xmlNode* node) {
  if (std::optional<std::string> label = inkscapeAttribute(node, "label"); label && !label->empty())
    return *label;
  return attribute(node, "id").value_or(std::string());
}

std::optional<std::string> property(const xmlNode* node, std::string_view name, bool inherited) {
  for (const xmlNode* n = node; isElement(n); n = n->parent) {
    std::optional<std::string> value = ownProperty(n, name);
    if (value && *value != "inherit") return value;
    if (!inherited && !value) return std::nullopt;
  }
  return std::nullopt;
}

std::optional<Affine> ownTransform(const xmlNode* node) {
  const std::optional<std::string> text = attribute(node, "transform");
  Affine result;
  if (!text) return result;
  std::string_view rest = *text;
  // "A B" applies B first: the functions compose from the right.
  std::vector<Affine> functions;
  while (!(rest = trimmed(rest)).empty()) {
    if (rest.front() == ',') {
      rest.remove_prefix(1);
      continue;
    }
    const size_t open = rest.find('('), close = rest.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
      return std::nullopt;
    const std::optional<std::vector<double>> values =
        arguments(rest.substr(open + 1, close - open - 1));
    if (!values) return std::nullopt;
    const std::optional<Affine> function =
        transformFunction(trimmed(rest.substr(0, open)), *values);
    if (!function) return std::nullopt;
    functions.push_back(*function);
    rest.remove_prefix(close + 1);
  }
  for (auto it = functions.rbegin(); it != functions.rend(); ++it) result = result.then(*it);
  return result;
}

std::optional<Affine> userToPage(const xmlNode* node, const Affine& page) {
  Affine result;
  for (const xmlNode* n = node; isElement(n) && n->parent && isElement(n->parent); n = n->parent) {
    const std::optional<Affine> own = ownTransform(n);
    if (!own) return std::nullopt;
    result = result.then(*own);
  }
  return result.then(page);
}

std::optional<double> length(std::string_view text, double fontSize) {
  text = trimmed(text);
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end == copy.c_str() || !std::isfinite(value)) return std::nullopt;
  const std::string unit = lowerCase(trimmed(std::string_view(end)));
  static const struct {
    const char* unit;
    double pixels;
  } kUnits[] = {{"", 1},           {"px", 1},         {"pt", 96.0 / 72}, {"pc", 16},
                {"mm", 96 / 25.4}, {"cm", 96 / 2.54}, {"in", 96}};
  for (const auto& u : kUnits)
    if (unit == u.unit) return value * u.pixels;
  if (unit == "em") return value * fontSize;
  if (unit == "ex") return value * fontSize / 2;
  return std::nullopt;
}

std::optional<double> number(std::string_view text) {
  return length(text);
}

std::optional<uint32_t> colour(std::string_view text) {
  const std::string value = lowerCase(trimmed(text));
  if (!value.empty() && value[0] == '#') {
    int digits[6];
    const size_t n = value.size() - 1;
    if (n != 3 && n != 6) return std::nullopt;
    for (size_t i = 0; i < n; ++i)
      if ((digits[i] = hexDigit(value[i + 1])) < 0) return std::nullopt;
    if (n == 3) return fromRgb(digits[0] * 17, digits[1] * 17, digits[2] * 17);
    return fromRgb(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3],
                   digits[4] * 16 + digits[5]);
  }
  if (value.rfind("rgb(", 0) == 0 && value.back() == ')') {
    std::string_view list(value);
    list = list.substr(4, list.size() - 5);
    uint32_t channels[3];
    for (uint32_t& channel : channels) {
      const size_t comma = list.find(',');
      const std::string item(trimmed(list.substr(0, comma)));
      char* end = nullptr;
      double v = std::strtod(item.c_str(), &end);
      if (end == item.c_str() || !std::isfinite(v)) return std::nullopt;
      if (*end == '%') v = v * 255 / 100;
      channel = static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 255.0)));
      list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return fromRgb(channels[0], channels[1], channels[2]);
  }
  for (const NamedColour& named : kNamedColours)
    if (value == named.name)
      return fromRgb(named.rgb >> 16, (named.rgb >> 8) & 0xFF, named.rgb & 0xFF);
  return std::nullopt;
}

}  // namespace kvxauthor::svg
