#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>

#include "compat/project_library/project_binding.h"
#include "compose/clip_state.h"
#include "document/object_loader.h"
#include "document/theme_document.h"
#include "kvxtheme/commonlib.h"
#include "kvxtheme/kvx_format.h"
#include "kvxtheme/kvx_group_block.h"
#include "kvxtheme/kvx_writer.h"
#include "kvxtheme/pathlib.h"
#include "support/test_support.h"

#if defined(__SANITIZE_ADDRESS__)
// The project library brings libkvxtheme.so beside this program's own copy of the engine; the
// library's calls bind to this program's exports, so the second copy's globals stay unused.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
  return "detect_odr_violation=0";
}
#endif

namespace {

kvx::KvxObjectRecord pictureRecord(const std::string& name, int width, int height) {
  kvx::KvxObjectRecord record;
  record.setName(name);
  record.setRect(5, 6, width, height);
  record.setMaskRect(5, 6, width, height);
  record.setMergeMode(1);
  return record;
}

kvx::KvxWriterObject& addPicture(kvx::KvxWriter& writer, const std::string& name, int width = 8,
                                 int height = 4) {
  kvx::KvxWriterObject& object = writer.addObject(pictureRecord(name, width, height));
  object.setPicture(kvx::KvxPicture::oneColour(width, height, 24, 0x00FF00));
  object.setMask(kvx::KvxPicture::oneColour(width, height, 8, 255));
  return object;
}

std::vector<uint8_t> textStream(const std::string& text, bool withShadow = false) {
  RenderHandle object = qrCreateTextObjectWithString(text);
  if (withShadow) {
    QrShadowRecord shadow{3, 4, 20, 0x112233, 0, 80, 2};
    qrSetShadowAttr(object, &shadow);
  }
  std::vector<uint8_t> bytes;
  qrFlattenObject(object, &bytes);
  qrDeleteTextPathObject(object);
  return bytes;
}

kvx::KvxWriter pageWriter() {
  kvx::KvxWriter writer;
  writer.setPageSize(320, 240);
  return writer;
}

class ThemeLoading : public ::testing::Test {
 protected:
  std::string write(const kvx::KvxWriter& writer, const std::string& name = "theme.kvx") {
    std::string path = dir.file(name), error;
    EXPECT_TRUE(writer.write(path, &error)) << error;
    return path;
  }
  std::vector<int> groupIds(const ThemeDocument& document) {
    std::vector<int> ids;
    for (const auto& group : document.groups) ids.push_back(group->id);
    return ids;
  }
  kvxtest::TempDir dir;
};

}  // namespace

TEST_F(ThemeLoading, PageGroupsAndObjectsInFileOrder) {
  kvx::KvxWriter writer = pageWriter();
  writer.setGroupBlock(
      kvx::extendedGroupBlock({{3, "three", "a", "b", "c", "d"}, {4, "unused"}, {0, "zero"}}, 1));
  addPicture(writer, "first").record().setGroupId(0, 3);
  addPicture(writer, "PlaceHolder");
  ThemeDocument document;
  const std::string path = write(writer);
  EXPECT_GT(document.loadThemeFile(path.c_str()), 0);
  EXPECT_EQ(document.pageWidth, 320);
  EXPECT_EQ(document.pageHeight, 240);
  ASSERT_EQ(document.objects.size(), 2u);
  EXPECT_STREQ(document.objects.front()->name, "first");
  EXPECT_EQ(document.objects.front()->x, 5);
  EXPECT_EQ(groupIds(document), std::vector<int>{3}) << "unreferenced groups are dropped";
  EXPECT_STREQ(document.groups.front()->text4, "d");
  EXPECT_EQ(document.findObject("placeholder"), document.objects.back().get());
}

