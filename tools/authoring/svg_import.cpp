#include "svg_import.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>

#include "render_builder.h"
#include "svg_raster.h"
#include "svg_text.h"
#include "text_file.h"

namespace kvxauthor {

namespace {

using svg::Affine;
using svg::PageRaster;
using svg::PixelBox;

constexpr const char* kUnitAttribute = "data-kvx-unit";
constexpr const char* kSvgNamespace = "http://www.w3.org/2000/svg";
constexpr int kMaxPageSide = 32768;
constexpr size_t kMaxObjects = 1000;
constexpr size_t kMaxNameBytes = 127;
constexpr size_t kMaxLinkBytes = 255;
constexpr uint32_t kPlaceholderGrey = 0x808080;
// Coverage from which a pixel counts as a glyph's ink when a text is lined up.
constexpr uint8_t kInkThreshold = 96;

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool refuse(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

bool inSvgNamespace(const xmlNode* node) {
  return !node->ns ||
         (node->ns->href &&
          std::string_view(reinterpret_cast<const char*>(node->ns->href)) == kSvgNamespace);
}

bool isContainer(const xmlNode* node) {
  return svg::isElement(node, "g") || svg::isElement(node, "a");
}

// Elements that paint nothing where they stand: definitions, metadata, resources.
bool isRendered(const xmlNode* node) {
  static const char* const kNotRendered[] = {
      "defs",           "metadata", "title", "desc",      "style",  "script",
      "symbol",         "clipPath", "mask",  "pattern",   "marker", "linearGradient",
      "radialGradient", "filter",   "font",  "font-face", "cursor", "view"};
  if (!svg::isElement(node) || !inSvgNamespace(node)) return false;
  for (const char* name : kNotRendered)
    if (svg::localName(node) == name) return false;
  return true;
}

bool isDisplayed(const xmlNode* node) {
  for (const xmlNode* n = node; svg::isElement(n); n = n->parent)
    if (svg::property(n, "display", false) == std::optional<std::string>("none")) return false;
  return true;
}

// One object of the theme, in paint order: a picture of drawing elements, or an element the
// engine shows itself.
struct Unit {
  enum class Kind { Picture, Text, Placeholder, Video } kind = Kind::Picture;
  std::string name;
  const xmlNode* element = nullptr;  // the special element
  TextSpec text;
  std::optional<ShadowSpec> shadow;  // a picture's own, lifted from its layer's filter
};

struct Page {
  int width = 0;
  int height = 0;
  Affine transform;  // the view box onto the page
};

std::optional<std::array<double, 4>> viewBox(const xmlNode* root) {
  const std::optional<std::string> text = svg::attribute(root, "viewBox");
  if (!text) return std::nullopt;
  std::array<double, 4> box{};
  std::string list = *text;
  std::replace(list.begin(), list.end(), ',', ' ');
  char* p = list.data();
  for (double& value : box) {
    char* end = nullptr;
    value = std::strtod(p, &end);
    if (end == p || !std::isfinite(value)) return std::nullopt;
    p = end;
  }
  if (box[2] <= 0 || box[3] <= 0) return std::nullopt;
  return box;
}

// The view box fitted to the page as preserveAspectRatio asks (centred and whole by default).
Affine fitViewBox(const std::array<double, 4>& box, int width, int height,
                  const std::string& aspect) {
  double sx = width / box[2], sy = height / box[3];
  double tx = 0, ty = 0;
  if (aspect.find("none") == std::string::npos) {
    const double s =
        aspect.find("slice") != std::string::npos ? std::max(sx, sy) : std::min(sx, sy);
    sx = sy = s;
    const double spareX = width - box[2] * s, spareY = height - box[3] * s;
    const bool xMin = aspect.find("xMin") != std::string::npos;
    const bool xMax = aspect.find("xMax") != std::string::npos;
    const bool yMin = aspect.find("YMin") != std::string::npos;
    const bool yMax = aspect.find("YMax") != std::string::npos;
    tx = xMin ? 0 : xMax ? spareX : spareX / 2;
    ty = yMin ? 0 : yMax ? spareY : spareY / 2;
  }
  return Affine{1, 0, 0, 1, -box[0], -box[1]}.then(Affine{sx, 0, 0, sy, tx, ty});
}

class Importer {
 public:
  Importer(svg::XmlDocument doc, std::filesystem::path baseFile, std::vector<std::string>* notes)
      : doc_(std::move(doc)), baseFile_(std::move(baseFile)), notes_(notes) {}

  bool run(const SvgImportOptions& options, ThemeSpec* model, std::string* error) {
    if (!readPage(options, error)) return false;
    ids_ = svg::elementsById(doc_.get());
    collectUnits(xmlDocGetRootElement(doc_.get()));
    if (units_.size() > kMaxObjects)
      return refuse(error, "makes " + std::to_string(units_.size()) + " objects; a theme holds " +
                               std::to_string(kMaxObjects) + " at most");
    model->pageWidth = page_.width;
    model->pageHeight = page_.height;
    std::vector<ObjectSpec> objects;
    for (size_t i = 0; i < units_.size(); ++i)
      if (!addUnit(i, &objects, error)) return false;
    // A theme lists its top object first; a drawing paints its bottom one first.
    model->objects.assign(objects.rbegin(), objects.rend());
    return true;
  }

 private:
  bool readPage(const SvgImportOptions& options, std::string* error) {
    xmlNode* root = xmlDocGetRootElement(doc_.get());
    const std::optional<std::array<double, 4>> box = viewBox(root);
    std::optional<double> width, height;
    if (std::optional<std::string> w = svg::attribute(root, "width")) width = svg::length(*w);
    if (std::optional<std::string> h = svg::attribute(root, "height")) height = svg::length(*h);
    if (box && !width && !height) width = (*box)[2], height = (*box)[3];
    if (box && width && !height) height = *width * (*box)[3] / (*box)[2];
    if (box && height && !width) width = *height * (*box)[2] / (*box)[3];
    if (!width || !height)
      return refuse(error, "gives no page size (width and height in absolute units, or a viewBox)");
    const double pageWidth = options.pageWidth > 0 ? options.pageWidth : std::round(*width);
    const double pageHeight = options.pageHeight > 0 ? options.pageHeight : std::round(*height);
    if (!(pageWidth >= 1 && pageHeight >= 1 && pageWidth <= kMaxPageSide &&
          pageHeight <= kMaxPageSide) ||
        pageWidth * pageHeight > static_cast<double>(kMaxPngPixels))
      return refuse(error, "its page of " +
                               std::to_string(std::llround(std::min(pageWidth, 1e15))) + " x " +
                               std::to_string(std::llround(std::min(pageHeight, 1e15))) +
                               " pixels is larger than a theme's (each side up to 32768, " +
                               std::to_string(kMaxPngPixels) + " pixels in all)");
    page_.width = static_cast<int>(pageWidth);
    page_.height = static_cast<int>(pageHeight);
    // Without a view box the drawing's user units are pixels; naming one lets librsvg scale it
    // to a chosen page exactly as the geometry here does.
    const std::array<double, 4> fitted = box ? *box : std::array<double, 4>{0, 0, *width, *height};
    if (!box) {
      char text[128];
      std::snprintf(text, sizeof text, "0 0 %.17g %.17g", *width, *height);
      xmlSetProp(root, reinterpret_cast<const xmlChar*>("viewBox"),
                 reinterpret_cast<const xmlChar*>(text));
    }
    page_.transform = fitViewBox(fitted, page_.width, page_.height,
                                 svg::attribute(root, "preserveAspectRatio").value_or(""));
    return true;
  }

  void note(const xmlNode* element, const std::string& what) {
    const std::string id = svg::labelOf(element);
    notes_->push_back((id.empty() ? "<" + std::string(svg::localName(element)) + ">" : id) + ": " +
                      what);
  }

  void tag(xmlNode* element, size_t unit) {
    xmlSetProp(element, reinterpret_cast<const xmlChar*>(kUnitAttribute),
               reinterpret_cast<const xmlChar*>(std::to_string(unit).c_str()));
  }

  // The special object an element makes, if any.
  std::optional<Unit> specialUnit(const xmlNode* element) {
    if (!isDisplayed(element)) return std::nullopt;
    const std::string label = svg::labelOf(element);
    const std::string lower = lowerCase(label);
    if (lower == "placeholder" || lower == "video") {
      bool& seen = lower == "placeholder" ? placeholderSeen_ : videoSeen_;
      if (seen) {
        note(element, "a second " + lower + " is kept as part of the pictures");
        return std::nullopt;
      }
      if (lower == "video" && !clipOf(element)) {
        note(element, "names no clip (href or data-file) and is kept as part of the pictures");
        return std::nullopt;
      }
      seen = true;
      return Unit{lower == "placeholder" ? Unit::Kind::Placeholder : Unit::Kind::Video,
                  lower,
                  element,
                  {},
                  {}};
    }
    if (!svg::isElement(element, "text") || label.empty()) return std::nullopt;
    if (label.size() > kMaxNameBytes) {
      note(element, "a text field's name is longer than 127 bytes; kept as part of the pictures");
      return std::nullopt;
    }
    const std::optional<Affine> toPage = svg::userToPage(element, page_.transform);
    Unit unit{Unit::Kind::Text, label, element, {}, {}};
    std::string reason = "a transform that cannot be read";
    if (!toPage || !svg::readTextElement(element, *toPage, ids_, &unit.text, &reason)) {
      note(element, reason + " is kept as part of the pictures");
      return std::nullopt;
    }
    return unit;
  }

  std::optional<std::string> clipOf(const xmlNode* element) const {
    if (std::optional<std::string> file = svg::attribute(element, "data-file")) return file;
    std::optional<std::string> href = svg::linkTarget(element);
    if (href && href->rfind("data:", 0) == 0) return std::nullopt;
    return href;
  }

  std::string pictureName(const xmlNode* element) {
    std::string name = svg::labelOf(element);
    if (name.empty()) name = "layer " + std::to_string(units_.size() + 1);
    const std::string lower = lowerCase(name);
    if (lower == "placeholder" || lower == "video" || lower == "holder_ref") name += " picture";
    if (name.size() > kMaxNameBytes) name.resize(kMaxNameBytes);
    return name;
  }

  // Top-level layers and elements become pictures, split where a special element lies inside a
  // layer so that what is drawn over it stays over it.
  void collectUnits(xmlNode* root) {
    std::optional<size_t> open;  // the picture unit the next plain element joins
    std::string layerName;
    std::function<void(xmlNode*, bool)> walk = [&](xmlNode* parent, bool topLevel) {
      for (xmlNode* child = parent->children; child; child = child->next) {
        if (!isRendered(child)) continue;
        if (std::optional<Unit> special = specialUnit(child)) {
          tag(child, units_.size());
          units_.push_back(std::move(*special));
          open.reset();
        } else if (isContainer(child)) {
          // Each top-level layer is a picture of its own, named after it.
          if (topLevel) {
            open.reset();
            layerName = pictureName(child);
          }
          const size_t first = units_.size();
          walk(child, false);
          if (topLevel) {
            open.reset();
            liftLayerShadow(child, first);
          }
        } else {
          if (!open) {
            if (topLevel) layerName = pictureName(child);
            open = units_.size();
            units_.push_back(Unit{Unit::Kind::Picture, layerName, nullptr, {}, {}});
          }
          tag(child, *open);
        }
      }
    };
    walk(root, true);
  }

  // A layer's drop shadow becomes its picture's own shadow, so that the picture keeps the
  // layer's shape and the engine draws the shadow at any output size. A layer split around
  // special objects keeps the filter in its pictures: the special objects cannot take it.
  void liftLayerShadow(xmlNode* layer, size_t first) {
    if (units_.size() != first + 1 || units_[first].kind != Unit::Kind::Picture) return;
    const xmlNode* filter = svg::referencedFilter(layer, ids_);
    const std::optional<Affine> toPage = svg::userToPage(layer, page_.transform);
    if (!filter || !toPage || !toPage->isTranslateScale() ||
        std::fabs(toPage->a - toPage->d) > 1e-6 * toPage->a)
      return;
    ShadowSpec shadow;
    if (!svg::readShadowFilter(filter, toPage->a, &shadow)) return;
    units_[first].shadow = shadow;
    // A style declaration outranks the attribute, wherever the drawing set the filter.
    const std::string style = svg::attribute(layer, "style").value_or("");
    xmlSetProp(layer, BAD_CAST "style",
               BAD_CAST(style.empty() ? "filter:none" : style + ";filter:none").c_str());
  }

  // The drawing with only one unit's elements, changed by `adjust`, rendered onto the page.
  bool renderUnit(size_t unit, const std::function<void(xmlNode*)>& adjust, PageRaster* raster,
                  std::string* error) {
    svg::XmlDocument copy(xmlCopyDoc(doc_.get(), 1));
    if (!copy) return refuse(error, "not enough memory to copy the drawing");
    const std::string keep = std::to_string(unit);
    std::function<void(xmlNode*)> prune = [&](xmlNode* parent) {
      for (xmlNode* child = parent->children; child;) {
        xmlNode* next = child->next;
        if (svg::isElement(child)) {
          if (const std::optional<std::string> tagged = svg::attribute(child, kUnitAttribute)) {
            if (*tagged != keep) {
              xmlUnlinkNode(child);
              xmlFreeNode(child);
            } else if (adjust) {
              adjust(child);
            }
          } else if (isContainer(child)) {
            prune(child);
          }
        }
        child = next;
      }
    };
    prune(xmlDocGetRootElement(copy.get()));
    return svg::renderSvg(svg::serialize(copy.get()), baseFile_, page_.width, page_.height, raster,
                          error);
  }

  bool addUnit(size_t index, std::vector<ObjectSpec>* objects, std::string* error) {
    const Unit& unit = units_[index];
    switch (unit.kind) {
      case Unit::Kind::Picture:
        return addPicture(index, objects, error);
      case Unit::Kind::Text:
        return addText(index, objects, error);
      case Unit::Kind::Placeholder:
      case Unit::Kind::Video:
        return addFrameObject(index, objects, error);
    }
    return true;
  }

  bool addPicture(size_t index, std::vector<ObjectSpec>* objects, std::string* error) {
    PageRaster raster;
    if (!renderUnit(index, nullptr, &raster, error)) return false;
    const std::optional<PixelBox> box = svg::paintedBox(raster);
    if (!box) return true;  // a layer that paints nothing on the page
    ObjectSpec object;
    object.name = units_[index].name;
    object.type = ObjectType::Picture;
    object.x = box->left;
    object.y = box->top;
    object.picture.source = PictureSpec::Source::Pixels;
    object.picture.pixels = std::make_shared<PngPicture>(svg::cutPicture(raster, *box));
    object.picture.mask = PictureSpec::Mask::Alpha;
    object.shadow = units_[index].shadow;
    objects->push_back(std::move(object));
    return true;
  }

  bool addText(size_t index, std::vector<ObjectSpec>* objects, std::string* error) {
    const Unit& unit = units_[index];
    ObjectSpec object;
    object.name = unit.name;
    object.type = ObjectType::Text;
    object.text = unit.text;
    // librsvg's glyphs, without the shadow, say where the engine's must land.
    PageRaster raster;
    if (!renderUnit(
            index, [](xmlNode* e) { xmlUnsetProp(e, BAD_CAST "filter"); }, &raster, error))
      return false;
    const std::optional<PixelBox> ink = svg::paintedBox(raster, kInkThreshold);
    if (!ink) {
      // Nothing to line up: an empty default string; the anchor is the text's own position.
      const std::optional<Affine> toPage = svg::userToPage(unit.element, page_.transform);
      const double x = svg::length(svg::attribute(unit.element, "x").value_or("0")).value_or(0);
      const double y = svg::length(svg::attribute(unit.element, "y").value_or("0")).value_or(0);
      const std::array<double, 2> p = toPage ? toPage->apply(x, y) : std::array<double, 2>{x, y};
      object.x = static_cast<int32_t>(std::lround(p[0]));
      object.y = static_cast<int32_t>(std::lround(p[1] - object.text.font.size * 0.8));
      objects->push_back(std::move(object));
      return true;
    }
    std::array<int, 2> inkOffset{};
    int renderingWidth = 0;
    if (!engineInkOffset(object, &inkOffset, &renderingWidth, error))
      return refuse(error, unit.name + ": " + *error);
    const int left = ink->left - inkOffset[0];
    object.y = ink->top - inkOffset[1];
    object.x = object.text.align == Alignment::Right    ? left + renderingWidth
               : object.text.align == Alignment::Center ? left + renderingWidth / 2
                                                        : left;
    objects->push_back(std::move(object));
    return true;
  }

  // Where the glyphs' ink starts inside the engine's rendering of the text (shadow included),
  // and that rendering's width.
  static bool engineInkOffset(const ObjectSpec& object, std::array<int, 2>* offset, int* width,
                              std::string* error) {
    Rendering withShadow, glyphs;
    if (!renderText(object, &withShadow, error)) return false;
    *width = withShadow.width;
    ObjectSpec plain = object;
    plain.text.shadow.reset();
    if (!renderText(plain, &glyphs, error)) return false;
    PixelBox ink{glyphs.width, glyphs.height, 0, 0};
    for (int y = 0; y < glyphs.height; ++y)
      for (int x = 0; x < glyphs.width; ++x)
        if (glyphs.mask[static_cast<size_t>(y) * glyphs.width + x] >= kInkThreshold) {
          ink.left = std::min(ink.left, x);
          ink.top = std::min(ink.top, y);
        }
    if (ink.left >= glyphs.width) ink.left = ink.top = 0;
    const std::array<int, 2> shift = glyphsWithin(glyphs, withShadow);
    *offset = {ink.left + shift[0], ink.top + shift[1]};
    return true;
  }

  static bool renderText(const ObjectSpec& object, Rendering* rendering, std::string* error) {
    RenderObjectHandle handle(createRenderObject(object, error));
    return handle.get() && renderObject(handle.get(), rendering, error);
  }

  // The position of the plain text's rendering inside the shadowed one: where its opaque
  // glyphs find the most coverage (the text is drawn over its shadow).
  static std::array<int, 2> glyphsWithin(const Rendering& glyphs, const Rendering& whole) {
    std::vector<size_t> strong;
    for (size_t i = 0; i < glyphs.mask.size(); ++i)
      if (glyphs.mask[i] >= 128) strong.push_back(i);
    std::array<int, 2> best{0, 0};
    uint64_t bestMissing = UINT64_MAX;
    for (int dy = 0; dy <= whole.height - glyphs.height; ++dy) {
      for (int dx = 0; dx <= whole.width - glyphs.width; ++dx) {
        uint64_t missing = 0;
        for (size_t i : strong) {
          const size_t x = i % glyphs.width + dx, y = i / glyphs.width + dy;
          missing += 255 - whole.mask[y * whole.width + x];
          if (missing >= bestMissing) break;
        }
        if (missing < bestMissing) bestMissing = missing, best = {dx, dy};
      }
    }
    return best;
  }

  // The placeholder and the video: the element's box on the page, its look as picture, its
  // shape as mask, and for the placeholder how the frame is laid onto it.
  bool addFrameObject(size_t index, std::vector<ObjectSpec>* objects, std::string* error) {
    const Unit& unit = units_[index];
    const bool placeholder = unit.kind == Unit::Kind::Placeholder;
    PageRaster look, shape;
    if (!renderUnit(index, placeholder ? std::function<void(xmlNode*)>() : clearImage, &look,
                    error) ||
        !renderUnit(index, solidShape, &shape, error))
      return false;
    std::optional<std::array<std::array<double, 2>, 4>> corners = cornersOf(unit.element);
    std::optional<PixelBox> box;
    if (corners) {
      double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
      for (const auto& p : *corners) {
        left = std::min(left, p[0]), right = std::max(right, p[0]);
        top = std::min(top, p[1]), bottom = std::max(bottom, p[1]);
      }
      PixelBox b{static_cast<int>(std::max(0.0, std::floor(left))),
                 static_cast<int>(std::max(0.0, std::floor(top))),
                 static_cast<int>(std::min<double>(page_.width, std::ceil(right))),
                 static_cast<int>(std::min<double>(page_.height, std::ceil(bottom)))};
      if (b.width() > 0 && b.height() > 0) box = b;
    } else {
      box = svg::paintedBox(shape);
    }
    if (!box) {
      note(unit.element, "lies outside the page and is left out");
      return true;
    }
    ObjectSpec object;
    object.name = unit.name;
    object.type = ObjectType::Picture;
    object.x = box->left;
    object.y = box->top;
    auto picture = std::make_shared<PngPicture>(
        svg::cutPicture(look, *box, placeholder ? kPlaceholderGrey : 0));
    picture->alpha = svg::cutPicture(shape, *box).alpha;
    object.picture.source = PictureSpec::Source::Pixels;
    object.picture.pixels = std::move(picture);
    object.picture.mask = PictureSpec::Mask::Alpha;
    if (!placeholder) {
      object.linkText = *clipOf(unit.element);
      if (object.linkText.size() > kMaxLinkBytes)
        return refuse(error, unit.name + ": the clip's name is longer than 255 bytes");
    }
    const std::optional<Affine> toPage = svg::userToPage(unit.element, page_.transform);
    if (placeholder && corners && toPage && !toPage->isTranslateScale()) {
      // The engine turns the frame at its own proportions, which are the page's: a turned rect
      // of other proportions takes the frame through its four corners instead.
      if (toPage->isSimilarity() && hasPageProportions(*corners)) {
        char tag[64];
        std::snprintf(tag, sizeof tag, "<rotation=%.3f>",
                      std::atan2(toPage->b, toPage->a) * 180 / 3.14159265358979323846);
        object.linkText = tag;
      } else {
        objects->push_back(holderReference(*corners, *box));
      }
    } else if (!placeholder && toPage && !toPage->isTranslateScale()) {
      note(unit.element, "is turned or skewed; the video is shown upright in its box");
    }
    objects->push_back(std::move(object));
    return true;
  }

  bool hasPageProportions(const std::array<std::array<double, 2>, 4>& corners) const {
    const double across = std::hypot(corners[1][0] - corners[0][0], corners[1][1] - corners[0][1]);
    const double down = std::hypot(corners[3][0] - corners[0][0], corners[3][1] - corners[0][1]);
    const double page = static_cast<double>(page_.width) / page_.height;
    return down > 0 && std::fabs(across / down - page) < 0.005 * page;
  }

  // The text object that lends the placeholder four corners of any shape.
  static ObjectSpec holderReference(const std::array<std::array<double, 2>, 4>& corners,
                                    const PixelBox& box) {
    ObjectSpec reference;
    reference.name = "holder_ref";
    reference.type = ObjectType::Text;
    reference.x = box.left;
    reference.y = box.top;
    TransformSpec transform;
    // Stored top-left, top-right, bottom-left, bottom-right.
    const int order[4] = {0, 1, 3, 2};
    for (int i = 0; i < 4; ++i) {
      const auto& p = corners[order[i]];
      transform.corners[2 * i] = static_cast<int16_t>(std::lround(p[0] - box.left));
      transform.corners[2 * i + 1] = static_cast<int16_t>(std::lround(p[1] - box.top));
    }
    reference.component = ComponentSpec{};
    reference.component->transform = transform;
    return reference;
  }

  // A rect's or image's corners on the page (top-left, top-right, bottom-right, bottom-left).
  std::optional<std::array<std::array<double, 2>, 4>> cornersOf(const xmlNode* element) const {
    if (!svg::isElement(element, "rect") && !svg::isElement(element, "image")) return std::nullopt;
    const auto value = [&](const char* name) {
      return svg::length(svg::attribute(element, name).value_or("0"));
    };
    const std::optional<double> x = value("x"), y = value("y"), w = value("width"),
                                h = value("height");
    const std::optional<Affine> toPage = svg::userToPage(element, page_.transform);
    if (!x || !y || !w || !h || *w <= 0 || *h <= 0 || !toPage) return std::nullopt;
    return std::array<std::array<double, 2>, 4>{toPage->apply(*x, *y), toPage->apply(*x + *w, *y),
                                                toPage->apply(*x + *w, *y + *h),
                                                toPage->apply(*x, *y + *h)};
  }

  // The shape alone, opaque: the object's mask.
  static void solidShape(xmlNode* element) {
    xmlUnsetProp(element, BAD_CAST "filter");
    if (svg::isElement(element, "image")) {
      xmlNodeSetName(element, BAD_CAST "rect");
      xmlUnsetProp(element, BAD_CAST "href");
    }
    xmlSetProp(element, BAD_CAST "style",
               BAD_CAST "fill:#000000;fill-opacity:1;opacity:1;stroke:none;display:inline");
  }

  // A video element's image points at a clip, which librsvg cannot draw.
  static void clearImage(xmlNode* element) {
    if (svg::isElement(element, "image"))
      xmlSetProp(element, BAD_CAST "style", BAD_CAST "display:none");
  }

  svg::XmlDocument doc_;
  std::filesystem::path baseFile_;
  std::vector<std::string>* notes_;
  Page page_;
  svg::IdMap ids_;
  std::vector<Unit> units_;
  bool placeholderSeen_ = false;
  bool videoSeen_ = false;
};

void collectLinks(const xmlNode* node, const std::filesystem::path& folder,
                  std::vector<std::filesystem::path>* files) {
  for (const xmlNode* n = node; n; n = n->next) {
    if (!svg::isElement(n)) continue;
    std::optional<std::string> target = svg::attribute(n, "data-file");
    if (!target) target = svg::linkTarget(n);
    if (target && !target->empty() && (*target)[0] != '#' && target->rfind("data:", 0) != 0) {
      std::string path = *target;
      if (path.rfind("file://", 0) == 0) path = path.substr(7);
      if (path.find("://") == std::string::npos) {
        const std::filesystem::path file = folder / path;
        std::error_code ignored;
        if (std::filesystem::is_regular_file(file, ignored)) files->push_back(file);
      }
    }
    collectLinks(n->children, folder, files);
  }
}

}  // namespace

bool importSvgText(const std::string& text, const std::filesystem::path& baseFolder,
                   const SvgImportOptions& options, ThemeSpec* model,
                   std::vector<std::string>* notes, std::string* error) {
  svg::XmlDocument doc = svg::parseSvg(text, error);
  if (!doc) return false;
  std::vector<std::string> ignored;
  Importer importer(std::move(doc), baseFolder / "design.svg", notes ? notes : &ignored);
  return importer.run(options, model, error);
}

bool importSvgDesign(const std::filesystem::path& file, const SvgImportOptions& options,
                     ThemeSpec* model, std::vector<std::string>* notes, std::string* error) {
  std::string text;
  if (!readTextFile(file, kMaxSvgFileBytes, &text, error)) return false;
  return importSvgText(text, file.parent_path(), options, model, notes, error);
}

std::vector<std::filesystem::path> svgLinkedFiles(const std::filesystem::path& file) {
  std::vector<std::filesystem::path> files;
  std::string text, error;
  if (!readTextFile(file, kMaxSvgFileBytes, &text, &error)) return files;
  const svg::XmlDocument doc = svg::parseSvg(text, &error);
  if (doc) collectLinks(xmlDocGetRootElement(doc.get()), file.parent_path(), &files);
  return files;
}

}  // namespace kvxauthor
