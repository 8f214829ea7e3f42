// kvhost exc PRINTER CALL [ARGS] [CALL [ARGS]]...: stands in for an outside program that exchanges a
// printer's settings as PJL SET text. It loads the settings-and-constraints library as `kvhost api` does,
// binds the Exc exports by name, takes one exclusion handle and runs the calls in order, printing each
// result code with its meaning and the text it returned.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "command.h"
#include "kvdrvexc.h"
#include "kvplat/module.h"
#include "kvplat/text.h"

namespace {

constexpr char kUsage[] =
    "exc PRINTER CALL [ARGS] [CALL [ARGS]]...   run exclusion-interface calls on one handle; calls:\n"
    "        ini                      the path of the printer's driver INI\n"
    "        devmode [--out FILE]     the printer's default DEVMODE in ANSI form\n"
    "        base FILE                install a command base: a text file of PJL SET lines\n"
    "        update NAME=VALUE        change one command (sent as \"@PJL SET NAME = VALUE \")\n"
    "        change                   the change list the last base or update left\n"
    "        show-base                the current command base\n"
    "        values NAME [--available]  the values a command may take (only those available now)\n"
    "        options NAME             the values a printer option admits\n"
    "        value NAME               a printer value\n"
    "        watermarks text|image    the stored watermarks as SET lines";

struct Exports {
  decltype(&ExcGetIniFileName) iniFileName;
  decltype(&ExcGetDriverDevmode) driverDevmode;
  decltype(&ExcGetExclusive) getExclusive;
  decltype(&ExcFreeExclusive) freeExclusive;
  decltype(&ExcGetPrinterOption) printerOption;
  decltype(&ExcGetPrinterValue) printerValue;
  decltype(&ExcGetWaterMarkList) waterMarkList;
  decltype(&ExcSetCommandBase) setBase;
  decltype(&ExcGetCommandBase) getBase;
  decltype(&ExcUpdateCommand) update;
  decltype(&ExcGetCommandChange) change;
  decltype(&ExcGetCommandValue) commandValue;
};

const char* Meaning(int result, bool changeCall) {
  switch (result) {
    case 0: return "done";
    case 1: return changeCall ? "change list waiting" : "buffer too small";
    case -1: return "failed";
    case -2: return "bad or incomplete command base";
  }
  return "unknown";
}

// A text answer: asked once for its size, then fetched. The result of the second call (or the first
// when it gave no text) and the bytes.
template <typename Call>
int Fetch(Call call, std::vector<char>* out) {
  int32_t needed = 0;
  int r = call(0, nullptr, &needed);
  if (r != 1 || needed <= 0) return r;
  out->assign(size_t(needed), '\0');
  return call(needed, out->data(), &needed);
}

// Prints a text as its lines (SET lines without their CR LF), or a list as its items, indented.
void PrintText(const std::vector<char>& text, bool list) {
  size_t i = 0;
  while (i < text.size() && text[i]) {
    std::string item(&text[i]);
    i += item.size() + 1;
    if (list) {
      std::printf("  %s\n", item.c_str());
      continue;
    }
    size_t start = 0;
    while (start < item.size()) {
      size_t end = item.find("\r\n", start);
      std::string line = item.substr(start, end == std::string::npos ? std::string::npos : end - start);
      std::printf("  %s\n", line.c_str());
      if (end == std::string::npos) break;
      start = end + 2;
    }
    if (i < text.size() && text[i]) std::printf("  --\n");  // the next watermark's block
  }
}

void Report(const std::string& call, int r, bool changeCall = false) {
  std::printf("%s: %d (%s)\n", call.c_str(), r, Meaning(r, changeCall));
}

// The text of a file with every line end sent as CR LF.
std::string WithCrLf(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    if (bytes[i] == '\n') out += '\r';
    out += bytes[i];
  }
  return out;
}

// Binds every export of the table by name; false (naming the first missing one) when one is missing.
bool BindAll(HMODULE m, Exports* x) {
  const struct {
    const char* name;
    void* slot;
  } table[] = {
      {"ExcGetIniFileName", &x->iniFileName},     {"ExcGetDriverDevmode", &x->driverDevmode},
      {"ExcGetExclusive", &x->getExclusive},      {"ExcFreeExclusive", &x->freeExclusive},
      {"ExcGetPrinterOption", &x->printerOption}, {"ExcGetPrinterValue", &x->printerValue},
      {"ExcGetWaterMarkList", &x->waterMarkList}, {"ExcSetCommandBase", &x->setBase},
      {"ExcGetCommandBase", &x->getBase},         {"ExcUpdateCommand", &x->update},
      {"ExcGetCommandChange", &x->change},        {"ExcGetCommandValue", &x->commandValue},
  };
  for (const auto& e : table) {
    FARPROC f = GetProcAddress(m, e.name);
    if (!f) {
      std::fprintf(stderr, "kvhost: %s is not exported by the library\n", e.name);
      return false;
    }
    std::memcpy(e.slot, &f, sizeof f);
  }
  return true;
}