TEST_F(ThemeLoading, GroupBlockEdgeCases) {
  struct Case {
    std::vector<uint8_t> block;
    std::vector<int> ids;
  };
  std::vector<uint8_t> markerCountZero = kvx::extendedGroupBlock({{1, "a"}}, 0);
  std::vector<uint8_t> duplicates =
      kvx::extendedGroupBlock({{1, "first", "early"}, {1, "second", "late"}, {2, "b"}}, 1);
  kvx::KvxWriter writer = pageWriter();
  writer.setGroupBlock(duplicates);
  writer.setVersion(500);  // objects need not exist to read groups
  ThemeDocument document;
  const std::string path = write(writer);
  // No objects: every group is unreferenced and dropped after the load.
  EXPECT_GT(document.loadThemeFile(path.c_str()), -1);
  EXPECT_TRUE(document.groups.empty());

  ThemeDocument parsed;
  parsed.parseGroupBlock(parsed.groups, duplicates.size(), duplicates.data());
  EXPECT_EQ(groupIds(parsed), (std::vector<int>{1, 1, 2}));
  EXPECT_STREQ(parsed.groups.front()->text1, "late") << "texts go to the earliest group";
  EXPECT_STREQ((*std::next(parsed.groups.begin()))->text1, "");

  ThemeDocument plain;
  plain.parseGroupBlock(plain.groups, markerCountZero.size(), markerCountZero.data());
  EXPECT_EQ(plain.groups.front()->id, -1) << "a count of 0 reads the plain form from byte 0";
}

TEST_F(ThemeLoading, FileWithoutObjectsKeepsItsPageSize) {
  kvx::KvxWriter writer = pageWriter();
  writer.setGroupBlock(kvx::plainGroupBlock({{1, "g"}}));
  ThemeDocument document;
  const std::string path = write(writer);
  const int result = document.loadThemeFile(path.c_str());
  EXPECT_GT(result, 0);
  EXPECT_EQ(document.pageWidth, 320);
  EXPECT_TRUE(document.objects.empty());
  EXPECT_TRUE(document.groups.empty());
}

TEST_F(ThemeLoading, MissingFileLeavesTheDocumentEmpty) {
  ThemeDocument document;
  ClipState clip(document);
  EXPECT_EQ(document.loadThemeFile(dir.file("absent.kvx").c_str()), 0);
  EXPECT_EQ(document.pageWidth, 0);
  EXPECT_EQ(clip.buildLayers(720, 576), 0);
}

// A block of 100,000 entries loads in linear time (a scan per entry took minutes); the
// texts still go to the first group of an id and the unreferenced groups still go.
TEST_F(ThemeLoading, ManyGroupsLoadWithTheirTexts) {
  std::vector<kvx::KvxGroup> entries;
  for (int32_t id = 1; id <= 100000; ++id) entries.push_back({id, "g", "t" + std::to_string(id)});
  entries.push_back({77, "again", "late"});
  kvx::KvxWriter writer = pageWriter();
  writer.setGroupBlock(kvx::extendedGroupBlock(entries));
  addPicture(writer, "first").record().setGroupId(0, 77);
  addPicture(writer, "second").record().setGroupId(0, 99999);
  ThemeDocument document;
  ASSERT_GT(document.loadThemeFile(write(writer).c_str()), 0);
  EXPECT_EQ(groupIds(document), (std::vector<int>{77, 99999, 77}));
  EXPECT_STREQ(document.findGroup(77)->text1, "late");
  EXPECT_STREQ(document.findGroup(99999)->text1, "t99999");
}

