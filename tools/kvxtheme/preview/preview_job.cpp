#include "preview_job.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "arguments.h"
#include "authoring/design_file.h"
#include "authoring/theme_info.h"
#include "cli_error.h"
#include "render/frame_sink.h"
#include "render/render_job.h"
#include "stop_signals.h"

namespace kvxcli {
namespace {

constexpr const char* kTestPatternName = "testsrc";

// A folder of this process alone for the packed design, removed with the job or, if the
// process is stopped first, by the stop signals' clean-up.
std::filesystem::path makePrivateFolder() {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) fail("preview", "no temporary folder: " + error.message());
  std::string pattern = (base / "kvxtheme-preview-XXXXXX").string();
  bool made = false;
  int cause = 0;
  changeTemporaryFiles([&](std::set<std::string>& files) {
    made = mkdtemp(pattern.data()) != nullptr;
    if (made)
      files.insert(pattern);
    else
      cause = errno;
  });
  if (!made)
    fail(base.string(), std::string("cannot take a temporary folder: ") + std::strerror(cause));
  return pattern;
}

}  // namespace

PreviewJob::PreviewJob(PreviewOptions options) : options_(std::move(options)) {}

PreviewJob::~PreviewJob() {
  if (folder_.empty()) return;
  changeTemporaryFiles([&](std::set<std::string>& files) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    files.erase(folder_.string());
  });
}

std::vector<std::pair<std::filesystem::path, const char*>> PreviewJob::reads() const {
  std::vector<std::pair<std::filesystem::path, const char*>> files = {
      {options_.design, "the design"}};
  if (options_.input != kTestPatternName) files.emplace_back(options_.input, "the input");
  for (const std::filesystem::path& file : kvxauthor::designInputs(options_.design))
    files.emplace_back(file, "a file the design reads");
  return files;
}

std::vector<std::filesystem::path> PreviewJob::sources() const {
  std::vector<std::filesystem::path> files;
  for (const auto& [file, what] : reads()) files.push_back(file);
  return files;
}

void PreviewJob::checkOutput() const {
  for (const auto& [file, what] : reads()) {
    std::error_code error;
    if (std::filesystem::equivalent(options_.output, file, error))
      fail(options_.output,
           std::string("is also ") + what + " (" + file.string() + "); choose another output name");
  }
  if (outputKind(options_.output) != OutputKind::SinglePng)
    fail(options_.output, "a preview is one picture: name it FILE.png");
}

std::string PreviewJob::themeFile() {
  const std::optional<kvxauthor::DesignKind> kind = kvxauthor::designKindOf(options_.design);
  if (!kind)
    fail(options_.design,
         "is neither a theme file (.kvx), a description (.json) nor a drawing (.svg)");
  if (*kind == kvxauthor::DesignKind::Kvx) return options_.design;
  if (folder_.empty()) folder_ = makePrivateFolder();
  const std::filesystem::path packed =
      folder_ / std::filesystem::path(options_.design).stem().concat(".kvx");
  std::vector<std::string> notes;
  std::string error;
  const bool packedWell = kvxauthor::packDesign(options_.design, packed, {}, &notes, &error);
  for (const std::string& note : notes)
    std::fprintf(stderr, "kvxtheme: %s: %s\n", options_.design.c_str(), note.c_str());
  if (!packedWell) fail(options_.design, error);
  return packed.string();
}

void PreviewJob::render() {
  checkOutput();
  RenderOptions settings;
  settings.themePath = themeFile();
  settings.input = options_.input;
  settings.output = options_.output;
  settings.maxFrames = 1;
  settings.quiet = true;
  settings.verbose = options_.verbose;
  if (options_.width > 0) {
    settings.width = options_.width;
    settings.height = options_.height;
    settings.sizeGiven = true;
  } else if (options_.input == kTestPatternName) {
    kvxauthor::ThemeInfo info;
    std::string error;
    if (!kvxauthor::readThemeInfo(settings.themePath, &info, &error)) fail(options_.design, error);
    settings.width = info.pageWidth;
    settings.height = info.pageHeight;
    if (settings.width < 1 || settings.height < 1 || settings.width > kMaxSide ||
        settings.height > kMaxSide || int64_t{settings.width} * settings.height > kMaxPixels)
      fail(options_.design, "its page (" + std::to_string(info.pageWidth) + "x" +
                                std::to_string(info.pageHeight) +
                                ") is not a size the preview renders; choose one with --size");
  }
  checkTextsKey(options_.texts, settings.themePath, options_.design);
  settings.texts = options_.texts.texts;
  settings.textFiles = options_.texts.files;
  kvxcli::render(settings);
}

}  // namespace kvxcli
