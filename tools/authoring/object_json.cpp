#include "object_json.h"

namespace kvxauthor {

namespace {

constexpr size_t kMaxFaceBytes = 31;  // LOGFONTA face name with its NUL
constexpr size_t kMaxStringBytes = 1u << 20;
constexpr int32_t kMaxFontPixels = 2000;
constexpr double kMaxStrokePixels = 100.0;
constexpr double kMaxCoordinate = 1.0e6;

std::string indexed(const std::string& path, size_t index) {
  return path + "[" + std::to_string(index) + "]";
}

template <size_t N>
std::array<double, N> numbers(FieldReader& fields, const std::string& key, double min, double max) {
  const nlohmann::json& values = fields.array(key);
  const std::string path = fields.pathOf(key);
  if (values.size() != N) throw SpecError(path, "expected " + std::to_string(N) + " numbers");
  std::array<double, N> out{};
  for (size_t i = 0; i < N; ++i) out[i] = numberAt(values[i], indexed(path, i), min, max);
  return out;
}

StrokeSpec readStroke(FieldReader fields) {
  StrokeSpec stroke;
  stroke.color = fields.color("color", 0);
  stroke.widthHundredths =
      static_cast<int32_t>(fields.number("width", 1.0, 0.0, kMaxStrokePixels) * 100.0 + 0.5);
  fields.finish();
  return stroke;
}

int32_t readWeight(FieldReader& fields) {
  if (!fields.has("weight")) return 400;
  const nlohmann::json& value = fields.raw("weight");
  if (value.is_string()) {
    const std::string name = value.get<std::string>();
    if (name == "normal") return 400;
    if (name == "bold") return 700;
    throw SpecError(fields.pathOf("weight"), "expected \"normal\", \"bold\" or 0..1000");
  }
  return integerAt(value, fields.pathOf("weight"), 0, 1000);
}

FontSpec readFont(FieldReader fields) {
  FontSpec font;
  font.face = fields.string("face", font.face, kMaxFaceBytes);
  font.size = fields.integer("size", font.size, 1, kMaxFontPixels);
  font.weight = readWeight(fields);
  font.italic = fields.boolean("italic", false);
  font.underline = fields.boolean("underline", false);
  font.strikeOut = fields.boolean("strikeOut", false);
  font.charset = fields.integer("charset", font.charset, 0, 255);
  fields.finish();
  return font;
}

Alignment readAlignment(FieldReader& fields) {
  const std::string align = fields.string("align", "left", 16);
  if (align == "left") return Alignment::Left;
  if (align == "right") return Alignment::Right;
  if (align == "center" || align == "centre") return Alignment::Center;
  throw SpecError(fields.pathOf("align"), "expected \"left\", \"right\" or \"center\"");
}

int16_t cornerValue(const nlohmann::json& value, const std::string& path) {
  return static_cast<int16_t>(integerAt(value, path, INT16_MIN, INT16_MAX));
}

TransformSpec readTransform(FieldReader fields) {
  TransformSpec transform;
  transform.kind = fields.integer("kind", 1, 1, INT32_MAX);
  const char* corners[] = {"topLeft", "topRight", "bottomLeft", "bottomRight"};
  for (int i = 0; i < 4; ++i) {
    const nlohmann::json& point = fields.raw(corners[i]);
    const std::string path = fields.pathOf(corners[i]);
    if (!point.is_array() || point.size() != 2) throw SpecError(path, "expected [x, y]");
    transform.corners[2 * i] = cornerValue(point[0], indexed(path, 0));
    transform.corners[2 * i + 1] = cornerValue(point[1], indexed(path, 1));
  }
  fields.finish();
  return transform;
}

}  // namespace

ShadowSpec readShadow(FieldReader fields) {
  ShadowSpec shadow;
  shadow.enabled = fields.boolean("enabled", true);
  shadow.kind = fields.integer("kind", shadow.kind, INT16_MIN, INT16_MAX);
  shadow.offsetX = fields.integer("x", shadow.offsetX, -10000, 10000);
  shadow.offsetY = fields.integer("y", shadow.offsetY, -10000, 10000);
  shadow.opacity = fields.integer("opacity", shadow.opacity, 0, 100);
  shadow.blur = fields.integer("blur", shadow.blur, 0, 1000);
  shadow.transparency = fields.integer("transparency", shadow.transparency, 0, 100);
  shadow.color = fields.color("color", shadow.color);
  fields.finish();
  return shadow;
}

void readTextSettings(FieldReader& fields, TextSpec* text) {
  text->string = fields.string("string", "", kMaxStringBytes);
  if (fields.has("font")) text->font = readFont(fields.object("font"));
  text->color = fields.color("color", 0);
  text->opacity = fields.integer("opacity", 255, 0, 255);
  text->align = readAlignment(fields);
  if (fields.has("stroke")) text->stroke = readStroke(fields.object("stroke"));
  if (fields.has("shadow")) text->shadow = readShadow(fields.object("shadow"));
}

void readPathSettings(FieldReader& fields, PathSpec* path) {
  path->path = readPathCommands(fields.array("commands"), fields.pathOf("commands"));
  path->fill = fields.color("fill", 0);
  path->opacity = fields.integer("opacity", 255, 0, 255);
  if (fields.has("stroke")) path->stroke = readStroke(fields.object("stroke"));
  if (fields.has("shadow")) path->shadow = readShadow(fields.object("shadow"));
}

void readPictureSettings(FieldReader& fields, const std::filesystem::path& baseFolder,
                         PictureSpec* picture) {
  const bool file = fields.has("file");
  const bool color = fields.has("color");
  if (file == color)
    throw SpecError(fields.pathOf("file"), "a picture needs either \"file\" or \"color\"");
  if (file) {
    picture->source = PictureSpec::Source::File;
    picture->file = (baseFolder / fields.requiredString("file", 4096)).string();
    picture->mask = PictureSpec::Mask::Alpha;
  } else {
    picture->color = fields.color("color", 0);
  }
  if (fields.has("shadow"))
    throw SpecError(fields.pathOf("shadow"), "picture objects carry their shadow in recordShadow");
  if (!fields.has("mask")) return;
  const nlohmann::json& mask = fields.raw("mask");
  const std::string path = fields.pathOf("mask");
  if (mask.is_number()) {
    picture->mask = PictureSpec::Mask::Value;
    picture->maskValue = integerAt(mask, path, 0, 255);
    return;
  }
  const std::string name = stringAt(mask, path, 4096);
  if (name == "none") {
    picture->mask = PictureSpec::Mask::None;
  } else if (name == "alpha") {
    if (!file) throw SpecError(path, "only a picture file has an alpha channel");
    picture->mask = PictureSpec::Mask::Alpha;
  } else {
    picture->mask = PictureSpec::Mask::File;
    picture->maskFile = (baseFolder / name).string();
  }
}

ComponentSpec readComponent(FieldReader fields) {
  ComponentSpec component;
  if (fields.has("transform")) component.transform = readTransform(fields.object("transform"));
  if (fields.has("stretch"))
    component.stretch = numbers<4>(fields, "stretch", -kMaxCoordinate, kMaxCoordinate);
  if (fields.has("resize")) component.resize = numbers<2>(fields, "resize", 0.0, 100.0);
  if (fields.has("threeD")) {
    const auto values = numbers<2>(fields, "threeD", INT32_MIN, INT32_MAX);
    for (size_t i = 0; i < 2; ++i) {
      if (values[i] != static_cast<int32_t>(values[i]))
        throw SpecError(indexed(fields.pathOf("threeD"), i), "expected a whole number");
      component.threeD[i] = static_cast<int32_t>(values[i]);
    }
  }
  if (fields.has("path"))
    component.path = readPathCommands(fields.array("path"), fields.pathOf("path"));
  if (fields.has("cutBorder")) {
    const nlohmann::json& values = fields.array("cutBorder");
    const std::string path = fields.pathOf("cutBorder");
    if (values.size() != 4) throw SpecError(path, "expected [left, top, right, bottom]");
    std::array<int32_t, 4> border{};
    for (size_t i = 0; i < 4; ++i)
      border[i] = integerAt(values[i], indexed(path, i), INT32_MIN, INT32_MAX);
    component.cutBorder = border;
  }
  fields.finish();
  return component;
}

QzPath readPathCommands(const nlohmann::json& commands, const std::string& path) {
  if (!commands.is_array()) throw SpecError(path, "expected an array");
  if (commands.size() > kMaxPathCommands) throw SpecError(path, "too many commands");
  QzPath out;
  for (size_t i = 0; i < commands.size(); ++i) {
    const std::string where = indexed(path, i);
    const nlohmann::json& command = commands[i];
    if (!command.is_array() || command.empty())
      throw SpecError(where, "expected [\"move\" | \"line\" | \"curve\" | \"close\", numbers...]");
    // A verb that is no string is refused below with the unknown ones, at the same field.
    const std::string verb = command[0].is_string() ? command[0].get<std::string>() : "";
    QzPathCommand entry{};
    if (verb == "move") {
      entry.kind = QzPathCommand::Move;
    } else if (verb == "line") {
      entry.kind = QzPathCommand::Line;
    } else if (verb == "curve") {
      entry.kind = QzPathCommand::Curve;
    } else if (verb == "close") {
      entry.kind = QzPathCommand::Close;
    } else {
      throw SpecError(indexed(where, 0), "expected \"move\", \"line\", \"curve\" or \"close\"");
    }
    const size_t count = static_cast<size_t>(qzPathPointCount(entry.kind));
    if (command.size() != count + 1)
      throw SpecError(where, verb + " takes " + std::to_string(count) + " numbers");
    for (size_t k = 0; k < count; ++k)
      entry.points[k] =
          numberAt(command[k + 1], indexed(where, k + 1), -kMaxPathCoordinate, kMaxPathCoordinate);
    if (out.commands.empty() && entry.kind != QzPathCommand::Move)
      throw SpecError(where, "a path starts with \"move\"");
    out.commands.push_back(entry);
  }
  return out;
}

}  // namespace kvxauthor
