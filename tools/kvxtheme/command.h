#pragma once
// Subcommands of the kvxtheme tool. Each lives in its own source file and registers itself with
//   KVX_COMMAND("name", runName, "name ARGS...   one-line summary");
// so that adding a subcommand needs no change anywhere else.
#include <functional>
#include <string>
#include <vector>

namespace kvxcli {

// Runs a subcommand with the arguments after its name; returns the process exit status.
using CommandFunction = int (*)(const std::vector<std::string>& arguments);

struct Command {
  std::string name;
  CommandFunction run;
  std::string usage;
};

// The registered subcommands, sorted by name.
std::vector<Command> commands();
const Command* findCommand(const std::string& name);

// Prints `help` when the arguments ask for it; otherwise runs `body`, turning a CliError or
// exhausted memory into one line on standard error and exit status 1.
int runCommandBody(const std::vector<std::string>& arguments, const char* help,
                   const std::function<int()>& body);

struct CommandRegistration {
  CommandRegistration(const char* name, CommandFunction run, const char* usage);
};

}  // namespace kvxcli

#define KVX_COMMAND_JOIN2(a, b) a##b
#define KVX_COMMAND_JOIN(a, b) KVX_COMMAND_JOIN2(a, b)
#define KVX_COMMAND(name, function, usage)                                            \
  static const ::kvxcli::CommandRegistration KVX_COMMAND_JOIN(kvxCommand_, __LINE__)( \
      name, function, usage)
