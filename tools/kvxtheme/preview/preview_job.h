#pragma once
// One still of a design (a theme file, a JSON description or an SVG drawing) over a picture or
// the test pattern, written as a PNG file through the render's own job.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "render/text_options.h"

namespace kvxcli {

struct PreviewOptions {
  std::string design;
  std::string input;   // a picture (a video: its first frame), or "testsrc"
  std::string output;  // one .png, replaced atomically
  TextOptions texts;
  // --size; without it the test pattern takes the theme's page and a picture keeps its size,
  // as render does.
  int width = 0;
  int height = 0;
  bool verbose = false;
};

class PreviewJob {
 public:
  explicit PreviewJob(PreviewOptions options);
  // Removes the private folder of the packed design.
  ~PreviewJob();
  PreviewJob(const PreviewJob&) = delete;
  PreviewJob& operator=(const PreviewJob&) = delete;

  // Refuses an output that is the design, the input or a file the design reads, or that is
  // not one PNG file.
  void checkOutput() const;
  // Renders the design as it is now; failures throw CliError naming the file and the cause.
  // packDesign's notes go to standard error.
  void render();
  // The files a render reads: the design, the input picture and the files the design names.
  std::vector<std::filesystem::path> sources() const;

  const PreviewOptions& options() const { return options_; }

 private:
  // The files a render reads, each with what it is to the preview.
  std::vector<std::pair<std::filesystem::path, const char*>> reads() const;
  // The theme file of the design: the design itself, or a packing of it in the private folder.
  std::string themeFile();

  PreviewOptions options_;
  std::filesystem::path folder_;
};

}  // namespace kvxcli
