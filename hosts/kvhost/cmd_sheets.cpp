// kvhost ui document|device PRINTER: the document sheet (DocumentPropertiesW with a prompt, as an
// application asks for it) or the device sheet (PrinterProperties, as the printers folder asks for it),
// run headless and driven by an input script. Prints the pages the sheet got, every message box shown,
// how the sheet ended, and for the document sheet the settings that changed.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "input_script.h"
#include "kvplat/devmode.h"
#include "kvplat/error.h"
#include "kvplat/propsheet.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvplat/uiscript.h"
#include "kvplat/window.h"

namespace kvhost {

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "usage: kvhost ui document PRINTER [--script FILE] [--out FILE] [--png-dir DIR]\n"
    "       kvhost ui device PRINTER [--script FILE] [--png-dir DIR]";

// The service's call log: the sheet's end is its last "sheet -> N" line written during the call.
std::string ServiceLog() { return kvp::MachineRoot() + "/companions/compstui.log"; }

uintmax_t LogSize() {
  std::error_code ec;
  fs::create_directories(fs::path(ServiceLog()).parent_path(), ec);
  uintmax_t n = fs::file_size(ServiceLog(), ec);
  return ec ? 0 : n;
}

// -2 when the service showed no sheet during the call, else its sheet's answer (1 OK, 0 cancelled,
// -1 failed).
int SheetEnd(uintmax_t from) {
  std::ifstream f(ServiceLog(), std::ios::binary);
  if (!f) return -2;
  f.seekg(std::streamoff(from));
  int end = -2;
  for (std::string line; std::getline(f, line);)
    if (line.rfind("sheet -> ", 0) == 0) end = std::atoi(line.c_str() + 9);
  return end;
}

// Runs the message queue dry without taking scripted actions (a filtered peek never takes one).
void Pump() {
  MSG m;
  for (int i = 0; i < 10000 && PeekMessageW(&m, nullptr, 1, 0xFFFFFFFFu, PM_REMOVE); ++i) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

struct Shown {
  std::vector<int> pages;
  std::vector<std::string> pictures;
  std::string error;
};

// At the sheet's first wait: the pages it got, and a picture of each as it first shows it.
void LookAtSheet(const std::string& dir, Shown* shown) {
  HWND sheet = GetActiveWindow();
  shown->pages = kvp::ui::SheetPageIds(sheet);
  if (dir.empty() || shown->pages.empty()) return;
  std::error_code ec;
  fs::create_directories(dir, ec);
  for (size_t i = 0; i < shown->pages.size(); ++i) {
    SendMessageW(sheet, PSM_SETCURSEL, WPARAM(i), 0);
    Pump();
    kvp::ui::Picture pic;
    std::string png = (fs::path(dir) / (std::to_string(shown->pages[i]) + ".png")).string(), error;
    if (!kvp::ui::DrawWindow(sheet, &pic) || !kvp::ui::WritePng(pic, png, &error)) {
      if (shown->error.empty()) shown->error = "cannot write " + png + (error.empty() ? "" : ": " + error);
      continue;
    }
    shown->pictures.push_back(png + " (" + std::to_string(pic.width) + " x " + std::to_string(pic.height) + ")");
  }
  SendMessageW(sheet, PSM_SETCURSEL, 0, 0);
  Pump();
}

struct Field {
  const char* name;
  size_t offset, size;
};
#define KV_FIELD(f) {#f, offsetof(DEVMODEW, f), sizeof(DEVMODEW::f)}
constexpr Field kFields[] = {KV_FIELD(dmOrientation), KV_FIELD(dmPaperSize),    KV_FIELD(dmPaperLength),
                             KV_FIELD(dmPaperWidth),  KV_FIELD(dmScale),        KV_FIELD(dmCopies),
                             KV_FIELD(dmDefaultSource), KV_FIELD(dmPrintQuality), KV_FIELD(dmColor),
                             KV_FIELD(dmDuplex),      KV_FIELD(dmYResolution),  KV_FIELD(dmCollate),
                             KV_FIELD(dmMediaType)};
#undef KV_FIELD

long FieldValue(const std::vector<BYTE>& dm, const Field& f) {
  if (dm.size() < f.offset + f.size) return 0;
  if (f.size == 2) {
    int16_t v;
    std::memcpy(&v, dm.data() + f.offset, 2);
    return v;
  }
  int32_t v;
  std::memcpy(&v, dm.data() + f.offset, 4);
  return v;
}

// The printer's DEVMODE (its stored document settings), empty when it has none.
std::vector<BYTE> PrinterDevmode(HANDLE printer) {
  DWORD need = 0;
  GetPrinterW(printer, 2, nullptr, 0, &need);
  std::vector<BYTE> info(need ? need : 1);
  if (!need || !GetPrinterW(printer, 2, info.data(), need, &need)) return {};
  const DEVMODEW* dm = reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode;
  if (!dm) return {};
  size_t bytes = size_t(dm->dmSize) + dm->dmDriverExtra;
  const BYTE* p = reinterpret_cast<const BYTE*>(dm);
  return std::vector<BYTE>(p, p + bytes);
}

int RunSheet(bool document, const std::vector<std::string>& args) {
  if (args.empty() || args[0].rfind("--", 0) == 0) return UsageError(kUsage);
  std::string printerName = args[0], scriptFile, out, dir;
  for (size_t i = 1; i < args.size(); ++i) {
    if (i + 1 < args.size() && args[i] == "--script") scriptFile = args[++i];
    else if (i + 1 < args.size() && args[i] == "--png-dir") dir = args[++i];
    else if (document && i + 1 < args.size() && args[i] == "--out") out = args[++i];
    else return UsageError(kUsage);
  }
  if (int rc = CheckRoot()) return rc;
  input::Script script;
  if (int rc = LoadUiScript(scriptFile, &script)) return rc;
  HANDLE printer = nullptr;
  if (int rc = OpenPrinterFully(printerName, &printer)) return rc;
  std::u16string name = kvp::FromUtf8(printerName);
  std::vector<BYTE> in = document ? PrinterDevmode(printer) : std::vector<BYTE>{};
  std::vector<BYTE> outDm(std::max<size_t>(in.size(), 4096), 0);

  kvp::ui::ScriptReset();
  kvp::ui::ClearLogs();
  Shown shown;
  kvp::ui::ScriptCall([&] { LookAtSheet(dir, &shown); });
  auto progress = std::make_shared<input::Progress>();
  input::Queue(script, progress);
  kvp::ui::ScriptPressCancel();  // a script that does not end the sheet cancels it
  uintmax_t logFrom = LogSize();
  LONG answer = 0;
  DWORD error = ERROR_SUCCESS;
  if (document) {
    DWORD mode = DM_IN_PROMPT | DM_OUT_BUFFER | (in.empty() ? 0 : DM_IN_BUFFER);
    answer = DocumentPropertiesW(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(outDm.data()),
                                 in.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(in.data()), mode);
  } else {
    answer = PrinterProperties(nullptr, printer) ? 1 : 0;
  }
  if (answer < 0 || (!document && !answer)) error = GetLastError();
  std::string failure = input::Failure(*progress);
  kvp::ui::ScriptReset();

  std::printf("pages:");
  for (int id : shown.pages) std::printf(" %d", id);
  std::printf("%s\n", shown.pages.empty() ? " none" : "");
  for (const std::string& p : shown.pictures) std::printf("wrote %s\n", p.c_str());
  for (const std::string& n : progress->notes) std::printf("%s\n", n.c_str());
  for (const kvp::ui::MessageBoxRecord& m : kvp::ui::MessageBoxLog())
    std::printf("message box: %s | %s -> %d\n", kvp::ToUtf8(m.caption).c_str(), kvp::ToUtf8(m.text).c_str(), m.answer);
  int end = SheetEnd(logFrom);
  if (end == 1) std::printf("sheet: OK\n");
  else if (end == 0) std::printf("sheet: cancelled\n");
  else std::printf("sheet: failed (error %lu)\n", (unsigned long)(error ? error : GetLastError()));
  int code = end >= 0 ? kExitDone : kExitFailed;
  if (document) {
    std::printf("answer: %ld (%s)\n", (long)answer, answer == IDOK ? "IDOK" : answer == IDCANCEL ? "IDCANCEL" : "failed");
    if (answer == IDOK) {
      const DEVMODEW* dm = reinterpret_cast<const DEVMODEW*>(outDm.data());
      size_t bytes = std::min(outDm.size(), size_t(dm->dmSize) + dm->dmDriverExtra);
      outDm.resize(bytes);
      for (const Field& f : kFields)
        if (FieldValue(in, f) != FieldValue(outDm, f))
          std::printf("%s: %ld -> %ld\n", f.name, FieldValue(in, f), FieldValue(outDm, f));
      if (!out.empty()) {
        std::string host;
        if (!HostPathOf(out, &host)) return Failed("cannot map " + out);
        std::ofstream f(host, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(outDm.data()), std::streamsize(outDm.size()));
        if (!f) return Failed("cannot write " + out);
        std::printf("wrote %s (%zu bytes)\n", out.c_str(), outDm.size());
      }
    }
  }
  ClosePrinter(printer);
  if (!shown.error.empty()) return Failed(shown.error);
  if (!failure.empty()) return Failed(scriptFile + ": " + failure);
  return code;
}

}  // namespace

int RunDocumentSheet(const std::vector<std::string>& args) { return RunSheet(true, args); }

std::vector<std::string> SheetArguments(const std::string& printer, const std::vector<std::string>& rest,
                                        const std::string& drop) {
  std::vector<std::string> out{printer};
  for (const std::string& a : rest)
    if (a != drop) out.push_back(a == "--pictures" ? "--png-dir" : a);
  return out;
}
int RunDeviceSheet(const std::vector<std::string>& args) { return RunSheet(false, args); }

int LoadUiScript(const std::string& file, input::Script* out) {
  if (file.empty()) return kExitDone;
  std::string text, error;
  if (!ReadHostFile(file, &text, &error)) return Failed(error);
  if (!input::Parse(text, out, &error)) return Failed(file + ": " + error);
  return kExitDone;
}

int OpenPrinterFully(const std::string& name, void** printer) {
  std::u16string wide = kvp::FromUtf8(name);
  PRINTER_DEFAULTSW def{nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (OpenPrinterW(wide.data(), printer, &def)) return kExitDone;
  DWORD e = GetLastError();
  return Failed("no printer '" + name + "' (error " + std::to_string(e) + ")");
}

}  // namespace kvhost
