#include "theme_unpacker.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>

#include "info_format.h"
#include "kvxtheme/atomic_file.h"
#include "kvxtheme/kvx_format.h"
#include "png_file.h"
#include "theme_info.h"

namespace kvxauthor {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

constexpr uint16_t kGroupListVersion = 500;
constexpr size_t kMaxStemBytes = 64;

bool refuse(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

// Whole numbers print as such, so that path commands read as they were written.
Json number(double value) {
  if (value == std::floor(value) && std::fabs(value) < 1e15) return static_cast<int64_t>(value);
  return value;
}

Json shadowJson(const RecordShadowInfo& shadow) {
  return {{"enabled", shadow.on != 0},
          {"kind", shadow.params[0]},
          {"x", shadow.params[1]},
          {"y", shadow.params[2]},
          {"opacity", shadow.params[3]},
          {"blur", shadow.params[4]},
          {"transparency", shadow.transparency},
          {"color", colourText(shadow.colour)}};
}

Json commandsJson(const QzPath& path) {
  static const char* const verbs[] = {"move", "line", "curve", "close"};
  Json commands = Json::array();
  for (const QzPathCommand& command : path.commands) {
    Json entry = Json::array({verbs[command.kind]});
    for (int i = 0; i < qzPathPointCount(command.kind); ++i)
      entry.push_back(number(command.points[i]));
    commands.push_back(std::move(entry));
  }
  return commands;
}

Json componentJson(const ComponentInfo& component) {
  Json out = Json::object();
  if (component.transformKind != 0) {
    Json transform = {{"kind", component.transformKind}};
    const char* corners[] = {"topLeft", "topRight", "bottomLeft", "bottomRight"};
    for (int i = 0; i < 4; ++i)
      transform[corners[i]] = {component.corners[2 * i], component.corners[2 * i + 1]};
    out["transform"] = std::move(transform);
  }
  const auto nonzero = [](const auto& values) {
    return std::any_of(values.begin(), values.end(), [](auto v) { return v != 0; });
  };
  if (nonzero(component.stretch)) out["stretch"] = component.stretch;
  if (nonzero(component.resize)) out["resize"] = component.resize;
  if (nonzero(component.threeD)) out["threeD"] = component.threeD;
  if (component.path) out["path"] = commandsJson(*component.path);
  if (component.cutBorder) out["cutBorder"] = *component.cutBorder;
  return out;
}

// Fill, opacity, stroke and shadow, shared by text and path objects.
void renderedPaint(const RenderInfo& render, const char* fillKey, Json* out) {
  (*out)[fillKey] = colourText(render.colour);
  (*out)["opacity"] = render.opacity;
  if (render.strokeWidth != 0 || render.strokeColour != 0)
    (*out)["stroke"] = {{"color", colourText(render.strokeColour)},
                        {"width", number(render.strokeWidth / 100.0)}};
  if (render.shadow) (*out)["shadow"] = shadowJson(*render.shadow);
}

void textFields(const ObjectInfo& object, const RenderInfo& render, Json* out) {
  // The description places a text by its anchor, which the alignment picks (see the packer).
  static const char* const alignments[] = {"left", "right", "center"};
  const int32_t alignment = std::clamp(render.alignment, 0, 2);
  (*out)["x"] = object.x + (alignment == 1 ? object.width : alignment == 2 ? object.width / 2 : 0);
  (*out)["y"] = object.y;
  (*out)["string"] = render.string;
  Json font = {{"face", render.fontFace}, {"size", render.fontSize}, {"weight", render.fontWeight}};
  if (render.italic) font["italic"] = true;
  if (render.underline) font["underline"] = true;
  if (render.strikeOut) font["strikeOut"] = true;
  font["charset"] = render.charset;
  (*out)["font"] = std::move(font);
  renderedPaint(render, "color", out);
  (*out)["align"] = alignments[alignment];
}

void recordFields(const ObjectInfo& object, uint16_t version, Json* out) {
  if (!object.recordText.empty()) (*out)["linkText"] = object.recordText;
  std::vector<std::string> links = object.hyperlink;
  // The stream always holds four strings: trailing empty ones add nothing.
  while (links.size() > 1 && links.back().empty()) links.pop_back();
  if (!links.empty()) (*out)["hyperlink"] = links;
  if (!object.groups.empty()) (*out)["groups"] = object.groups;
  if (object.flags & 1) (*out)["hidden"] = true;
  if (object.transparency != 0) (*out)["transparency"] = object.transparency;
  if (object.mergeMode != 1) (*out)["mergeMode"] = object.mergeMode;
  if (object.shadow && version >= kGroupListVersion)
    (*out)["recordShadow"] = shadowJson(*object.shadow);
}

Json groupsJson(const ThemeInfo& info) {
  Json entries = Json::array();
  for (const GroupInfo& group : info.groups) {
    Json entry = {{"id", group.id}, {"name", group.name}};
    if (info.extendedGroups) {
      std::vector<std::string> texts(group.texts.begin(), group.texts.end());
      while (!texts.empty() && texts.back().empty()) texts.pop_back();
      if (!texts.empty()) entry["texts"] = texts;
    }
    entries.push_back(std::move(entry));
  }
  Json groups = {{"form", info.extendedGroups ? "extended" : "plain"}};
  const int32_t defaultCount = std::max<int32_t>(1, static_cast<int32_t>(info.groups.size()));
  if (info.extendedGroups && info.storedGroupCount != defaultCount)
    groups["count"] = info.storedGroupCount;
  groups["entries"] = std::move(entries);
  return groups;
}

// A stored picture as PNG pixels at the object's size: R, G, B for 24-bit rows, grey levels
// otherwise (1-bit as 0 and 255). What the stored rows leave uncovered stays 0, as in the
// buffer the engine loads them into.
bool pngPixels(const kvx::PictureChunk& chunk, int width, int height, std::vector<uint8_t>* out,
               int* channels, std::string* error) {
  if (chunk.bits != 1 && chunk.bits != 8 && chunk.bits != 24)
    return refuse(error, std::to_string(chunk.bits) + "-bit pictures cannot be written as PNG");
  if (uint64_t{chunk.width} * chunk.height > kMaxPngPixels)
    return refuse(error, "stored picture larger than a PNG file can carry here");
  std::vector<uint8_t> rows;
  if (!kvx::inflatePictureRows(chunk, &rows, error)) return false;
  *channels = chunk.bits == 24 ? 3 : 1;
  out->assign(static_cast<size_t>(width) * height * *channels, 0);
  const size_t rowBytes = kvx::packedRowBytes(chunk.width, chunk.bits);
  const int columns = std::min<int>(width, static_cast<int>(chunk.width));
  for (int y = 0; y < std::min<int>(height, static_cast<int>(chunk.height)); ++y) {
    const uint8_t* row = rows.data() + rowBytes * y;
    uint8_t* to = out->data() + static_cast<size_t>(y) * width * *channels;
    for (int x = 0; x < columns; ++x) {
      if (chunk.bits == 24)
        std::copy_n(row + 3 * x, 3, to + 3 * x);
      else
        to[x] = chunk.bits == 8 ? row[x] : ((row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0);
    }
  }
  return true;
}

// Writes the unpacked files, each under a name made from its object's name that is safe in a
// folder, unique and not taken by a file already there; removes them again unless kept.
class OutputFolder {
 public:
  explicit OutputFolder(fs::path folder) : folder_(std::move(folder)) {
    taken_.insert(kUnpackedDescriptionName);
  }
  ~OutputFolder() {
    if (kept_) return;
    std::error_code ignored;
    for (const fs::path& file : written_) fs::remove(file, ignored);
    if (created_) fs::remove(folder_, ignored);  // only when left empty
  }
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  bool prepare(std::string* error) {
    std::error_code failure;
    created_ = fs::create_directories(folder_, failure);
    if (failure || !fs::is_directory(folder_, failure))
      return refuse(error, folder_.string() + ": not a folder that can be written to");
    const fs::path description = folder_ / kUnpackedDescriptionName;
    if (fs::exists(fs::symlink_status(description, failure)))
      return refuse(error, description.string() + ": already exists; unpack into another folder");
    return true;
  }

  // A new PNG file name for the object's picture (`suffix` "" ) or mask ("-mask").
  std::string claim(const std::string& objectName, const std::string& suffix) {
    std::string stem;
    for (char c : objectName) {
      if (stem.size() == kMaxStemBytes) break;
      const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
      stem.push_back(plain ? c : '_');
    }
    if (stem.empty()) stem = "object";
    for (int n = 1;; ++n) {
      const std::string name = stem + (n > 1 ? "-" + std::to_string(n) : "") + suffix + ".png";
      std::string folded = name;
      std::transform(folded.begin(), folded.end(), folded.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      std::error_code ignored;
      if (taken_.count(folded) || fs::exists(fs::symlink_status(folder_ / name, ignored))) continue;
      taken_.insert(folded);
      return name;
    }
  }

  bool writePng(const std::string& name, int width, int height, int channels,
                const std::vector<uint8_t>& pixels, std::string* error) {
    const fs::path path = folder_ / name;
    std::string why;
    const bool written = channels == 3 ? writeRgbPng(path.string(), width, height, pixels, &why)
                                       : writeGreyPng(path.string(), width, height, pixels, &why);
    if (!written) return refuse(error, path.string() + ": " + why);
    written_.push_back(path);
    return true;
  }

  bool writeDescription(const std::string& text, std::string* error) {
    const fs::path path = folder_ / kUnpackedDescriptionName;
    std::string why;
    if (!kvx::writeFileAtomically(
            path.string(),
            [&](const kvx::PieceWriter& put) { return put(text.data(), text.size()); }, &why))
      return refuse(error, path.string() + ": " + why);
    kept_ = true;
    return true;
  }

 private:
  fs::path folder_;
  std::set<std::string> taken_;  // lower case, for folders that ignore letter case
  std::vector<fs::path> written_;
  bool created_ = false;
  bool kept_ = false;
};

// One line per top-level field and per object, as the sample themes are written, so that a
// long path does not run over thousands of lines. Names in another encoding than UTF-8 cannot
// be kept byte for byte in JSON: their odd bytes are replaced.
std::string descriptionText(const Json& description) {
  const auto compact = [](const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
  };
  std::string text = "{";
  for (const auto& [key, value] : description.items()) {
    text += (text.size() > 1 ? ",\n  " : "\n  ") + compact(key) + ": ";
    if (key != "objects") {
      text += compact(value);
      continue;
    }
    text += "[";
    for (size_t i = 0; i < value.size(); ++i)
      text += (i ? ",\n    " : "\n    ") + compact(value[i]);
    text += "\n  ]";
  }
  return text + "\n}\n";
}

bool pictureFields(const ObjectInfo& object, const kvx::ObjectChunks& chunks, int bits,
                   OutputFolder* output, Json* out, std::string* error) {
  (*out)["x"] = object.x;
  (*out)["y"] = object.y;
  // An object stored without a picture shows the zeroed buffer the engine gives it.
  if (!chunks.picture || chunks.picture->encoding == kvx::kEncodingOneColour) {
    const uint32_t stored = chunks.picture ? chunks.picture->colour : 0;
    const uint32_t level = bits == 1 ? ((stored & 0xFF) >= 128 ? 0xFF : 0) : stored & 0xFF;
    (*out)["width"] = object.width;
    (*out)["height"] = object.height;
    (*out)["color"] = colourText(bits == 24 ? stored & 0xFFFFFF : level * 0x010101u);
  } else {
    std::vector<uint8_t> pixels;
    int channels = 0;
    if (!pngPixels(*chunks.picture, object.width, object.height, &pixels, &channels, error))
      return false;
    const std::string name = output->claim(object.name, "");
    if (!output->writePng(name, object.width, object.height, channels, pixels, error)) return false;
    (*out)["file"] = name;
  }
  if (object.maskRect[2] == 0 || object.maskRect[3] == 0) return true;
  if (!chunks.mask || chunks.mask->encoding == kvx::kEncodingOneColour) {
    (*out)["mask"] = chunks.mask ? chunks.mask->colour & 0xFF : 0;
    return true;
  }
  std::vector<uint8_t> grey;
  int channels = 0;
  if (!pngPixels(*chunks.mask, object.width, object.height, &grey, &channels, error)) return false;
  if (channels != 1) return refuse(error, "a mask of colour pixels");
  const std::string name = output->claim(object.name, "-mask");
  if (!output->writePng(name, object.width, object.height, 1, grey, error)) return false;
  (*out)["mask"] = name;
  return true;
}

bool objectJson(const ObjectInfo& object, const kvx::ObjectChunks& chunks, const ThemeInfo& info,
                OutputFolder* output, Json* out, std::string* error) {
  *out = {{"name", object.name}, {"type", object.kind}};
  if (object.kind == "picture") {
    if (!pictureFields(object, chunks, static_cast<int>(info.bitsPerPixel), output, out, error))
      return false;
  } else {
    if (!object.render) return refuse(error, "its " + object.kind + " settings are damaged");
    if (object.render->text) {
      textFields(object, *object.render, out);
    } else {
      (*out)["x"] = object.x;
      (*out)["y"] = object.y;
      (*out)["commands"] = commandsJson(object.render->path);
      renderedPaint(*object.render, "fill", out);
    }
    if (object.component) (*out)["component"] = componentJson(*object.component);
  }
  recordFields(object, info.version, out);
  return true;
}

}  // namespace

bool unpackTheme(const std::string& themePath, const fs::path& folder, std::string* error) {
  std::unique_ptr<kvx::KvxContainer> container;
  std::string why;
  if (!readThemeContainer(themePath, &container, error)) return false;
  const ThemeInfo info = themeInfoOf(*container);

  OutputFolder output(folder);
  if (!output.prepare(error)) return false;
  Json description = {{"page",
                       {{"width", info.pageWidth},
                        {"height", info.pageHeight},
                        {"renderFlag", info.pageRenderFlag}}},
                      {"version", info.version},
                      {"pixelFormat", info.pixelFormat}};
  if (info.hasGroupBlock) description["groups"] = groupsJson(info);
  Json objects = Json::array();
  for (size_t i = 0; i < info.objects.size(); ++i) {
    const ObjectInfo& object = info.objects[i];
    Json entry;
    if (!objectJson(object, container->objects()[i], info, &output, &entry, &why))
      return refuse(error, themePath + ": object " + std::to_string(i) + " (\"" + object.name +
                               "\"): " + why);
    objects.push_back(std::move(entry));
  }
  description["objects"] = std::move(objects);
  return output.writeDescription(descriptionText(description), error);
}

}  // namespace kvxauthor
