// kvxtheme choose: the effect's theme page for an option record of the tool's own host, with a
// preview of the chosen theme over a test picture.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "arguments.h"
#include "cli_error.h"
#include "command.h"
#include "host/reference_host.h"
#include "render/frame_sink.h"
#include "render/frame_source.h"
#ifdef KVX_HAVE_GTK
#include "dialog_gtk/theme_chooser.h"
#endif

namespace kvxcli {
namespace {

constexpr const char* kChooseHelp =
    R"(usage: kvxtheme choose [--name THEME.kvx] [--theme-dir DIR] [--preview FILE.png] [--size WxH]

Opens the theme page in a window: type a theme file name or browse for one. The name chosen is
printed on OK. Every choice redraws a preview of the theme's first frame over a test picture.
Without a display no window opens: the preview of --name is written to a PNG file instead
(--preview, else choose-preview.png) and the name is printed.

  --name NAME        the theme name shown first (at most 19 characters)
  --theme-dir DIR    where theme names are looked for first (default: the current folder);
                     then the folder of the kvxtheme program
  --preview FILE     also write the last preview as a PNG file
  --size WxH         preview size (default 640x360)
)";

struct ChooseOptions {
  std::string name;
  std::string themeDir = ".";
  std::string preview;
  int width = 640;
  int height = 360;
};

// The theme file a name stands for, or "" when it is found nowhere.
std::string resolveTheme(const ChooseOptions& options, const std::string& name) {
  if (name.empty()) return {};
  for (const std::filesystem::path& folder :
       {std::filesystem::path(options.themeDir),
        std::filesystem::canonical("/proc/self/exe").parent_path()}) {
    std::error_code ignored;
    const std::filesystem::path candidate = folder / name;
    if (std::filesystem::is_regular_file(candidate, ignored))
      return std::filesystem::absolute(candidate).string();
  }
  return {};
}

// The theme's first frame over the test pattern, as packed B,G,R rows. An empty name shows the
// default page; a name found nowhere gives false with "no such theme file" in `why`, a theme the
// effect could not load or draw false with its reason.
bool renderPreview(const ChooseOptions& options, const std::string& name, std::vector<uint8_t>* bgr,
                   std::string* why) {
  *why = "no such theme file";
  const std::string path = resolveTheme(options, name);
  if (!name.empty() && path.empty()) return false;
  std::vector<uint8_t> source;
  if (!makeTestPattern(options.width, options.height, {25, 1}, 1)->read(&source)) return false;
  kvxhost::ReferenceHost host;
  host.setThemePath(path);
  if (!host.begin(options.width, options.height)) return false;
  if (!host.loadFailure().empty()) {
    *why = host.loadFailure();
    return false;
  }
  *why = "the effect could not compose the preview in full";
  bgr->assign(source.size(), 0);
  const size_t stride = static_cast<size_t>(options.width) * 3;
  const bool rendered = host.renderFrame(0, source.data(), stride, bgr->data(), stride) != 0;
  host.end();
  return rendered;
}

void writePreview(const ChooseOptions& options, const std::string& name, const std::string& file) {
  std::vector<uint8_t> bgr;
  std::string why;
  if (!renderPreview(options, name, &bgr, &why)) fail(name, why);
  SinkSettings settings;
  settings.width = options.width;
  settings.height = options.height;
  auto sink = openPngSink(file, settings, OutputKind::SinglePng);
  sink->write(bgr.data());
  sink->finish();
}

std::string recordName(const EffectOption& option) {
  return std::string(option.themeName, strnlen(option.themeName, sizeof(option.themeName)));
}

int runChoose(const std::vector<std::string>& arguments) {
  return runCommandBody(arguments, kChooseHelp, [&] {
    ChooseOptions options;
    ArgumentReader reader(arguments);
    while (!reader.done()) {
      const std::string argument = reader.next();
      if (argument == "--name") {
        options.name = reader.value(argument);
        if (options.name.size() > 19) fail("--name", "longer than 19 characters");
      } else if (argument == "--theme-dir") {
        options.themeDir = reader.value(argument);
      } else if (argument == "--preview") {
        options.preview = reader.value(argument);
      } else if (argument == "--size") {
        parseSize(argument, reader.value(argument), &options.width, &options.height);
      } else {
        fail(argument, "unknown option (see 'kvxtheme choose --help')");
      }
    }
    kvxhost::ReferenceHost host;
    host.setThemeName(options.name);
    EffectOption& record = host.options();
    int answer = -1;
#ifdef KVX_HAVE_GTK
    ThemeChooserSettings settings;
    settings.title = "kvxtheme: choose a theme";
    settings.onPreviewRedraw = [&](const EffectOption& current, PreviewPicture* picture) {
      std::vector<uint8_t> bgr;
      std::string why;
      if (!renderPreview(options, recordName(current), &bgr, &why)) return false;
      picture->width = options.width;
      picture->height = options.height;
      picture->rgb = std::move(bgr);
      for (size_t i = 0; i + 2 < picture->rgb.size(); i += 3)
        std::swap(picture->rgb[i], picture->rgb[i + 2]);
      return true;
    };
    answer = runThemeChooser(&record, 1, settings);
#endif
    if (answer == 2) fail("choose", "cancelled");
    const std::string chosen = recordName(record);
    if (answer == 1) {
      if (!options.preview.empty()) writePreview(options, chosen, options.preview);
    } else {
      writePreview(options, chosen,
                   options.preview.empty() ? "choose-preview.png" : options.preview);
    }
    std::printf("%s\n", chosen.c_str());
    return 0;
  });
}

}  // namespace
}  // namespace kvxcli

KVX_COMMAND("choose", kvxcli::runChoose,
            "choose [--name THEME.kvx] [--preview FILE.png]   pick a theme in the theme page");
