// kvhost machine init [ROOT]: creates a machine root with its drives, registry, spooler and system profile.
#include <cstdio>

#include "command.h"
#include "kvplat/error.h"
#include "kvplat/root.h"

namespace {

int RunMachine(const std::vector<std::string>& args) {
  if (args.empty() || args[0] != "init" || args.size() > 2) {
    std::fprintf(stderr, "usage: kvhost machine init [ROOT]\n");
    return 2;
  }
  std::string root = args.size() == 2 ? args[1] : kvp::MachineRoot();
  DWORD err = kvp::InitMachineRoot(root);
  if (err != ERROR_SUCCESS) {
    std::fprintf(stderr, "kvhost: cannot create machine root %s (error %u)\n", root.c_str(), err);
    return 1;
  }
  kvp::SetMachineRoot(root);
  std::printf("machine root ready: %s\n", kvp::MachineRoot().c_str());
  return 0;
}

}  // namespace

KVHOST_COMMAND("machine", "  machine init [ROOT]      create a machine root (drives, registry, spooler, system profile)",
               RunMachine);
