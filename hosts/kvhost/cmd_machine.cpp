// kvhost machine init [ROOT]: creates a machine root with its drives, registry, spooler and system profile.
// kvhost machine set KEY=VALUE...: changes switches of the system profile (user name, terminal-server
// mode, OS version and service pack), as an administrator or another user's log-on would.
#include <cstdio>

#include "command.h"
#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/sysinfo.h"

namespace {

int RunMachineSet(const std::vector<std::string>& args) {
  if (args.size() < 2) return kvhost::UsageError("usage: kvhost machine set KEY=VALUE...");
  for (size_t i = 1; i < args.size(); ++i) {
    size_t eq = args[i].find('=');
    if (eq == std::string::npos || eq == 0) return kvhost::UsageError("expected KEY=VALUE, got: " + args[i]);
  }
  for (size_t i = 1; i < args.size(); ++i) {
    size_t eq = args[i].find('=');
    std::string key = args[i].substr(0, eq);
    DWORD err = kvp::ProfileSet(key.c_str(), args[i].substr(eq + 1));
    if (err != ERROR_SUCCESS) return kvhost::Failed("cannot set " + key + " (error " + std::to_string(err) + ")");
    std::printf("%s\n", args[i].c_str());
  }
  return 0;
}

int RunMachine(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "set") return RunMachineSet(args);
  if (args.empty() || args[0] != "init" || args.size() > 2) return kvhost::UsageError("usage: kvhost machine init [ROOT]");
  std::string root = args.size() == 2 ? args[1] : kvp::MachineRoot();
  DWORD err = kvp::InitMachineRoot(root);
  if (err != ERROR_SUCCESS)
    return kvhost::Failed("cannot create machine root " + root + " (error " + std::to_string(err) + ")");
  kvp::SetMachineRoot(root);
  std::printf("machine root ready: %s\n", kvp::MachineRoot().c_str());
  return 0;
}

}  // namespace

KVHOST_COMMAND_ROOT("machine",
                    "  machine init [ROOT]      create a machine root (drives, registry, spooler, system profile)\n"
                    "  machine set KEY=VALUE... change system-profile switches (UserName, TerminalServer, OSMajor...)",
                    RunMachine, kvhost::RootUse::kCreates);
