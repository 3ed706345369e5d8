#include "authoring/theme_packer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "authoring/render_builder.h"
#include "authoring/theme_info.h"
#include "authoring/theme_json.h"
#include "kvxtheme/filelib.h"
#include "kvxtheme/kvx_object_record.h"
#include "kvxtheme/objectfilelib.h"
#include "support/test_support.h"

namespace kvxauthor {
namespace {

namespace fs = std::filesystem;

// A 4 × 3 RGBA picture whose alpha rises along each row.
kvxtest::Picture gradientPicture() {
  kvxtest::Picture picture{4, 3, 4, {}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      picture.pixels.insert(picture.pixels.end(),
                            {static_cast<uint8_t>(10 * x), static_cast<uint8_t>(20 * y), 200,
                             static_cast<uint8_t>(60 * x + 10)});
  return picture;
}

std::string pack(const kvxtest::TempDir& dir, const std::string& json, std::string* error) {
  ThemeSpec model;
  const std::string output = dir.file("theme.kvx");
  if (!parseThemeJson(json, dir.path(), &model, error)) return "";
  return packTheme(model, output, error) ? output : "";
}

// Collects the colour or mask rows that the reader hands out.
struct RowSink {
  int width = 0, height = 0, bytesPerPixel = 3;
  std::vector<uint8_t> pixels;
  static int take(WcsRowRecord record) {
    auto* sink = static_cast<RowSink*>(static_cast<WcsReadParams*>(record.params)->context);
    auto** rows = static_cast<uint8_t**>(record.rowData);
    const size_t bpp = sink->bytesPerPixel;
    for (int i = 0; i < record.rows; ++i)
      std::memcpy(sink->pixels.data() + ((record.y + i) * sink->width + record.x) * bpp, rows[i],
                  record.count * bpp);
    return 1;
  }
};

class OpenTheme {
 public:
  explicit OpenTheme(const std::string& path) : file_(wcsOpenFile(path.c_str(), 0)) {
    int32_t count = 0;
    if (file_ && wcsGetObjectNumber(file_, &count) > 0 && count > 0) {
      records_.resize(static_cast<size_t>(count) * kObjectInfoSize);
      if (wcsOpenObjectInfo(file_, count, records_.data()) <= 0) records_.clear();
    }
  }
  ~OpenTheme() {
    if (file_) q32FileFreeFileData(file_);
  }
  size_t count() const { return records_.size() / kObjectInfoSize; }
  const uint8_t* record(size_t i) const { return records_.data() + i * kObjectInfoSize; }
  int32_t int32At(size_t i, size_t offset) const {
    int32_t value;
    std::memcpy(&value, record(i) + offset, 4);
    return value;
  }
  std::vector<uint8_t> colour(int index, int width, int height) const {
    RowSink sink{width, height, 3, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    WcsReadParams params{{1, 1, 0, 0, 0, 0}, &sink};
    EXPECT_GT(wcsReadObject(file_, record(index), index, &params, &RowSink::take), 0);
    return sink.pixels;
  }

 private:
  HGLOBAL file_;
  std::vector<uint8_t> records_;
};

const StreamInfo* findStream(const ObjectInfo& object, const std::string& name) {
  for (const StreamInfo& stream : object.streams)
    if (stream.name == name) return &stream;
  return nullptr;
}

TEST(ThemePacker, PackThenInfoKeepsEveryDescribedSetting) {
  kvxtest::TempDir dir;
  ASSERT_TRUE(kvxtest::writePng(dir.file("glass.png"), gradientPicture()));
  const std::string json = R"({
    "page": {"width": 640, "height": 360, "renderFlag": 0},
    "groups": {"form": "extended", "entries": [{"id": 9, "name": "caption", "texts": ["one"]}]},
    "objects": [
      {"name": "Title", "type": "text", "x": 600, "y": 20, "align": "right", "string": "Hello",
       "font": {"size": 20, "weight": 700}, "color": "#FF8000", "groups": [9, 12],
       "shadow": {"x": 2, "y": 3},
       "hyperlink": ["http://example.org", "", "third"],
       "component": {"transform": {"topLeft": [-5, 0], "topRight": [100, 10],
                                   "bottomLeft": [0, 80], "bottomRight": [100, 90]},
                     "threeD": [7, 8], "cutBorder": [1, 2, 3, 4]}},
      {"name": "placeholder", "type": "picture", "x": 10, "y": 20, "width": 64, "height": 48,
       "color": "#204060", "mask": 128, "linkText": "<rotation=8>", "hidden": true,
       "transparency": 30, "mergeMode": "multiply",
       "recordShadow": {"enabled": false, "x": 4, "transparency": 25, "color": "#010203"}},
      {"name": "glass", "type": "picture", "x": 1, "y": 2, "file": "glass.png"},
      {"name": "wedge", "type": "path", "x": 300, "y": 300,
       "commands": [["move", 0, 0], ["line", 30, 0], ["line", 0, 20], ["close"]],
       "fill": "#00FF00"}
    ]})";
  std::string error;
  const std::string path = pack(dir, json, &error);
  ASSERT_FALSE(path.empty()) << error;

  ThemeInfo info;
  ASSERT_TRUE(readThemeInfo(path, &info, &error)) << error;
  EXPECT_EQ(info.pageWidth, 640);
  EXPECT_EQ(info.pageHeight, 360);
  EXPECT_EQ(info.version, 500);
  EXPECT_EQ(info.bitsPerPixel, 24u);
  EXPECT_EQ(info.pageRenderFlag, 0);
  ASSERT_TRUE(info.extendedGroups);
  ASSERT_EQ(info.groups.size(), 1u);
  EXPECT_EQ(info.groups[0].id, 9);
  EXPECT_EQ(info.groups[0].texts[0], "one");
  ASSERT_EQ(info.objects.size(), 4u);

  const ObjectInfo& title = info.objects[0];
  EXPECT_EQ(title.kind, "text");
  // A right-aligned text is anchored at its right edge.
  EXPECT_EQ(title.x + title.width, 600);
  EXPECT_GT(title.width, 20);
  ASSERT_TRUE(title.picture && title.mask);
  EXPECT_EQ(title.picture->width, static_cast<uint32_t>(title.width));
  EXPECT_EQ(title.mask->height, static_cast<uint32_t>(title.height));
  EXPECT_EQ(title.groups, (std::vector<int32_t>{9, 12}));
  ASSERT_TRUE(title.render);
  EXPECT_EQ(title.render->string, "Hello");
  EXPECT_EQ(title.render->fontSize, 20);
  EXPECT_EQ(title.render->alignment, 1);
  EXPECT_EQ(title.render->colour, 0x0080FFu);
  EXPECT_TRUE(title.render->shadow.has_value());
  ASSERT_TRUE(title.component);
  EXPECT_EQ(title.component->transformKind, 1);
  EXPECT_EQ(title.component->corners, (std::array<int32_t, 8>{-5, 0, 100, 10, 0, 80, 100, 90}));
  EXPECT_EQ(title.component->threeD, (std::array<int32_t, 2>{7, 8}));
  EXPECT_EQ(title.hyperlink, (std::vector<std::string>{"http://example.org", "", "third", ""}));
  ASSERT_NE(findStream(title, "ComponentObjectStream"), nullptr);
  EXPECT_EQ(findStream(title, "ComponentObjectStream")->size, 160u);
  EXPECT_EQ(findStream(title, "PathCutBorderStream")->size, 16u);
  EXPECT_NE(findStream(title, "TextStream"), nullptr);

  const ObjectInfo& holder = info.objects[1];
  EXPECT_EQ(holder.kind, "picture");
  EXPECT_TRUE(holder.streams.empty());
  EXPECT_EQ(holder.recordText, "<rotation=8>");
  EXPECT_EQ(holder.flags & 1, 1);
  EXPECT_EQ(holder.transparency, 30);
  EXPECT_EQ(holder.mergeMode, 2);
  ASSERT_TRUE(holder.picture && holder.picture->oneColour);
  EXPECT_EQ(holder.picture->colour, 0x604020u);
  ASSERT_TRUE(holder.mask && holder.mask->oneColour);
  EXPECT_EQ(holder.mask->colour & 0xFF, 128u);
  EXPECT_EQ(holder.maskRect, (std::array<int32_t, 4>{10, 20, 64, 48}));
  ASSERT_TRUE(holder.shadow);
  EXPECT_EQ(holder.shadow->on, 0);
  EXPECT_EQ(holder.shadow->params[1], 4);
  EXPECT_EQ(holder.shadow->transparency, 25);
  EXPECT_EQ(holder.shadow->colour, 0x030201u);

  const ObjectInfo& glass = info.objects[2];
  EXPECT_EQ(glass.width, 4);
  EXPECT_EQ(glass.height, 3);
  ASSERT_TRUE(glass.mask);  // from the PNG's alpha channel

  const ObjectInfo& wedge = info.objects[3];
  EXPECT_EQ(wedge.kind, "path");
  EXPECT_EQ(wedge.x, 300);
  EXPECT_EQ(wedge.render->path.commands.size(), 4u);
  EXPECT_NEAR(wedge.width, 30, 2);
  EXPECT_NEAR(wedge.height, 20, 2);
}

TEST(ThemePacker, RecordsAndPicturesReadBackThroughTheContainerReader) {
  kvxtest::TempDir dir;
  const kvxtest::Picture png = gradientPicture();
  ASSERT_TRUE(kvxtest::writePng(dir.file("glass.png"), png));
  std::string error;
  const std::string path = pack(dir, R"({"page": {"width": 100, "height": 80}, "objects": [
      {"name": "glass", "type": "picture", "x": 5, "y": 6, "file": "glass.png", "groups": [3],
       "linkText": "<rotation=8>"}]})",
                                &error);
  ASSERT_FALSE(path.empty()) << error;
  OpenTheme theme(path);
  ASSERT_EQ(theme.count(), 1u);
  namespace r = kvx::record;
  EXPECT_STREQ(reinterpret_cast<const char*>(theme.record(0) + r::kName), "glass");
  EXPECT_STREQ(reinterpret_cast<const char*>(theme.record(0) + r::kText), "<rotation=8>");
  EXPECT_EQ(theme.int32At(0, r::kX), 5);
  EXPECT_EQ(theme.int32At(0, r::kWidth), 4);
  EXPECT_EQ(theme.int32At(0, r::kGroupIds), 3);
  EXPECT_EQ(theme.int32At(0, r::kMaskRect + 8), 4);
  // The stored colour rows are the PNG's R, G, B values.
  const std::vector<uint8_t> rows = theme.colour(0, 4, 3);
  for (size_t i = 0; i < 12; ++i)
    for (size_t c = 0; c < 3; ++c) EXPECT_EQ(rows[3 * i + c], png.pixels[4 * i + c]);
}

