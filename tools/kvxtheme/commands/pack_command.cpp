// kvxtheme pack: a theme described in JSON becomes a KVX theme file.
#include <cstdio>

#include "arguments.h"
#include "authoring/theme_json.h"
#include "authoring/theme_packer.h"
#include "cli_error.h"
#include "command.h"

namespace kvxcli {
namespace {

constexpr const char* kPackHelp =
    R"(usage: kvxtheme pack THEME.json -o THEME.kvx

Packs the theme that THEME.json describes (page, groups, picture, text and path objects; see
docs/theme-json.md) into a KVX theme file. Picture files are found relative to THEME.json.
A description that cannot be used is refused with the field at fault, and nothing is written.

  -o, --output FILE     the theme file to write (replaced atomically)
)";

struct PackOptions {
  std::string description;
  std::string output;
};

PackOptions parsePackOptions(const std::vector<std::string>& arguments) {
  PackOptions options;
  ArgumentReader reader(arguments);
  while (!reader.done()) {
    const std::string argument = reader.next();
    if (argument == "-o" || argument == "--output") {
      options.output = reader.value(argument);
    } else if (!argument.empty() && argument[0] == '-') {
      fail(argument, "unknown option (see 'kvxtheme pack --help')");
    } else if (options.description.empty()) {
      options.description = argument;
    } else {
      fail(argument, "only one theme description can be packed at a time");
    }
  }
  if (options.description.empty()) fail("pack", "names no theme description (THEME.json)");
  if (options.output.empty()) fail("--output", "is required");
  return options;
}

int runPack(const std::vector<std::string>& arguments) {
  return runCommandBody(arguments, kPackHelp, [&] {
    const PackOptions options = parsePackOptions(arguments);
    kvxauthor::ThemeSpec model;
    std::string error;
    if (!kvxauthor::loadThemeJson(options.description, &model, &error))
      fail(options.description, error);
    if (!kvxauthor::packTheme(model, options.output, &error)) fail(options.description, error);
    return 0;
  });
}

}  // namespace
}  // namespace kvxcli

KVX_COMMAND("pack", kvxcli::runPack,
            "pack THEME.json -o THEME.kvx   pack a theme described in JSON into a theme file");
