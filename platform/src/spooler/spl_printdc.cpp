// The printer device context of applications: the graphics engine's device of the printer's graphics
// library behind an HDC, the document calls on it, the escapes into the graphics library and the
// document events of the printer's interface library around them. Every call into a driver goes into
// the platform's log of calls into drivers.
#include "kvplat/printdc.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/handle.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "spl_internal.h"

namespace kvp {
namespace {

using DrvDocumentEventFn = int (*)(HANDLE, HDC, int, ULONG, void*, ULONG, void*);

// The handle kind of printer device contexts (the first kind the handle table leaves to areas).
constexpr DWORD kHandleKindPrinterDc = kHandleKindFirstFree;

const char* EventName(int event) {
  switch (event) {
    case DOCUMENTEVENT_CREATEDCPRE: return "CREATEDCPRE";
    case DOCUMENTEVENT_CREATEDCPOST: return "CREATEDCPOST";
    case DOCUMENTEVENT_STARTDOCPRE: return "STARTDOC";
    case DOCUMENTEVENT_STARTDOCPOST: return "STARTDOCPOST";
    case DOCUMENTEVENT_STARTPAGE: return "STARTPAGE";
    case DOCUMENTEVENT_ENDPAGE: return "ENDPAGE";
    case DOCUMENTEVENT_ENDDOCPRE: return "ENDDOC";
    case DOCUMENTEVENT_ENDDOCPOST: return "ENDDOCPOST";
    case DOCUMENTEVENT_ABORTDOC: return "ABORTDOC";
    case DOCUMENTEVENT_DELETEDC: return "DELETEDC";
    default: return "?";
  }
}

// One printer device context. Used by one thread at a time, as every device context is.
struct PrinterDc {
  HDC self = nullptr;
  HANDLE printer = nullptr;
  std::u16string name;
  DWORD attributes = 0;
  std::vector<BYTE> devmode;  // the context's document settings (the caller's, else the printer's)
  void* uiLibrary = nullptr;
  DrvDocumentEventFn documentEvent = nullptr;
  eng::Driver driver;
  eng::Device device;
  bool driverLoaded = false;
  bool informationOnly = false;
  DWORD jobId = 0;      // the job of the open document
  DWORD lastJobId = 0;  // the job of the last document started, open or not
  DWORD pages = 0;      // pages of the open document started
  int deliveringEvent = 0;  // the document event under way, for the log of escapes sent from it
  std::function<bool(POINTL)> drawer;