TEST(ThemePacker, FilesBeforeVersion500CarryOneGroupIdInTheOldPlace) {
  kvxtest::TempDir dir;
  std::string error;
  const std::string path = pack(dir, R"({"page": {"width": 50, "height": 50}, "version": 499,
      "objects": [{"name": "a", "type": "picture", "width": 2, "height": 2, "color": "#FFF",
                   "groups": [6]}]})",
                                &error);
  ASSERT_FALSE(path.empty()) << error;
  OpenTheme theme(path);
  ASSERT_EQ(theme.count(), 1u);
  EXPECT_EQ(theme.int32At(0, kvx::record::kLegacyGroupId), 6);
  EXPECT_EQ(theme.int32At(0, kvx::record::kGroupIds), 0);
  ThemeInfo info;
  ASSERT_TRUE(readThemeInfo(path, &info, &error));
  EXPECT_EQ(info.objects[0].groups, (std::vector<int32_t>{6}));
  EXPECT_FALSE(info.objects[0].shadow);
}

TEST(ThemePacker, PicturesFollowTheFilesPixelFormat) {
  kvxtest::TempDir dir;
  kvxtest::Picture png{9, 1, 3, {}};
  for (int x = 0; x < 9; ++x) {
    const uint8_t level = x % 2 ? 255 : 0;
    png.pixels.insert(png.pixels.end(), {level, level, level});
  }
  ASSERT_TRUE(kvxtest::writePng(dir.file("stripes.png"), png));
  for (const auto& [format, bits] : {std::pair{0, 8u}, std::pair{64, 1u}, std::pair{2, 24u}}) {
    std::string error;
    const std::string path = pack(dir,
                                  R"({"page": {"width": 50, "height": 50}, "pixelFormat": )" +
                                      std::to_string(format) + R"(, "objects": [
        {"name": "s", "type": "picture", "file": "stripes.png"},
        {"name": "t", "type": "text", "string": "ab"}]})",
                                  &error);
    ASSERT_FALSE(path.empty()) << error;
    ThemeInfo info;
    ASSERT_TRUE(readThemeInfo(path, &info, &error)) << error;
    EXPECT_EQ(info.bitsPerPixel, bits);
    for (const ObjectInfo& object : info.objects) EXPECT_EQ(object.picture->bits, bits);
  }
}

