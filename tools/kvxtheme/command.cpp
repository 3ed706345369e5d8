#include "command.h"

#include <algorithm>
#include <map>

namespace kvxcli {
namespace {

// A function-local table, so registrations from other files' static initialisers find it
// constructed whatever the initialisation order.
std::map<std::string, Command>& registry() {
  static std::map<std::string, Command> table;
  return table;
}

}  // namespace

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
