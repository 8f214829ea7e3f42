// kvhost commands register themselves: one file per command, each with a static KvCommand.
#pragma once
#include <string>
#include <vector>

namespace kvhost {

using CommandFn = int (*)(const std::vector<std::string>& args);

struct Command {
  const char* name;     // first word on the command line ("machine", "printer", ...)
  const char* usage;    // one or more lines for --help
  CommandFn run;        // receives the words after the name; returns the exit code
};

// Registers a command; returns true so it can initialise a static.
bool Register(const Command& c);

// Options shared by all commands: --root DIR selects the machine root before the command runs.
const std::string& RootOption();

}  // namespace kvhost

#define KVHOST_CONCAT2(a, b) a##b
#define KVHOST_CONCAT(a, b) KVHOST_CONCAT2(a, b)
#define KVHOST_COMMAND(name, usage, fn) \
  static const bool KVHOST_CONCAT(kvhost_reg_, __LINE__) = ::kvhost::Register({name, usage, fn})
