// kvhost commands register themselves: one file per command, each with a static KvCommand.
#pragma once
#include <string>
#include <vector>

namespace kvsetup {
struct Request;
}

namespace kvhost {

// Exit codes of every command: done, failed (the message says why), or the command line is wrong.
enum : int { kExitDone = 0, kExitFailed = 1, kExitUsage = 2 };

using CommandFn = int (*)(const std::vector<std::string>& args);

// Whether a command works on an existing machine root. Only the commands that create one may run on a
// folder that is not a machine root yet; commands that never touch the root skip the test. kExisting is
// tested before the command runs; kChecksItself commands call CheckRoot once their command line is read,
// so a wrong command line is reported as one even on a folder that is no root.
enum class RootUse { kExisting, kCreates, kNone, kChecksItself };

struct Command {
  const char* name;     // first word on the command line ("machine", "printer", ...)
  const char* usage;    // one or more lines for --help
  CommandFn run;        // receives the words after the name; returns the exit code
  RootUse root = RootUse::kExisting;
};

// Registers a command; returns true so it can initialise a static.
bool Register(const Command& c);

// Options shared by all commands: --root DIR selects the machine root before the command runs.
const std::string& RootOption();

// kExitDone when the current root is a machine root; otherwise says so (and how to make one) and
// returns kExitFailed.
int CheckRoot();

// Prints "kvhost: <text>" on standard error and returns kExitFailed / kExitUsage.
int Failed(const std::string& text);
namespace input {
struct Script;
}
// Reads and parses a UI input script (nothing for an empty name): kExitDone, or the failure printed and
// kExitFailed.
int LoadUiScript(const std::string& file, input::Script* out);
// Opens the printer with full access: kExitDone, or "no printer ..." printed and kExitFailed.
int OpenPrinterFully(const std::string& name, void** printer);
int UsageError(const std::string& text);

// The host path of a path given on the command line: a "C:\..." machine path is mapped onto the
// current root (false when it cannot be), any other path is taken as it is.
bool HostPathOf(const std::string& path, std::string* host);

// Reads a whole file given by a host path (or a "C:\..." machine path on the current root); false with
// a message in *error when it cannot be read.
bool ReadHostFile(const std::string& path, std::string* bytes, std::string* error);

// The path of a printer's settings-and-constraints library (the driver folder and the model INI's name
// for it); false with a message in *error.
bool SettingsLibraryPath(const std::string& printerName, std::u16string* path, std::string* error);

// The folder of the built modules beside kvhost ("<build>/bin/kvhost" -> "<build>/modules").
std::string ModuleFolder();
// Installs the driver set from that folder through the one installation path and prints each step;
// returns the exit code (cmd_setup.cpp).
int InstallDriverSet(kvsetup::Request q);

// The document sheet (DocumentPropertiesW with a prompt) and the device sheet (PrinterProperties) of a
// printer, driven by an input script: args are PRINTER [--script FILE] [--out FILE] [--png-dir DIR].
int RunDocumentSheet(const std::vector<std::string>& args);
int RunDeviceSheet(const std::vector<std::string>& args);
// kvhost ui dialog: one driver dialog through the sub-dialog launcher.
int RunDialogCommand(const std::vector<std::string>& args);
// The sheet arguments of a command that names the picture folder --pictures: PRINTER first, --pictures
// as --png-dir, `drop` left out.
std::vector<std::string> SheetArguments(const std::string& printer, const std::vector<std::string>& rest,
                                        const std::string& drop);

}  // namespace kvhost

#define KVHOST_CONCAT2(a, b) a##b
#define KVHOST_CONCAT(a, b) KVHOST_CONCAT2(a, b)
#define KVHOST_COMMAND(name, usage, fn) \
  static const bool KVHOST_CONCAT(kvhost_reg_, __LINE__) = ::kvhost::Register({name, usage, fn})
#define KVHOST_COMMAND_ROOT(name, usage, fn, rootUse) \
  static const bool KVHOST_CONCAT(kvhost_reg_, __LINE__) = ::kvhost::Register({name, usage, fn, rootUse})
