// kvxtheme texture: the placeholder picture of a theme as a PNG file.
#include <cstdio>

#include "arguments.h"
#include "authoring/placeholder_texture.h"
#include "cli_error.h"
#include "command.h"

namespace kvxcli {
namespace {

constexpr const char* kTextureHelp =
    R"(usage: kvxtheme texture THEME.kvx -o placeholder.png

Writes the picture of the theme's object named "placeholder" (letter case ignored, the first
in file order), at the object's own size and without its mask, as an RGB PNG file.

  -o, --output FILE     the PNG file to write
)";

int runTexture(const std::vector<std::string>& arguments) {
  return runCommandBody(arguments, kTextureHelp, [&] {
    std::string theme, output;
    ArgumentReader reader(arguments);
    while (!reader.done()) {
      const std::string argument = reader.next();
      if (argument == "-o" || argument == "--output") {
        output = reader.value(argument);
      } else if (!argument.empty() && argument[0] == '-') {
        fail(argument, "unknown option (see 'kvxtheme texture --help')");
      } else if (theme.empty()) {
        theme = argument;
      } else {
        fail(argument, "only one theme file at a time");
      }
    }
    if (theme.empty()) fail("texture", "names no theme file (THEME.kvx)");
    if (output.empty()) fail("--output", "is required");
    std::string error;
    if (!kvxauthor::exportPlaceholderTexture(theme, output, &error)) fail("texture", error);
    return 0;
  });
}

}  // namespace
}  // namespace kvxcli

KVX_COMMAND("texture", kvxcli::runTexture,
            "texture THEME.kvx -o placeholder.png   write the placeholder's picture as PNG");
