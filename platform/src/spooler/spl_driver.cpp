// The spooler's calls into a printer's interface library: the set-up of a new printer, the printer
// events and the upgrade of the printers of a replaced driver. Every call goes into the platform's log
// of calls into drivers.
#include <cstdio>
#include <cstring>
#include <string>

#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/text.h"
#include "spl_internal.h"

namespace kvp::spl {
namespace {

constexpr const char16_t* kOldDriverDirectory = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3";

// The interface library of a driver, held for the calls of one spooler operation.
class DriverLibrary {
 public:
  explicit DriverLibrary(const std::u16string& driverName) {
    Driver d;
    if (LoadDriver(driverName, d) == ERROR_SUCCESS && !d.configFile.empty()) lib_ = LoadDriverLibrary(d.configFile);
  }
  ~DriverLibrary() { FreeDriverLibrary(lib_); }
  DriverLibrary(const DriverLibrary&) = delete;
  DriverLibrary& operator=(const DriverLibrary&) = delete;
  template <class Fn>
  Fn Entry(const char* name) const {
    return reinterpret_cast<Fn>(DriverLibraryEntry(lib_, name));
  }

 private:
  void* lib_ = nullptr;
};

BOOL ConvertDevMode(const DriverLibrary& lib, const std::u16string& printer, PDEVMODEW in, PDEVMODEW out, LONG* size,
                    DWORD mode) {
  auto fn = lib.Entry<PFN_DrvConvertDevMode>("DrvConvertDevMode");
  if (!fn) return FALSE;
  std::u16string name = printer;
  LONG before = *size;
  SetLastError(ERROR_SUCCESS);
  BOOL ok = fn(name.data(), in, out, size, mode);
  DWORD err = GetLastError();
  char args[48], answer[64];
  std::snprintf(args, sizeof args, " mode=%u size=%d", mode, before);
  std::snprintf(answer, sizeof answer, "%d size=%d error=%u", ok, *size, err);
  RecordDriverCall("DrvConvertDevMode", ToUtf8(printer) + args, answer);
  SetLastError(err);
  return ok;
}

// True when the bytes are one whole DEVMODE the store can keep.
bool WholeDevmode(const std::vector<BYTE>& dm) {
  if (dm.size() < offsetof(DEVMODEW, dmFields) + sizeof(DWORD)) return false;
  auto* h = reinterpret_cast<const DEVMODEW*>(dm.data());
  return h->dmSize >= offsetof(DEVMODEW, dmFields) + sizeof(DWORD) && size_t(h->dmSize) + h->dmDriverExtra == dm.size();
}

void StoreDevmode(const std::u16string& fullName, const std::vector<BYTE>& dm) {
  StoreLock lock;
  Printer p;
  if (LoadPrinter(fullName, p) != ERROR_SUCCESS) return;
  p.devmode = dm;
  SavePrinter(p);
}

// The size the driver's DEVMODE takes (CDM_DRIVER_DEFAULT without a buffer answers it), or 0.
LONG DriverDevmodeSize(const DriverLibrary& lib, const std::u16string& printer) {
  LONG size = 0;
  if (ConvertDevMode(lib, printer, nullptr, nullptr, &size, CDM_DRIVER_DEFAULT)) return 0;
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size < LONG(offsetof(DEVMODEW, dmFields) + sizeof(DWORD)) ||
      size > (1 << 20))
    return 0;
  return size;
}

}  // namespace

DWORD DriverSetUpNewPrinter(const std::u16string& fullName, const std::u16string& driver, bool wantsDevmode) {
  DriverLibrary lib(driver);
  if (wantsDevmode) {
    if (LONG size = DriverDevmodeSize(lib, fullName)) {
      std::vector<BYTE> dm(size_t(size), 0);
      LONG got = size;
      if (ConvertDevMode(lib, fullName, nullptr, reinterpret_cast<PDEVMODEW>(dm.data()), &got, CDM_DRIVER_DEFAULT) &&
          got > 0 && got <= size) {
        dm.resize(size_t(got));
        if (WholeDevmode(dm)) StoreDevmode(fullName, dm);
      }
    }
  }
  DWORD error = ERROR_SUCCESS;
  if (!DriverPrinterEvent(fullName, driver, PRINTER_EVENT_INITIALIZE, &error)) return error;
  return ERROR_SUCCESS;
}

