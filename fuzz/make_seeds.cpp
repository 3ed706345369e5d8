// Writes the fuzz targets' seed files, one folder per target under the folder it is given. The
// reader's seeds are small themes that reach all of it (pictures of each depth, one-colour
// pictures, masks, named streams, both group block forms).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "kvxtheme/kvx_group_block.h"
#include "kvxtheme/kvx_writer.h"
#include "seeds.h"

namespace {

using kvx::KvxGroup;
using kvx::KvxObjectRecord;
using kvx::KvxPicture;
using kvx::KvxWriter;

std::vector<uint8_t> pattern(size_t size, unsigned seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * seed) ^ (i >> 3));
  return bytes;
}

KvxObjectRecord record(const std::string& name, int width, int height) {
  KvxObjectRecord r;
  r.setName(name);
  r.setRect(4, 4, width, height);
  r.setGroupId(0, 1);
  return r;
}

bool pictureTheme(const std::string& path) {
  KvxWriter writer;
  writer.setPageSize(64, 48);
  writer.setPageRenderFlag(1);
  writer.setGroupBlock(kvx::extendedGroupBlock({{1, "frame", "a", "b", "c", "d"}}));
  KvxObjectRecord r = record("placeholder", 12, 9);
  r.setMaskRect(0, 0, 12, 9);
  r.setShadow(1, {0, 10, 10, 100, 5}, 50, 0);
  auto& object = writer.addObject(r);
  object.setPicture(KvxPicture::fromRows(12, 9, 24, pattern(12 * 9 * 3, 7)));
  object.setMask(KvxPicture::fromRows(12, 9, 8, pattern(12 * 9, 3)));
  std::string link("http://example.org/\0\0\0\0", 23);
  object.addStream(u"ObjHyperLinkStream", std::vector<uint8_t>(link.begin(), link.end()));
  auto& text = writer.addObject(record("caption", 20, 6));
  text.setPicture(KvxPicture::oneColour(20, 6, 24, 0x00FFFFFF));
  text.addStream(u"TextStream", pattern(48, 11));
  text.addStream(u"ComponentObjectStream", pattern(170, 5));
  text.addStream(u"PathCutBorderStream", pattern(16, 1));
  return writer.write(path, nullptr);
}

bool greyTheme(const std::string& path) {
  KvxWriter writer;
  writer.setPixelFormat(0);
  writer.setVersion(499);
  writer.setGroupBlock(kvx::plainGroupBlock(
      {{1, "one", "", "", "", ""}, {2, "two", "", "", "", ""}, {2, "again", "", "", "", ""}}));
  auto& object = writer.addObject(record("grey", 70, 3));
  object.setPicture(KvxPicture::fromRows(70, 3, 8, pattern(70 * 3, 13)));
  object.addStream(u"PathStream", pattern(30, 9));
  return writer.write(path, nullptr);
}

bool bitmapTheme(const std::string& path) {
  KvxWriter writer;
  writer.setPixelFormat(64);
  writer.setGroupBlock(
      kvx::extendedGroupBlock({{3, "x", "", "", "", ""}, {4, "y", "1", "", "", ""}}, 1));
  auto& object = writer.addObject(record("bits", 13, 70));
  object.setPicture(KvxPicture::fromRows(13, 70, 1, pattern(2 * 70, 17)));
  object.setMask(KvxPicture::oneColour(13, 70, 8, 200));
  return writer.write(path, nullptr);
}

bool emptyTheme(const std::string& path) {
  KvxWriter writer;
  writer.setPageSize(1920, 1080);
  writer.setGroupBlock({});
  return writer.write(path, nullptr);
}

}  // namespace

namespace kvxseeds {

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool writeThemeFileSeeds(const std::string& folder) {
  return pictureTheme(folder + "/seed-picture.kvx") && greyTheme(folder + "/seed-grey.kvx") &&
         bitmapTheme(folder + "/seed-bitmap.kvx") && emptyTheme(folder + "/seed-empty.kvx");
}

bool writeTextSeeds(const std::string& folder,
                    std::initializer_list<std::pair<const char*, std::string>> seeds) {
  bool ok = true;
  for (const auto& [name, text] : seeds)
    ok = writeFile(folder + "/" + name, std::vector<uint8_t>(text.begin(), text.end())) && ok;
  return ok;
}

}  // namespace kvxseeds

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT-FOLDER [SAMPLE-THEME.json...]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root = argv[1];
  const std::vector<std::string> samples(argv + 2, argv + argc);
  auto folder = [&](const char* target) {
    std::filesystem::create_directories(root / target);
    return (root / target).string();
  };
  bool ok = kvxseeds::writeThemeFileSeeds(folder("kvx_reader_fuzz"));
  ok = kvxseeds::writeThemeJsonSeeds(folder("theme_json_fuzz"), samples) && ok;
  ok = kvxseeds::writeRenderObjectSeeds(folder("render_object_fuzz")) && ok;
  ok = kvxseeds::writeBitmapSeeds(folder("merge_holder_fuzz")) && ok;
  // The subtitle target takes its file's name from the first byte: 0 .srt, 1 .vtt, 2 .ass, 3 by
  // content.
  ok = kvxseeds::writeTextSeeds(
           folder("subtitle_file_fuzz"),
           {{"seed-srt", std::string("\0", 1) +
                             "1\n00:00:00,200 --> 00:00:00,500\nFirst <i>cue</i>\n\n"
                             "2\n00:00:00,720 --> 00:00:00,900\nSecond\ncue\n"},
            {"seed-vtt",
             "\1WEBVTT\n\n00:00.200 --> 00:00.500\nFirst cue\n\n"
             "00:00.720 --> 00:00.900 align:start\n<b>Second</b> cue\n"},
            {"seed-ass",
             "\2[Script Info]\nScriptType: v4.00+\n\n[Events]\nFormat: Layer, Start, "
             "End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\nDialogue: "
             "0,0:00:00.20,0:00:00.50,Default,,0,0,0,,{\\i1}First{\\i0}\\Ncue\n"},
            {"seed-content",
             "\3"
             "1\n00:00:01,000 --> 00:00:02,000\nRecognised\n"}}) &&
       ok;
  ok = kvxseeds::writeTextSeeds(
           folder("text_schedule_fuzz"),
           {{"seed-slides.json",
             R"([{"from": 0, "to": 29, "title": "First", "date": "2024-07-01"},)"
             R"( {"from": 30, "title": "Second", "fields": {"Place": "Rome"}}])"},
            {"seed-keys.json",
             R"([{"from": 5, "SlideShowTitle": "Own key", "file_name": "IMG_0001.JPG",)"
             R"( "description": "A day out"}])"}}) &&
       ok;
  // The join is seeded with a clip of a regular build (scripts/fuzz-smoke.sh); a file that is
  // no video stands in where there is none.
  ok = kvxseeds::writeTextSeeds(folder("segment_join_fuzz"), {{"seed-not-video", "not a video"}}) &&
       ok;
  if (!ok) std::fprintf(stderr, "writing the seeds into %s failed\n", root.c_str());
  return ok ? 0 : 1;
}
