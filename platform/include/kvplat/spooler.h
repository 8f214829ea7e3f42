// The print spooler: printers, their drivers, printer data, forms and jobs of the machine root.
//
// Everything lives under <root>/spool/ and is read from disk on every call, so two processes on one
// root see one spooler. Records returned by the Get/Enum calls are packed into the caller's buffer:
// the fixed record(s) first, the strings (and DEVMODE) they point to after them. The size protocol is
// the platform's: a buffer that is too small fails with ERROR_INSUFFICIENT_BUFFER and *pcbNeeded holds
// the bytes required. Printer-data calls return their error code instead of setting the last error.
#pragma once
#include <string>
#include <vector>

#include "kvplat/devmode.h"
#include "kvplat/types.h"

#ifndef ERROR_GEN_FAILURE
#define ERROR_GEN_FAILURE 31L
#endif
#ifndef ERROR_INVALID_ENVIRONMENT
#define ERROR_INVALID_ENVIRONMENT 1805L
#endif
#ifndef ERROR_PRINTER_DRIVER_IN_USE
#define ERROR_PRINTER_DRIVER_IN_USE 3001L
#endif

// Registry value types used by printer data.
#ifndef REG_NONE
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11
#endif

// Access rights.
#define PRINTER_ACCESS_ADMINISTER 0x00000004
#define PRINTER_ACCESS_USE 0x00000008
#define PRINTER_ACCESS_MANAGE_LIMITED 0x00000040
#define SERVER_ACCESS_ADMINISTER 0x00000001
#define SERVER_ACCESS_ENUMERATE 0x00000002
#define PRINTER_DELETE 0x00010000
#define PRINTER_READ_CONTROL 0x00020000
#define PRINTER_WRITE_DAC 0x00040000
#define PRINTER_WRITE_OWNER 0x00080000
#define PRINTER_ALL_ACCESS 0x000F000C
#define PRINTER_READ 0x00020008
#define PRINTER_WRITE 0x00020008
#define PRINTER_EXECUTE 0x00020008
#define SERVER_ALL_ACCESS 0x000F0003

// Printer attributes.
#define PRINTER_ATTRIBUTE_QUEUED 0x00000001
#define PRINTER_ATTRIBUTE_DIRECT 0x00000002
#define PRINTER_ATTRIBUTE_DEFAULT 0x00000004
#define PRINTER_ATTRIBUTE_SHARED 0x00000008
#define PRINTER_ATTRIBUTE_NETWORK 0x00000010
#define PRINTER_ATTRIBUTE_HIDDEN 0x00000020
#define PRINTER_ATTRIBUTE_LOCAL 0x00000040
#define PRINTER_ATTRIBUTE_ENABLE_DEVQ 0x00000080
#define PRINTER_ATTRIBUTE_KEEPPRINTEDJOBS 0x00000100
#define PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST 0x00000200
#define PRINTER_ATTRIBUTE_WORK_OFFLINE 0x00000400
#define PRINTER_ATTRIBUTE_ENABLE_BIDI 0x00000800
#define PRINTER_ATTRIBUTE_RAW_ONLY 0x00001000
#define PRINTER_ATTRIBUTE_PUBLISHED 0x00002000
#define PRINTER_ATTRIBUTE_FAX 0x00004000
#define PRINTER_ATTRIBUTE_TS 0x00008000

#define PRINTER_ENUM_ICON8 0x00800000

// SetPrinterW level 7 actions.
#define DSPRINT_PUBLISH 0x00000001
#define DSPRINT_UPDATE 0x00000002
#define DSPRINT_UNPUBLISH 0x00000004
#define DSPRINT_REPUBLISH 0x00000008
#define DSPRINT_PENDING 0x80000000

#define FORM_USER 0x00000000
#define FORM_BUILTIN 0x00000001
#define FORM_PRINTER 0x00000002

#define JOB_STATUS_PAUSED 0x00000001
#define JOB_STATUS_ERROR 0x00000002
#define JOB_STATUS_DELETING 0x00000004
#define JOB_STATUS_SPOOLING 0x00000008
#define JOB_STATUS_PRINTING 0x00000010
#define JOB_STATUS_OFFLINE 0x00000020
#define JOB_STATUS_PRINTED 0x00000080

#define DEF_PRIORITY 1
#define MIN_PRIORITY 1
#define MAX_PRIORITY 99

// The environment of this machine's drivers and the printer-data key of GetPrinterDataW.
#define KV_PRINT_ENVIRONMENT u"Windows x64"
#define SPLDS_DRIVER_KEY u"PrinterDriverData"

