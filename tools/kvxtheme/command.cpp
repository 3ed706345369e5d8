#include "command.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <new>

#include "cli_error.h"

namespace kvxcli {
namespace {

// A function-local table, so registrations from other files' static initialisers find it
// constructed whatever the initialisation order.
std::map<std::string, Command>& registry() {
  static std::map<std::string, Command> table;
  return table;
}

}  // namespace

int runCommandBody(const std::vector<std::string>& arguments, const char* help,
                   const std::function<int()>& body) {
  for (const auto& argument : arguments)
    if (argument == "--help" || argument == "-h") {
      std::fputs(help, stdout);
      return 0;
    }
  try {
    return body();
  } catch (const CliError& error) {
    std::fprintf(stderr, "kvxtheme: %s\n", error.what());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kvxtheme: out of memory\n");
  }
  return 1;
}

CommandRegistration::CommandRegistration(const char* name, CommandFunction run, const char* usage) {
  registry()[name] = Command{name, run, usage};
}

std::vector<Command> commands() {
  std::vector<Command> all;
  for (const auto& [name, command] : registry()) all.push_back(command);
  return all;
}

const Command* findCommand(const std::string& name) {
  auto found = registry().find(name);
  return found == registry().end() ? nullptr : &found->second;
}

}  // namespace kvxcli
