#include "theme_json.h"

#include "json_fields.h"
#include "object_json.h"
#include "text_file.h"

namespace kvxauthor {

namespace {

constexpr size_t kMaxNameBytes = 127;
constexpr size_t kMaxRecordTextBytes = 255;
constexpr size_t kMaxFirstLinkBytes = 2047;
constexpr size_t kMaxGroupTextBytes[4] = {2047, 1023, 1023, 1023};
constexpr size_t kMaxLinkStrings = 4;
constexpr size_t kMaxGroupIds = 16;
constexpr int32_t kMaxPageSide = 32768;
constexpr uint16_t kGroupListVersion = 500;

std::string indexed(const std::string& path, size_t index) {
  return path + "[" + std::to_string(index) + "]";
}

GroupSpec readGroup(FieldReader fields, bool extended) {
  GroupSpec group;
  group.id = fields.requiredInteger("id", INT32_MIN, INT32_MAX);
  group.name = fields.requiredString("name", kMaxNameBytes);
  if (fields.has("texts")) {
    if (!extended) throw SpecError(fields.pathOf("texts"), "only the extended form carries texts");
    const nlohmann::json& texts = fields.array("texts");
    if (texts.size() > 4) throw SpecError(fields.pathOf("texts"), "at most four texts");
    for (size_t i = 0; i < texts.size(); ++i)
      group.texts[i] =
          stringAt(texts[i], indexed(fields.pathOf("texts"), i), kMaxGroupTextBytes[i]);
  }
  fields.finish();
  return group;
}

void readGroups(FieldReader fields, ThemeSpec* model) {
  const std::string form = fields.string("form", "plain", 16);
  if (form != "plain" && form != "extended")
    throw SpecError(fields.pathOf("form"), "expected \"plain\" or \"extended\"");
  model->extendedGroups = form == "extended";
  model->groupBlock = true;
  if (fields.has("count")) {
    if (!model->extendedGroups)
      throw SpecError(fields.pathOf("count"), "only the extended form stores a count");
    model->groupCount = fields.integer("count", 0, 1, INT32_MAX);
  }
  const nlohmann::json& entries = fields.array("entries");
  for (size_t i = 0; i < entries.size(); ++i)
    model->groups.push_back(readGroup(FieldReader(entries[i], indexed(fields.pathOf("entries"), i)),
                                      model->extendedGroups));
  fields.finish();
}

ObjectType readType(FieldReader& fields) {
  const std::string type = fields.requiredString("type", 16);
  if (type == "picture") return ObjectType::Picture;
  if (type == "text") return ObjectType::Text;
  if (type == "path") return ObjectType::Path;
  throw SpecError(fields.pathOf("type"), "expected \"picture\", \"text\" or \"path\"");
}

int32_t readMergeMode(FieldReader& fields) {
  if (!fields.has("mergeMode")) return 1;
  const nlohmann::json& value = fields.raw("mergeMode");
  const std::string path = fields.pathOf("mergeMode");
  if (value.is_string()) {
    const std::string name = value.get<std::string>();
    const char* names[] = {"normal", "multiply", "screen", "add"};
    for (int i = 0; i < 4; ++i)
      if (name == names[i]) return i + 1;
    throw SpecError(path, "expected \"normal\", \"multiply\", \"screen\", \"add\" or 0..4");
  }
  return integerAt(value, path, 0, 4);
}

void readCommonFields(FieldReader& fields, uint16_t version, ObjectSpec* object) {
  object->name = fields.requiredString("name", kMaxNameBytes);
  object->x = fields.integer("x", 0, -kMaxPageSide, kMaxPageSide);
  object->y = fields.integer("y", 0, -kMaxPageSide, kMaxPageSide);
  if (fields.has("width")) object->width = fields.integer("width", 0, 1, kMaxPageSide);
  if (fields.has("height")) object->height = fields.integer("height", 0, 1, kMaxPageSide);
  object->linkText = fields.string("linkText", "", kMaxRecordTextBytes);
  if (fields.has("hyperlink")) {
    const nlohmann::json& strings = fields.array("hyperlink");
    const std::string path = fields.pathOf("hyperlink");
    if (strings.empty() || strings.size() > kMaxLinkStrings)
      throw SpecError(path, "expected one to four strings");
    for (size_t i = 0; i < strings.size(); ++i)
      object->hyperlink.push_back(stringAt(strings[i], indexed(path, i), kMaxFirstLinkBytes));
  }
  if (fields.has("groups")) {
    const nlohmann::json& ids = fields.array("groups");
    const std::string path = fields.pathOf("groups");
    const size_t slots = version < kGroupListVersion ? 1 : kMaxGroupIds;
    if (ids.size() > slots)
      throw SpecError(path, version < kGroupListVersion
                                ? "files before version 500 carry one group id"
                                : "at most 16 group ids");
    for (size_t i = 0; i < ids.size(); ++i)
      object->groups.push_back(integerAt(ids[i], indexed(path, i), INT32_MIN, INT32_MAX));
  }
  object->hidden = fields.boolean("hidden", false);
  object->transparency = fields.integer("transparency", 0, 0, 100);
  object->mergeMode = readMergeMode(fields);
  if (fields.has("recordShadow")) {
    if (version < kGroupListVersion)
      throw SpecError(fields.pathOf("recordShadow"),
                      "files before version 500 carry no shadow block");
    object->shadow = readShadow(fields.object("recordShadow"));
  }
}

ObjectSpec readObject(FieldReader fields, uint16_t version, const std::filesystem::path& base) {
  ObjectSpec object;
  object.type = readType(fields);
  readCommonFields(fields, version, &object);
  switch (object.type) {
    case ObjectType::Picture:
      readPictureSettings(fields, base, &object.picture);
      if (object.picture.source == PictureSpec::Source::Color && (!object.width || !object.height))
        throw SpecError(fields.pathOf(object.width ? "height" : "width"),
                        "a picture of one colour needs its size");
      if (fields.has("component"))
        throw SpecError(fields.pathOf("component"), "only text and path objects carry one");
      break;
    case ObjectType::Text:
      readTextSettings(fields, &object.text);
      break;
    case ObjectType::Path:
      readPathSettings(fields, &object.path);
      break;
  }
  if (object.type != ObjectType::Picture && fields.has("component"))
    object.component = readComponent(fields.object("component"));
  fields.finish();
  return object;
}

void readTheme(const nlohmann::json& document, const std::filesystem::path& base,
               ThemeSpec* model) {
  FieldReader top(document, "");
  // The schema an editor validates the description against (docs/theme.schema.json).
  top.string("$schema", "", kMaxTextFileBytes);
  FieldReader page = top.object("page");
  model->pageWidth = page.requiredInteger("width", 1, kMaxPageSide);
  model->pageHeight = page.requiredInteger("height", 1, kMaxPageSide);
  model->pageRenderFlag = page.integer("renderFlag", 1, INT32_MIN, INT32_MAX);
  page.finish();
  model->version = static_cast<uint16_t>(top.integer("version", 500, 0, 65535));
  model->pixelFormat = top.integer("pixelFormat", 2, INT32_MIN, INT32_MAX);
  if (top.has("groups")) readGroups(top.object("groups"), model);
  const nlohmann::json& objects = top.array("objects");
  for (size_t i = 0; i < objects.size(); ++i)
    model->objects.push_back(
        readObject(FieldReader(objects[i], indexed("objects", i)), model->version, base));
  top.finish();
}

}  // namespace

bool parseThemeJson(const std::string& text, const std::filesystem::path& baseFolder,
                    ThemeSpec* model, std::string* error) {
  nlohmann::json document;
  try {
    document = nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& e) {
    // Also a number beyond a double's range (1e400), which the parser reports as out of range.
    *error = std::string("not valid JSON: ") + e.what();
    return false;
  }
  try {
    *model = ThemeSpec{};
    readTheme(document, baseFolder, model);
  } catch (const SpecError& e) {
    *error = e.what();
    return false;
  } catch (const nlohmann::json::exception& e) {
    *error = std::string("not a theme description: ") + e.what();
    return false;
  }
  return true;
}

bool loadThemeJson(const std::filesystem::path& file, ThemeSpec* model, std::string* error) {
  std::string text;
  if (!readTextFile(file, kMaxTextFileBytes, &text, error)) return false;
  return parseThemeJson(text, file.parent_path(), model, error);
}

}  // namespace kvxauthor