bool DriverPrinterEvent(const std::u16string& fullName, const std::u16string& driver, int event, DWORD* error) {
  *error = ERROR_SUCCESS;
  DriverLibrary lib(driver);
  auto fn = lib.Entry<PFN_DrvPrinterEvent>("DrvPrinterEvent");
  if (!fn) return true;
  std::u16string name = fullName;
  SetLastError(ERROR_SUCCESS);
  BOOL ok = fn(name.data(), event, 0, 0);
  DWORD err = GetLastError();
  char args[32];
  std::snprintf(args, sizeof args, " event=%d flags=0", event);
  RecordDriverCall("DrvPrinterEvent", ToUtf8(fullName) + args, std::to_string(ok));
  // A driver that refuses without saying why still refuses.
  if (!ok) *error = err ? err : DWORD(ERROR_GEN_FAILURE);
  return ok != FALSE;
}

void DriverUpgradePrinters(const std::u16string& driver) {
  std::vector<std::u16string> printers = SplPrintersOfDriver(driver);
  if (printers.empty()) return;
  DriverLibrary lib(driver);
  auto upgrade = lib.Entry<PFN_DrvUpgradePrinter>("DrvUpgradePrinter");
  for (const std::u16string& name : printers) {
    Printer p;
    if (LoadPrinter(name, p) != ERROR_SUCCESS) continue;
    if (!p.devmode.empty()) {
      if (LONG size = DriverDevmodeSize(lib, name)) {
        // The output names the driver's size; the public part keeps the stored one's header as far as it fits.
        std::vector<BYTE> in = p.devmode, out(size_t(size), 0);
        auto* src = reinterpret_cast<const DEVMODEW*>(in.data());
        auto* dst = reinterpret_cast<DEVMODEW*>(out.data());
        WORD pub = src->dmSize <= size ? src->dmSize : WORD(size);
        dst->dmSpecVersion = src->dmSpecVersion;
        dst->dmDriverVersion = src->dmDriverVersion;
        dst->dmSize = pub;
        dst->dmDriverExtra = WORD(size - pub);
        LONG got = size;
        if (ConvertDevMode(lib, name, reinterpret_cast<PDEVMODEW>(in.data()), dst, &got, CDM_CONVERT) && got > 0 &&
            got <= size) {
          out.resize(size_t(got));
          if (WholeDevmode(out)) StoreDevmode(name, out);
        }
      }
    }
    if (!upgrade) continue;
    std::u16string printerName = name, oldDir = kOldDriverDirectory;
    DRIVER_UPGRADE_INFO_1 info{printerName.data(), oldDir.data()};
    SetLastError(ERROR_SUCCESS);
    BOOL ok = upgrade(1, reinterpret_cast<LPBYTE>(&info));
    RecordDriverCall("DrvUpgradePrinter", ToUtf8(name) + " level=1", std::to_string(ok));
  }
}

bool DriverQueryJob(const std::u16string& fullName, HANDLE printer, const std::vector<BYTE>& devmode,
                    std::u16string* why) {
  why->clear();
  Printer p;
  if (LoadPrinter(fullName, p) != ERROR_SUCCESS) return true;
  DriverLibrary lib(p.driver);
  using Fn = BOOL (*)(DEVQUERYPRINT_INFO*);
  auto fn = lib.Entry<Fn>("DevQueryPrintEx");
  if (!fn) return true;
  // The driver gets its own copy: what it does to the DEVMODE never reaches the job.
  std::vector<BYTE> dm = devmode;
  WCHAR text[kJobQueryTextChars + 1] = {};
  DEVQUERYPRINT_INFO info{};
  info.cbSize = sizeof info;
  info.Level = 1;
  info.hPrinter = printer;
  info.pDevMode = dm.empty() ? nullptr : reinterpret_cast<PDEVMODEW>(dm.data());
  info.pszErrorStr = text;
  info.cchErrorStr = kJobQueryTextChars;
  SetLastError(ERROR_SUCCESS);
  BOOL ok = fn(&info);
  // Whatever the driver claims it wrote, the text ends inside its buffer.
  text[kJobQueryTextChars] = 0;
  if (!ok) *why = text;
  RecordDriverCall("DevQueryPrintEx", ToUtf8(fullName) + " dm=" + std::to_string(dm.size()) + " bytes",
                   ok ? "1" : "0 \"" + ToUtf8(*why) + "\"");
  return ok != FALSE;
}

}  // namespace kvp::spl
