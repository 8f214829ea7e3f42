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
  std::vector<BYTE> devmode;  // the job's own document settings (empty: the printer's)
  std::u16string statusText;  // why the job is held ("" none)
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
// Stores one printer-data value of `p`, which already holds it: one line added to the printer's data log
// and flushed, or (a record without a log, a full log or one whose last line is cut) the whole record
// rewritten.
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
// The connections of a user to printers of servers ("\\SERVER\NAME"), in the order they were added; none
// is an empty list.
DWORD LoadConnections(const std::u16string& user, std::vector<std::u16string>& out);
DWORD SaveConnections(const std::u16string& user, const std::vector<std::u16string>& names);

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

// True for no DEVMODE or one whose dmSize + dmDriverExtra is exactly its length.
bool WholeDevMode(const std::vector<BYTE>& dm);

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
// Drops the spooler's hold on every interface library (the last printer handle of the process closed).
void ReleaseHeldDriverLibraries();

// The spooler's calls into the interface library of a driver (spl_driver.cpp). Each is logged; a driver
// whose library cannot be loaded, or that lacks the export, is not called.
// After AddPrinterW stored the printer: its default DEVMODE (when it has none) and PRINTER_EVENT_INITIALIZE.
// ERROR_SUCCESS, or the driver's last error when the event answered FALSE.
DWORD DriverSetUpNewPrinter(const std::u16string& fullName, const std::u16string& driver, bool wantsDevmode);
// A printer event; true when the driver answered TRUE or was not called. *error: the driver's last error.
bool DriverPrinterEvent(const std::u16string& fullName, const std::u16string& driver, int event, DWORD* error);
// After a driver was replaced: CDM_CONVERT and DrvUpgradePrinter for every printer that uses it.
void DriverUpgradePrinters(const std::u16string& driver);
// A job's status, and when given its DEVMODE (it must be whole), status text and page count.
// ERROR_SUCCESS, ERROR_INVALID_PARAMETER for a job the queue does not hold or a DEVMODE that is not
// whole, or the error of the handle or the store.
DWORD SetJobDetails(HANDLE printer, DWORD jobId, const std::vector<BYTE>* devmode, DWORD status,
                    const std::u16string* statusText, const DWORD* totalPages = nullptr);

// The job query before a job prints (a printer with PRINTER_ATTRIBUTE_ENABLE_DEVQ): the interface
// library's DevQueryPrintEx on a copy of the job's DEVMODE. true to print (also when the driver has no
// job query); false holds the job, *why the driver's reason (at most kJobQueryTextChars characters).
constexpr DWORD kJobQueryTextChars = 256;
bool DriverQueryJob(const std::u16string& fullName, HANDLE printer, const std::vector<BYTE>& devmode,
                    std::u16string* why);

// Fault injection: true when this call of `fn` must fail; *err receives the error to report.
bool ShouldFail(const char* fn, DWORD* err);

}  // namespace kvp::spl
