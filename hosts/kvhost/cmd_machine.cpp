// kvhost machine init [ROOT]: creates a machine root with its drives, registry, spooler and system profile.
#include <cstdio>

#include "command.h"
#include "kvplat/error.h"
#include "kvplat/root.h"

namespace {

int RunMachine(const std::vector<std::string>& args) {
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
                    "  machine init [ROOT]      create a machine root (drives, registry, spooler, system profile)",
                    RunMachine, kvhost::RootUse::kCreates);
