// kvhost api PRINTER CALL [ARGS] [CALL [ARGS]]...: stands in for an outside program of the maker. It loads
// the settings-and-constraints library from the printer's driver folder under the name the model INI gives
// ([DriversFileName] DriverEDFileName), looks its exports up by name, opens one connection and runs the calls
// in order, printing each answer.
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "api_caps_print.h"
#include "command.h"
#include "kvdrvexc.h"
#include "kvplat/module.h"
#include "kvplat/profile.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"

namespace {

constexpr char kUsage[] =
    "api PRINTER CALL [ARGS] [CALL [ARGS]]...   run driver-API calls on one connection; calls:\n"
    "        version                  the model's highest API version\n"
    "        init N                   agree API version N\n"
    "        error                    the connection's last error\n"
    "        devmode [defaults|rebuild|refresh] [+query] [+notify] [+presets] [--out FILE]\n"
    "                                 the connection's DEVMODE (when no branch is named: refresh after\n"
    "                                 a status set of this run, else defaults)\n"
    "        get ID [--version N]     a status item's record: its fields by name, version and size\n"
    "        set ID FIELD=VALUE... [--version N] [--mode N]\n"
    "                                 set a status item (fields: value; 1 path; 7, 8 code width length\n"
    "                                 orientation; 28 rotation mode nuplayout booklayout; 10 method flags\n"
    "                                 userid jobpassword4 jobpassword storedpassword owner document merge\n"
    "                                 overlay shared...; 26 userid; 35 cyan magenta yellow black; 39-42,\n"
    "                                 46, 267, 269 value; 43 red green blue; 50 sub value size text;\n"
    "                                 56 number; 59 user password; 60 mode key; 63 tray; 262 printmacro\n"
    "                                 balancemacro usermacro use; 264 value on; lengths in the\n"
    "                                 printer's display unit) and list the other items it changed\n"
    "                                 orientation; 28 rotation mode nuplayout booklayout; lengths in the\n"
    "                                 printer's display unit; 16 kind text font size angle position path...;\n"
    "                                 17 number on; 67 on operation row first kind tray print last; the\n"
    "                                 function items type value2-4 on) and list the other items it changed"
    "        merge FILE [--out FILE]  merge a DEVMODE file into the settings\n"
    "        save-quality | restore-quality";

struct Exports {
  decltype(&ZARNDrvCheckAPIVer) checkVersion;
  decltype(&ZARNDrvEnable) enable;
  decltype(&ZARNDrvInit) init;
  decltype(&ZARNDrvDisable) disable;
  decltype(&ZARNDrvGetLastError) lastError;
  decltype(&ZARNDrvGetDevmode) getDevmode;
  decltype(&ZARNDrvGetDevmodeEx) getDevmodeEx;
  decltype(&ZARNDrvSaveQualityData) saveQuality;
  decltype(&ZARNDrvRestoreQualityData) restoreQuality;
  decltype(&ZARNDrvGetCaps) getCaps;
  decltype(&ZARNDrvSetStatus) setStatus;
  decltype(&ZARNDrvGetStatus) getStatus;
};

// The fields of a status record by name: a u32 at an offset, or an ANSI text of a width.
struct RecordField {
  const char* name;
  int offset;
  int textBytes;  // 0: u32; kI16: a signed 16-bit value
};
constexpr int kI16 = -2;
struct RecordLayout {
  uint32_t id;
  int size;
  std::vector<RecordField> fields;
};
const RecordLayout* FindLayout(uint32_t id) {
  static const std::vector<RecordLayout> layouts = [] {
    std::vector<RecordLayout> l;
    l.push_back({1, (int)sizeof(API_PRESET_FILE_RECORD),
                 {{"path", 4, 260}, {"name", 264, 37}, {"comment", 301, 513}}});
    RecordField paper[] = {{"code", 4, 0}, {"width", 8, 0}, {"length", 12, 0}, {"orientation", 16, 0}};
    l.push_back({7, 32, {paper, paper + 4}});
    l.push_back({8, 32, {paper, paper + 4}});
    l.push_back({28, 32, {{"rotation", 4, 0}, {"mode", 8, 0}, {"nuplayout", 12, 0}, {"booklayout", 16, 0}}});
    for (uint32_t id : {2, 3, 4, 5, 6, 9, 22, 23, 24, 25, 27, 29, 30, 31, 32, 33, 45})
      l.push_back({id, 32, {{"value", 4, 0}}});
    l.push_back({10, (int)sizeof(API_PRINT_METHOD_RECORD),
                 {{"method", 4, 0}, {"flags", 8, 0}, {"userid", 12, 9}, {"jobpassword4", 21, 5},
                  {"storedpassword4", 26, 5}, {"owner", 31, 17}, {"document", 48, 17}, {"merge", 65, 65},
                  {"overlay", 130, 260}, {"jobpassword", 390, 9}, {"storedpassword", 399, 9},
                  {"holddocument", 408, 17}, {"savedocument", 425, 17}, {"savepassword", 442, 9},
                  {"printsavedocument", 451, 17}, {"printsavepassword", 468, 9}, {"shared", 480, 0}}});
    l.push_back({26, (int)sizeof(API_USER_ID_RECORD), {{"flags", 8, 0}, {"userid", 12, 9}}});
    for (uint32_t id : {34, 38, 48, 49, 52, 53, 57, 61, 69, 72, 73, 74, 75, 76, 77, 78, 257, 263, 265, 266, 268})
      l.push_back({id, 32, {{"value", 4, 0}}});
    l.push_back({35, 32, {{"cyan", 4, 0}, {"magenta", 8, 0}, {"yellow", 12, 0}, {"black", 16, 0}}});
    for (uint32_t id : {39, 40, 41, 42, 46, 267, 269})
      l.push_back({id, 32, {{"value", 8, kI16}, {"text", 10, kI16}, {"line", 12, kI16}, {"image", 14, kI16}}});
    std::vector<RecordField> balance;
    static const char* const kBalanceNames[] = {"red", "green", "blue", "textred", "textgreen", "textblue",
                                                "linered", "linegreen", "lineblue", "imagered", "imagegreen",
                                                "imageblue"};
    for (int n = 0; n < 12; ++n) balance.push_back({kBalanceNames[n], 8 + 2 * n, kI16});
    l.push_back({43, 32, balance});
    l.push_back({50, (int)sizeof(API_JOB_INFO_RECORD),
                 {{"sub", 4, 0}, {"dataversion", 8, 32}, {"value", 24, 0}, {"size", 28, 0}, {"text", 40, 260}}});
    l.push_back({54, 32, {{"mode", 4, 0}}});
    l.push_back({56, (int)sizeof(API_PRESET_NUMBER_RECORD), {{"number", 816, 0}, {"name", 264, 37}, {"comment", 301, 513}}});
    l.push_back({59, (int)sizeof(API_AUTH_USER_RECORD), {{"mode", 4, 0}, {"user", 8, 257}, {"password", 265, 257}}});
    l.push_back({60, (int)sizeof(API_AUTH_SECURE_RECORD), {{"mode", 4, 0}, {"key", 8, 33}}});
    l.push_back({63, (int)sizeof(API_TRAY_INFO_RECORD),
                 {{"tray", 4, 0}, {"paper", 8, 0}, {"orientation", 12, 0}, {"media", 16, 0}, {"lock", 20, 0},
                  {"lengthmax", 24, 0}, {"lengthmin", 28, 0}, {"widthmax", 32, 0}, {"widthmin", 36, 0},
                  {"lengthmax2", 40, 0}, {"lengthmin2", 44, 0}, {"widthmax2", 48, 0}, {"widthmin2", 52, 0}}});
    l.push_back({262, 32, {{"printmacro", 4, 0}, {"balancemacro", 8, 0}, {"usermacro", 12, 0}, {"use", 28, 0}}});
    l.push_back({264, 32, {{"value", 4, 0}, {"on", 28, 0}}});
    RecordField function[] = {{"type", 4, 0}, {"value2", 8, 0}, {"value3", 12, 0}, {"value4", 16, 0}, {"on", 28, 0}};
    for (uint32_t id : {11, 12, 13, 14, 15, 18, 19, 20, 21, 51, 58, 62, 64, 65, 68, 70, 71, 79})
      l.push_back({id, 32, {function, function + 5}});
    l.push_back({17, 32, {{"number", 4, 0}, {"on", 28, 0}}});
    l.push_back({66, 32, {{"value", 4, 0}}});
    l.push_back({16, (int)sizeof(API_WATERMARK_RECORD),
                 {{"kind", 4, 0}, {"position", 8, 0}, {"opaque", 12, 0}, {"page", 16, 0}, {"style", 20, 0},
                  {"effect", 24, 0}, {"colour", 28, 0}, {"density", 32, 0}, {"size", 36, 0}, {"angle", 40, 0},
                  {"text", 44, 33}, {"font", 77, 32}, {"path", 109, 263}, {"pitch", 372, 0}, {"textpattern", 376, 0},
                  {"tilepattern", 380, 0}, {"tilecolour", 384, 0}, {"tiledensity", 388, 0}, {"tilemask", 392, 0},
                  {"tileflags", 396, 0}, {"secret", 400, 0}, {"twoplanes", 412, 0}, {"order", 416, 0}}});
    l.push_back({47, (int)sizeof(API_HEADER_FOOTER_RECORD),
                 {{"flags", 4, 0}, {"font", 8, 32}, {"size", 40, 0}, {"dateposition", 44, 0}, {"dateform", 48, 0},
                  {"pageposition", 52, 0}, {"pageform", 56, 0}, {"stringposition", 60, 0}, {"stringform", 64, 0},
                  {"string", 68, 33}, {"order", 104, 0}}});
    l.push_back({55, (int)sizeof(API_COPY_PROTECT_RECORD),
                 {{"mode", 4, 0}, {"colour", 8, 0}, {"density", 12, 0}, {"mask", 16, 0}, {"switchpattern", 20, 0},
                  {"text", 24, 65}, {"font", 89, 32}, {"size", 124, 0}, {"style", 128, 0}, {"angle", 132, 0},
                  {"position", 136, 0}, {"pitch", 140, 0}, {"reverse", 144, 0}, {"effect", 148, 0}}});
    l.push_back({67, (int)sizeof(API_CHAPTER_RECORD),
                 {{"on", 4, 0}, {"operation", 8, 0}, {"count", 12, 0}, {"row", 16, 0}, {"first", 20, 0},
                  {"kind", 24, 0}, {"tray", 28, 0}, {"print", 32, 0}, {"last", 36, 0}}});
    return l;
  }();
  for (const RecordLayout& l : layouts)
    if (l.id == id) return &l;
  return nullptr;
}

const char* ErrorName(int code) {
  switch (code) {
    case API_ERROR_NONE: return "none";
    case API_ERROR_FLAGS: return "flags not accepted";
    case API_ERROR_UNSUPPORTED: return "not supported";
    case API_ERROR_CAPS_REFUSED: return "capability refused";
    case API_ERROR_NO_INPUT: return "no record";
    case API_ERROR_VERSION: return "record version";
    case API_ERROR_REFUSED: return "refused";
    case API_ERROR_FONT: return "font not installed";
    case API_ERROR_NO_STAMP: return "no stamp";
    case API_ERROR_FILE: return "file refused";
    case API_ERROR_CHARACTERS: return "characters not allowed";
    case API_ERROR_COMBINATION: return "combination not valid";
    case API_ERROR_GENERAL: return "general failure";
    case API_ERROR_USER_QUALITY: return "user quality not selected";
    case API_ERROR_PRESET_LOAD: return "settings file of another version";
    case API_ERROR_TERMINAL_SERVER: return "terminal-server mode";
  }
  return "other";
}

// Takes "--NAME N" options of a call from args[i] on; false when one lacks its number.
bool TakeNumber(const std::vector<std::string>& args, size_t& i, const char* name, long* value) {
  if (i < args.size() && args[i] == name) {
    if (i + 1 >= args.size()) return false;
    *value = std::strtol(args[i + 1].c_str(), nullptr, 0);
    i += 2;
  }
  return true;
}

template <typename F>
bool Bind(HMODULE m, const char* name, F& f) {
  f = reinterpret_cast<F>(GetProcAddress(m, name));
  if (!f) std::fprintf(stderr, "kvhost: %s is not exported by the library\n", name);
  return f != nullptr;
}

const char* PaperName(int code) {
  switch (code) {
    case 1: return "Letter";
    case 5: return "Legal";
    case 8: return "A3";
    case 9: return "A4";
    case 12: return "B4";
    case 17: return "11x17";
    case 256: return "custom";
  }
  return "";
}

void PrintDevmode(const API_DRIVER_DEVMODEW& dm) {
  const API_DEVMODEW& p = dm.pub;
  std::printf("  paper       %d %s (%.1f x %.1f mm)\n", p.dmPaperSize, PaperName(p.dmPaperSize), p.dmPaperWidth / 10.0,
              p.dmPaperLength / 10.0);
  std::printf("  orientation %s\n", p.dmOrientation == 2 ? "landscape" : "portrait");
  std::printf("  copies      %d\n", p.dmCopies);
  std::printf("  source      %d\n", p.dmDefaultSource);
  std::printf("  resolution  %d x %d dpi\n", p.dmPrintQuality, p.dmYResolution);
  std::printf("  colour      %s\n", p.dmColor == 2 ? "colour" : "monochrome");
  std::printf("  collate     %s\n", p.dmCollate ? "on" : "off");
}

bool WriteOut(const std::string& file, const API_DRIVER_DEVMODEW& dm) {
  std::string host;
  if (!kvhost::HostPathOf(file, &host)) return false;
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&dm), sizeof dm);
  return bool(out);
}