TEST(ThemePacker, ComponentRecordLayout) {
  ComponentSpec component;
  component.transform = TransformSpec{2, {-1, 2, 300, -400, 5, 6, 7, 8}};
  component.stretch = {1.5, 0, 0, 0};
  component.resize = {0.5, 0.25};
  component.threeD = {11, 12};
  component.path = QzPath{{{QzPathCommand::Move, {1, 2}}, {QzPathCommand::Line, {3, 4}}}};
  const std::vector<uint8_t> stream = componentStream(component, 18, {1, 2, 3, 4});
  ASSERT_GT(stream.size(), kComponentRecordSize);
  auto int32At = [&](size_t offset) {
    int32_t v;
    std::memcpy(&v, stream.data() + offset, 4);
    return v;
  };
  auto doubleAt = [&](size_t offset) {
    double v;
    std::memcpy(&v, stream.data() + offset, 8);
    return v;
  };
  EXPECT_EQ(int32At(4), 1);
  EXPECT_EQ(int32At(16), 4);
  EXPECT_EQ(int32At(60), 18);
  EXPECT_EQ(doubleAt(64), 1.5);
  EXPECT_EQ(doubleAt(96), 0.5);
  EXPECT_EQ(doubleAt(104), 0.25);
  EXPECT_EQ(int32At(112), 11);
  EXPECT_EQ(int32At(116), 12);
  EXPECT_EQ(int32At(120), 2);
  // Corner coordinates sit in the upper 16 bits of their values.
  const int16_t corners[8] = {-1, 2, 300, -400, 5, 6, 7, 8};
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(static_cast<int16_t>(static_cast<uint32_t>(int32At(128 + 4 * i)) >> 16), corners[i]);
    EXPECT_EQ(static_cast<uint32_t>(int32At(128 + 4 * i)) & 0xFFFF, 0u);
  }
  const uint8_t* data = stream.data() + kComponentRecordSize;
  QzPath* read = nullptr;
  ASSERT_TRUE(QzPathUnFlatten(&data, stream.size() - kComponentRecordSize, &read));
  EXPECT_EQ(read->commands.size(), 2u);
  QzPathDeletePtr(read, 0);
}

