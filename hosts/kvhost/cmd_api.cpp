// kvhost api PRINTER CALL [ARGS] [CALL [ARGS]]...: stands in for an outside program of the maker. It loads
// the settings-and-constraints library from the printer's driver folder under the name the model INI gives
// ([DriversFileName] DriverEDFileName), looks its exports up by name, opens one connection and runs the calls
// in order, printing each answer.
#include <cstdio>
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
    "                                 the connection's DEVMODE (defaults when no branch is named)\n"
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
};

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
               Bind(lib, "ZARNDrvRestoreQualityData", x.restoreQuality) && Bind(lib, "ZARNDrvGetCaps", x.getCaps);
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
      int flags = API_DEVMODE_DEFAULTS;
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