  ~PrinterDc() {
    eng::DisablePdev(&device);
    if (driverLoaded) eng::UnloadDriver(&driver);
    spl::FreeDriverLibrary(uiLibrary);
    if (printer) ClosePrinter(printer);
  }
};

void CloseDc(void* object) { delete static_cast<PrinterDc*>(object); }

std::shared_ptr<PrinterDc> Lookup(HDC hdc) {
  auto dc = HandleRef<PrinterDc>(reinterpret_cast<HANDLE>(hdc), kHandleKindPrinterDc);
  if (!dc) SetLastError(ERROR_INVALID_HANDLE);
  return dc;
}

// DrvDocumentEvent of the interface library; DOCUMENTEVENT_UNSUPPORTED when it has none.
int Event(PrinterDc& dc, int event, ULONG inSize = 0, void* in = nullptr, ULONG outSize = 0, void* out = nullptr) {
  if (!dc.documentEvent) return DOCUMENTEVENT_UNSUPPORTED;
  int outer = dc.deliveringEvent;
  dc.deliveringEvent = event;
  int r = dc.documentEvent(dc.printer, dc.self, event, inSize, in, outSize, out);
  dc.deliveringEvent = outer;
  RecordDriverCall("DrvDocumentEvent", std::string("DOCUMENTEVENT_") + EventName(event) + " in=" +
                                           std::to_string(inSize) + " out=" + std::to_string(outSize),
                   std::to_string(r));
  return r;
}

// The engine's job hook answers in the log.
DWORD Logged(const char* hook, DWORD r, const std::string& args = "") {
  RecordDriverCall(hook, args, r == ERROR_SUCCESS ? "1" : "0 error=" + std::to_string(r));
  return r;
}

int Fail(DWORD error) {
  SetLastError(error);
  return SP_ERROR;
}

void EndJob(PrinterDc& dc, DWORD status) {
  if (dc.jobId) spl::SetJobDetails(dc.printer, dc.jobId, nullptr, status, nullptr, &dc.pages);
  dc.jobId = 0;
}

// The printer's interface library and its document-event export; the library stays held while the
// context lives.
void LoadInterfaceLibrary(PrinterDc& dc, const std::u16string& driverName) {
  spl::Driver d;
  if (spl::LoadDriver(driverName, d) != ERROR_SUCCESS || d.configFile.empty()) return;
  dc.uiLibrary = spl::LoadDriverLibrary(d.configFile);
  dc.documentEvent = reinterpret_cast<DrvDocumentEventFn>(spl::DriverLibraryEntry(dc.uiLibrary, "DrvDocumentEvent"));
}

// The caller's DEVMODE when its sizes are readable (copied as far as they say), else none.
std::vector<BYTE> CallerDevmode(const DEVMODEW* dm) {
  if (!dm || dm->dmSize < offsetof(DEVMODEW, dmFields) + sizeof(DWORD)) return {};
  const BYTE* b = reinterpret_cast<const BYTE*>(dm);
  return std::vector<BYTE>(b, b + dm->dmSize + dm->dmDriverExtra);
}

}  // namespace

HDC CreatePrinterDc(LPCWSTR device, const DEVMODEW* devmode, bool informationOnly) {
  auto dc = std::make_unique<PrinterDc>();
  dc->name = device ? device : u"";
  dc->informationOnly = informationOnly;
  if (!OpenPrinterW(dc->name.data(), &dc->printer, nullptr)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  DWORD needed = 0;
  GetPrinterW(dc->printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed ? needed : 1);
  if (!GetPrinterW(dc->printer, 2, info.data(), needed, &needed)) return nullptr;
  const auto* p2 = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
  dc->attributes = p2->Attributes;
  std::u16string driverName = p2->pDriverName ? p2->pDriverName : u"";
  dc->devmode = CallerDevmode(devmode);
  if (dc->devmode.empty()) dc->devmode = CallerDevmode(p2->pDevMode);
  LoadInterfaceLibrary(*dc, driverName);

  PrinterDc* raw = dc.release();
  HANDLE h = HandleCreate(kHandleKindPrinterDc, raw, CloseDc);
  if (!h) return nullptr;
  raw->self = reinterpret_cast<HDC>(h);
  const DEVMODEW* dm = raw->devmode.empty() ? nullptr : reinterpret_cast<const DEVMODEW*>(raw->devmode.data());

  DOCEVENT_CREATEDCPRE pre{driverName.c_str(), raw->name.c_str(), dm, informationOnly ? TRUE : FALSE};
  DEVMODEW* offered = nullptr;  // a DEVMODE the library would put in place of the caller's: not taken
  DWORD error = ERROR_SUCCESS;
  if (Event(*raw, DOCUMENTEVENT_CREATEDCPRE, sizeof pre, &pre, sizeof offered, &offered) == DOCUMENTEVENT_FAILURE) {
    error = ERROR_PRINT_CANCELLED;
  } else if ((error = eng::LoadPrinterDriver(raw->printer, &raw->driver)) == ERROR_SUCCESS) {
    raw->driverLoaded = true;
    error = Logged("DrvEnablePDEV", eng::EnablePdev(raw->driver, raw->printer, raw->name.c_str(), dm, &raw->device),
                   ToUtf8(raw->name) + " dm=" + std::to_string(raw->devmode.size()) + " bytes");
    // A device whose page size is not known yet has no surface: its documents go out undrawn.
    if (error == ERROR_SUCCESS && !informationOnly) eng::EnableSurface(&raw->device);
  }
  if (error != ERROR_SUCCESS) {
    HandleClose(h, kHandleKindPrinterDc);
    SetLastError(error);
    return nullptr;
  }
  const DEVMODEW* post = dm;
  Event(*raw, DOCUMENTEVENT_CREATEDCPOST, sizeof post, &post);
  SetLastError(ERROR_SUCCESS);
  return raw->self;
}

bool DeletePrinterDc(HDC hdc, BOOL* result) {
  HANDLE h = reinterpret_cast<HANDLE>(hdc);
  if (HandleKind(h) != kHandleKindPrinterDc) return false;
  if (auto dc = Lookup(hdc)) {
    if (dc->jobId) {
      Event(*dc, DOCUMENTEVENT_ABORTDOC);
      Logged("DrvEndDoc", eng::AbortDoc(&dc->device), "ED_ABORTDOC");
      EndJob(*dc, JOB_STATUS_ERROR);
    }
    Event(*dc, DOCUMENTEVENT_DELETEDC);
  }
  *result = HandleClose(h, kHandleKindPrinterDc);
  return true;
}

eng::Device* PrinterDcDevice(HDC hdc) {
  auto dc = HandleRef<PrinterDc>(reinterpret_cast<HANDLE>(hdc), kHandleKindPrinterDc);
  return dc ? &dc->device : nullptr;
}

void SetPrinterDcPageDrawer(HDC hdc, std::function<bool(POINTL origin)> draw) {
  if (auto dc = Lookup(hdc)) dc->drawer = std::move(draw);
}

DWORD PrinterDcJobId(HDC hdc) {
  auto dc = HandleRef<PrinterDc>(reinterpret_cast<HANDLE>(hdc), kHandleKindPrinterDc);
  return dc ? dc->lastJobId : 0;
}

}  // namespace kvp

using kvp::Fail;

KVAPI HDC CreateICW(LPCWSTR, LPCWSTR device, LPCWSTR, const DEVMODEW* devmode) {
  if (!device || !*device) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return kvp::CreatePrinterDc(device, devmode, true);
}

KVAPI int StartDocW(HDC hdc, const DOCINFOW* info) {
  auto dc = kvp::Lookup(hdc);
  if (!dc) return SP_ERROR;
  if (dc->informationOnly || dc->jobId || !info) return Fail(ERROR_INVALID_PARAMETER);
  const DOCINFOW* given = info;
  if (kvp::Event(*dc, DOCUMENTEVENT_STARTDOCPRE, sizeof given, &given) == DOCUMENTEVENT_FAILURE)
    return Fail(ERROR_PRINT_CANCELLED);
  kvp::SplJobSpec spec;
  spec.document = info->lpszDocName ? info->lpszDocName : u"";
  DWORD jobId = kvp::SplAddJob(dc->printer, spec);
  if (!jobId) return SP_ERROR;
  dc->jobId = dc->lastJobId = jobId;
  dc->pages = 0;
  // The job carries the document settings it prints with.
  if (DWORD e = kvp::spl::SetJobDetails(dc->printer, jobId, &dc->devmode, JOB_STATUS_SPOOLING, nullptr)) {
    kvp::EndJob(*dc, JOB_STATUS_ERROR);
    return Fail(e);
  }
  if (dc->attributes & PRINTER_ATTRIBUTE_ENABLE_DEVQ) {
    std::u16string why;
    if (!kvp::spl::DriverQueryJob(dc->name, dc->printer, dc->devmode, &why)) {
      kvp::spl::SetJobDetails(dc->printer, jobId, nullptr, JOB_STATUS_BLOCKED_DEVQ, &why);
      dc->jobId = 0;
      return Fail(ERROR_PRINT_CANCELLED);
    }
  }
  kvp::SplSetJobStatus(dc->printer, jobId, JOB_STATUS_PRINTING);
  DWORD r = kvp::Logged("DrvStartDoc", kvp::eng::StartDoc(&dc->device, spec.document.c_str(), jobId),
                        "job=" + std::to_string(jobId));
  if (r != ERROR_SUCCESS) {
    kvp::EndJob(*dc, JOB_STATUS_ERROR);
    return Fail(r);
  }
  LONG id = LONG(jobId);
  kvp::Event(*dc, DOCUMENTEVENT_STARTDOCPOST, sizeof id, &id);
  SetLastError(ERROR_SUCCESS);
  return int(jobId);
}

KVAPI int StartPage(HDC hdc) {
  auto dc = kvp::Lookup(hdc);
  if (!dc) return SP_ERROR;
  if (!dc->jobId) return Fail(ERROR_INVALID_PARAMETER);
  if (kvp::Event(*dc, DOCUMENTEVENT_STARTPAGE) == DOCUMENTEVENT_FAILURE) return Fail(ERROR_PRINT_CANCELLED);
  DWORD r = kvp::Logged("DrvStartPage", kvp::eng::StartPage(&dc->device));
  if (r != ERROR_SUCCESS) return Fail(r);
  ++dc->pages;
  return 1;
}

KVAPI int EndPage(HDC hdc) {
  auto dc = kvp::Lookup(hdc);
  if (!dc) return SP_ERROR;
  if (!dc->jobId || !dc->device.inPage) return Fail(ERROR_INVALID_PARAMETER);
  if (kvp::Event(*dc, DOCUMENTEVENT_ENDPAGE) == DOCUMENTEVENT_FAILURE) return Fail(ERROR_PRINT_CANCELLED);
  kvp::eng::Device& dev = dc->device;
  // A plain surface is drawn once before the page goes out; a banding one band by band.
  if (dc->drawer && dev.surfobj && !dev.banding && !dc->drawer(POINTL{0, 0})) return Fail(ERROR_INVALID_FUNCTION);
  const std::function<bool(POINTL)>* bands = dc->drawer && dev.surfobj && dev.banding ? &dc->drawer : nullptr;
  DWORD r = kvp::Logged(dev.surfobj && dev.banding ? "DrvStartBanding/DrvNextBand" : "DrvSendPage",
                        kvp::eng::EndPage(&dev, nullptr, bands));
  return r == ERROR_SUCCESS ? 1 : Fail(r);
}

KVAPI int EndDoc(HDC hdc) {
  auto dc = kvp::Lookup(hdc);
  if (!dc) return SP_ERROR;
  if (!dc->jobId) return Fail(ERROR_INVALID_PARAMETER);
  kvp::Event(*dc, DOCUMENTEVENT_ENDDOCPRE);
  DWORD r = kvp::Logged("DrvEndDoc", kvp::eng::EndDoc(&dc->device));
  kvp::EndJob(*dc, r == ERROR_SUCCESS ? JOB_STATUS_PRINTED : JOB_STATUS_ERROR);
  kvp::Event(*dc, DOCUMENTEVENT_ENDDOCPOST);
  return r == ERROR_SUCCESS ? 1 : Fail(r);
}

KVAPI int AbortDoc(HDC hdc) {
  auto dc = kvp::Lookup(hdc);
  if (!dc) return SP_ERROR;
  if (!dc->jobId) return Fail(ERROR_INVALID_PARAMETER);
  kvp::Event(*dc, DOCUMENTEVENT_ABORTDOC);
  kvp::Logged("DrvEndDoc", kvp::eng::AbortDoc(&dc->device), "ED_ABORTDOC");
  kvp::EndJob(*dc, JOB_STATUS_ERROR);
  return 1;
}

KVAPI int ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData) {
  auto dc = kvp::Lookup(hdc);
  if (!dc) return -1;
  if (cjInput < 0 || cjOutput < 0 || (cjInput && !lpInData) || (cjOutput && !lpOutData)) return Fail(ERROR_INVALID_PARAMETER);
  ULONG r = kvp::eng::Escape(&dc->device, ULONG(iEscape), ULONG(cjInput), const_cast<char*>(lpInData), ULONG(cjOutput),
                             lpOutData);
  std::string args = "escape=" + std::to_string(iEscape) + " in=" + std::to_string(cjInput) + " bytes out=" +
                     std::to_string(cjOutput) + " bytes";
  if (dc->deliveringEvent) args += std::string(" (during DOCUMENTEVENT_") + kvp::EventName(dc->deliveringEvent) + ")";
  kvp::RecordDriverCall("DrvEscape", args, std::to_string(int(r)));
  return int(r);
}
