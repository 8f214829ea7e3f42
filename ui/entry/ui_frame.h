// The worker frame of the printer interface library: its process state (module handle, set-up flag),
// the printer access rights the workers ask for, the context wrappers and the table of how each
// worker opens, takes in and releases its settings context, and the steps most workers share.
#pragma once
#include <cstddef>

#include "config/string_handover.h"
#include "kvplat/spooler.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// ---- Process state ----

// The library's own module handle, captured by its load entry; none when the objects are linked into
// a program instead of loaded.
HMODULE UiGetModuleHandle();
void UiSetModuleHandle(HMODULE module);

// The set-up flag of the calling thread: while a UI_SETUP_SCOPE lives on a thread, every settings
// context that thread creates gets kind bit 0x40000 (the machine copy of the driver INI). Contexts
// created by other threads meanwhile are not affected, and nested scopes restore what they found.
class UI_SETUP_SCOPE {
 public:
  UI_SETUP_SCOPE();
  ~UI_SETUP_SCOPE();
  UI_SETUP_SCOPE(const UI_SETUP_SCOPE&) = delete;
  UI_SETUP_SCOPE& operator=(const UI_SETUP_SCOPE&) = delete;

 private:
  DWORD previous_;
};
// 1 while the calling thread runs a set-up step, else 0.
int UiIsSetupRunning();

// The work of the exported DllMain: reason 1 keeps the module handle and creates the library's locks;
// reason 0 frees the compiled-image cache, every cached context and the locks. 1 always.
int UiProcessAttachDetach(HINSTANCE module, DWORD reason, LPVOID reserved);

// The process-wide hand-over table: keys 731, 733 and 735 with string ids 15000-15002, then a row of zeros.
extern STRING_HANDOVER_ROW STRING_HANDOVER_TABLE[kStringHandoverRows];
static_assert(sizeof(STRING_HANDOVER_TABLE) == 2104);

// ---- Printer access ----

enum UI_ACCESS_KIND : int {
  UI_ACCESS_ALL = 0,     // upgrade, printer events first try, conversion for a local printer
  UI_ACCESS_READ = 1,    // conversion first open and for a remote printer, add-connection second try
  UI_ACCESS_SERVER = 2,  // delete-connection / delete-printer second try
  UI_ACCESS_USE = 3,     // delete-connection / delete-printer third try
};
struct UI_ACCESS_ROW {
  UI_ACCESS_KIND use;
  DWORD desiredAccess;
};
extern const UI_ACCESS_ROW UI_ACCESS_TABLE[4];
// OpenPrinterW with the row's access rights (no data type, no DEVMODE): the handle, or none with the
// platform's last error.
HANDLE UiOpenPrinter(const WCHAR* printerName, UI_ACCESS_KIND use);

// ---- Context wrappers ----

// StgCreateContextEx with the given creation flags, sub-kind 0 and no printer information.
SETTING_CONTEXT* UiOpenContextFlags(HANDLE printer, HANDLE printer2, void* ignored, WORD flags, DWORD kind);
// StgCreateContextEx with flags 0, sub-kind 0, reusing printer information the caller has (or none).
SETTING_CONTEXT* UiOpenContextInfo(HANDLE printer, HANDLE printer2, void* ignored, DWORD kind,
                                   const PRINTER_INFO_2W* info);
// StgCreateContextEx with flags 0 and the caller's fMode as sub-kind (cached contexts match per fMode).
SETTING_CONTEXT* UiOpenContextMode(HANDLE printer, HANDLE printer2, void* ignored, DWORD kind, DWORD fMode,
                                   const PRINTER_INFO_2W* info);
// StgReleaseContext with release type 0 / the given type.
void UiCloseContext(SETTING_CONTEXT* ctx);
void UiCloseContextMode(SETTING_CONTEXT* ctx, WORD releaseType);

// ---- Worker table ----

enum UI_WORKER : int {
  UI_WORKER_DOC_SHEETS,
  UI_WORKER_DEVICE_SHEETS,
  UI_WORKER_DOC_SILENT,
  UI_WORKER_JOB_QUERY,
  UI_WORKER_CAPS,
  UI_WORKER_CONVERT,
  UI_WORKER_PRINTER_EVENTS,  // upgrade, delete connection, delete printer
  UI_WORKER_SETUP,           // printer set-up
  UI_WORKER_INSTALL_STATE,   // per-user installation state
  UI_WORKER_COUNT
};
enum UI_WRAPPER : int { UI_WRAP_INFO, UI_WRAP_MODE, UI_WRAP_PLAIN, UI_WRAP_FLAGS };
// How one worker opens, takes in and releases its context. intakeMode 0: the worker takes no DEVMODE;
// UI_INTAKE_WITH_FMODE in it: the caller's fMode is ORed in.
struct UI_WORKER_ROW {
  UI_WORKER worker;
  const char* name;
  UI_WRAPPER wrapper;
  WORD creationFlags;
  DWORD kind;
  DWORD intakeMode;
  WORD releaseType;
  DWORD installFlags;  // flags of the installation check (bit 0: also a client-side connection)
};
constexpr DWORD UI_INTAKE_WITH_FMODE = 0x80000000u;
extern const UI_WORKER_ROW UI_WORKER_TABLE[UI_WORKER_COUNT];
const UI_WORKER_ROW* UiWorkerRow(UI_WORKER worker);
// The intake mode of a worker's row for a caller's fMode.
DWORD UiWorkerIntakeMode(const UI_WORKER_ROW* row, DWORD fMode);

// ---- Shared frame ----

// One worker's run: the printer information it fetched and the context it opened.
struct UI_FRAME {
  const UI_WORKER_ROW* row;
  HANDLE printer;
  PRINTER_INFO_2W* info;
  SETTING_CONTEXT* ctx;
};

// Store check: rebuilds a store of the wrong size or another model's private part (defaults, device
// font lists freed, device settings reloaded) and migrates a private part of this model with an older
// minor settings version in place. 1 rebuilt, 2 migrated, 0 kept as it was, -1 no store.
int UiValidateContextStore(SETTING_CONTEXT* ctx);
// Steps 1 to 4 of the frame: printer information, installation check, context (with its compiled
// image) and store check. 1 with frame->ctx ready; 0 with nothing held (ERROR_INVALID_HANDLE when the
// printer information cannot be had, ERROR_NOT_READY when the printer is not set up, ERROR_FILE_NOT_FOUND
// when no context with a compiled image can be made).
int UiFrameOpen(UI_FRAME* frame, UI_WORKER worker, HANDLE printer, DWORD fMode);
// Step 6: the caller's DEVMODE (or none) taken in with the worker's intake mode. 1, or 0 when the merge
// failed. A worker without an intake mode takes nothing and gets 1.
int UiFrameTakeDevmode(UI_FRAME* frame, const DEVMODEW* dm, DWORD fMode);
// Step 7: releases the context with the worker's release type and frees the printer information.
void UiFrameClose(UI_FRAME* frame);