typedef struct _PRINTER_DEFAULTSW {
  LPWSTR pDatatype;
  LPDEVMODEW pDevMode;
  DWORD DesiredAccess;
} PRINTER_DEFAULTSW, *LPPRINTER_DEFAULTSW;
static_assert(sizeof(PRINTER_DEFAULTSW) == 24);

typedef struct _PRINTER_INFO_1W {
  DWORD Flags;
  LPWSTR pDescription;
  LPWSTR pName;
  LPWSTR pComment;
} PRINTER_INFO_1W;
static_assert(sizeof(PRINTER_INFO_1W) == 32 && offsetof(PRINTER_INFO_1W, pDescription) == 8);

typedef struct _PRINTER_INFO_2W {
  LPWSTR pServerName;
  LPWSTR pPrinterName;
  LPWSTR pShareName;
  LPWSTR pPortName;
  LPWSTR pDriverName;
  LPWSTR pComment;
  LPWSTR pLocation;
  LPDEVMODEW pDevMode;
  LPWSTR pSepFile;
  LPWSTR pPrintProcessor;
  LPWSTR pDatatype;
  LPWSTR pParameters;
  PSECURITY_DESCRIPTOR pSecurityDescriptor;
  DWORD Attributes;
  DWORD Priority;
  DWORD DefaultPriority;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD Status;
  DWORD cJobs;
  DWORD AveragePPM;
} PRINTER_INFO_2W;
static_assert(sizeof(PRINTER_INFO_2W) == 136);
static_assert(offsetof(PRINTER_INFO_2W, pDevMode) == 56 && offsetof(PRINTER_INFO_2W, Attributes) == 104);
static_assert(offsetof(PRINTER_INFO_2W, AveragePPM) == 132);

typedef struct _PRINTER_INFO_4W {
  LPWSTR pPrinterName;
  LPWSTR pServerName;
  DWORD Attributes;
} PRINTER_INFO_4W;
static_assert(sizeof(PRINTER_INFO_4W) == 24 && offsetof(PRINTER_INFO_4W, Attributes) == 16);

typedef struct _PRINTER_INFO_5W {
  LPWSTR pPrinterName;
  LPWSTR pPortName;
  DWORD Attributes;
  DWORD DeviceNotSelectedTimeout;
  DWORD TransmissionRetryTimeout;
} PRINTER_INFO_5W;
static_assert(sizeof(PRINTER_INFO_5W) == 32 && offsetof(PRINTER_INFO_5W, TransmissionRetryTimeout) == 24);

typedef struct _PRINTER_INFO_7W {
  LPWSTR pszObjectGUID;
  DWORD dwAction;
} PRINTER_INFO_7W;
static_assert(sizeof(PRINTER_INFO_7W) == 16 && offsetof(PRINTER_INFO_7W, dwAction) == 8);

typedef struct _DRIVER_INFO_2W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
} DRIVER_INFO_2W;
static_assert(sizeof(DRIVER_INFO_2W) == 48 && offsetof(DRIVER_INFO_2W, pName) == 8);

typedef struct _DRIVER_INFO_3W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
  LPWSTR pHelpFile;
  LPWSTR pDependentFiles;  // double-null-terminated list
  LPWSTR pMonitorName;
  LPWSTR pDefaultDataType;
} DRIVER_INFO_3W;
static_assert(sizeof(DRIVER_INFO_3W) == 80 && offsetof(DRIVER_INFO_3W, pHelpFile) == 48);

typedef struct _FORM_INFO_1W {
  DWORD Flags;
  LPWSTR pName;
  SIZEL Size;            // thousandths of a millimetre
  RECTL ImageableArea;   // thousandths of a millimetre
} FORM_INFO_1W;
static_assert(sizeof(FORM_INFO_1W) == 40 && offsetof(FORM_INFO_1W, Size) == 16 &&
              offsetof(FORM_INFO_1W, ImageableArea) == 24);

typedef struct _JOB_INFO_1W {
  DWORD JobId;
  LPWSTR pPrinterName;
  LPWSTR pMachineName;
  LPWSTR pUserName;
  LPWSTR pDocument;
  LPWSTR pDatatype;
  LPWSTR pStatus;
  DWORD Status;
  DWORD Priority;
  DWORD Position;
  DWORD TotalPages;
  DWORD PagesPrinted;
  SYSTEMTIME Submitted;
} JOB_INFO_1W;
static_assert(sizeof(JOB_INFO_1W) == 96 && offsetof(JOB_INFO_1W, Status) == 56 &&
              offsetof(JOB_INFO_1W, Submitted) == 76);