// Takes an optional "--out FILE" at args[i].
bool TakeOut(const std::vector<std::string>& args, size_t& i, std::string* out) {
  if (i < args.size() && args[i] == "--out") {
    if (i + 1 >= args.size()) return false;
    *out = args[i + 1];
    i += 2;
  }
  return true;
}

int RunApi(const std::vector<std::string>& args) {
  if (args.size() < 2) return kvhost::UsageError("usage: kvhost " + std::string(kUsage));
  const std::string& printerName = args[0];
  std::u16string path;
  std::string error;
  if (!kvhost::SettingsLibraryPath(printerName, &path, &error)) return kvhost::Failed(error);
  HMODULE lib = LoadLibraryW(path.c_str());
  if (!lib) return kvhost::Failed("cannot load " + kvp::ToUtf8(path) + " (run kvhost setup)");
  Exports x{};
  bool bound = Bind(lib, "ZARNDrvCheckAPIVer", x.checkVersion) && Bind(lib, "ZARNDrvEnable", x.enable) &&
               Bind(lib, "ZARNDrvInit", x.init) && Bind(lib, "ZARNDrvDisable", x.disable) &&
               Bind(lib, "ZARNDrvGetLastError", x.lastError) && Bind(lib, "ZARNDrvGetDevmode", x.getDevmode) &&
               Bind(lib, "ZARNDrvGetDevmodeEx", x.getDevmodeEx) &&
               Bind(lib, "ZARNDrvSaveQualityData", x.saveQuality) &&
               Bind(lib, "ZARNDrvRestoreQualityData", x.restoreQuality) && Bind(lib, "ZARNDrvGetCaps", x.getCaps) &&
               Bind(lib, "ZARNDrvSetStatus", x.setStatus) && Bind(lib, "ZARNDrvGetStatus", x.getStatus);
  if (!bound) {
    FreeLibrary(lib);
    return kvhost::kExitFailed;
  }
  API_HANDLE h = x.enable(printerName.c_str());
  if (!h) {
    FreeLibrary(lib);
    return kvhost::Failed("cannot open a driver-API connection on '" + printerName + "'");
  }
  int rc = kvhost::kExitDone;
  bool statusSet = false;
  for (size_t i = 1; i < args.size() && rc != kvhost::kExitUsage;) {
    const std::string call = args[i++];
    if (call == "version") {
      std::printf("version: %d\n", x.checkVersion(printerName.c_str()));
    } else if (call == "error") {
      std::printf("last error: %d\n", x.lastError(h));
    } else if (call == "init") {
      if (i >= args.size()) {
        rc = kvhost::UsageError("init needs a version");
        break;
      }
      API_INIT_RECORD record{sizeof(API_INIT_RECORD), (int32_t)std::atoi(args[i].c_str())};
      std::printf("init %s: %d\n", args[i].c_str(), x.init(h, &record));
      ++i;
    } else if (call == "devmode" || call == "merge") {
      int flags = statusSet ? API_DEVMODE_REFRESH : API_DEVMODE_DEFAULTS;
      std::string in, out;
      if (call == "merge") {
        if (i >= args.size()) {
          rc = kvhost::UsageError("merge needs a DEVMODE file");
          break;
        }
        in = args[i++];
        flags = API_DEVMODE_MERGE;
      } else {
        for (; i < args.size(); ++i) {
          const std::string& a = args[i];
          if (a == "defaults") flags = (flags & ~7) | API_DEVMODE_DEFAULTS;
          else if (a == "rebuild") flags = (flags & ~7) | API_DEVMODE_REBUILD;
          else if (a == "refresh") flags = (flags & ~7) | API_DEVMODE_REFRESH;
          else if (a == "+query") flags |= API_DEVMODE_QUERY;
          else if (a == "+notify") flags |= API_DEVMODE_NOTIFY;
          else if (a == "+presets") flags |= API_DEVMODE_PRESETS;
          else break;
        }
      }
      if (!TakeOut(args, i, &out)) {
        rc = kvhost::UsageError("--out needs a file");
        break;
      }
      API_DRIVER_DEVMODEW dm{};
      int32_t size;
      if (call == "merge") {
        std::string bytes;
        if (!kvhost::ReadHostFile(in, &bytes, &error)) {
          rc = kvhost::Failed(error);
          continue;
        }
        // The library reads as much as the DEVMODE claims: the file must hold it.
        API_DEVMODEW head{};
        std::memcpy(&head, bytes.data(), std::min(bytes.size(), sizeof head));
        size_t claims = (size_t)head.dmSize + head.dmDriverExtra;
        if (bytes.size() < offsetof(API_DEVMODEW, dmFields) || bytes.size() < claims) {
          rc = kvhost::Failed(in + " holds " + std::to_string(bytes.size()) + " bytes, less than the DEVMODE it names");
          continue;
        }
        size = x.getDevmodeEx(h, flags, &dm, bytes.data());
        std::printf("merge %s: %d\n", in.c_str(), size);
      } else {
        size = x.getDevmode(h, flags, &dm);
        std::printf("devmode 0x%x: %d\n", flags, size);
      }
      if (size != (int32_t)sizeof dm) {
        std::printf("  last error %d\n", x.lastError(h));
        rc = kvhost::kExitFailed;
        continue;
      }
      PrintDevmode(dm);
      if (!out.empty()) {
        if (WriteOut(out, dm))
          std::printf("  written to %s\n", out.c_str());
        else
          rc = kvhost::Failed("cannot write " + out);
      }
    } else if (call == "get" || call == "set") {
      if (i >= args.size()) {
        rc = kvhost::UsageError(call + " needs a status id");
        break;
      }
      uint32_t id = (uint32_t)std::strtoul(args[i++].c_str(), nullptr, 0);
      const RecordLayout* layout = FindLayout(id);
      std::vector<std::pair<std::string, std::string>> values;
      long version = -1, mode = 0;
      bool usage = false;
      while (i < args.size()) {
        size_t eq = args[i].find('=');
        if (eq != std::string::npos && args[i].rfind("--", 0) != 0) {
          values.emplace_back(args[i].substr(0, eq), args[i].substr(eq + 1));
          ++i;
        } else if (args[i] == "--version" || (call == "set" && args[i] == "--mode")) {
          usage |= !TakeNumber(args, i, "--version", &version) || !TakeNumber(args, i, "--mode", &mode);
        } else {
          break;
        }
      }
      if (usage) {
        rc = kvhost::UsageError("--version and --mode need a number");
        break;
      }
      // Records the host knows are laid out by name; others travel as 32 bytes holding the version.
      int size = layout ? layout->size : 32;
      std::vector<char> record((size_t)std::max(size, 824), 0);
      uint32_t v = version >= 0 ? (uint32_t)version : 1;
      static const std::vector<RecordField> kNoFields;
      const std::vector<RecordField>& fields = layout ? layout->fields : kNoFields;
      bool bad = false;
      for (auto& [name, text] : values) {
        const RecordField* f = nullptr;
        for (const RecordField& g : fields)
          if (name == g.name) f = &g;
        if (!f) {
          rc = kvhost::UsageError("status " + std::to_string(id) + " has no field '" + name + "'");
          bad = true;
          break;
        }
        if (f->textBytes == kI16) {
          int16_t n = (int16_t)std::strtol(text.c_str(), nullptr, 0);
          std::memcpy(record.data() + f->offset, &n, 2);
        } else if (f->textBytes) {
          if ((int)text.size() >= f->textBytes) {
            rc = kvhost::UsageError("'" + name + "' holds at most " + std::to_string(f->textBytes - 1) + " bytes");
            bad = true;
            break;
          }
          std::memcpy(record.data() + f->offset, text.c_str(), text.size() + 1);
        } else {
          uint32_t n = (uint32_t)std::strtol(text.c_str(), nullptr, 0);
          std::memcpy(record.data() + f->offset, &n, 4);
        }
      }
      if (bad) break;
      if (call == "get" && version < 0) {
        // Version 0 asks the driver for its own version of the record.
        std::vector<char> probe(record);
        if (x.getStatus(h, id, probe.data(), 0) != -1) std::memcpy(&v, probe.data(), 4);
      }
      std::memcpy(record.data(), &v, 4);
      if (call == "set") {
        BYTE map[64] = {};
        int answer = x.setStatus(h, id, record.data(), map, (int32_t)mode);
        std::printf("set %u: %d", id, answer);
        if (answer == -1) {
          int e = x.lastError(h);
          std::printf(" (last error %d %s)\n", e, ErrorName(e));
          rc = kvhost::kExitFailed;
          continue;
        }
        statusSet = true;
        std::printf("\n  changed:");
        bool any = false;
        for (uint32_t n = 1; n <= 512; ++n)
          if (map[(n - 1) / 8] & (0x80 >> ((n - 1) % 8))) std::printf(" %u", n), any = true;
        std::printf("%s\n", any ? "" : " none");
      } else {
        int answer = x.getStatus(h, id, record.data(), v);
        if (answer == -1) {
          int e = x.lastError(h);
          std::printf("get %u: -1 (last error %d %s)\n", id, e, ErrorName(e));
          rc = kvhost::kExitFailed;
          continue;
        }
        uint32_t filled = 0;
        std::memcpy(&filled, record.data(), 4);
        std::printf("get %u: version %u, size %d\n", id, filled, answer);
        for (const RecordField& f : fields) {
          if (f.offset + (f.textBytes == kI16 ? 2 : f.textBytes ? f.textBytes : 4) > answer) continue;
          if (f.textBytes == kI16) {
            int16_t n = 0;
            std::memcpy(&n, record.data() + f.offset, 2);
            std::printf("  %-12s %d\n", f.name, n);
          } else if (f.textBytes) {
            std::string t(record.data() + f.offset, strnlen(record.data() + f.offset, f.textBytes));
            std::printf("  %-12s %s\n", f.name, t.c_str());
          } else {
            int32_t n = 0;
            std::memcpy(&n, record.data() + f.offset, 4);
            std::printf("  %-12s %d\n", f.name, n);
          }
        }
      }
    } else if (call == "save-quality") {
      std::printf("save-quality: %d\n", x.saveQuality(h));
    } else if (call == "restore-quality") {
      std::printf("restore-quality: %d\n", x.restoreQuality(h));
    } else if (call == "caps") {
      if (i < args.size() && args[i] == "all") {
        PrintAllCapabilities(x.getCaps, h);
        ++i;
        continue;
      }
      size_t first = i;
      for (char* end = nullptr; i < args.size(); ++i) {
        unsigned long id = std::strtoul(args[i].c_str(), &end, 0);
        if (args[i].empty() || *end || id > 0xFFFFFFFFul) break;
        PrintCapability(x.getCaps, h, (uint32_t)id);
      }
      if (i == first) rc = kvhost::UsageError("caps needs capability ids or 'all'");
    } else if (call == "allcaps") {
      if (!PrintAllCapsRecord(x.getCaps, h)) {
        std::printf("  last error %d\n", x.lastError(h));
        rc = kvhost::kExitFailed;
      }
    } else {
      rc = kvhost::UsageError("unknown call '" + call + "'");
    }
  }
  x.disable(h);
  FreeLibrary(lib);
  return rc;
}

}  // namespace

KVHOST_COMMAND("api", kUsage, RunApi);
