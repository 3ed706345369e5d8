#pragma once
// An SVG drawing's structure as the importer reads it (libxml2, with entity expansion and
// network access off): elements, their identities, inherited style properties, transforms,
// lengths and colours. Rendering is librsvg's (svg_raster.h); nothing here paints.
#include <libxml/tree.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kvxauthor::svg {

// x' = a x + c y + e, y' = b x + d y + f, as SVG's matrix(a b c d e f).
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  Affine then(const Affine& outer) const;  // this first, `outer` after
  std::array<double, 2> apply(double x, double y) const;
  double uniformScale() const;    // the side scale of an area: sqrt(|det|)
  bool isTranslateScale() const;  // no rotation or skew
  bool isSimilarity() const;      // rotation and one scale, no mirror or skew
};

struct XmlDocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDocument = std::unique_ptr<xmlDoc, XmlDocFree>;

// Parses a drawing; null with a message when it is not well-formed XML, declares entities, or
// its root is not <svg>.
XmlDocument parseSvg(const std::string& text, std::string* error);
// The document as text, for librsvg.
std::string serialize(xmlDoc* doc);

std::string_view localName(const xmlNode* node);
bool isElement(const xmlNode* node, std::string_view name = {});
// An attribute by local name in no namespace, or in Inkscape's or Sodipodi's for their names.
std::optional<std::string> attribute(const xmlNode* node, const char* name);
// An attribute by local name in any namespace (Sodipodi's role of a line, say).
std::optional<std::string> anyAttribute(const xmlNode* node, const char* name);
std::optional<std::string> inkscapeAttribute(const xmlNode* node, const char* name);
std::optional<std::string> linkTarget(const xmlNode* node);  // href or xlink:href
// Inkscape's label, else the id; empty when neither is given.
std::string labelOf(const xmlNode* node);

// A presentation property: the element's style declaration, else its attribute, else the
// nearest ancestor's when the property inherits; nullopt when nobody sets it.
std::optional<std::string> property(const xmlNode* node, std::string_view name,
                                    bool inherited = true);

// The element's own `transform`; nullopt when it is malformed.
std::optional<Affine> ownTransform(const xmlNode* node);
// From the element's user space to the page in pixels: its own and its ancestors' transforms,
// then `page`.
std::optional<Affine> userToPage(const xmlNode* node, const Affine& page);

// A length in user units (px, pt, pc, mm, cm, in; `em` against `fontSize`); nullopt for a
// percentage or anything unreadable.
std::optional<double> length(std::string_view text, double fontSize = 16);
// A colour as 0x00BBGGRR from "#rgb", "#rrggbb", "rgb(r, g, b)" or a basic colour name.
std::optional<uint32_t> colour(std::string_view text);
std::optional<double> number(std::string_view text);

}  // namespace kvxauthor::svg
