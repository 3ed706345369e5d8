// kvxtheme: renders themes over videos and pictures, and hosts the theme tools.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "stop_signals.h"

extern "C" const char* kvxthemeVersion();

namespace {

void printUsage(FILE* out) {
  std::fprintf(out, "usage: kvxtheme COMMAND [OPTIONS]\n\ncommands:\n");
  for (const auto& command : kvxcli::commands()) std::fprintf(out, "  %s\n", command.usage.c_str());
  std::fprintf(out,
               "\n'kvxtheme COMMAND --help' describes a command's options.\n"
               "'kvxtheme --version' prints the version.\n");
}

}  // namespace

int main(int argc, char** argv) {
  kvxcli::handleStopSignals();
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) {
    printUsage(stderr);
    return 2;
  }
  const std::string& name = arguments.front();
  if (name == "--help" || name == "-h" || name == "help") {
    printUsage(stdout);
    return 0;
  }
  if (name == "--version") {
    std::printf("kvxtheme %s\n", kvxthemeVersion());
    return 0;
  }
  const kvxcli::Command* command = kvxcli::findCommand(name);
  if (!command) {
    std::fprintf(stderr, "kvxtheme: unknown command '%s'\n", name.c_str());
    printUsage(stderr);
    return 2;
  }
  return command->run(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
}