// A failed pack writes nothing and leaves an existing theme of that name as it was.
struct FailingPack {
  const char* label;
  const char* objects;
  const char* expected;
};

class PackRefusal : public testing::TestWithParam<FailingPack> {};

TEST_P(PackRefusal, WritesNothing) {
  kvxtest::TempDir dir;
  kvxtest::Picture mask{3, 3, 1, std::vector<uint8_t>(9, 255)};
  ASSERT_TRUE(kvxtest::writePng(dir.file("mask.png"), mask));
  ASSERT_TRUE(kvxtest::writePng(dir.file("glass.png"), gradientPicture()));
  const std::string json = std::string(R"({"page": {"width": 50, "height": 50}, "objects": [
      {"name": "ok", "type": "picture", "width": 2, "height": 2, "color": "#FFF"}, )") +
                           GetParam().objects + "]}";
  ThemeSpec model;
  std::string error;
  ASSERT_TRUE(parseThemeJson(json, dir.path(), &model, &error)) << error;

  const std::string fresh = dir.file("fresh.kvx");
  EXPECT_FALSE(packTheme(model, fresh, &error));
  EXPECT_EQ(error.rfind(GetParam().expected, 0), 0u) << error;
  EXPECT_FALSE(fs::exists(fresh));

  const std::string existing = dir.file("existing.kvx");
  { std::ofstream(existing) << "old"; }
  EXPECT_FALSE(packTheme(model, existing, &error));
  std::ifstream in(existing);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "old");
  for (const auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    Objects, PackRefusal,
    testing::Values(
        FailingPack{"missing_file", R"({"name": "p", "type": "picture", "file": "none.png"})",
                    "objects[1].file: "},
        FailingPack{"mask_size",
                    R"({"name": "p", "type": "picture", "file": "glass.png", "mask": "mask.png"})",
                    "objects[1].mask: 3 x 3 differs from the picture's 4 x 3"},
        FailingPack{"file_size",
                    R"({"name": "p", "type": "picture", "file": "glass.png", "width": 5})",
                    "objects[1].width: 5 differs from the picture file's width 4"},
        FailingPack{"text_size", R"({"name": "t", "type": "text", "height": 5})",
                    "objects[1].height: text and path objects take the size of their rendering"},
        FailingPack{"stretch",
                    R"({"name": "t", "type": "text", "component": {"stretch": [10, 10, 5, 5]}})",
                    "objects[1].component.stretch: "}),
    [](const testing::TestParamInfo<FailingPack>& info) { return std::string(info.param.label); });

