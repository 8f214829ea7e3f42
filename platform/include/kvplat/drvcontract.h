// The printer-interface contract: the indexes, codes and records that pass between the spooler, the
// graphics engine's printer device context and an application on one side and a driver's interface library
// on the other. Both sides include this header: the platform fills the records and calls the library's
// exports with them; the library answers by these codes.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "kvplat/devmode.h"
#include "kvplat/types.h"

// ---- Device capabilities (DeviceCapabilitiesW / DrvDeviceCapabilities) ----

#define DC_FIELDS 1
#define DC_PAPERS 2
#define DC_PAPERSIZE 3
#define DC_MINEXTENT 4
#define DC_MAXEXTENT 5
#define DC_BINS 6
#define DC_DUPLEX 7
#define DC_SIZE 8
#define DC_EXTRA 9
#define DC_VERSION 10
#define DC_DRIVER 11
#define DC_BINNAMES 12
#define DC_ENUMRESOLUTIONS 13
#define DC_FILEDEPENDENCIES 14
#define DC_TRUETYPE 15
#define DC_PAPERNAMES 16
#define DC_ORIENTATION 17
#define DC_COPIES 18
#define DC_BINADJUST 19
#define DC_EMF_COMPLIANT 20
#define DC_DATATYPE_PRODUCED 21
#define DC_COLLATE 22
#define DC_MANUFACTURER 23
#define DC_MODEL 24
#define DC_PERSONALITY 25
#define DC_PRINTRATE 26
#define DC_PRINTRATEUNIT 27
#define DC_PRINTERMEM 28
#define DC_MEDIAREADY 29
#define DC_STAPLE 30
#define DC_PRINTRATEPPM 31
#define DC_COLORDEVICE 32
#define DC_NUP 33
// One past the last index the contract defines.
#define DC_INDEX_END 34

// Entry sizes of the list answers, in bytes (the output buffer carries no size: a null output answers the
// count, and a list writes exactly count x entry size).
#define DC_PAPERS_ENTRY 2          // WORD paper code
#define DC_PAPERSIZE_ENTRY 8       // POINT in 0.1 mm
#define DC_BINS_ENTRY 2            // WORD bin number
#define DC_BINNAMES_ENTRY 48       // 24 wide characters
#define DC_ENUMRESOLUTIONS_ENTRY 8  // two LONG: x, y
#define DC_PAPERNAMES_ENTRY 128    // 64 wide characters
#define DC_MEDIAREADY_ENTRY 128    // 64 wide characters
#define DC_PERSONALITY_ENTRY 64    // 32 wide characters
#define DC_NUP_ENTRY 4             // DWORD pages per sheet

// DC_TRUETYPE bits.
#define DCTT_BITMAP 0x00000001
#define DCTT_DOWNLOAD 0x00000002
#define DCTT_SUBDEV 0x00000004
// DC_PRINTRATEUNIT answers.
#define PRINTRATEUNIT_PPM 1
#define PRINTRATEUNIT_CPS 2
#define PRINTRATEUNIT_LPM 3
#define PRINTRATEUNIT_IPM 4

// ---- Document events (DrvDocumentEvent) ----

#define DOCUMENTEVENT_FIRST 1
#define DOCUMENTEVENT_CREATEDCPRE 1
#define DOCUMENTEVENT_CREATEDCPOST 2
#define DOCUMENTEVENT_RESETDCPRE 3
#define DOCUMENTEVENT_RESETDCPOST 4
#define DOCUMENTEVENT_STARTDOC 5
#define DOCUMENTEVENT_STARTDOCPRE 5
#define DOCUMENTEVENT_STARTPAGE 6
#define DOCUMENTEVENT_ENDPAGE 7
#define DOCUMENTEVENT_ENDDOC 8
#define DOCUMENTEVENT_ENDDOCPRE 8
#define DOCUMENTEVENT_ABORTDOC 9
#define DOCUMENTEVENT_DELETEDC 10
#define DOCUMENTEVENT_ESCAPE 11
#define DOCUMENTEVENT_ENDDOCPOST 12
#define DOCUMENTEVENT_STARTDOCPOST 13
#define DOCUMENTEVENT_LAST 14
// Answers.
#define DOCUMENTEVENT_SUCCESS 1
#define DOCUMENTEVENT_UNSUPPORTED 0
#define DOCUMENTEVENT_FAILURE (-1)

// ---- Property sheets of the printer (DrvDevicePropertySheets / DrvDocumentPropertySheets) ----

// DEVICEPROPERTYHEADER.Flags: the caller may not change the printer's settings.
#define DPS_NOPERMISSION 0x0001

typedef struct _DOCUMENTPROPERTYHEADER {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  PDEVMODEW pdmIn;
  PDEVMODEW pdmOut;
  DWORD cbOut;
  DWORD fMode;
} DOCUMENTPROPERTYHEADER, *PDOCUMENTPROPERTYHEADER;
static_assert(sizeof(DOCUMENTPROPERTYHEADER) == 48 && offsetof(DOCUMENTPROPERTYHEADER, pdmIn) == 24 &&
              offsetof(DOCUMENTPROPERTYHEADER, cbOut) == 40 && offsetof(DOCUMENTPROPERTYHEADER, fMode) == 44);

typedef struct _DEVICEPROPERTYHEADER {
  WORD cbSize;
  WORD Flags;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
} DEVICEPROPERTYHEADER, *PDEVICEPROPERTYHEADER;
static_assert(sizeof(DEVICEPROPERTYHEADER) == 24 && offsetof(DEVICEPROPERTYHEADER, pszPrinterName) == 16);

// ---- DEVMODE conversion (DrvConvertDevMode) ----

#define CDM_CONVERT 0x01
#define CDM_CONVERT351 0x02
#define CDM_DRIVER_DEFAULT 0x04

// ---- Job query (DevQueryPrintEx) ----

// Filled by the spooler before a job of a printer with PRINTER_ATTRIBUTE_ENABLE_DEVQ prints. The driver
// answers FALSE to hold the job and may write a reason of at most cchErrorStr characters (cchNeeded tells
// how many it wanted).
typedef struct _DEVQUERYPRINT_INFO {
  WORD cbSize;
  WORD Level;
  HANDLE hPrinter;
  PDEVMODEW pDevMode;
  LPWSTR pszErrorStr;
  DWORD cchErrorStr;
  DWORD cchNeeded;
} DEVQUERYPRINT_INFO, *PDEVQUERYPRINT_INFO;
static_assert(sizeof(DEVQUERYPRINT_INFO) == 40 && offsetof(DEVQUERYPRINT_INFO, pDevMode) == 16 &&
              offsetof(DEVQUERYPRINT_INFO, cchNeeded) == 36);

// Status of a job the driver's job query held; the job's status text is the driver's reason.
#define JOB_STATUS_BLOCKED_DEVQ 0x00000200

// ---- The platform's log of its calls into drivers ----

namespace kvp {

// One call of the spooler or of a printer device context into a driver library: the export's name, its
// arguments as text, and its answer as text. Recorded when the call returns.
struct DriverCallRecord {
  std::string call;
  std::string arguments;
  std::string answer;
};
// The calls since the last clear, in order.
std::vector<DriverCallRecord> DriverCallLog();
void ClearDriverCallLog();
// Also hands every record to `observer` as it is made (null: none); the host's --trace uses it.
void SetDriverCallObserver(std::function<void(const DriverCallRecord&)> observer);
// Records one call (the platform's callers of driver exports use it).
void RecordDriverCall(std::string call, std::string arguments, std::string answer);

}  // namespace kvp
