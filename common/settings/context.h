// The settings context: one printer's settings model (dictionary copy, dialog table copy, model
// constants, settings store, compiled image, work area), its creation and release, the two caches of
// released contexts and the locks that guard them.
#pragma once
#include "config/free_size.h"
#include "kvplat/types.h"
#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/undo.h"

struct COMPILED_IMAGE;
struct MODULE_VECTOR;
struct API_STATE;
struct _PRINTER_INFO_2W;

// The settings store: DEVMODE (public 220 + private 1016), device block 5264, work block 3580.
struct SETTING_STORE {
  BYTE bytes[10080];
};
static_assert(sizeof(SETTING_STORE) == 10080);

// Full references to the three font lists of a store. The store's own 4-byte slots only mark whether
// a list is present; the lists belong to the context (see StgGetFontList).
struct STORE_FONT_LISTS {
  void* deviceFont;  // rdmDeviceFont 10007
  void* optionFont;  // rdmOptionFont 10009
  void* fontTable;   // rdmFontTable 10005
};

// What the property sheets keep in a context. The run-time part (from the sheet callback to the
// paint DC) belongs to one sheet and is cleared when a sheet starts; the prepared part (cursors,
// brushes, the controls' extra-data copies) lives as long as the context.
typedef LONG_PTR (*SHEET_CALLBACK)(HANDLE sheet, UINT function, LONG_PTR lParam1, LONG_PTR lParam2);
// The off-screen composition of a control's pictures and the colour state of its painters.
struct SHEET_PICTURE {
  DWORD armed;           // 1 while a composition is open
  DWORD stretch;         // 1: the buffer holds a picture at its own size, stretched when shown
  void* bufferDc;        // none until the first picture is drawn
  void* bufferPrevious;  // the bitmap the buffer context held before
  void* overlay;         // a bitmap drawn (and released) by picture id 0
  LONG width;            // the stored size of a stretched picture
  LONG height;
  LONG balance[6];       // luminance, contrast, chroma, red, green, blue shifts; 50 neutral
  DWORD background;      // the colour transparent parts receive
  DWORD ready;           // 1 once the balance and background hold their resting values
  DWORD adjusted;        // 1: the next composed picture goes through the colour-balance painter
};

struct SHEET_WORK {
  SHEET_CALLBACK callback;  // the service's add-page callback and its sheet handle (set at INIT)
  HANDLE handle;
  WORD kind;                // 1 document sheet, 2 device sheet
  WORD firstDialogId;       // first dialog initialised in this context
  WORD lastCommandId;       // low word of the last WM_COMMAND
  WORD captionId;           // caption string of the button being painted
  DWORD inApply;            // 1 while PSN_APPLY runs
  DWORD pageInitialising;   // 1 from a page's WM_INITDIALOG until it is fitted and shown
  DWORD layoutGuard;        // 1 while a page is laid out
  DWORD locksChanged;       // set by the lock dialogs, consumed by the device sheet's apply
  DWORD mayChange;          // the user may change the device settings
  DWORD applied;            // the sheet's apply ran (read at DESTROY)
  DWORD committedByApply;   // the device settings were committed by an apply
  DWORD deviceQueryResults; // document sheets: the device query's results are taken over
  SETTING_STORE* trayCopy;  // document sheets: the store before the device trays were taken over
  DWORD resolveGuard;       // a resolving dialog runs for resolveNode
  void* resolveNode;
  void* paintDc;            // the paint DC nested painters share, none outside a paint
  // Prepared once per context.
  void* cursors[2];         // information-mark cursors 8000 and 8001
  void* savedCursor;
  void* brushes[2];         // button face and white
  DWORD faceColour;
  WORD sampleExtra[9];      // the colour-balance sample's extra data, in setting ids
  WORD previewExtra[15];    // the preview's extra data, in setting ids
  // The alert of a unit edit waiting for its box (message 0x8001): the control, the value it had before
  // the change (when the change stored one) and the preset number before it, so that the answer decides.
  const void* deferredAlert;
  void* deferredControl;
  DWORD deferredOld;
  DWORD deferredStored;
  WORD deferredPreset;
  // Sub-dialogs and the hint.
  DWORD subDialogResult;    // the button a file dialog's user confirmed (5001-5003), else 0
  WORD hintControlId;       // owner control and position key of the hint that exists or is pending
  LONG hintKey;
  void* focusedMark;        // the information mark to outline (one per context), none when none
  SHEET_PICTURE picture;    // the composition of the picture being painted
};

