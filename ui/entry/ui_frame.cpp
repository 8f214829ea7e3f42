// The worker frame: process state, printer access, context wrappers, the worker table and the steps
// the settings workers share.
#include "ui_frame.h"

#include "config/device_settings.h"
#include "driverdata/img_image.h"
#include "kvplat/error.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/migrate.h"
#include "settings/model_tables.h"
#include "settings/store.h"
#include "inst_install_state.h"
#include "inst_setup.h"
#include "ui_intake.h"
#include "ui_workers.h"
#include "settings/platform_queries.h"

#ifndef ERROR_NOT_READY
#define ERROR_NOT_READY 21L
#endif

namespace {
HMODULE g_module = nullptr;
}  // namespace

HMODULE UiGetModuleHandle() { return g_module; }
void UiSetModuleHandle(HMODULE module) { g_module = module; }

// The flag lives in the common library's context creation, which ORs the kind bit while it is 1; it
// is per thread there, and the scope puts back what it found, so nested steps and early returns are safe.
UI_SETUP_SCOPE::UI_SETUP_SCOPE() : previous_(g_StgCommonIniFlag) { g_StgCommonIniFlag = 1; }
UI_SETUP_SCOPE::~UI_SETUP_SCOPE() { g_StgCommonIniFlag = previous_; }
int UiIsSetupRunning() { return g_StgCommonIniFlag == 1 ? 1 : 0; }

int UiProcessAttachDetach(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == 1) {
    UiSetModuleHandle(module);
    StgInitLibraryLocks();
  } else if (reason == 0) {
    ImgFreeCache();
    StgPurgeContextCache(1);
    StgFreeLibraryLocks();
  }
  return 1;
}

STRING_HANDOVER_ROW STRING_HANDOVER_TABLE[kStringHandoverRows] = {{731, 15000, {}}, {733, 15001, {}}, {735, 15002, {}}, {0, 0, {}}};

// ---- Printer access ----

const UI_ACCESS_ROW UI_ACCESS_TABLE[4] = {
    {UI_ACCESS_ALL, PRINTER_ALL_ACCESS},
    {UI_ACCESS_READ, PRINTER_READ},
    {UI_ACCESS_SERVER, SERVER_ALL_ACCESS},
    {UI_ACCESS_USE, PRINTER_ACCESS_USE},
};
static_assert(PRINTER_ALL_ACCESS == 0xF000C && PRINTER_READ == 0x20008 && SERVER_ALL_ACCESS == 0xF0003 &&
              PRINTER_ACCESS_USE == 0x8);

HANDLE UiOpenPrinter(const WCHAR* printerName, UI_ACCESS_KIND use) {
  if ((unsigned)use >= 4) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, UI_ACCESS_TABLE[use].desiredAccess};
  HANDLE h = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(printerName), &h, &defaults)) return nullptr;
  return h;
}

// ---- Context wrappers ----

SETTING_CONTEXT* UiOpenContextFlags(HANDLE printer, HANDLE printer2, void* ignored, WORD flags, DWORD kind) {
  return StgCreateContextEx(printer, printer2, ignored, flags, kind, 0, nullptr);
}

SETTING_CONTEXT* UiOpenContextInfo(HANDLE printer, HANDLE printer2, void* ignored, DWORD kind,
                                   const PRINTER_INFO_2W* info) {
  return StgCreateContextEx(printer, printer2, ignored, 0, kind, 0, info);
}

SETTING_CONTEXT* UiOpenContextMode(HANDLE printer, HANDLE printer2, void* ignored, DWORD kind, DWORD fMode,
                                   const PRINTER_INFO_2W* info) {
  return StgCreateContextEx(printer, printer2, ignored, 0, kind, fMode, info);
}

void UiCloseContext(SETTING_CONTEXT* ctx) { StgReleaseContext(ctx, STG_RELEASE_GENERAL); }
void UiCloseContextMode(SETTING_CONTEXT* ctx, WORD releaseType) { StgReleaseContext(ctx, releaseType); }

// ---- Worker table ----

const UI_WORKER_ROW UI_WORKER_TABLE[UI_WORKER_COUNT] = {
    {UI_WORKER_DOC_SHEETS, "UiDocumentPropertySheets", UI_WRAP_INFO, 0, STG_KIND_UI,
     UI_MODE_DOC_SHEETS | UI_INTAKE_WITH_FMODE, STG_RELEASE_GENERAL, 1},
    {UI_WORKER_DEVICE_SHEETS, "UiDevicePropertySheets", UI_WRAP_INFO, 0, STG_KIND_UI, UI_MODE_DEVICE_SHEETS,
     STG_RELEASE_GENERAL, 1},
    {UI_WORKER_DOC_SILENT, "UiDocumentPropertiesSilent", UI_WRAP_MODE, 0, STG_KIND_DOCPROP,
     UI_MODE_DOC_SILENT | UI_INTAKE_WITH_FMODE, STG_RELEASE_GENERAL, 1},
    {UI_WORKER_JOB_QUERY, "UiDevQueryPrint", UI_WRAP_PLAIN, 0, STG_KIND_UI, UI_MODE_JOB_QUERY, STG_RELEASE_GENERAL, 1},
    {UI_WORKER_CAPS, "UiCapsFromContext", UI_WRAP_INFO, 0, STG_KIND_CAPS, UI_MODE_CAPS, STG_RELEASE_CAPS, 0},
    {UI_WORKER_CONVERT, "UiConvertDevMode", UI_WRAP_FLAGS, STG_CF_NO_LOCK | STG_CF_ASSUME_ADMIN, STG_KIND_UI,
     UI_MODE_CONVERT, STG_RELEASE_GENERAL, 1},
    {UI_WORKER_PRINTER_EVENTS, "UiUpgradePrinter", UI_WRAP_PLAIN, 0, STG_KIND_UI, 0, STG_RELEASE_GENERAL, 1},
    {UI_WORKER_SETUP, "InstSetupPrinter", UI_WRAP_FLAGS, STG_CF_NO_LOCK | 0x01, STG_KIND_UI, 0,
     STG_RELEASE_KEEP_LISTS, 1},
    {UI_WORKER_INSTALL_STATE, "InstEnsureInstalled", UI_WRAP_FLAGS, STG_CF_NO_LOCK | STG_CF_ASSUME_ADMIN,
     STG_KIND_UI, 0, STG_RELEASE_GENERAL, 1},
};

