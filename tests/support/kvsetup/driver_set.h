// Installing the driver set on a machine root: the one installation path of `kvhost setup`, `kvhost
// printer add`, the tests, the benchmarks and the fuzz targets. It copies the built deliverables, the
// companions and the model's files (data file, INI files, resource libraries) into the driver folder,
// registers the driver with the spooler and adds a printer of the model, which the spooler has the
// driver set up (the driver's interface library, when it is installed, receives the spooler's calls).
//
// Header-only on purpose: kvhost and every test program include it without linking another library.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "replace_file.h"

namespace kvsetup {

// The driver folder of this machine's drivers, as GetPrinterDriverDirectoryW names it, plus "\3".
inline constexpr char16_t kDriverFolder[] = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3";
// The driver name of the model (the first name of the model INI's "Models" section).
inline constexpr char16_t kModelDriverName[] = u"KAVRO Lumeta QT M8350 ZARN";

// Which files go into the driver folder.
enum Parts : unsigned {
  kNoFiles = 0,
  kDeliverables = 1,  // the four libraries of the driver set, those that are built
  kCompanions = 2,    // the stand-ins of the maker's outside libraries, those that are built
  kModelFiles = 4,    // kvdrvdat, kvdrvmod.ini, kvdrvset.ini, the resource and picture libraries
  kAllFiles = 7,
};

struct Request {
  std::string moduleDir;  // host folder of the built modules, with the model's files in its "model" folder
  unsigned parts = kAllFiles;
  std::u16string driverName = kModelDriverName;
  std::u16string printerName;  // empty: no printer is added
  std::u16string dataFile;     // machine path registered as the data file instead of the installed kvdrvdat
  std::u16string port;         // the printer's port; empty: the spooler's default
  DWORD attributes = 0;        // the printer's attributes
  bool keepExisting = true;    // an existing printer of that name is kept (false: adding it fails)
};

struct Result {
  DWORD error = ERROR_SUCCESS;  // ERROR_SUCCESS, or the code of the step that failed
  std::string message;          // what failed, in words a user can act on
  std::vector<std::string> installed;  // file names put into the driver folder (or the system folder), in order
  bool printerExisted = false;         // the printer was there already and was kept
  HANDLE printer = nullptr;            // the printer, open with PRINTER_ALL_ACCESS; the caller closes it
  std::vector<std::u16string> upgraded;  // printers of the driver it replaced, upgraded by the spooler
};

// A library of the set: the file the build makes and the name the driver and the spooler use.
struct ModuleFile {
  const char* built;       // in the module folder
  const char* registered;  // in the driver information
  unsigned part;
  bool system = false;     // a component of the system: into the system folder, where a load by name finds it
};
inline constexpr ModuleFile kModules[] = {
    {"kvdrvgr.so", "kvdrvgr.dll", kDeliverables},   {"kvdrvui.so", "kvdrvui.dll", kDeliverables},
    {"kvdrvexc.so", "kvdrvexc.dll", kDeliverables}, {"M8350d64.so", "M8350d64.dll", kDeliverables},
    {"kvdrvspl.so", "kvdrvspl.dll", kCompanions},   {"kvbidi64.so", "kvbidi64.dll", kCompanions},
    {"KVBIDISS.so", "KVBIDISS.dll", kCompanions},   {"KAVJC64.so", "KAVJC64.DLL", kCompanions},
    {"KVPNInf.so", "KVPNInf.dll", kCompanions},     {"kvtse.so", "kvtse.dll", kCompanions},
    {"TELVANSV.so", "TELVANSV.dll", kCompanions},   {"compstui.so", "compstui.dll", kCompanions, true},
    {"KV8350us.so", "KV8350us.DLL", kModelFiles},   {"KV8350jp.so", "KV8350jp.DLL", kModelFiles},
    {"KV83C0XX.so", "KV83C0XX.DLL", kModelFiles},
};
// The system folder: the system's own components (the common property sheet service) live there.
inline constexpr char16_t kSystemFolder[] = u"C:\\Windows\\System32";

// The help file the driver registration names (set-up keys the UI language and the help path on it).
inline constexpr char16_t kHelpFile[] = u"KV8350us.hlp";
// The model's text files, in the module folder's "model" folder.
inline constexpr const char* kModelTexts[] = {"kvdrvdat", "kvdrvmod.ini", "kvdrvset.ini"};

namespace detail {

// The cause of a store error in words, for the errors a user can act on ("" for the others).
inline const char* CauseOf(DWORD e) {
  switch (e) {
    case ERROR_ACCESS_DENIED: return ": the system profile says not administrator";
    case ERROR_WRITE_PROTECT: return ": the machine root is on a read-only file system";
    case ERROR_DISK_FULL: return ": the disk is full";
    default: return "";
  }
}

inline bool Fail(Result& r, DWORD error, const std::string& message) {
  r.error = error ? error : ERROR_GEN_FAILURE;
  r.message = message;
  return false;
}

// Copies one file into the driver folder unless an identical copy (same size, not older) is there. The
// copy replaces the installed file as a whole, never rewrites it: a process that has the old library
// loaded keeps running on the old file.
inline bool CopyIn(Result& r, const std::filesystem::path& from, const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path to = folder / from.filename();
  bool same = fs::exists(to, ec) && fs::file_size(to, ec) == fs::file_size(from, ec) &&
              fs::last_write_time(to, ec) >= fs::last_write_time(from, ec);
  std::string why;
  if (!same && !CopyFileReplacing(from, to, &why))
    return Fail(r, ERROR_WRITE_FAULT, "cannot copy " + from.string() + " to " + to.string() + ": " + why);
  r.installed.push_back(from.filename().string());
  return true;
}

inline bool CopyFiles(const Request& q, Result& r, const std::string& folder, std::vector<std::u16string>* deps) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (q.parts == kNoFiles) return true;
  if (q.moduleDir.empty() || !fs::is_directory(q.moduleDir, ec))
    return Fail(r, ERROR_PATH_NOT_FOUND, "no module folder '" + q.moduleDir + "' to install the driver set from");
  std::string systemFolder;
  if (DWORD e = kvp::MapPath(kSystemFolder, systemFolder)) return Fail(r, e, "the system folder cannot be mapped");
  for (const ModuleFile& m : kModules) {
    fs::path from = fs::path(q.moduleDir) / m.built;
    if (!(q.parts & m.part) || !fs::exists(from, ec)) continue;  // only what is built
    if (m.system) {
      fs::create_directories(systemFolder, ec);
      if (!CopyIn(r, from, systemFolder)) return false;
      continue;
    }
    if (!CopyIn(r, from, folder)) return false;
  }
  if (q.parts & kModelFiles) {
    for (const char* t : kModelTexts) {
      fs::path from = fs::path(q.moduleDir) / "model" / t;
      if (!fs::exists(from, ec))
        return Fail(r, ERROR_FILE_NOT_FOUND, "the model file " + from.string() + " is missing (build kv_model_data)");
      if (!CopyIn(r, from, folder)) return false;
    }
  }
  for (const std::string& f : r.installed) {
    if (f == "kvdrvgr.so" || f == "kvdrvui.so" || f == "kvdrvdat") continue;  // named by their own fields
    bool module = false;
    for (const ModuleFile& m : kModules)
      if (f == m.built) {
        if (!m.system) deps->push_back(kvp::FromUtf8(m.registered));  // not a file of the driver
        module = true;
      }
    if (!module) deps->push_back(kvp::FromUtf8(f));
  }
  return true;
}

inline bool Register(const Request& q, Result& r, const std::vector<std::u16string>& deps) {
  std::u16string name = q.driverName, env = KV_PRINT_ENVIRONMENT, driverPath = u"kvdrvgr.dll",
                 data = q.dataFile.empty() ? u"kvdrvdat" : q.dataFile, config = u"kvdrvui.dll", empty, help = kHelpFile,
                 datatype = u"RAW", depList;
  for (const std::u16string& d : deps) depList += d + u'\0';
  depList += u'\0';
  DRIVER_INFO_3W di{};
  di.cVersion = 3;
  di.pName = name.data();
  di.pEnvironment = env.data();
  di.pDriverPath = driverPath.data();
  di.pDataFile = data.data();
  di.pConfigFile = config.data();
  di.pHelpFile = help.data();
  di.pDependentFiles = depList.data();
  di.pMonitorName = empty.data();
  di.pDefaultDataType = datatype.data();
  if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&di))) {
    DWORD e = GetLastError();
    return Fail(r, e, "cannot register the driver '" + kvp::ToUtf8(name) + "' with the spooler (error " +
                          std::to_string(e) + CauseOf(e) + ")");
  }
  return true;
}