// Buffers are sized from the records, whatever the stored pictures hold: a record declaring
// 20,000 × 20,000 pixels over an 8 × 4 picture is a few bytes in the file and 1.6 GB in memory.
// The theme is refused before anything is allocated.
TEST_F(ThemeLoading, PicturesBeyondTheThemeBudgetAreRefused) {
  const auto load = [&](int objects) {
    kvx::KvxWriter writer = pageWriter();
    for (int i = 0; i < objects; ++i) {
      kvx::KvxWriterObject& object =
          writer.addObject(pictureRecord("huge" + std::to_string(i), 20000, 20000));
      object.setPicture(kvx::KvxPicture::oneColour(8, 4, 24, 0x00FF00));
    }
    c32ClearDLLErrInfo();
    ThemeDocument document;
    const int result = document.loadThemeFile(write(writer).c_str());
    return std::pair{result, document.objects.size()};
  };
  const auto [fits, loaded] = load(1);  // 1.2 GB of colour and 0.4 GB of mask: over the budget
  EXPECT_EQ(fits, 0);
  EXPECT_EQ(loaded, 0u);
  char detail[256] = {};
  int error = 0, severity = 0, module = 0, location = 0, code = 0;
  EXPECT_EQ(c32GetDLLErrorInfo(detail, &error, &severity, &module, &location, &code), 1001);
  EXPECT_EQ(module, 3300);
  EXPECT_NE(std::string(detail).find("1024 MiB"), std::string::npos) << detail;

  kvx::KvxWriter writer = pageWriter();
  writer
      .addObject(pictureRecord("large", 4000, 4000))  // 64 MB: within the budget
      .setPicture(kvx::KvxPicture::oneColour(8, 4, 24, 0x00FF00));
  c32ClearDLLErrInfo();
  ThemeDocument document;
  EXPECT_GT(document.loadThemeFile(write(writer).c_str()), 0);
  EXPECT_EQ(document.objects.size(), 1u);
  EXPECT_EQ(c32GetDLLErrorInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
}

TEST_F(ThemeLoading, FailingObjectKeepsTheOnesBefore) {
  kvx::KvxWriter writer = pageWriter();
  writer.setGroupBlock(kvx::plainGroupBlock({{9, "kept"}}));
  for (int i = 0; i < 5; ++i) {
    kvx::KvxWriterObject& object = addPicture(writer, "object" + std::to_string(i));
    if (i == 2) object.addStream(u"TextStream", {1, 2, 3});  // not a text object
  }
  ThemeDocument document;
  const std::string path = write(writer);
  EXPECT_LE(document.loadThemeFile(path.c_str()), 0);
  ASSERT_EQ(document.objects.size(), 2u);
  EXPECT_EQ(groupIds(document), std::vector<int>{9}) << "groups kept when a load fails";
}

TEST_F(ThemeLoading, VersionDecidesGroupIdsAndTheShadowBlock) {
  for (uint16_t version : {499, 500}) {
    kvx::KvxWriter writer = pageWriter();
    writer.setVersion(version);
    kvx::KvxWriterObject& object = addPicture(writer, "o");
    object.record().setLegacyGroupId(7);
    object.record().setGroupId(0, 8);
    object.record().setGroupId(1, 9);
    object.record().setShadow(1, {1, 2, 3, 4, 5}, 30, 0x445566);
    ThemeDocument document;
    const std::string path = write(writer);
    ASSERT_GT(document.loadThemeFile(path.c_str()), 0);
    const ThemeObject* loaded = document.objects.front().get();
    if (version == 499) {
      EXPECT_EQ(loaded->groupId(0), 7);
      EXPECT_EQ(loaded->groupId(1), 0);
      EXPECT_EQ(loaded->shadowEnabled, 0);
      EXPECT_EQ(loaded->shadowTransparency, 50);
    } else {
      EXPECT_EQ(loaded->groupId(0), 8);
      EXPECT_EQ(loaded->groupId(1), 9);
      EXPECT_EQ(loaded->shadowEnabled, 1);
      EXPECT_EQ(loaded->shadowParams.blurRadius, 5);
      EXPECT_EQ(loaded->shadowTransparency, 30);
      EXPECT_EQ(loaded->shadowColor, 0x445566);
    }
  }
}

TEST_F(ThemeLoading, InvalidShadowBlocksKeepTheDefaults) {
  struct Case {
    int32_t size, on, transparency;
  };
  for (Case c : {Case{24, 1, 101}, Case{24, 2, 10}, Case{20, 1, 10}, Case{24, 1, -1}}) {
    kvx::KvxWriter writer = pageWriter();
    kvx::KvxWriterObject& object = addPicture(writer, "o");
    object.record().setShadow(c.on, {1, 2, 3, 4, 5}, c.transparency, 0);
    object.record().setInt32(kvx::record::kShadowSize, c.size);
    ThemeDocument document;
    const std::string path = write(writer);
    ASSERT_GT(document.loadThemeFile(path.c_str()), 0);
    EXPECT_EQ(document.objects.front()->shadowEnabled, 0);
    EXPECT_EQ(document.objects.front()->shadowTransparency, 50);
  }
}

TEST_F(ThemeLoading, OldTextObjectTakesTheRenderObjectsShadow) {
  kvx::KvxWriter writer = pageWriter();
  writer.setVersion(499);
  kvx::KvxWriterObject& object = addPicture(writer, "title");
  object.record().setLegacyGroupId(5);
  object.addStream(u"TextStream", textStream("Shadowed", true));
  ThemeDocument document;
  const std::string path = write(writer);
  ASSERT_GT(document.loadThemeFile(path.c_str()), 0);
  const ThemeObject* loaded = document.objects.front().get();
  EXPECT_EQ(loaded->isText, 1);
  EXPECT_NE(loaded->renderObject, nullptr);
  EXPECT_EQ(loaded->groupId(0), 0);
  EXPECT_EQ(loaded->shadowEnabled, 1);
  EXPECT_EQ(loaded->shadowParams.offsetX, 3);
  EXPECT_EQ(loaded->shadowParams.offsetY, 4);
  EXPECT_EQ(loaded->shadowTransparency, 20);
  EXPECT_EQ(loaded->shadowParams.opacity, 80);
}

TEST_F(ThemeLoading, PixelFormatChoosesTheBufferDepth) {
  for (auto [code, bits] : {std::pair{2, 3}, std::pair{0, 1}}) {
    kvx::KvxWriter writer = pageWriter();
    writer.setPixelFormat(code);
    kvx::KvxWriterObject& object = writer.addObject(pictureRecord("o", 6, 3));
    object.setPicture(kvx::KvxPicture::oneColour(6, 3, code == 2 ? 24 : 8, 0x80));
    ThemeDocument document;
    const std::string path = write(writer);
    ASSERT_GT(document.loadThemeFile(path.c_str()), 0);
    EXPECT_EQ(document.objects.front()->imageBuffer->bytesPerPixel(), bits);
  }
}

TEST_F(ThemeLoading, ObjectWithoutMaskRectangleHasNoMask) {
  kvx::KvxWriter writer = pageWriter();
  kvx::KvxWriterObject& object = writer.addObject(pictureRecord("o", 4, 4));
  object.record().setMaskRect(0, 0, 0, 4);
  object.setPicture(kvx::KvxPicture::oneColour(4, 4, 24, 0));
  ThemeDocument document;
  const std::string path = write(writer);
  ASSERT_GT(document.loadThemeFile(path.c_str()), 0);
  EXPECT_EQ(document.objects.front()->maskBuffer, nullptr);
}

// 1-bit pictures arrive a bit a pixel; the buffer holds 0 or 255 a pixel.
TEST_F(ThemeLoading, OneBitPicturesUnpackTheirRows) {
  kvx::KvxWriter writer = pageWriter();
  writer.setPixelFormat(64);
  constexpr int kWidth = 13, kHeight = 2;  // two bytes a row, the second partly used
  kvx::KvxWriterObject& object = writer.addObject(pictureRecord("bits", kWidth, kHeight));
  object.setPicture(kvx::KvxPicture::fromRows(kWidth, kHeight, 1, {0xA5, 0xF8, 0x0F, 0x00}));
  ThemeDocument document;
  ASSERT_GT(document.loadThemeFile(write(writer).c_str()), 0);
  ASSERT_EQ(document.objects.size(), 1u);
  std::vector<uint8_t> pixels(kWidth * kHeight);
  ASSERT_TRUE(kvx::pixels::readRect(*document.objects.front()->imageBuffer, 0, 0, kWidth, kHeight,
                                    pixels.data()));
  const std::vector<uint8_t> expected = {255, 0,   255, 0,   0, 255, 0, 255, 255,
                                         255, 255, 255, 255, 0, 0,   0, 0,   255,
                                         255, 255, 255, 0,   0, 0,   0, 0};
  EXPECT_EQ(pixels, expected);
}

TEST(PictureReading, RowsAreClippedToTheBufferAndOneColourFillsIt) {
  // A stored picture wider and taller than the buffer it is read into.
  std::vector<uint8_t> rows(100 * 5);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i % 100 + 1);
  uLongf size = compressBound(rows.size());
  std::vector<uint8_t> deflated(size);
  ASSERT_EQ(compress(deflated.data(), &size, rows.data(), rows.size()), Z_OK);
  deflated.resize(size);
  kvx::PictureChunk picture{100, 5, 8, kvx::kEncodingDeflate, 0, deflated};

  const auto buffer = kvx::pixels::makeBuffer(8, 50, 3);
  EXPECT_EQ(readPictureInto(picture, *buffer), 1);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_EQ(buffer->row(y)[x], x + 1) << x << "," << y;

  picture.deflated = std::span<const uint8_t>(deflated).first(deflated.size() / 2);
  EXPECT_LT(readPictureInto(picture, *buffer), 1) << "a cut stream is damaged";

  const kvx::PictureChunk fill{100, 5, 8, kvx::kEncodingOneColour, 77, {}};
  EXPECT_EQ(readPictureInto(fill, *buffer), 1);
  EXPECT_EQ(std::count(buffer->data.begin(), buffer->data.end(), 77), 150);
}

