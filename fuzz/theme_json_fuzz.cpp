// Feeds arbitrary bytes as a theme description to the authoring library. A description that
// parses is packed into a theme file, which is read back for inspection and then run by the
// engine for one small frame and a still picture fitted into its placeholder.

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "authoring/info_format.h"
#include "authoring/png_file.h"
#include "authoring/theme_info.h"
#include "authoring/theme_json.h"
#include "authoring/theme_packer.h"
#include "host/reference_host.h"
#include "kvxtheme/globalmem.h"

#define KVX_FUZZ_TARGET "theme_json_fuzz"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxInputBytes = 64 << 10;
constexpr int kFrameWidth = 64;
constexpr int kFrameHeight = 48;
constexpr int kPictureWidth = 6;
constexpr int kPictureHeight = 4;

// The description's folder: it holds the pictures "picture.png" and "mask.png" and, during a
// run, the packed theme. It is removed when the fuzzer exits normally.
fs::path gFolder;
std::string gThemePath;

void makeFolder() {
  gFolder = kvxfuzz::temporaryFolder(KVX_FUZZ_TARGET, "kvx-theme-json-fuzz");
  gThemePath = (gFolder / "theme.kvx").string();
  std::vector<uint8_t> rgb(kPictureWidth * kPictureHeight * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 37);
  std::string error;
  if (!kvxauthor::writeRgbPng((gFolder / "picture.png").string(), kPictureWidth, kPictureHeight,
                              rgb, &error) ||
      !kvxauthor::writeRgbPng((gFolder / "mask.png").string(), kPictureWidth, kPictureHeight, rgb,
                              &error))
    kvxfuzz::broken(KVX_FUZZ_TARGET, "the test pictures could not be written");
}

// Descriptions may name any file; only those inside the folder are read, so that a run never
// opens the machine's files (a device or pipe could block it).
bool insideFolder(const std::string& file) {
  const fs::path normal = fs::path(file).lexically_normal();
  return std::mismatch(gFolder.begin(), gFolder.end(), normal.begin(), normal.end()).first ==
         gFolder.end();
}

bool picturesInsideFolder(const kvxauthor::ThemeSpec& model) {
  for (const auto& object : model.objects) {
    if (object.type != kvxauthor::ObjectType::Picture) continue;
    const auto& picture = object.picture;
    if (picture.source == kvxauthor::PictureSpec::Source::File && !insideFolder(picture.file))
      return false;
    if (picture.mask == kvxauthor::PictureSpec::Mask::File && !insideFolder(picture.maskFile))
      return false;
  }
  return true;
}

void inspect(const kvxauthor::ThemeSpec& model) {
  kvxauthor::ThemeInfo info;
  std::string error;
  if (!kvxauthor::readThemeInfo(gThemePath, &info, &error)) {
    std::fprintf(stderr, "readThemeInfo: %s\n", error.c_str());
    kvxfuzz::broken(KVX_FUZZ_TARGET, "a packed theme cannot be read back");
  }
  KVX_FUZZ_CHECK(info.pageWidth == model.pageWidth && info.pageHeight == model.pageHeight &&
                     info.objects.size() == model.objects.size(),
                 "a packed theme reads back with another page or object count");
  // As `kvxtheme info` and `kvxtheme info --json` print it.
  const std::string text = kvxauthor::infoText(info);
  const std::string json =
      kvxauthor::infoJson(info).dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
  kvxfuzz::touch(text.data(), text.size());
  kvxfuzz::touch(json.data(), json.size());
}

// A clip of one frame on the packed theme, with a still picture fitted into its placeholder.
void runInEngine() {
  kvxhost::ReferenceHost host;
  host.setThemePath(gThemePath);
  host.setTextSource([](int, const std::string& key, std::string* text) {
    *text = key + " 2024";
    return true;
  });
  if (host.begin(kFrameWidth, kFrameHeight) != 1) return;
  std::vector<uint8_t> bitmap(sizeof(BITMAPINFOHEADER) + 12 * 2, 0x5A);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = 3;
  header.biHeight = 2;
  header.biPlanes = 1;
  header.biBitCount = 24;
  std::memcpy(bitmap.data(), &header, sizeof header);
  BITMAPINFOHEADER* fitted = nullptr;
  if (host.attachedEffect()->MergeHolder(reinterpret_cast<BITMAPINFOHEADER*>(bitmap.data()),
                                         &fitted) == 1)
    GlobalFree(fitted);
  const size_t frameBytes = static_cast<size_t>(kFrameWidth) * kFrameHeight * 3;
  std::vector<uint8_t> source(frameBytes, 0x80), destination(frameBytes);
  // Whether a frame was composed in full is the effect's to count; it must only survive.
  host.renderFrame(0, source.data(), kFrameWidth * 3, destination.data(), kFrameWidth * 3);
  KVX_FUZZ_CHECK(host.end() == 1, "the clip did not end");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  makeFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return 0;
  kvxauthor::ThemeSpec model;
  std::string error;
  if (!kvxauthor::parseThemeJson(std::string(reinterpret_cast<const char*>(data), size), gFolder,
                                 &model, &error)) {
    KVX_FUZZ_CHECK(!error.empty(), "a description was refused without a message");
    return 0;
  }
  if (!picturesInsideFolder(model)) return 0;
  if (!kvxauthor::packTheme(model, gThemePath, &error)) {
    KVX_FUZZ_CHECK(!error.empty(), "a theme was refused without a message");
    KVX_FUZZ_CHECK(std::distance(fs::directory_iterator(gFolder), fs::directory_iterator()) == 2,
                   "a refused theme left a file behind");
    return 0;
  }
  inspect(model);
  runInEngine();
  fs::remove(gThemePath);
  return 0;
}
