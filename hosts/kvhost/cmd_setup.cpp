// kvhost setup [--root DIR]: installs the driver set into a machine root (created when missing): the
// built libraries, companions and model files into the driver folder, the driver registered with the
// spooler (its printers upgraded when it was installed already) and a printer of the model added, which
// the spooler has the driver set up.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "command.h"
#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvsetup/driver_set.h"

namespace kvhost {

// The built modules beside kvhost: "<build>/bin/kvhost" finds "<build>/modules".
std::string ModuleFolder() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  self[n] = 0;
  return (std::filesystem::path(self).parent_path().parent_path() / "modules").string();
}

// Installs the driver set for `q` from the module folder and reports each step; the exit code.
int InstallDriverSet(kvsetup::Request q) {
  q.moduleDir = ModuleFolder();
  kvsetup::Result r = kvsetup::Install(q);
  for (const std::string& f : r.installed) std::printf("installed: %s\n", f.c_str());
  if (r.error) {
    if (r.printer) ClosePrinter(r.printer);
    return Failed(r.message);
  }
  std::printf("driver registered: %s\n", kvp::ToUtf8(q.driverName).c_str());
  for (const std::u16string& p : r.upgraded) std::printf("printer upgraded: %s\n", kvp::ToUtf8(p).c_str());
  if (r.printer) {
    std::printf(r.printerExisted ? "printer kept: %s\n" : "printer added: %s\n", kvp::ToUtf8(q.printerName).c_str());
    ClosePrinter(r.printer);
  }
  return kExitDone;
}

namespace {

int RunSetup(const std::vector<std::string>& args) {
  std::string root = RootOption();
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--root" && i + 1 < args.size() && !args[i + 1].empty()) root = args[++i];
    else return UsageError("usage: kvhost setup [--root DIR]");
  }
  if (root.empty()) root = kvp::MachineRoot();
  if (DWORD e = kvp::InitMachineRoot(root))
    return Failed("cannot create the machine root " + root + " (error " + std::to_string(e) + ")");
  kvp::SetMachineRoot(root);
  std::printf("machine root: %s\n", kvp::MachineRoot().c_str());
  std::string modules = ModuleFolder();
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::path(modules) / "model" / "kvdrvdat", ec))
    return Failed("no built driver set beside kvhost (looked in " + modules + "); build it first");
  kvsetup::Request q;
  q.printerName = kvsetup::kModelDriverName;
  int rc = InstallDriverSet(q);
  if (rc == kExitDone) {
    for (const kvsetup::ModuleFile& m : kvsetup::kModules)
      if (m.part == kvsetup::kDeliverables && !std::filesystem::exists(std::filesystem::path(modules) / m.built, ec))
        std::printf("not built yet: %s\n", m.registered);
  }
  return rc;
}

}  // namespace
}  // namespace kvhost

KVHOST_COMMAND_ROOT("setup",
                    "  setup [--root DIR]       install the driver set into a machine root (created when missing):\n"
                    "                           libraries, companions and model files into the driver folder, the\n"
                    "                           driver registered (its printers upgraded when it was there), a printer\n"
                    "                           of the model added and set up by the driver",
                    kvhost::RunSetup, kvhost::RootUse::kCreates);