TEST_F(ThemeLoading, ComponentStreamsApplyTheirSettings) {
  const std::string name = "word";
  auto component = [](size_t size, double resizeX, double resizeY) {
    std::vector<uint8_t> bytes(size, 0);
    std::memcpy(bytes.data() + 96, &resizeX, 8);
    std::memcpy(bytes.data() + 104, &resizeY, 8);
    const int32_t threeD[2] = {11, 22};
    std::memcpy(bytes.data() + 112, threeD, 8);
    return bytes;
  };
  kvx::KvxWriter writer = pageWriter();
  addPicture(writer, "plain").addStream(u"TextStream", textStream("Wide words"));
  kvx::KvxWriterObject& halved = addPicture(writer, "halved");
  halved.addStream(u"TextStream", textStream("Wide words"));
  halved.addStream(u"ComponentObjectStream", component(160, 0.5, 0.5));
  kvx::KvxWriterObject& zero = addPicture(writer, "zero");
  zero.addStream(u"TextStream", textStream("Wide words"));
  zero.addStream(u"ComponentObjectStream", component(160, 0.5, 0.0));
  kvx::KvxWriterObject& cut = addPicture(writer, "cut");
  cut.addStream(u"TextStream", textStream("Wide words"));
  cut.addStream(u"PathCutBorderStream", std::vector<uint8_t>(20, 1));
  cut.addStream(u"ComponentObjectStream", component(160, 0.5, 0.5));
  ThemeDocument document;
  const std::string path = write(writer);
  ASSERT_GT(document.loadThemeFile(path.c_str()), 0);
  auto renderedWidth = [&](const char* objectName) {
    ThemeObject* object = document.findObject(objectName);
    object->needsRender = 1;
    EXPECT_EQ(object->render(), 1);
    return object->width;
  };
  const int full = renderedWidth("plain");
  EXPECT_NEAR(renderedWidth("halved"), full / 2, 2);
  EXPECT_EQ(renderedWidth("cut"), full) << "a 20-byte cut border leaves the component unread";
  const uint8_t* settings = document.findObject("halved")->renderObject->state.settings3d.data();
  int32_t at8, at12;
  std::memcpy(&at8, settings + 8, 4);
  std::memcpy(&at12, settings + 12, 4);
  EXPECT_EQ(at12, 11);
  EXPECT_EQ(at8, 22);
}

