// kvhost: stands in for the programs that drive the driver set (spooler, application, graphics engine,
// status monitor) on a machine root.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "command.h"
#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/text.h"

namespace kvhost {
namespace {
std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> m;
  return m;
}
std::string g_root;

void PrintHelp(FILE* to) {
  std::fprintf(to,
               "usage: kvhost [--root DIR] COMMAND [ARGS]\n"
               "Drives the printer driver set on a machine root (default $KV_MACHINE_ROOT, else ./machine).\n"
               "Only 'machine init' and 'setup' create a machine root; every other command refuses a folder\n"
               "that is not one.\n\n"
               "commands:\n");
  for (auto& [name, c] : Commands()) std::fprintf(to, "%s\n", c.usage);
  std::fprintf(to,
               "\nexit codes:\n"
               "  0  done\n"
               "  1  failed: the message on standard error says why (a missing or unreadable file, a folder\n"
               "     where a file is expected, a file that is no driver data file, a bad page-script line, a\n"
               "     printer that does not exist, a root that is not a machine root)\n"
               "  2  the command line is wrong: no or unknown command, unknown option, missing or extra\n"
               "     arguments, an option value of the wrong form\n");
}

bool IsMachineRoot(const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  return fs::is_regular_file(fs::path(dir) / "machine.ini", ec) && fs::is_directory(fs::path(dir) / "spool", ec) &&
         fs::is_directory(fs::path(dir) / "registry", ec);
}
}  // namespace

bool Register(const Command& c) {
  Commands()[c.name] = c;
  return true;
}
const std::string& RootOption() { return g_root; }

int CheckRoot() {
  if (IsMachineRoot(kvp::MachineRoot())) return kExitDone;
  const std::string& r = kvp::MachineRoot();
  return Failed((g_root.empty() ? "" : "--root ") + r + " is not a machine root; create one with 'kvhost setup --root " +
                r + "' or 'kvhost machine init " + r + "'");
}

int Failed(const std::string& text) {
  std::fprintf(stderr, "kvhost: %s\n", text.c_str());
  return kExitFailed;
}
int UsageError(const std::string& text) {
  std::fprintf(stderr, "kvhost: %s\n", text.c_str());
  return kExitUsage;
}

bool HostPathOf(const std::string& path, std::string* host) {
  *host = path;
  return !(path.size() > 2 && path[1] == ':') || kvp::MapPath(kvp::FromUtf8(path), *host) == ERROR_SUCCESS;
}

bool ReadHostFile(const std::string& path, std::string* bytes, std::string* error) {
  namespace fs = std::filesystem;
  std::string host;
  if (!HostPathOf(path, &host)) {
    *error = "cannot read " + path + ": not a path on the machine root";
    return false;
  }
  std::error_code ec;
  if (!fs::exists(host, ec)) {
    *error = "cannot read " + path + ": no such file";
    return false;
  }
  if (fs::is_directory(host, ec)) {
    *error = "cannot read " + path + ": it is a folder, and a file is needed";
    return false;
  }
  std::ifstream in(host, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  if (!in && !in.eof()) {
    *error = "cannot read " + path;
    return false;
  }
  *bytes = ss.str();
  if (bytes->empty()) {
    *error = path + " is empty";
    return false;
  }
  return true;
}

}  // namespace kvhost

int main(int argc, char** argv) {
  using namespace kvhost;
  std::vector<std::string> args(argv + 1, argv + argc);
  size_t i = 0;
  while (i < args.size() && args[i].rfind("-", 0) == 0) {
    if (args[i] == "--help" || args[i] == "-h") {
      PrintHelp(stdout);
      return kExitDone;
    }
    if (args[i] == "--root") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return UsageError("--root needs a folder");
      g_root = args[i + 1];
      kvp::SetMachineRoot(g_root);
      i += 2;
      continue;
    }
    return UsageError("unknown option " + args[i] + " (see kvhost --help)");
  }
  if (i >= args.size()) {
    PrintHelp(stderr);
    return UsageError("no command given");
  }
  auto it = Commands().find(args[i]);
  if (it == Commands().end()) return UsageError("unknown command '" + args[i] + "' (see kvhost --help)");
  std::vector<std::string> rest(args.begin() + i + 1, args.end());
  if (it->second.root == RootUse::kExisting) {
    if (int rc = CheckRoot()) return rc;
  }
  return it->second.run(rest);
}