namespace {
// The caller's fMode contributes its seven fMode bits, never the caller or merge bits above them.
constexpr DWORD kFModeBits = 0x7F;
}  // namespace

const UI_WORKER_ROW* UiWorkerRow(UI_WORKER worker) {
  if ((unsigned)worker >= (unsigned)UI_WORKER_COUNT) return nullptr;
  const UI_WORKER_ROW* row = &UI_WORKER_TABLE[worker];
  return row->worker == worker ? row : nullptr;
}

DWORD UiWorkerIntakeMode(const UI_WORKER_ROW* row, DWORD fMode) {
  if (!row || !row->intakeMode) return 0;
  DWORD mode = row->intakeMode & ~UI_INTAKE_WITH_FMODE;
  if (row->intakeMode & UI_INTAKE_WITH_FMODE) mode |= fMode & kFModeBits;
  return mode;
}

// ---- Shared frame ----

int UiValidateContextStore(SETTING_CONTEXT* ctx) {
  DEVMODEW* dm = ctx ? StgGetDevmode(ctx) : nullptr;
  if (!dm) return -1;
  bool sizeOk = (DWORD)dm->dmSize + dm->dmDriverExtra == StgGetDevmodeSize();
  if (sizeOk && StgIsValidPrivateDevmode(dm)) return 0;
  // This model's private part, one minor version older: converted in place. One that cannot be
  // converted is rebuilt like a foreign one.
  if (sizeOk && StgIsSameModelDevmode(dm) && StgCompareStoreVersion(dm) == STG_VERSION_MIGRATE &&
      StgMigrateStore(dm, ctx))
    return 2;
  StgInitStoreDefaults(ctx);
  CfgFreeDeviceFontLists(ctx);
  CfgReloadDeviceSettings(ctx);
  return 1;
}

namespace {
SETTING_CONTEXT* OpenFor(const UI_WORKER_ROW* row, HANDLE printer, DWORD fMode, const PRINTER_INFO_2W* info) {
  switch (row->wrapper) {
    case UI_WRAP_INFO: return UiOpenContextInfo(printer, printer, nullptr, row->kind, info);
    case UI_WRAP_MODE: return UiOpenContextMode(printer, printer, nullptr, row->kind, fMode, info);
    case UI_WRAP_FLAGS: return UiOpenContextFlags(printer, printer, nullptr, row->creationFlags, row->kind);
    case UI_WRAP_PLAIN: return StgCreateContext(printer, printer, nullptr, row->kind);
  }
  return nullptr;
}

void Fail(UI_FRAME* frame, DWORD error) {
  StgFree(frame->info);
  frame->info = nullptr;
  frame->ctx = nullptr;
  SetLastError(error);
}
}  // namespace

int UiFrameOpen(UI_FRAME* frame, UI_WORKER worker, HANDLE printer, DWORD fMode) {
  if (!frame) return 0;
  *frame = UI_FRAME{UiWorkerRow(worker), printer, nullptr, nullptr};
  if (!frame->row) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // 1.
  frame->info = (PRINTER_INFO_2W*)StgGetPrinterInfo(printer, 2);
  if (!frame->info) {
    Fail(frame, ERROR_INVALID_HANDLE);
    return 0;
  }
  // 2.
  bool renamed = UiIsPrinterRenamed(printer, frame->info) != 0;
  if (!renamed && InstEnsureInstalled(printer, frame->row->installFlags, frame->info) != 1) {
    Fail(frame, ERROR_NOT_READY);
    return 0;
  }
  // 3. A context without its compiled image is of no use to any worker.
  SETTING_CONTEXT* ctx = OpenFor(frame->row, printer, fMode, frame->info);
  if (!ctx || !ctx->image) {
    if (ctx) StgReleaseContext(ctx, STG_RELEASE_FREE);
    Fail(frame, ERROR_FILE_NOT_FOUND);
    return 0;
  }
  frame->ctx = ctx;
  if (renamed) InstHandlePrinterRename(ctx);
  // 4.
  UiValidateContextStore(ctx);
  return 1;
}

int UiFrameTakeDevmode(UI_FRAME* frame, const DEVMODEW* dm, DWORD fMode) {
  if (!frame || !frame->ctx) return 0;
  DWORD mode = UiWorkerIntakeMode(frame->row, fMode);
  if (!mode) return 1;
  return UiMergeCallerDevmode(frame->ctx, dm, mode);
}

void UiFrameClose(UI_FRAME* frame) {
  if (!frame) return;
  if (frame->ctx) UiCloseContextMode(frame->ctx, frame->row ? frame->row->releaseType : STG_RELEASE_GENERAL);
  frame->ctx = nullptr;
  StgFree(frame->info);
  frame->info = nullptr;
}