inline bool AddPrinter(const Request& q, Result& r) {
  std::u16string printer = q.printerName, driver = q.driverName;
  PRINTER_INFO_2W pi{};
  pi.pPrinterName = printer.data();
  pi.pDriverName = driver.data();
  std::u16string port = q.port;
  pi.pPortName = port.empty() ? nullptr : port.data();
  pi.Attributes = q.attributes;
  r.printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
  if (r.printer) return true;
  DWORD e = GetLastError();
  if (e == ERROR_PRINTER_ALREADY_EXISTS && q.keepExisting) {
    PRINTER_DEFAULTSW def{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterW(printer.data(), &r.printer, &def)) {
      r.printerExisted = true;
      return true;
    }
    e = GetLastError();
  }
  return Fail(r, e, "cannot add the printer '" + kvp::ToUtf8(printer) + "' (error " + std::to_string(e) +
                        (e == ERROR_INVALID_PRINTER_NAME      ? ": the name holds ',', '!' or '\\')"
                         : e == ERROR_PRINTER_ALREADY_EXISTS ? ": the printer already exists)"
                                                             : std::string(CauseOf(e)) + ")"));
}

}  // namespace detail

// Installs the driver set on the current machine root, which must exist. Steps: the requested files
// into the driver folder, the driver registered (replacing an earlier registration of that name, whose
// printers the spooler then upgrades), the printer added (an existing printer of that name is kept and
// opened). Stops at the first failing step.
inline Result Install(const Request& q) {
  Result r;
  std::string folder;
  if (DWORD e = kvp::MapPath(kDriverFolder, folder)) {
    detail::Fail(r, e, "the driver folder cannot be mapped on " + kvp::MachineRoot());
    return r;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::vector<std::u16string> deps;
  if (!detail::CopyFiles(q, r, folder, &deps)) return r;
  // Registering over an installed driver upgrades the printers that use it.
  std::vector<std::u16string> users = kvp::SplPrintersOfDriver(q.driverName);
  if (!detail::Register(q, r, deps)) return r;
  r.upgraded = std::move(users);
  if (!q.printerName.empty()) detail::AddPrinter(q, r);
  return r;
}

}  // namespace kvsetup