TEST(ThemeInfo, RefusesDamagedAndMissingFiles) {
  kvxtest::TempDir dir;
  std::string error;
  const std::string path = pack(dir, R"({"page": {"width": 50, "height": 50}, "objects": [
      {"name": "t", "type": "text", "string": "x"}]})",
                                &error);
  ASSERT_FALSE(path.empty()) << error;
  ThemeInfo info;
  EXPECT_FALSE(readThemeInfo(dir.file("missing.kvx"), &info, &error));
  EXPECT_NE(error.find("cannot be opened"), std::string::npos);
  fs::resize_file(path, fs::file_size(path) - 7);
  EXPECT_FALSE(readThemeInfo(path, &info, &error));
  EXPECT_EQ(error.rfind(path + ": ", 0), 0u);
}

TEST(ThemeInfo, RefusesWhatIsNotAThemeBeforeReadingIt) {
  kvxtest::TempDir dir;
  ThemeInfo info;
  std::string error;
  // A FIFO without a writer would block a reader that opens it plainly.
  const std::string fifo = dir.file("pipe.kvx");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(readThemeInfo(fifo, &info, &error));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  EXPECT_FALSE(readThemeInfo(dir.path().string(), &info, &error));
  EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
  // A sparse 3 GiB file: its first bytes are not a theme's, so its size never matters.
  const std::string large = dir.file("large.bin");
  std::ofstream(large) << "not a theme";
  fs::resize_file(large, uint64_t{3} << 30);
  EXPECT_FALSE(readThemeInfo(large, &info, &error));
  EXPECT_NE(error.find("bad magic"), std::string::npos) << error;
}

}  // namespace
}  // namespace kvxauthor
