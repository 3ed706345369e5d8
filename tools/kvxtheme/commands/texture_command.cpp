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
    const FileAndOutput options =
        parseFileAndOutput(arguments, "texture", "theme file (THEME.kvx)");
    std::string error;
    if (!kvxauthor::exportPlaceholderTexture(options.file, options.output, &error))
      fail("texture", error);
    return 0;
  });
}

}  // namespace
}  // namespace kvxcli

KVX_COMMAND("texture", kvxcli::runTexture,
            "texture THEME.kvx -o placeholder.png   write the placeholder's picture as PNG");