TEST_F(ThemeLoading, ComponentPathFollowsTheRecordOnlyWhenLonger) {
  QzPath path;
  path.commands = {{QzPathCommand::Move, {0, 0}},
                   {QzPathCommand::Line, {40, 0}},
                   {QzPathCommand::Line, {40, 30}},
                   {QzPathCommand::Close, {}}};
  std::vector<uint8_t> flattened;
  ASSERT_NE(QzPathFlatten(&path, &flattened), 0);
  std::vector<uint8_t> withPath(160, 0);
  withPath.insert(withPath.end(), flattened.begin(), flattened.end());

  kvx::KvxWriter writer = pageWriter();
  RenderHandle shape = qrCreatePathObject();
  std::vector<uint8_t> shapeBytes;
  qrFlattenObject(shape, &shapeBytes);
  qrDeleteTextPathObject(shape);
  kvx::KvxWriterObject& object = addPicture(writer, "shape");
  object.addStream(u"PathStream", shapeBytes);
  object.addStream(u"ComponentObjectStream", withPath);
  ThemeDocument document;
  const std::string file = write(writer);
  ASSERT_GT(document.loadThemeFile(file.c_str()), 0);
  ThemeObject* loaded = document.findObject("shape");
  EXPECT_EQ(loaded->isText, 0);
  loaded->needsRender = 1;
  ASSERT_EQ(loaded->render(), 1);
  EXPECT_NEAR(loaded->width, 40, 2) << "the path after byte 160 shapes the object";
}

TEST_F(ThemeLoading, LongNamesAndTextsAreCutAtTheirFields) {
  kvx::KvxWriter writer = pageWriter();
  kvx::KvxWriterObject& object = addPicture(writer, "n");
  std::memset(object.record().bytes(), 'N', 128);        // no NUL in the name field
  std::memset(object.record().bytes() + 416, 'T', 256);  // nor in the text field
  ThemeDocument document;
  const std::string path = write(writer);
  ASSERT_GT(document.loadThemeFile(path.c_str()), 0);
  EXPECT_EQ(std::strlen(document.objects.front()->name), 127u);
  EXPECT_EQ(document.objects.front()->linkText.size(), 256u);
}

