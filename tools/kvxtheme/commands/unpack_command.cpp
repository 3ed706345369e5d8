// kvxtheme unpack: a theme file back into a JSON description and PNG pictures.
#include <cstdio>

#include "arguments.h"
#include "authoring/theme_unpacker.h"
#include "cli_error.h"
#include "command.h"

namespace kvxcli {
namespace {

constexpr const char* kUnpackHelp =
    R"(usage: kvxtheme unpack THEME.kvx -o FOLDER

Writes the theme as FOLDER/theme.json (see docs/theme-json.md) with its pictures and masks as
PNG files beside it, so that it can be edited and packed again with 'kvxtheme pack'. Text and
path objects keep their settings and are rendered again when packed. FOLDER is made when it
is missing; one that already holds theme.json is refused, and no existing file is replaced.

  -o, --output FOLDER   the folder to write into
)";

int runUnpack(const std::vector<std::string>& arguments) {
  return runCommandBody(arguments, kUnpackHelp, [&] {
    const FileAndOutput options = parseFileAndOutput(arguments, "unpack", "theme file (THEME.kvx)");
    std::string error;
    if (!kvxauthor::unpackTheme(options.file, options.output, &error)) fail("unpack", error);
    return 0;
  });
}

}  // namespace
}  // namespace kvxcli

KVX_COMMAND("unpack", kvxcli::runUnpack,
            "unpack THEME.kvx -o FOLDER   write a theme as a JSON description and PNG pictures");
