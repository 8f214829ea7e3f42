// kvhost ui show MODULE DIALOG[,DIALOG...] --png OUT.png: shows a dialog of a resource module headless and
// writes its picture. Several dialog ids (or --sheet, or a page template) show them as the pages of a
// property sheet instead.
// MODULE is a machine path ("C:\...") or a host file, which is copied into the machine's temp folder first.
// A dialog is named by its number, by the text name its resource script gives it, or by the model's
// symbolic dialog name from the dialog table (kvhost ui names lists them).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "command.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/paint.h"
#include "kvplat/propsheet.h"
#include "kvplat/resource.h"
#include "kvplat/controls.h"
#include "kvplat/root.h"
#include "kvplat/text.h"
#include "kvplat/uiscript.h"
#include "kvplat/window.h"
#include "settings/item_records.h"

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "usage: kvhost ui show MODULE DIALOG[,DIALOG...] [--sheet] --png OUT.png\n"
    "       kvhost ui show MODULE --all --png-dir DIR\n"
    "       kvhost ui document|device PRINTER [--script FILE] [--out FILE] [--png-dir DIR]\n"
    "       kvhost ui names\n"
    "       kvhost ui dialog PRINTER DIALOG [--device] [--mode N] [--script FILE] [--png OUT.png]";

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

// A dialog named by text that the module does not name so: the dialog table's symbolic name of the
// model's dialog (QDV_IDD_PRESET), whose id is the template's number in the model's resource libraries.
std::u16string ByTableName(HMODULE module, const std::u16string& name) {
  if (IS_INTRESOURCE(ResourceName(name)) || FindResourceW(module, name.c_str(), RT_DIALOG)) return name;
  const DIALOG_DESC* d = StgTableFindDialogByName(StgGetTemplateDialogTable(), kvp::ToUtf8(name).c_str());
  return d ? kvp::FromUtf8(std::to_string(d->id)) : name;
}

// The dialog table's symbolic names with their ids, in table order.
int ListNames() {
  const DIALOG_TABLE* t = StgGetTemplateDialogTable();
  for (int i = 0; i < t->count; ++i)
    if (t->rows[i].name && t->rows[i].name[0]) std::printf("%u %s\n", unsigned(t->rows[i].id), t->rows[i].name);
  return kvhost::kExitDone;
}

// The size of the last picture written; --all prints it on its own line instead of Save's line.
struct {
  int width = 0, height = 0;
  bool quiet = false;
} gLastPicture;