TEST(ProjectBinding, NameTableAndBounds) {
  EXPECT_STREQ(kProjectFunctionNames[14], "PrjHasObjectStream");
  EXPECT_STREQ(kProjectFunctionNames[15], "PrjGetObjectStream");
  EXPECT_STREQ(kProjectFunctionNames[24], "");
  EXPECT_EQ(projectFunction(25), nullptr);
  EXPECT_EQ(projectFunction(-1), nullptr);
}

TEST_F(ThemeLoading, HyperlinkTextNeedsTheProjectLibrary) {
  kvx::KvxWriter writer = pageWriter();
  kvx::KvxWriterObject& object = addPicture(writer, "video");
  object.record().setText("record text");
  const char link[] = "clip.mp4\0two\0three\0four";
  object.addStream(u"ObjHyperLinkStream", std::vector<uint8_t>(link, link + sizeof(link)));
  kvx::KvxWriterObject& empty = addPicture(writer, "empty");
  empty.record().setText("record text");
  const char emptyLink[] = "\0two\0three\0four";
  empty.addStream(u"ObjHyperLinkStream",
                  std::vector<uint8_t>(emptyLink, emptyLink + sizeof(emptyLink)));
  const std::string path = write(writer);

  const std::filesystem::path library = kvxtest::buildPath("libq32prj.so");
  const bool haveLibrary = std::filesystem::exists(library);
  // Without the library in the data directory the objects keep their record texts.
  setenv("KVXTHEME_DATA_DIR", dir.path().c_str(), 1);
  {
    ThemeDocument document;
    ClipState clip(document);
    ASSERT_GT(document.loadThemeFile(path.c_str()), 0);
    int32_t has = 123;
    EXPECT_EQ(projectHasObjectStream(nullptr, nullptr, 0, u"x", &has), 0);
    EXPECT_EQ(has, 123);
    EXPECT_EQ(document.findObject("video")->linkText, "record text");
  }
  if (!haveLibrary) {
    unsetenv("KVXTHEME_DATA_DIR");
    GTEST_SKIP() << "libq32prj.so not built at " << library;
  }
  std::filesystem::copy_file(library, dir.path() / "libq32prj.so");
  {
    ThemeDocument document;
    ClipState clip(document);
    ASSERT_GT(document.loadThemeFile(path.c_str()), 0);
    EXPECT_EQ(document.findObject("video")->linkText, "clip.mp4");
    EXPECT_EQ(document.findObject("empty")->linkText, "");
  }
  unsetenv("KVXTHEME_DATA_DIR");
}

TEST_F(ThemeLoading, TextureExportCopiesTheFirstPlaceholder) {
  kvx::KvxWriter writer = pageWriter();
  kvx::KvxWriterObject& first = writer.addObject(pictureRecord("PlaceHolder", 6, 2));
  first.setPicture(kvx::KvxPicture::oneColour(6, 2, 24, 0x0000FF));
  kvx::KvxWriterObject& second = writer.addObject(pictureRecord("placeholder", 9, 9));
  second.setPicture(kvx::KvxPicture::oneColour(9, 9, 24, 0xFF0000));
  const std::string path = write(writer);

  void* texture = nullptr;
  EXPECT_TRUE(q32themeGetKVXTexture(path.c_str(), &texture));
  const BufHandle handle = kvxTextureHandle(texture);
  int width = 0, height = 0;
  ASSERT_NE(buf32GetWHU(handle, &width, &height, nullptr), 0);
  EXPECT_EQ(width, 6);
  EXPECT_EQ(height, 2);
  uint8_t pixel[3];
  buf32GetMem(handle, 0, 0, 1, 1, pixel);
  EXPECT_EQ(pixel[0], 255);
  EXPECT_NE(buf32Free(handle), 0);

  void* untouched = nullptr;
  EXPECT_TRUE(q32themeGetKVXTexture(dir.file("missing.kvx").c_str(), &untouched));
  EXPECT_EQ(untouched, nullptr);
  EXPECT_TRUE(q32themeGetKVXTexture(path.c_str(), nullptr));
}
