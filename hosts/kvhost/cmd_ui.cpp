// kvhost ui show MODULE DIALOG[,DIALOG...] --png OUT.png: shows a dialog of a resource module headless and
// writes its picture. Several dialog ids (or --sheet, or a page template) show them as the pages of a
// property sheet instead.
// MODULE is a machine path ("C:\...") or a host file, which is copied into the machine's temp folder first.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "command.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/propsheet.h"
#include "kvplat/root.h"
#include "kvplat/text.h"
#include "kvplat/uiscript.h"
#include "kvplat/window.h"

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] = "usage: kvhost ui show MODULE DIALOG[,DIALOG...] [--sheet] --png OUT.png";

// The machine path of the module: given as one, or a host file placed under C:\Windows\Temp.
bool MachineModule(const std::string& arg, std::u16string* out, std::string* error) {
  if (arg.size() > 2 && arg[1] == ':') {
    *out = kvp::FromUtf8(arg);
    return true;
  }
  std::error_code ec;
  if (!fs::is_regular_file(arg, ec)) {
    *error = "no module file " + arg;
    return false;
  }
  std::string tempHost;
  if (kvp::MapPath(u"C:\\Windows\\Temp", tempHost) != 0) {
    *error = "the machine root has no temp folder";
    return false;
  }
  fs::create_directories(tempHost, ec);
  std::string name = fs::path(arg).stem().string() + ".dll";
  fs::copy_file(arg, fs::path(tempHost) / name, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    *error = "cannot copy " + arg + ": " + ec.message();
    return false;
  }
  *out = u"C:\\Windows\\Temp\\" + kvp::FromUtf8(name);
  return true;
}

// Dialog names: numbers are integer resources, anything else a name.
std::vector<std::u16string> DialogNames(const std::string& list) {
  std::vector<std::u16string> out;
  size_t at = 0;
  while (at <= list.size()) {
    size_t comma = list.find(',', at);
    out.push_back(kvp::FromUtf8(list.substr(at, comma == std::string::npos ? std::string::npos : comma - at)));
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return out;
}

LPCWSTR ResourceName(const std::u16string& s) {
  bool digits = !s.empty() && s.size() <= 5;
  for (char16_t c : s) digits = digits && c >= u'0' && c <= u'9';
  return digits ? MAKEINTRESOURCEW(std::stoi(kvp::ToUtf8(s))) : s.c_str();
}

bool Save(HWND hwnd, const std::string& png, std::string* error) {
  kvp::ui::Picture pic;
  if (!kvp::ui::DrawWindow(hwnd, &pic)) {
    *error = "cannot draw the window (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  if (!kvp::ui::WritePng(pic, png, error)) return false;
  std::printf("wrote %s (%d x %d)\n", png.c_str(), pic.width, pic.height);
  return true;
}

int ShowSheet(HMODULE module, const std::vector<std::u16string>& names, const std::string& png);

int ShowDialog(HMODULE module, const std::u16string& name, const std::string& png) {
  HWND dlg = CreateDialogParamW(module, ResourceName(name), nullptr, nullptr, 0);
  // A page template (a child dialog) is shown as the one page of a sheet.
  if (!dlg && GetLastError() == ERROR_TLW_WITH_WSCHILD) return ShowSheet(module, {name}, png);
  if (!dlg) return kvhost::Failed("no dialog " + kvp::ToUtf8(name) + " in the module (error " + std::to_string(GetLastError()) + ")");
  ShowWindow(dlg, SW_SHOW);
  std::string error;
  bool ok = Save(dlg, png, &error);
  DestroyWindow(dlg);
  return ok ? kvhost::kExitDone : kvhost::Failed(error);
}

int ShowSheet(HMODULE module, const std::vector<std::u16string>& names, const std::string& png) {
  std::vector<PROPSHEETPAGEW> pages(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    pages[i] = PROPSHEETPAGEW{};
    pages[i].dwSize = sizeof(PROPSHEETPAGEW);
    pages[i].hInstance = module;
    pages[i].pszTemplate = ResourceName(names[i]);
  }
  PROPSHEETHEADERW h{};
  h.dwSize = sizeof h;
  h.dwFlags = PSH_PROPSHEETPAGE | PSH_HASHELP;
  h.hInstance = module;
  h.pszCaption = u"Properties";
  h.nPages = UINT(pages.size());
  h.ppsp = pages.data();
  std::string error;
  bool drawn = false;
  kvp::ui::ScriptCall([&] { drawn = Save(GetActiveWindow(), png, &error); });
  kvp::ui::ScriptPressCancel();
  INT_PTR r = PropertySheetW(&h);
  kvp::ui::ScriptReset();
  if (r < 0 && !drawn) return kvhost::Failed("cannot build the sheet (error " + std::to_string(GetLastError()) + ")");
  return drawn ? kvhost::kExitDone : kvhost::Failed(error);
}

int RunUi(const std::vector<std::string>& args) {
  if (args.size() < 3 || args[0] != "show") return kvhost::UsageError(kUsage);
  std::string module = args[1], dialogs = args[2], png;
  bool sheet = false;
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--png" && i + 1 < args.size()) png = args[++i];
    else if (args[i] == "--sheet") sheet = true;
    else return kvhost::UsageError(kUsage);
  }
  if (png.empty()) return kvhost::UsageError(kUsage);
  if (int rc = kvhost::CheckRoot()) return rc;
  std::u16string path;
  std::string error;
  if (!MachineModule(module, &path, &error)) return kvhost::Failed(error);
  HMODULE m = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!m) return kvhost::Failed("cannot load " + module + " (error " + std::to_string(GetLastError()) + ")");
  auto names = DialogNames(dialogs);
  int code = sheet || names.size() > 1 ? ShowSheet(m, names, png) : ShowDialog(m, names[0], png);
  FreeLibrary(m);
  return code;
}

}  // namespace

KVHOST_COMMAND_ROOT("ui",
               "  ui show MODULE DIALOG[,DIALOG...] [--sheet] --png OUT.png\n"
               "                           write a picture of a dialog (several: a property sheet of them).\n"
               "                           MODULE is a resource library: a machine path such as the installed\n"
               "                           C:\\Windows\\System32\\spool\\drivers\\x64\\3\\KV8350us.DLL, or a built\n"
               "                           file such as build-run/modules/kvres_sheets.so; DIALOG is a dialog's\n"
               "                           number (or the name its resource script gives it as text), e.g.\n"
               "                           ui show build-run/modules/kvres_sheets.so 110,111 --png sheet.png",
               RunUi, kvhost::RootUse::kChecksItself);