typedef struct _JOB_INFO_2W {
  DWORD JobId;
  LPWSTR pPrinterName;
  LPWSTR pMachineName;
  LPWSTR pUserName;
  LPWSTR pDocument;
  LPWSTR pNotifyName;
  LPWSTR pDatatype;
  LPWSTR pPrintProcessor;
  LPWSTR pParameters;
  LPWSTR pDriverName;
  LPDEVMODEW pDevMode;
  LPWSTR pStatus;
  PSECURITY_DESCRIPTOR pSecurityDescriptor;
  DWORD Status;
  DWORD Priority;
  DWORD Position;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD TotalPages;
  DWORD Size;
  SYSTEMTIME Submitted;
  DWORD Time;
  DWORD PagesPrinted;
} JOB_INFO_2W;
static_assert(sizeof(JOB_INFO_2W) == 160 && offsetof(JOB_INFO_2W, Status) == 104 &&
              offsetof(JOB_INFO_2W, Submitted) == 132 && offsetof(JOB_INFO_2W, PagesPrinted) == 152);

// OpenPrinterW: a handle on a printer ("name" or "\\SERVER\name") or, with a null/empty name or a bare
// "\\SERVER", on the print server. Access defaults to PRINTER_ACCESS_USE (SERVER_ACCESS_ENUMERATE for a
// server). Asking for administer, delete or security-writing rights where the system profile says the user
// is not an administrator fails with ERROR_ACCESS_DENIED. Unknown printer: ERROR_INVALID_PRINTER_NAME;
// a printer file that cannot be read: ERROR_INVALID_DATA.
KVAPI BOOL OpenPrinterW(LPWSTR pPrinterName, HANDLE* phPrinter, PRINTER_DEFAULTSW* pDefault);
// ClosePrinter: FALSE with ERROR_INVALID_HANDLE for a handle that is not open.
KVAPI BOOL ClosePrinter(HANDLE hPrinter);

// AddPrinterW (level 2): a new printer on the local machine (pName null) or on the server pName. The driver
// must be installed (ERROR_UNKNOWN_PRINTER_DRIVER); names holding ',', '!' or '\' are refused
// (ERROR_INVALID_PRINTER_NAME); an existing name gives ERROR_PRINTER_ALREADY_EXISTS. Returns an open handle
// with PRINTER_ALL_ACCESS; requires an administrator.
KVAPI HANDLE AddPrinterW(LPWSTR pName, DWORD Level, LPBYTE pPrinter);
// DeletePrinter: removes the printer with its data and jobs; the handle stays to be closed.
KVAPI BOOL DeletePrinter(HANDLE hPrinter);

// GetPrinterW levels 1, 2, 4, 5 and 7. SetPrinterW levels 2 (fields, DEVMODE, attributes, rename) and 7
// (directory-publishing action, recorded); both need PRINTER_ACCESS_ADMINISTER on the handle. Command must be 0.
KVAPI BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded);
KVAPI BOOL SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command);

// AddPrinterDriverW (level 2 or 3): installs or replaces a driver for environment "Windows x64". File
// names without a folder are taken to lie in the driver folder (GetPrinterDriverDirectoryW + "\3").
KVAPI BOOL AddPrinterDriverW(LPWSTR pName, DWORD Level, LPBYTE pDriverInfo);
// GetPrinterDriverW levels 2 and 3 of the printer's driver; pEnvironment null or "Windows x64"
// (ERROR_INVALID_ENVIRONMENT otherwise).
KVAPI BOOL GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                             LPDWORD pcbNeeded);
// GetPrinterDriverDirectoryW level 1: "C:\Windows\System32\spool\drivers\x64" (bytes counted with the null).
KVAPI BOOL GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverDirectory,
                                      DWORD cbBuf, LPDWORD pcbNeeded);

// Printer data: typed values under keys (GetPrinterDataW and friends use "PrinterDriverData"). Results:
// ERROR_SUCCESS; ERROR_FILE_NOT_FOUND for a missing value or key; ERROR_MORE_DATA with *pcbNeeded when
// nSize is too small; ERROR_INVALID_HANDLE; ERROR_ACCESS_DENIED for writes without administer access;
// ERROR_INVALID_PARAMETER for bad names or sizes above 1 MiB.
KVAPI DWORD GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                            LPDWORD pcbNeeded);
KVAPI DWORD GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, LPDWORD pType, LPBYTE pData,
                              DWORD nSize, LPDWORD pcbNeeded);
KVAPI DWORD SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData);
KVAPI DWORD SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type, LPBYTE pData,
                              DWORD cbData);