// Runs one call at args[i] (i moves past its arguments); the exit code, or kExitUsage.
int RunCall(const Exports& x, EXC_HANDLE h, const std::string& printer, const std::vector<std::string>& args,
            size_t& i) {
  const std::string call = args[i++];
  auto argument = [&](std::string* a) {
    if (i >= args.size()) return false;
    *a = args[i++];
    return true;
  };
  std::string a;
  std::vector<char> text;
  if (call == "ini") {
    int r = Fetch([&](int32_t s, char* b, int32_t* n) { return x.iniFileName(printer.c_str(), s, b, n); }, &text);
    Report(call, r);
    PrintText(text, true);
  } else if (call == "devmode") {
    std::string out;
    if (i < args.size() && args[i] == "--out") {
      if (i + 1 >= args.size()) return kvhost::UsageError("--out needs a file");
      out = args[i + 1];
      i += 2;
    }
    API_DRIVER_DEVMODEA dm{};
    int32_t needed = 0;
    int r = x.driverDevmode(printer.c_str(), API_DEVMODE_DEFAULTS, sizeof dm, &dm, &needed);
    Report(call, r);
    if (r != 0) return kvhost::kExitFailed;
    std::printf("  %d bytes: device \"%.31s\", form \"%.31s\", paper %d, orientation %s, copies %d\n", needed,
                dm.pub.dmDeviceName, dm.pub.dmFormName, dm.pub.dmPaperSize,
                dm.pub.dmOrientation == 2 ? "landscape" : "portrait", dm.pub.dmCopies);
    if (!out.empty()) {
      std::string host;
      if (!kvhost::HostPathOf(out, &host)) return kvhost::Failed("cannot write " + out);
      std::ofstream f(host, std::ios::binary | std::ios::trunc);
      f.write(reinterpret_cast<const char*>(&dm), needed);
      if (!f) return kvhost::Failed("cannot write " + out);
      std::printf("  written to %s\n", out.c_str());
    }
  } else if (call == "base") {
    if (!argument(&a)) return kvhost::UsageError("base needs a file of SET lines");
    std::string bytes, error;
    if (!kvhost::ReadHostFile(a, &bytes, &error)) return kvhost::Failed(error);
    int32_t changeSize = 0;
    Report(call + " " + a, x.setBase(h, WithCrLf(bytes).c_str(), &changeSize), true);
  } else if (call == "update") {
    size_t eq = i < args.size() ? args[i].find('=') : std::string::npos;
    if (eq == std::string::npos) return kvhost::UsageError("update needs NAME=VALUE");
    a = args[i++];
    std::string line = "@PJL SET " + a.substr(0, eq) + " = " + a.substr(eq + 1) + " \r\n";
    int32_t changeSize = 0;
    Report(call + " " + a, x.update(h, line.c_str(), &changeSize), true);
  } else if (call == "change") {
    int r = Fetch([&](int32_t s, char* b, int32_t* n) { return x.change(h, s, b, n); }, &text);
    Report(call, r);
    PrintText(text, false);
  } else if (call == "show-base") {
    int r = Fetch([&](int32_t s, char* b, int32_t* n) { return x.getBase(h, s, b, n); }, &text);
    Report(call, r);
    PrintText(text, false);
  } else if (call == "values") {
    if (!argument(&a)) return kvhost::UsageError("values needs a command name");
    int only = i < args.size() && args[i] == "--available";
    if (only) ++i;
    int r = Fetch([&](int32_t s, char* b, int32_t* n) { return x.commandValue(h, a.c_str(), only, s, b, n); }, &text);
    Report(call + " " + a + (only ? " --available" : ""), r);
    PrintText(text, true);
  } else if (call == "options") {
    if (!argument(&a)) return kvhost::UsageError("options needs a printer option name");
    int r = Fetch([&](int32_t s, char* b, int32_t* n) { return x.printerOption(h, a.c_str(), s, b, n); }, &text);
    Report(call + " " + a, r);
    PrintText(text, true);
  } else if (call == "value") {
    if (!argument(&a)) return kvhost::UsageError("value needs a printer value name");
    int r = Fetch([&](int32_t s, char* b, int32_t* n) { return x.printerValue(h, a.c_str(), s, b, n); }, &text);
    Report(call + " " + a, r);
    PrintText(text, true);
  } else if (call == "watermarks") {
    if (!argument(&a) || (a != "text" && a != "image")) return kvhost::UsageError("watermarks needs text or image");
    int kind = a == "image" ? 1 : 0;
    int r = Fetch([&](int32_t s, char* b, int32_t* n) { return x.waterMarkList(h, kind, s, b, n); }, &text);
    Report(call + " " + a, r);
    PrintText(text, false);
  } else {
    return kvhost::UsageError("unknown call '" + call + "'");
  }
  return kvhost::kExitDone;
}

int RunExc(const std::vector<std::string>& args) {
  if (args.size() < 2) return kvhost::UsageError("usage: kvhost " + std::string(kUsage));
  const std::string& printer = args[0];
  std::u16string path;
  std::string error;
  if (!kvhost::SettingsLibraryPath(printer, &path, &error)) return kvhost::Failed(error);
  HMODULE lib = LoadLibraryW(path.c_str());
  if (!lib) return kvhost::Failed("cannot load " + kvp::ToUtf8(path) + " (run kvhost setup)");
  Exports x{};
  bool bound = BindAll(lib, &x);
  if (!bound) {
    FreeLibrary(lib);
    return kvhost::kExitFailed;
  }
  EXC_HANDLE h = x.getExclusive(printer.c_str());
  if (!h) {
    FreeLibrary(lib);
    return kvhost::Failed("cannot take an exclusion handle on '" + printer + "'");
  }
  int rc = kvhost::kExitDone;
  for (size_t i = 1; i < args.size();) {
    int r = RunCall(x, h, printer, args, i);
    if (r == kvhost::kExitUsage) {
      rc = r;
      break;
    }
    if (r != kvhost::kExitDone) rc = r;
  }
  x.freeExclusive(h);
  FreeLibrary(lib);
  return rc;
}

}  // namespace

KVHOST_COMMAND("exc", kUsage, RunExc);
