// kvxtheme preview: one still of a design over a picture, redrawn as the design changes.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "arguments.h"
#include "cli_error.h"
#include "command.h"
#include "kvxtheme/win32.h"
#include "preview/file_watch.h"
#include "preview/preview_job.h"
#include "render/text_options.h"
#include "stop_signals.h"

extern "C" {
#include <libavutil/log.h>
}

namespace kvxcli {
namespace {

constexpr const char* kPreviewHeadHelp =
    R"(usage: kvxtheme preview DESIGN --input PICTURE --output FILE.png [options]

Renders one still of DESIGN over PICTURE with the given texts into a PNG file, replaced only by
a complete new picture. DESIGN is a theme file (.kvx), a description (.json, docs/theme-json.md)
or a drawing (.svg), packed on the way into a private temporary file; what a drawing holds that
a theme cannot carry as it is is noted on standard error.

  --input PICTURE       a picture FFmpeg reads, or "testsrc" for the generated pattern
  --output FILE.png     the preview; it may not be the design, the input or a file the design
                        reads
  --size WxH            the preview's size: the picture is scaled to it (without it a picture
                        keeps its size and the pattern takes the theme's page)
  --watch               keep watching the design, the files it names and the picture, and
                        render again when one of them is saved; a design that fails is reported
                        and the last good preview kept. Ctrl-C or SIGTERM ends with status 0
  --verbose             show the effect's trace on standard error

)";

// Saves come in bursts (an editor writes, renames, then touches the folder): one render each.
constexpr std::chrono::milliseconds kSettle{150};
constexpr std::chrono::milliseconds kLongestBurst{2000};

const std::string& previewHelp() {
  static const std::string help = std::string(kPreviewHeadHelp) + textOptionsHelp();
  return help;
}

struct PreviewCommand {
  PreviewOptions job;
  bool watch = false;
};

PreviewCommand parsePreviewOptions(const std::vector<std::string>& arguments) {
  PreviewCommand command;
  PreviewOptions& options = command.job;
  ArgumentReader reader(arguments);
  while (!reader.done()) {
    const std::string option = reader.next();
    if (readTextOption(option, reader, &options.texts)) continue;
    if (option == "--input" || option == "-i") {
      options.input = reader.value(option);
    } else if (option == "--output" || option == "-o") {
      options.output = reader.value(option);
    } else if (option == "--size") {
      parseSize(option, reader.value(option), &options.width, &options.height);
    } else if (option == "--watch") {
      reader.noValue(option);
      command.watch = true;
    } else if (option == "--verbose" || option == "-v") {
      reader.noValue(option);
      options.verbose = true;
    } else if (!option.empty() && option[0] == '-') {
      fail(option, "unknown option (see kvxtheme preview --help)");
    } else if (options.design.empty()) {
      options.design = option;
    } else {
      fail(option, "one design at a time; " + options.design + " is given already");
    }
  }
  if (options.design.empty()) fail("preview", "names no design (THEME.kvx, .json or .svg)");
  if (options.input.empty()) fail("--input", "is required (a picture, or testsrc)");
  if (options.output.empty()) fail("--output", "is required");
  finishTextOptions(&options.texts, options.verbose);
  return command;
}

void reportRender(const PreviewJob& job) {
  std::fprintf(stderr, "kvxtheme: wrote %s from %s\n", job.options().output.c_str(),
               job.options().design.c_str());
}

// Renders at every change until the process is stopped. While the design fails, the files of
// its last good state stay watched too: the fix may be to one of them.
[[noreturn]] void watchDesign(PreviewJob& job) {
  stopSignalsEndNormally();
  FileWatch watch;
  std::vector<std::filesystem::path> lastGood;
  for (;;) {
    std::vector<std::filesystem::path> files = job.sources();
    files.insert(files.end(), lastGood.begin(), lastGood.end());
    watch.watch(files);
    try {
      job.render();
      reportRender(job);
      lastGood = job.sources();
    } catch (const CliError& error) {
      std::fprintf(stderr, "kvxtheme: %s\n", error.what());
    }
    watch.waitForChange(kSettle, kLongestBurst);
  }
}

int runPreview(const std::vector<std::string>& arguments) {
  return runCommandBody(arguments, previewHelp().c_str(), [&] {
    PreviewCommand command = parsePreviewOptions(arguments);
    av_log_set_level(command.job.verbose ? AV_LOG_INFO : AV_LOG_ERROR);
    if (command.job.verbose) kvxSetTraceSink([](const char* text) { std::fputs(text, stderr); });
    PreviewJob job(std::move(command.job));
    job.checkOutput();
    if (command.watch) watchDesign(job);
    job.render();
    reportRender(job);
    return 0;
  });
}

}  // namespace
}  // namespace kvxcli

KVX_COMMAND("preview", kvxcli::runPreview,
            "preview DESIGN --input PICTURE --output FILE.png [--watch]   a still of a design, "
            "redrawn as it changes");
