// kvhost: stands in for the programs that drive the driver set (spooler, application, graphics engine,
// status monitor) on a machine root.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "command.h"
#include "kvplat/root.h"

namespace kvhost {
namespace {
std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> m;
  return m;
}
std::string g_root;

void PrintHelp() {
  std::printf(
      "usage: kvhost [--root DIR] COMMAND [ARGS]\n"
      "Drives the printer driver set on a machine root (default $KV_MACHINE_ROOT, else ./machine).\n\n"
      "commands:\n");
  for (auto& [name, c] : Commands()) std::printf("%s\n", c.usage);
}
}  // namespace

bool Register(const Command& c) {
  Commands()[c.name] = c;
  return true;
}
const std::string& RootOption() { return g_root; }

}  // namespace kvhost

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  size_t i = 0;
  while (i < args.size() && args[i].rfind("--", 0) == 0) {
    if (args[i] == "--help" || args[i] == "-h") {
      kvhost::PrintHelp();
      return 0;
    }
    if (args[i] == "--root" && i + 1 < args.size()) {
      kvhost::g_root = args[i + 1];
      kvp::SetMachineRoot(kvhost::g_root);
      i += 2;
      continue;
    }
    std::fprintf(stderr, "kvhost: unknown option %s\n", args[i].c_str());
    return 2;
  }
  if (i >= args.size()) {
    kvhost::PrintHelp();
    return 2;
  }
  auto it = kvhost::Commands().find(args[i]);
  if (it == kvhost::Commands().end()) {
    std::fprintf(stderr, "kvhost: unknown command '%s' (see kvhost --help)\n", args[i].c_str());
    return 2;
  }
  std::vector<std::string> rest(args.begin() + i + 1, args.end());
  return it->second.run(rest);
}
