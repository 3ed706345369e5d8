// kvxtheme pack: a theme described in JSON, or drawn in SVG, becomes a KVX theme file.
#include <cstdio>

#include "arguments.h"
#include "authoring/design_file.h"
#include "cli_error.h"
#include "command.h"

namespace kvxcli {
namespace {

constexpr const char* kPackHelp =
    R"(usage: kvxtheme pack DESIGN.(json|svg) -o THEME.kvx [--size WxH]

Packs a theme design into a KVX theme file:
  THEME.json  a description of page, groups, picture, text and path objects
              (docs/theme-json.md); picture files are found relative to it.
  DESIGN.svg  a drawing (Inkscape or any SVG editor; docs/design-in-svg.md): its layers become
              pictures, its named texts live text fields, the elements labelled "placeholder"
              and "video" the frame's place and the video window.
A design that cannot be used is refused with the reason, and nothing is written. What an SVG
holds that a theme cannot carry as it is (a text on a path) is kept as picture and reported.

  -o, --output FILE     the theme file to write (replaced atomically)
  --size WxH            the page of an SVG design in pixels (default: its size at 96 dpi)
)";

struct PackOptions {
  std::string design;
  std::string output;
  kvxauthor::DesignOptions page;
};

PackOptions parsePackOptions(const std::vector<std::string>& arguments) {
  PackOptions options;
  ArgumentReader reader(arguments);
  while (!reader.done()) {
    const std::string argument = reader.next();
    if (argument == "-o" || argument == "--output") {
      options.output = reader.value(argument);
    } else if (argument == "--size") {
      parseSize(argument, reader.value(argument), &options.page.pageWidth,
                &options.page.pageHeight);
    } else if (!argument.empty() && argument[0] == '-') {
      fail(argument, "unknown option (see 'kvxtheme pack --help')");
    } else if (options.design.empty()) {
      options.design = argument;
    } else {
      fail(argument, "only one design can be packed at a time");
    }
  }
  if (options.design.empty()) fail("pack", "names no design (THEME.json or DESIGN.svg)");
  if (options.output.empty()) fail("--output", "is required");
  return options;
}

int runPack(const std::vector<std::string>& arguments) {
  return runCommandBody(arguments, kPackHelp, [&] {
    const PackOptions options = parsePackOptions(arguments);
    std::vector<std::string> notes;
    std::string error;
    const bool packed =
        kvxauthor::packDesign(options.design, options.output, options.page, &notes, &error);
    for (const std::string& line : notes)
      std::fprintf(stderr, "kvxtheme: %s: %s\n", options.design.c_str(), line.c_str());
    if (!packed) fail(options.design, error);
    return 0;
  });
}

}  // namespace
}  // namespace kvxcli

KVX_COMMAND("pack", kvxcli::runPack,
            "pack DESIGN.(json|svg) -o THEME.kvx   pack a theme description or SVG design");
