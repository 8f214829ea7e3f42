// Spooler internals: the records kept under <root>/spool/ and their files.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "kvplat/spooler.h"

namespace kvp::spl {

struct Value {
  std::u16string key;   // "PrinterDriverData" or another key path ("A\B")
  std::u16string name;  // value name ("" is the key's default value)
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Job {
  DWORD id = 0;
  std::u16string document, user, machine, datatype;
  DWORD status = 0, priority = DEF_PRIORITY, totalPages = 0, pagesPrinted = 0, size = 0;
  SYSTEMTIME submitted{};
};

struct Printer {
  std::u16string server;  // "" for a local printer, else "\\SERVER"
  std::u16string name;    // the printer's own name, without the server
  std::u16string share, port, driver, comment, location, sepFile, printProcessor, datatype, parameters;
  DWORD attributes = 0, priority = DEF_PRIORITY, defaultPriority = 0, startTime = 0, untilTime = 0, status = 0;
  DWORD notSelectedTimeout = 15000, retryTimeout = 45000;
  std::vector<BYTE> devmode;  // empty: the printer has no DEVMODE of its own
  std::u16string objectGuid;
  DWORD dsAction = DSPRINT_UNPUBLISH;
  std::string dataLog;  // token of the printer-data log lines that extend this record ("" none)
  std::vector<Value> data;  // in creation order
  std::vector<Job> jobs;
  DWORD nextJobId = 1;

  std::u16string FullName() const { return server.empty() ? name : server + u"\\" + name; }
};

struct Driver {
  DWORD version = 3;
  std::u16string name, driverPath, dataFile, configFile, helpFile, monitor, defaultDatatype;
  std::vector<std::u16string> dependentFiles;
};

struct Form {
  DWORD flags = FORM_USER;
  std::u16string name;
  SIZEL size{};
  RECTL area{};
};

// Files. Loads answer ERROR_SUCCESS, ERROR_INVALID_PRINTER_NAME / ERROR_UNKNOWN_PRINTER_DRIVER when there is
// no such record, ERROR_INVALID_DATA when its file is damaged. Saves write aside and rename, and tell
// every process on the root that its kept records are stale. The shared loads hand out the kept record
// itself (read-only, no copy); the others a copy to change and save.
DWORD LoadPrinterShared(const std::u16string& fullName, std::shared_ptr<const Printer>& out);
DWORD LoadDriverShared(const std::u16string& name, std::shared_ptr<const Driver>& out);
DWORD LoadPrinter(const std::u16string& fullName, Printer& out);
DWORD SavePrinter(const Printer& p);
// Stores one printer-data value of `p`, which already holds it: one line appended to the printer's data
// log and flushed, or (no log yet, a damaged or long log) the whole record rewritten.
DWORD SavePrinterValue(const Printer& p, const Value& v);
DWORD RemovePrinterFile(const std::u16string& fullName);
bool PrinterExists(const std::u16string& fullName);
DWORD LoadDriver(const std::u16string& name, Driver& out);
DWORD SaveDriver(const Driver& d);
DWORD LoadUserForms(std::vector<Form>& out);
DWORD SaveUserForms(const std::vector<Form>& forms);
std::vector<std::u16string> ListPrinterNames(std::vector<std::string>* broken);
// The machine's next job id, unique across all its printers, taken for `p` (at least p.nextJobId and not
// in p's queue); p.nextJobId follows it. 0 with the error when the machine's counter cannot be kept.
// The caller holds the StoreLock.
DWORD TakeJobId(Printer& p, DWORD* err);

// Serialises read-modify-write cycles between threads and processes on one root.
class StoreLock {
 public:
  StoreLock();
  ~StoreLock();
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

 private:
  int fd_ = -1;
};

// The standard forms of a fresh machine, form n being paper code n.
const std::vector<Form>& StandardForms();

// System profile switches (machine.ini [System]).
bool IsAdministrator();
std::u16string ComputerName();
std::u16string UserName();

// The driver's interface library, loaded for DocumentPropertiesW through the platform's module loader.
void* LoadDriverLibrary(const std::u16string& machinePath);
void* DriverLibraryEntry(void* lib, const char* name);
void FreeDriverLibrary(void* lib);

// Fault injection: true when this call of `fn` must fail; *err receives the error to report.
bool ShouldFail(const char* fn, DWORD* err);

}  // namespace kvp::spl