KVAPI DWORD DeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName);
// EnumPrinterDataW: value dwIndex of "PrinterDriverData" in creation order. With cbValueName and cbData both 0
// it answers the largest name (bytes) and data sizes; a buffer that is too small gives ERROR_MORE_DATA;
// past the end ERROR_NO_MORE_ITEMS.
KVAPI DWORD EnumPrinterDataW(HANDLE hPrinter, DWORD dwIndex, LPWSTR pValueName, DWORD cbValueName,
                             LPDWORD pcbValueName, LPDWORD pType, LPBYTE pData, DWORD cbData, LPDWORD pcbData);

// Forms (level 1): the standard forms (form n is paper code n) followed by the forms added with AddFormW.
KVAPI BOOL EnumFormsW(HANDLE hPrinter, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded,
                      LPDWORD pcReturned);
KVAPI BOOL GetFormW(HANDLE hPrinter, LPWSTR pFormName, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded);
// AddFormW: ERROR_FILE_EXISTS for a name in use, ERROR_INVALID_FORM_NAME / ERROR_INVALID_FORM_SIZE for bad input.
KVAPI BOOL AddFormW(HANDLE hPrinter, DWORD Level, LPBYTE pForm);

// GetJobW levels 1 and 2 of a job of the printer (ERROR_INVALID_PARAMETER for an unknown job id).
KVAPI BOOL GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf, LPDWORD pcbNeeded);

// DocumentPropertiesW: loads the printer's driver interface library (the driver's config file) and hands the
// call to its DrvDocumentProperties export, returning its answer. -1 with ERROR_UNKNOWN_PRINTER_DRIVER when the
// library cannot be loaded, ERROR_PROC_NOT_FOUND when it has no such export, ERROR_INVALID_PRINTER_NAME when
// neither a handle nor a known device name is given.
#ifndef KV_HWND_DEFINED
#define KV_HWND_DEFINED
typedef void* HWND;
#endif
KVAPI LONG DocumentPropertiesW(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pDevModeOutput,
                               PDEVMODEW pDevModeInput, DWORD fMode);

// The spooler thread's identity switch: RevertToPrinterSelf returns the client's token (never null) and
// ImpersonatePrinterClient takes it back. Both calls are recorded (kvp::test::SpoolerImpersonationLog).
KVAPI HANDLE RevertToPrinterSelf(void);
KVAPI BOOL ImpersonatePrinterClient(HANDLE hToken);

namespace kvp {

// A job in a printer's queue. Jobs are made by the host's print path; GetJobW reads them.
struct SplJobSpec {
  std::u16string document;
  std::u16string userName;     // empty: the profile's user name
  std::u16string machineName;  // empty: "\\" + the profile's computer name
  std::u16string datatype = u"RAW";
  DWORD totalPages = 0;
  DWORD size = 0;
  DWORD status = JOB_STATUS_SPOOLING;
};
// Adds a job to the printer of the handle; returns its id (>= 1) or 0 with the last error set.
DWORD SplAddJob(HANDLE hPrinter, const SplJobSpec& job);
// Sets the status of a job of the printer of the handle (JOB_STATUS_PRINTED when it is done,
// JOB_STATUS_ERROR when it failed). ERROR_SUCCESS, ERROR_INVALID_PARAMETER for a job the queue does not
// hold, or the error of the handle or the store.
DWORD SplSetJobStatus(HANDLE hPrinter, DWORD jobId, DWORD status);
// The jobs in the queue of the printer of a handle, in queue order.
struct SplJobState {
  DWORD id = 0;
  std::u16string document;
  DWORD status = 0;
  DWORD totalPages = 0;
};
DWORD SplListJobs(HANDLE hPrinter, std::vector<SplJobState>& out);

// Every printer-data value of the printer of a handle, in creation order, whatever its key.
struct SplDataValue {
  std::u16string key, name;
  DWORD type = 0;
  std::vector<BYTE> data;
};
DWORD SplGetAllPrinterData(HANDLE hPrinter, std::vector<SplDataValue>& out);

// Names of the printers of the machine (local first, then those of servers), sorted case-insensitively.
// Printers whose file cannot be read are listed in `broken` by file name.
std::vector<std::u16string> SplListPrinters(std::vector<std::string>* broken = nullptr);

}  // namespace kvp

namespace kvp::test {

// The n-th following call (n = 1 is the next one) of the named spooler function fails with `error`
// (ERROR_GEN_FAILURE by default); n = 0 disarms. Names are the exported ones ("GetPrinterW").
void FailSpoolerCall(const char* function, unsigned n, DWORD error = ERROR_GEN_FAILURE);
void ResetSpoolerFailures();
// "revert" and "impersonate" entries, in call order, since the last clear.
std::vector<std::string> SpoolerImpersonationLog();
void ClearSpoolerImpersonationLog();

}  // namespace kvp::test