// Working state of one context, zero-filled at creation. Fields are in a fixed order; the ones marked
// reserved belong to the subsystems named and are only zeroed here.
struct CONTEXT_WORK_AREA {
  WCHAR iniPath[260];                // 1 driver INI path
  DWORD iniPathKept;                 //   1 while a path named by the job (escape) replaces the computed one
  SETTING_STORE* undo[STG_UNDO_DEPTH];  // 2 undo snapshots (slot 0 newest)
  DWORD undoDepth;                   //   snapshots pushed and not yet popped (0 to STG_UNDO_DEPTH)
  DWORD docPropMode;                 // 3 document-properties mode (fMode)
  void* sheetRefs[2];                // 4 reserved: property sheets
  WORD evalStackTop;                 // 5 rule evaluator stack
  void* evalStack;
  DWORD dialogAccepted;              // 6
  DWORD storeModified;               // 7
  HANDLE hintWindow;                 // 8 hint pop-up of the sheets: its window, the id of the control
  WORD captureControlId;             //   that holds the mouse capture, the pending timer and the
  UINT_PTR hintTimer;                //   window under the hint
  HANDLE hintTarget;
  WORD buildMode;                    // 9 low byte of the creation flags
  WORD sheetWord;                    // 10 reserved: property sheets
  WCHAR regionCode[32];              // 11
  WCHAR driverName[32];              // 12
  WCHAR modelName[33];               // 13
  WCHAR textBuffer[1025];            // 14
  WCHAR printerName[261];            // 15 key of the context caches
  WCHAR sectionName[330];            // 16
  DWORD uiState0;                    // 17 reserved: sheets and feature dialogs
  void* uiRefs[4];
  DWORD uiState1;
  DWORD changeWords[STG_UNDO_DEPTH + 1];  // 18 one per undo snapshot, then the current one
  SHEET_WORK sheet;                  // 19 property sheets
  DWORD fontSubstCount;              // 20 font-substitution module
  void* fontSubstRef;
  DWORD lastError;                   // 21
  WCHAR modelIniPath[261];           // 22
  WCHAR driverDir[261];
  WCHAR path3[261];
  WCHAR path4[261];
  DWORD mergeMode;                   // 23 INTAKE_MODE of the last merge
  DWORD entryState;                  // 24 reserved: entry points and sheets
  WORD entryWord;
  ITEM_DESC* rowCache[128];          // 25 rows the computed flags read most (113 in use)
  void* sheetRefs2[2];               // 26 reserved: sheets, then entry points
  BYTE entryBytes[2];
  void* entryRef;
  WORD countryClass[3];              // 27
  BYTE reserved28[64];               // 28 reserved: subsystems 5 to 7
  SETTING_STORE* savedCopy;          // 29
  alignas(8) BYTE jobControl[256];   // 30 job-control binding (zeroed at creation)
  API_STATE* apiState;               // 31 driver-API state
  DWORD reserved31[2];
  void* chapterRows;                 // 32 chapter module
  DWORD chapterDeviceLoaded;
  BYTE reserved32[64];               //    reserved: graphics and feature dialogs
  DWORD chapterCountKept;            // 33
  DWORD useSharedLock;               // 34 1 unless created with 0x100
  DWORD adminCheck;                  // 35 1 unless created with 0x200
  DWORD kind;                        // 36 creation kind after adjustment
  MODULE_VECTOR* modules;            // 37 feature-module vector
  void* deviceReadBuffer;            // 38
  WORD publicMergeWord;              // 39
  BYTE moduleState[64];
  SETTING_STORE* defaultCopy;        // 40 default-settings copy ("LockDefaultData")
  BYTE reserved41[64];               // 41 reserved: subsystems 4 to 7
  DWORD plugInInstalled;
  DWORD plugInPathKnown;
  DWORD capabilityMask;              // 42
  void* asideMediaTypes;             // 43
  BYTE reserved44;                   // 44
  DWORD printerLocation;             // 45 0 unknown, 1 remote, 2 local
  DWORD printerAttributes;
  DWORD attributesKnown;
  // Owned font lists of the current store and of the saved copy (their slots only mark presence).
  STORE_FONT_LISTS currentLists;
  STORE_FONT_LISTS savedLists;
  // Custom paper slots (ten user sizes, then codes 256 and 448) and the preset snapshots of entries
  // 0-15 with their sizes in bytes.
  FREE_SIZE_SLOT freeSizeSlots[12];
  void* presetSnapshots[16];
  DWORD presetSnapshotBytes[16];
};

// One printer's settings model. Fields in this order; references are full machine-width.
struct SETTING_CONTEXT {
  HANDLE printer;                  // 1 the creator's printer handle
  HANDLE printer2;                 // 2 second handle
  SHORT dialogInUse;               // 3
  ITEM_DICTIONARY* dictionary;     // 4 own copy
  DIALOG_TABLE* dialogs;           // 5 own copy
  const ITEM_SYMBOL_TABLE* symbols;       // 6 shared, read-only
  const ENUM_SYMBOL_TABLE* enumSymbols;   // 7
  const ENUM_SYMBOL_TABLE* resourceNames; // 8
  const MESSAGE_TABLE* messages;          // 9
  MODEL_BLOCK* model;              // 10 own copy
  SETTING_STORE* store;            // 11 own; none in a light context
  COMPILED_IMAGE* image;           // 12 shared through the image cache; never freed here
  CONTEXT_WORK_AREA* work;         // 13 own
  HMODULE resourceLib;             // 14 freed at release
  HMODULE pictureLib;              // 15 freed at release
};

