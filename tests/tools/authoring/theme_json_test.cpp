#include "authoring/theme_json.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "authoring/text_file.h"
#include "support/test_support.h"

namespace kvxauthor {
namespace {

// A description whose objects are replaced by `objects`.
std::string withObjects(const nlohmann::json& objects) {
  nlohmann::json document = {{"page", {{"width", 640}, {"height", 360}}}, {"objects", objects}};
  return document.dump();
}

nlohmann::json textObject() {
  return {{"name", "DateTaken"}, {"type", "text"}, {"string", "2024-01-02"}};
}

std::string refusal(const std::string& text) {
  ThemeSpec model;
  std::string error;
  EXPECT_FALSE(parseThemeJson(text, "/themes", &model, &error)) << text;
  return error;
}

TEST(ThemeJson, DefaultsOfAMinimalDescription) {
  ThemeSpec model;
  std::string error;
  ASSERT_TRUE(
      parseThemeJson(withObjects(nlohmann::json::array({textObject()})), "/themes", &model, &error))
      << error;
  EXPECT_EQ(model.pageWidth, 640);
  EXPECT_EQ(model.version, 500);
  EXPECT_EQ(model.pixelFormat, 2);
  EXPECT_EQ(model.pageRenderFlag, 1);
  EXPECT_FALSE(model.groupBlock);
  ASSERT_EQ(model.objects.size(), 1u);
  const ObjectSpec& object = model.objects[0];
  EXPECT_EQ(object.type, ObjectType::Text);
  EXPECT_EQ(object.mergeMode, 1);
  EXPECT_EQ(object.text.font.size, 32);
  EXPECT_EQ(object.text.align, Alignment::Left);
  EXPECT_FALSE(object.component.has_value());
}

TEST(ThemeJson, ReadsEverySettingOfTextPathAndPictureObjects) {
  nlohmann::json objects = nlohmann::json::array();
  objects.push_back({{"name", "caption"},
                     {"type", "text"},
                     {"x", 600},
                     {"align", "right"},
                     {"color", "#102030"},
                     {"opacity", 128},
                     {"font",
                      {{"face", "DejaVu Serif"},
                       {"size", 24},
                       {"weight", "bold"},
                       {"italic", true},
                       {"underline", true}}},
                     {"shadow", {{"x", -3}, {"blur", 2}, {"color", {255, 0, 0}}}},
                     {"groups", {4, 5}},
                     {"hidden", true},
                     {"mergeMode", "screen"},
                     {"hyperlink", {"first", "second"}},
                     {"component",
                      {{"transform",
                        {{"topLeft", {0, 1}},
                         {"topRight", {2, 3}},
                         {"bottomLeft", {4, 5}},
                         {"bottomRight", {6, 7}}}},
                       {"resize", {0.5, 0}},
                       {"threeD", {3, 4}},
                       {"cutBorder", {1, 2, 3, 4}}}}});
  objects.push_back({{"name", "shape"},
                     {"type", "path"},
                     {"commands", {{"move", 0, 0}, {"curve", 1, 2, 3, 4, 5, 6}, {"close"}}},
                     {"fill", "#ABC"},
                     {"stroke", {{"width", 2.5}}}});
  objects.push_back({{"name", "placeholder"},
                     {"type", "picture"},
                     {"file", "sub/frame.png"},
                     {"mask", 200},
                     {"recordShadow", {{"transparency", 20}}},
                     {"linkText", "<rotation=8>"}});
  ThemeSpec model;
  std::string error;
  ASSERT_TRUE(parseThemeJson(withObjects(objects), "/themes", &model, &error)) << error;

  const ObjectSpec& text = model.objects[0];
  EXPECT_EQ(text.text.align, Alignment::Right);
  EXPECT_EQ(text.text.color, 0x302010u);  // stored as 0x00BBGGRR
  EXPECT_EQ(text.text.opacity, 128);
  EXPECT_EQ(text.text.font.face, "DejaVu Serif");
  EXPECT_EQ(text.text.font.weight, 700);
  EXPECT_TRUE(text.text.font.italic && text.text.font.underline);
  ASSERT_TRUE(text.text.shadow);
  EXPECT_EQ(text.text.shadow->offsetX, -3);
  EXPECT_EQ(text.text.shadow->offsetY, 10);
  EXPECT_EQ(text.text.shadow->color, 0x0000FFu);
  EXPECT_EQ(text.groups, (std::vector<int32_t>{4, 5}));
  EXPECT_TRUE(text.hidden);
  EXPECT_EQ(text.mergeMode, 3);
  EXPECT_EQ(text.hyperlink, (std::vector<std::string>{"first", "second"}));
  ASSERT_TRUE(text.component && text.component->transform);
  EXPECT_EQ(text.component->transform->corners, (std::array<int16_t, 8>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(text.component->resize[0], 0.5);
  EXPECT_EQ(text.component->threeD[1], 4);
  EXPECT_EQ(*text.component->cutBorder, (std::array<int32_t, 4>{1, 2, 3, 4}));

  const ObjectSpec& path = model.objects[1];
  ASSERT_EQ(path.path.path.commands.size(), 3u);
  EXPECT_EQ(path.path.path.commands[1].kind, QzPathCommand::Curve);
  EXPECT_EQ(path.path.path.commands[1].points[5], 6.0);
  EXPECT_EQ(path.path.fill, 0xCCBBAAu);
  EXPECT_EQ(path.path.stroke->widthHundredths, 250);

  const ObjectSpec& picture = model.objects[2];
  EXPECT_EQ(picture.picture.source, PictureSpec::Source::File);
  EXPECT_EQ(picture.picture.file, "/themes/sub/frame.png");
  EXPECT_EQ(picture.picture.mask, PictureSpec::Mask::Value);
  EXPECT_EQ(picture.picture.maskValue, 200);
  ASSERT_TRUE(picture.shadow);
  EXPECT_EQ(picture.shadow->transparency, 20);
  EXPECT_EQ(picture.linkText, "<rotation=8>");
}

TEST(ThemeJson, GroupBlockForms) {
  const std::string text = R"({"page": {"width": 10, "height": 10}, "objects": [],
    "groups": {"form": "extended", "count": 1, "entries": [
      {"id": 1, "name": "a", "texts": ["t1", "t2"]}, {"id": 2, "name": "b"}]}})";
  ThemeSpec model;
  std::string error;
  ASSERT_TRUE(parseThemeJson(text, "/", &model, &error)) << error;
  EXPECT_TRUE(model.groupBlock && model.extendedGroups);
  EXPECT_EQ(model.groupCount, 1);
  ASSERT_EQ(model.groups.size(), 2u);
  EXPECT_EQ(model.groups[0].texts[1], "t2");
  EXPECT_EQ(model.groups[1].texts[0], "");
}

// An editor's "$schema" member is read only at the top level and leaves the theme unchanged.
TEST(ThemeJson, IgnoresATopLevelSchemaReference) {
  nlohmann::json document =
      nlohmann::json::parse(withObjects(nlohmann::json::array({textObject()})));
  ThemeSpec plain, referenced;
  std::string error;
  ASSERT_TRUE(parseThemeJson(document.dump(), "/themes", &plain, &error)) << error;
  document["$schema"] = "../docs/theme.schema.json";
  ASSERT_TRUE(parseThemeJson(document.dump(), "/themes", &referenced, &error)) << error;
  EXPECT_EQ(referenced.objects.size(), plain.objects.size());
  EXPECT_EQ(referenced.objects[0].name, plain.objects[0].name);
  EXPECT_EQ(referenced.pageWidth, plain.pageWidth);
  document["$schema"] = 7;
  EXPECT_EQ(refusal(document.dump()), "$schema: expected a string");
}

// Every refusal names the field at fault.
struct BadCase {
  const char* label;
  nlohmann::json object;
  const char* expected;
};

class BadObject : public testing::TestWithParam<BadCase> {};

TEST_P(BadObject, IsRefusedNamingTheField) {
  nlohmann::json objects = nlohmann::json::array({textObject(), textObject(), GetParam().object});
  EXPECT_EQ(refusal(withObjects(objects)), GetParam().expected);
}

nlohmann::json textWith(const char* key, nlohmann::json value) {
  nlohmann::json object = textObject();
  object[key] = std::move(value);
  return object;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BadObject,
    testing::Values(
        BadCase{"font_size_zero", textWith("font", {{"size", 0}}),
                "objects[2].font.size: expected a whole number in 1..2000"},
        BadCase{"font_size_text", textWith("font", {{"size", "big"}}),
                "objects[2].font.size: expected a whole number in 1..2000"},
        BadCase{"colour", textWith("color", "#12345G"),
                "objects[2].color: expected a colour as \"#RRGGBB\", \"#RGB\" or [r, g, b]"},
        BadCase{"colour_channel", textWith("color", {1, 2, 300}),
                "objects[2].color[2]: expected a whole number in 0..255"},
        BadCase{"alignment", textWith("align", "middle"),
                "objects[2].align: expected \"left\", \"right\" or \"center\""},
        BadCase{"unknown_field", textWith("colour", "#fff"), "objects[2].colour: unknown field"},
        BadCase{"long_name", textWith("name", std::string(128, 'n')),
                "objects[2].name: longer than 127 bytes"},
        BadCase{"record_text", textWith("linkText", std::string(256, 't')),
                "objects[2].linkText: longer than 255 bytes"},
        BadCase{"too_many_groups", textWith("groups", std::vector<int>(17, 1)),
                "objects[2].groups: at most 16 group ids"},
        BadCase{"transparency", textWith("transparency", 101),
                "objects[2].transparency: expected a whole number in 0..100"},
        BadCase{"width_zero", textWith("width", 0),
                "objects[2].width: expected a whole number in 1..32768"},
        BadCase{"shadow_field", textWith("shadow", {{"opacity", -1}}),
                "objects[2].shadow.opacity: expected a whole number in 0..100"},
        BadCase{"corner_range", textWith("component", {{"transform", {{"topLeft", {0, 40000}}}}}),
                "objects[2].component.transform.topLeft[1]: expected a whole number in "
                "-32768..32767"},
        BadCase{"missing_corner",
                textWith("component",
                         {{"transform",
                           {{"topLeft", {0, 0}}, {"topRight", {0, 0}}, {"bottomLeft", {0, 0}}}}}),
                "objects[2].component.transform.bottomRight: missing"},
        BadCase{"type",
                {{"name", "x"}, {"type", "movie"}},
                "objects[2].type: expected \"picture\", \"text\" or \"path\""},
        BadCase{"no_name", {{"type", "text"}}, "objects[2].name: missing"},
        BadCase{"path_arity",
                {{"name", "p"},
                 {"type", "path"},
                 {"commands", nlohmann::json::array({nlohmann::json::array({"move", 1})})}},
                "objects[2].commands[0]: move takes 2 numbers"},
        BadCase{"path_start",
                {{"name", "p"}, {"type", "path"}, {"commands", {{"line", 1, 2}}}},
                "objects[2].commands[0]: a path starts with \"move\""},
        BadCase{"path_verb",
                {{"name", "p"}, {"type", "path"}, {"commands", {{"arc", 1, 2}}}},
                "objects[2].commands[0][0]: expected \"move\", \"line\", \"curve\" or \"close\""},
        BadCase{"path_verb_number",
                {{"name", "p"}, {"type", "path"}, {"commands", {{1, 2, 3}}}},
                "objects[2].commands[0][0]: expected \"move\", \"line\", \"curve\" or \"close\""},
        BadCase{"schema_reference_in_object", textWith("$schema", "theme.schema.json"),
                "objects[2].$schema: unknown field"},
        BadCase{"picture_source",
                {{"name", "p"}, {"type", "picture"}},
                "objects[2].file: a picture needs either \"file\" or \"color\""},
        BadCase{"colour_picture_size",
                {{"name", "p"}, {"type", "picture"}, {"color", "#fff"}},
                "objects[2].width: a picture of one colour needs its size"},
        BadCase{"picture_component",
                {{"name", "p"}, {"type", "picture"}, {"file", "a.png"}, {"component", {}}},
                "objects[2].component: only text and path objects carry one"},
        BadCase{"mask_level",
                {{"name", "p"}, {"type", "picture"}, {"file", "a.png"}, {"mask", 256}},
                "objects[2].mask: expected a whole number in 0..255"}),
    [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.label); });

TEST(ThemeJson, RefusesBadPagesGroupsAndVersions) {
  EXPECT_EQ(refusal("{\"objects\": []}"), "page: missing");
  EXPECT_EQ(refusal(R"({"page": {"width": -1, "height": 5}, "objects": []})"),
            "page.width: expected a whole number in 1..32768");
  EXPECT_EQ(refusal(R"({"page": {"width": 5, "height": 5}})"), "objects: missing");
  EXPECT_EQ(refusal(R"([1, 2])"), "(top level): expected an object");
  EXPECT_EQ(refusal(R"({"page": {"width": 5, "height": 5}, "objects": [],
      "groups": {"entries": [{"id": 1, "name": "a", "texts": ["x"]}]}})"),
            "groups.entries[0].texts: only the extended form carries texts");
  EXPECT_EQ(refusal(R"({"page": {"width": 5, "height": 5}, "version": 499, "objects": [
      {"name": "a", "type": "text", "groups": [1, 2]}]})"),
            "objects[0].groups: files before version 500 carry one group id");
  EXPECT_EQ(refusal(R"({"page": {"width": 5, "height": 5}, "version": 499, "objects": [
      {"name": "a", "type": "text", "recordShadow": {}}]})"),
            "objects[0].recordShadow: files before version 500 carry no shadow block");
  EXPECT_EQ(refusal("{\"page\": ").rfind("not valid JSON", 0), 0u);
  EXPECT_EQ(refusal("{\"page\": {\"width\": 1e400, \"height\": 10}}").rfind("not valid JSON", 0),
            0u);
}

// Only a regular file of reasonable size is read as a description, whatever its name says.
TEST(ThemeJson, LoadingRefusesWhatIsNotADescriptionFile) {
  kvxtest::TempDir dir;
  ThemeSpec model;
  std::string error;
  EXPECT_FALSE(loadThemeJson("/dev/zero", &model, &error));
  EXPECT_EQ(error, "/dev/zero: is not a regular file");
  EXPECT_FALSE(loadThemeJson(dir.path(), &model, &error));
  EXPECT_EQ(error, dir.path().string() + ": is a folder, not a file");
  const std::filesystem::path huge = dir.path() / "huge.json";
  std::ofstream(huge) << "{}";
  std::filesystem::resize_file(huge, kMaxTextFileBytes + 1);
  EXPECT_FALSE(loadThemeJson(huge, &model, &error));
  EXPECT_NE(error.find("larger than 64 MiB"), std::string::npos) << error;
  EXPECT_FALSE(loadThemeJson(dir.path() / "missing.json", &model, &error));
  EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
}

}  // namespace
}  // namespace kvxauthor