bool Save(HWND hwnd, const std::string& png, std::string* error) {
  kvp::ui::Picture pic;
  if (!kvp::ui::DrawWindow(hwnd, &pic)) {
    *error = "cannot draw the window (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  if (!kvp::ui::WritePng(pic, png, error)) return false;
  gLastPicture.width = pic.width;
  gLastPicture.height = pic.height;
  if (!gLastPicture.quiet) std::printf("wrote %s (%d x %d)\n", png.c_str(), pic.width, pic.height);
  return true;
}

int ShowSheet(HMODULE module, const std::vector<std::u16string>& names, const std::string& png);

// Owner-drawn buttons are drawn by the driver at run time; in a picture of the bare template they
// show their text in a frame, so a reader still sees what they are.
INT_PTR DrawOwnerDrawn(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_DRAWITEM || !lp) return FALSE;
  auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
  if (dis->CtlType != ODT_BUTTON) return FALSE;
  WCHAR text[256] = {};
  GetWindowTextW(dis->hwndItem, text, 256);
  RECT r = dis->rcItem;
  FillRect(dis->hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  FrameRect(dis->hDC, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
  SetBkMode(dis->hDC, TRANSPARENT);
  DrawTextW(dis->hDC, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  return TRUE;
}

int ShowDialog(HMODULE module, const std::u16string& name, const std::string& png) {
  HWND dlg = CreateDialogParamW(module, ResourceName(name), nullptr, DrawOwnerDrawn, 0);
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
    pages[i].pfnDlgProc = DrawOwnerDrawn;
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

// The number of controls of a dialog template, -1 when it cannot be read.
int ControlCount(HMODULE module, WORD id) {
  HRSRC r = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
  kvp::DialogDesc d;
  if (!r || !kvp::DecodeDialogTemplate(LockResource(LoadResource(module, r)), SizeofResource(module, r), &d)) return -1;
  return int(d.items.size());
}

BOOL CollectDialogId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<WORD>*>(param)->push_back(WORD(ULONG_PTR(name)));
  return TRUE;
}

// Every dialog of the module, one picture a dialog named by its id, one line each.
int ShowAll(HMODULE module, const std::string& module_name, const std::string& dir) {
  std::vector<WORD> ids;
  if (!EnumResourceNamesW(module, RT_DIALOG, CollectDialogId, reinterpret_cast<LONG_PTR>(&ids))) {
    if (GetLastError() != ERROR_RESOURCE_TYPE_NOT_FOUND) return kvhost::Failed(module_name + " is not a resource library");
    return kvhost::Failed(module_name + " holds no dialogs");
  }
  if (ids.empty()) return kvhost::Failed(module_name + " holds no dialogs");
  std::error_code ec;
  fs::create_directories(dir, ec);
  int failed = 0;
  gLastPicture.quiet = true;
  for (WORD id : ids) {
    std::string png = (fs::path(dir) / (std::to_string(id) + ".png")).string();
    std::u16string name = kvp::FromUtf8(std::to_string(id));
    if (ShowDialog(module, name, png) != kvhost::kExitDone) {
      ++failed;
      continue;
    }
    std::printf("%u %dx%d %d controls %s\n", unsigned(id), gLastPicture.width, gLastPicture.height,
                ControlCount(module, id), png.c_str());
  }
  gLastPicture.quiet = false;
  std::printf("%zu dialogs, %d failed\n", ids.size(), failed);
  return failed ? kvhost::kExitFailed : kvhost::kExitDone;
}

int RunUi(const std::vector<std::string>& args) {
  if (!args.empty() && (args[0] == "document" || args[0] == "device")) {
    std::vector<std::string> rest(args.begin() + 1, args.end());
    return args[0] == "document" ? kvhost::RunDocumentSheet(rest) : kvhost::RunDeviceSheet(rest);
  }
  if (!args.empty() && args[0] == "dialog") return kvhost::RunDialogCommand(std::vector<std::string>(args.begin() + 1, args.end()));
  if (!args.empty() && args[0] == "names") return args.size() == 1 ? ListNames() : kvhost::UsageError(kUsage);
  if (args.size() >= 3 && args[0] == "show" && args[2] == "--all") {
    if (args.size() != 5 || args[3] != "--png-dir") return kvhost::UsageError(kUsage);
    std::u16string path;
    std::string error;
    if (!MachineModule(args[1], &path, &error)) return kvhost::Failed(error);
    HMODULE m = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!m) return kvhost::Failed(args[1] + " is not a resource library (error " + std::to_string(GetLastError()) + ")");
    int code = ShowAll(m, args[1], args[4]);
    FreeLibrary(m);
    return code;
  }
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
  for (auto& n : names) n = ByTableName(m, n);
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
               "                           number, the name its resource script gives it as text, or the\n"
               "                           model's symbolic dialog name that `ui names` lists, e.g.\n"
               "                           ui show build-run/modules/kvres_sheets.so 110,111 --png sheet.png\n"
               "                           ui show build-run/modules/KV8350us.so QDV_IDD_PRESET --png page.png\n"
               "  ui show MODULE --all --png-dir DIR\n"
               "                           write a picture of every dialog of the module, named by its id\n"
               "  ui document PRINTER [--script FILE] [--out FILE] [--png-dir DIR]\n"
               "                           the document sheet as an application opens it (DocumentPropertiesW\n"
               "                           with a prompt), driven by the input script (none: cancelled); prints\n"
               "                           its pages, message boxes, how it ended and the settings that changed;\n"
               "                           --out writes the DEVMODE, --png-dir a picture of each page (ID.png)\n"
               "  ui device PRINTER [--script FILE] [--png-dir DIR]\n"
               "                           the device sheet as the printers folder opens it (PrinterProperties)\n"
               "  ui names                 list the model's dialogs: id and symbolic name, one a line\n"
               "  ui dialog PRINTER DIALOG [--device] [--mode N] [--script FILE] [--png OUT.png]\n"
               "                           one driver dialog opened as the sheets open it (mode 4, or the\n"
               "                           nested-sheet mode given), driven by the input script (none:\n"
               "                           cancelled); prints how it ended (accepted or rolled back), the\n"
               "                           message boxes and every setting that changed (name: old -> new)",
               RunUi, kvhost::RootUse::kChecksItself);
