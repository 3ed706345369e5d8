// kvxtheme info: what a theme file holds, as text or JSON.
#include <cstdio>

#include "arguments.h"
#include "authoring/info_format.h"
#include "authoring/theme_info.h"
#include "cli_error.h"
#include "command.h"

namespace kvxcli {
namespace {

constexpr const char* kInfoHelp =
    R"(usage: kvxtheme info THEME.kvx [--json]

Lists the page (size, version, pixel format, render flag), the groups and every object of a
theme file: name, kind, place and size, record fields, pictures, streams (names and sizes), and
the text, path and component settings.

  --json                print one JSON document instead of text
)";

int runInfo(const std::vector<std::string>& arguments) {
  return runCommandBody(arguments, kInfoHelp, [&] {
    std::string theme;
    bool json = false;
    ArgumentReader reader(arguments);
    while (!reader.done()) {
      const std::string argument = reader.next();
      if (argument == "--json") {
        reader.noValue(argument);
        json = true;
      } else if (!argument.empty() && argument[0] == '-') {
        fail(argument, "unknown option (see 'kvxtheme info --help')");
      } else if (theme.empty()) {
        theme = argument;
      } else {
        fail(argument, "only one theme file can be listed at a time");
      }
    }
    if (theme.empty()) fail("info", "names no theme file (THEME.kvx)");
    kvxauthor::ThemeInfo info;
    std::string error;
    if (!kvxauthor::readThemeInfo(theme, &info, &error)) fail("info", error);
    const std::string text = json ? kvxauthor::infoJson(info).dump(
                                        2, ' ', false, nlohmann::json::error_handler_t::replace) +
                                        "\n"
                                  : kvxauthor::infoText(info);
    std::fputs(text.c_str(), stdout);
    return 0;
  });
}

}  // namespace
}  // namespace kvxcli

KVX_COMMAND("info", kvxcli::runInfo,
            "info THEME.kvx [--json]   list the page, groups, objects and streams of a theme");