// Creation kinds.
constexpr DWORD STG_KIND_UI = 0x80000000u;
constexpr DWORD STG_KIND_CAPS = 0x1000000u;
constexpr DWORD STG_KIND_DOCPROP = 0x2000000u;
constexpr DWORD STG_KIND_GRAPHICS_IN = 0x10000u;
constexpr DWORD STG_KIND_GRAPHICS = 0x20000000u;
constexpr DWORD STG_KIND_EXC = 0x100000u;
constexpr DWORD STG_KIND_API = 0x200000u;
constexpr DWORD STG_KIND_COMMON_INI = 0x40000u;

// Creation flags.
constexpr WORD STG_CF_BUILD_MASK = 0x00FF;
constexpr WORD STG_CF_NO_LOCK = 0x0100;
constexpr WORD STG_CF_ASSUME_ADMIN = 0x0200;
constexpr WORD STG_CF_RELOAD_DEVICE = 0x0400;
constexpr WORD STG_CF_CACHE_OK = 0x0800;
constexpr WORD STG_CF_ANY_HANDLE = 0x1000;

// Release types.
constexpr WORD STG_RELEASE_GENERAL = 0;
constexpr WORD STG_RELEASE_KEEP_LISTS = 1;
constexpr WORD STG_RELEASE_CAPS = 4;
constexpr WORD STG_RELEASE_FREE = 5;

// How long a released context waits in a cache for reuse.
constexpr DWORD STG_CACHE_LIFETIME_MS = 500;

struct CONTEXT_CACHE_SLOT {
  SETTING_CONTEXT* context;
  DWORD tick;
};
struct CONTEXT_CACHE {
  CONTEXT_CACHE_SLOT slots[2];
};

// Creates a context for a printer: StgCreateContextEx with flags 0, sub-kind 0, no printer information.
SETTING_CONTEXT* StgCreateContext(HANDLE printer, HANDLE printer2, void* reserved, DWORD kind);
// Creates a context (or takes a matching one from the caches). flags: low byte build mode (0-3 full,
// 4+ light), STG_CF_* bits. info: the caller's level-2 printer record or none (then read from the
// spooler). Returns none on failure (no memory, no compiled image for a full context).
SETTING_CONTEXT* StgCreateContextEx(HANDLE printer, HANDLE printer2, void* reserved, WORD flags,
                                    DWORD kind, DWORD subKind, const _PRINTER_INFO_2W* info);
// StgReleaseContext with type 0.
void StgFreeContext(SETTING_CONTEXT* ctx);
// Releases a context: types 0 and 4 offer it to the general / capability cache, others free it.
void StgReleaseContext(SETTING_CONTEXT* ctx, WORD type);
// Library steps of a context's life (each library may build its own; the common ones do nothing): the
// language of the context's resources, taken once the region is known; the last step of creating a new
// context; the parts a library keeps beside a context, freed when the context is.
void StgSetContextLanguage(SETTING_CONTEXT* ctx);
void StgFinishContextCreation(SETTING_CONTEXT* ctx);
void StgReleaseLibraryParts(SETTING_CONTEXT* ctx);
// Takes expired contexts (all = 0) or every context (all != 0) out of both caches and frees them.
// Returns how many were taken.
int StgPurgeContextCache(int all);
// The library's static template context.
SETTING_CONTEXT* StgGetTemplateContext();
// Copies the store into the saved copy, giving the copy its own font lists. 1, or 0 without a copy.
int StgKeepStoreCopy(SETTING_CONTEXT* ctx);
// Frees the saved copy's three font lists. 1, or 0 without a work area or saved copy.
int StgFreeStoreCopyLists(SETTING_CONTEXT* ctx);
// The model-list row whose name equals the driver name exactly, or none.
const MODEL_ENTRY* StgFindModelEntry(SETTING_CONTEXT* ctx, const WCHAR* driverName);
// Library attach and detach.
void StgInitLibraryLocks();
void StgFreeLibraryLocks();
// Takes / gives back the global mutex "Global\ZarnMutexTse". Nothing for a context created with
// STG_CF_NO_LOCK. Lock returns 1 when this thread now owns the mutex (or nothing had to be taken),
// 0 when it could not be had (the matching unlock then releases nothing).
int StgLockSharedFiles(SETTING_CONTEXT* ctx);
void StgUnlockSharedFiles(SETTING_CONTEXT* ctx);
// Zero-filled block from the global heap, or none; StgFree frees such a block (nothing for none).
void* StgAllocZero(DWORD bytes);
void StgFree(void* block);

// The common-INI (set-up) flag of the calling thread (0 at start): while it is 1, contexts the thread
// creates get STG_KIND_COMMON_INI. Per thread, so a set-up on one thread never reaches another's contexts.
extern thread_local DWORD g_StgCommonIniFlag;
