// The feature-module table: ten modules hook into the settings model by answering numbered commands
// and events. Each context carries its own copy of the table (with the modules' private data); the
// dispatchers offer a command or an event to the rows in table order until one answers. Also the
// bridge through which the driver API drives the colour-matching and chapter modules, and the
// model's compiled-in switches and judge hooks.
#pragma once
#include <cstdint>

#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct CONTROL_DESC;
struct DIALOG_DESC;

// Non-zero: the command was handled.
typedef int (*STG_MODULE_COMMAND)(SETTING_CONTEXT* ctx, WORD command, void* privateData);
// Used by the property sheets of the interface library only; every row of this library answers 0.
typedef int (*STG_MODULE_MESSAGE)(SETTING_CONTEXT* ctx, HANDLE page, HANDLE control, UINT message,
                                  UINT_PTR wParam, LONG_PTR lParam, void* privateData);
// Non-zero: the event was handled (the broadcast stops there). Answers travel back in `arg`.
typedef int (*STG_MODULE_EVENT)(SETTING_CONTEXT* ctx, DWORD event, void* arg, void* privateData);

struct FEATURE_MODULE {
  uint64_t privateSize;  // zero-filled bytes each context allocates for the module; 0 = none
  void* privateData;     // the context's block (none in the static table)
  STG_MODULE_COMMAND command;
  STG_MODULE_MESSAGE message;
  STG_MODULE_EVENT event;
};
static_assert(sizeof(FEATURE_MODULE) == 40);

// A context's copy of the table, owned by its work area.
struct MODULE_VECTOR {
  int32_t count;
  FEATURE_MODULE* rows;
};

// Rows of the table.
enum : int {
  STG_MODULE_PRESETS = 0,
  STG_MODULE_WATERMARKS = 1,
  STG_MODULE_COLOR_MATCHING = 2,
  STG_MODULE_CUSTOM_SIZES = 3,
  STG_MODULE_CHAPTERS = 4,
  STG_MODULE_CHECKLIST = 5,
  STG_MODULE_FONT_SUBST = 6,
  STG_MODULE_SUMMARY = 7,
  STG_MODULE_LOCKS = 8,
  STG_MODULE_JOB_SETTINGS = 9,
  STG_MODULE_COUNT = 10,
};

// Commands (u16) and their handlers' rows.
enum : WORD {
  STG_CMD_CMM_FIRST = 111,      // 111-124 colour-matching profiles
  STG_CMD_CMM_LAST = 124,
  STG_CMD_CHAPTER_FIRST = 303,  // 303-307 chapters: copy one cover or insert media type to the others
  STG_CMD_CHAPTER_LAST = 307,
  STG_CMD_LOCKS_LOADED = 312,   // administrator locks: record the locked values
  STG_CMD_DOCUMENT_APPLY = 326, // the interface library's modules
  STG_CMD_SAVE_STAMP = 327,     // watermarks: keep the watermark settings as the selected stamp
  STG_CMD_SEPARATION_CYCLE = 901,  // job settings: separation-sheet cycle from the copies
  STG_CMD_PERSISTENT_FIRST = 10000,  // 10000-11976 follow-ups carrying a persistent settings id
  STG_CMD_PERSISTENT_LAST = 11976,
};

// Events (u32) the common library raises; the raiser owns the argument record.
enum : DWORD {
  STG_EVENT_CREATED = 1,
  STG_EVENT_FREEING = 2,
  STG_EVENT_CONTROL_STATE = 3,      // interface library: {CONTROL_DESC*, DIALOG_DESC*, handled}
  STG_EVENT_SAVE_SETTING = 4,       // {mode u64, ITEM_DESC*, handled u64}: handled 1 skips it
  STG_EVENT_READ_SETTING = 5,       // the same, for a read
  STG_EVENT_FILE_SETTING = 6,       // {ITEM_DESC*, handled u64}
  STG_EVENT_TRAY_STATUS = 8,
  STG_EVENT_TRAY_FUNCTION = 9,
  STG_EVENT_TRAYS_VISITED = 10,
  STG_EVENT_BEFORE_STORE = 11,
  STG_EVENT_DEVICE_DATA = 12,       // {answer u64 = 1}
  STG_EVENT_DEPENDENTS = 13,
  STG_EVENT_DYNAMIC_STRING = 16,    // {string id u16, destination text}
  STG_EVENT_CLASS_READ = 18,
  STG_EVENT_TRAY_DETAILS = 21,      // {answer u32 = 0}
  STG_EVENT_QUERY_DONE = 22,
  STG_EVENT_DEVICE_SAVED = 23,
  STG_EVENT_FILE_TRANSFERRED = 24,  // {flags, file name}
  STG_EVENT_UNDO_PUSHED = 26,
  STG_EVENT_UNDO_RESTORED = 27,
  STG_EVENT_RESOLUTIONS = 30,       // {answer}
  STG_EVENT_VALUE_REJECTED = 32,    // {DEVMODE*, ITEM_DESC*, value}
  STG_EVENT_INPUT_BINS = 33,        // {answer}
  STG_EVENT_COLOR_FLAGS = 35,
  STG_EVENT_SETTINGS_CHANGED = 36,
  STG_EVENT_SHOW_VALUE = 38,           // 38-43, 46, 47, 51, 55: property-sheet control events
  STG_EVENT_VALUE_TYPED = 39,          //   with a STG_CONTROL_EVENT_ARG
  STG_EVENT_SHOW_VALUE2 = 40,
  STG_EVENT_DOTS_STORED = 41,
  STG_EVENT_VALUE_APPLIED = 42,
  STG_EVENT_SPIN_STORED = 43,
  STG_EVENT_CUSTOM_SIZE_TAKEN = 44,    // {DEVMODE*}
  STG_EVENT_CUSTOM_SIZE_WRITTEN = 45,  // {DEVMODE*, handled u64}
  STG_EVENT_SPIN_RANGE = 46,
  STG_EVENT_PAGE_CHANGED = 47,
  STG_EVENT_SHOWS_INCHES = 51,
  STG_EVENT_MERGE_DONE = 52,           // {merge mode word}
  STG_EVENT_DERIVED_REFRESHED = 53,
  STG_EVENT_FIT_PAPER = 54,            // {answer}
  STG_EVENT_DOTS_STORED2 = 55,
  STG_EVENT_VERSION_TEXT = 57,         // {text buffer, 16}
  STG_EVENT_LOCKS_TO_PRESETS = 59,
  STG_EVENT_LOCK_RESOLUTION = 60,
};

// Argument of event 3 (state of a control), raised by the interface library.
struct MODULE_CONTROL_STATE_ARG {
  CONTROL_DESC* control;
  DIALOG_DESC* dialog;
  uint64_t handled;
};

// Record of the property-sheet events 38-43, 46, 47, 51 and 55. The raiser sets the reference and
// zeroes the three numbers before the broadcast. The reference is the control's CONTROL_DESC; for
// event 47 it is the page's DIALOG_DESC and `value` carries the changed rule node (an image node
// reference). Answers: 38 / 40 a non-zero value replaces the value the control shows; 46 answered 1
// makes the spin range run from value2 (minimum) to value (maximum), in dots; 51 value 1 makes the
// control show hundredths of an inch.
struct STG_CONTROL_EVENT_ARG {
  void* ref;
  uint64_t value;
  uint64_t value2;
  uint64_t answered;
};
static_assert(sizeof(STG_CONTROL_EVENT_ARG) == 32);

// The dialog-accepted flag (work area) that a driver dialog leaves when it ends with `endCode`: 0 for
// IDCANCEL (2) and IDNO (7), 1 for any other end. StgNoteDialogEnd stores it in the context; the
// property sheets also store 0 when they add their pages.
DWORD StgDialogAcceptedFlag(INT_PTR endCode);
void StgNoteDialogEnd(SETTING_CONTEXT* ctx, INT_PTR endCode);

// The static table; *count := its row count (10).
const FEATURE_MODULE* StgGetModuleTable(int32_t* count);
// Builds the context's module vector and the modules' private blocks, then broadcasts event 1.
// 1 built; 0 when an allocation failed (the context then has no modules and must not be used).
int StgCreateModules(SETTING_CONTEXT* ctx);
// Frees the chapter rows and the preset snapshots; with a vector: broadcasts event 2 and frees the
// private blocks and the vector.
void StgFreeModules(SETTING_CONTEXT* ctx);
// Offers the command to each row's command handler in order, stopping at the first non-zero answer.
void StgBroadcastModuleCommand(SETTING_CONTEXT* ctx, WORD command);
// Calls each row's event callback in order, stopping at the first non-zero answer. Returns the
// vector's row count (0 without a vector, when nothing is called).
int StgBroadcastModuleEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg);

// Parameter record of StgRunModuleOp: six u32 values and the full-width references some ops need.
struct MODULE_OP_PARAMS {
  DWORD p[6];
  void* ref;   // op 1: destination text (STG_MODULE_OP_TEXT wide characters); op 6: first chapter list
  void* ref2;  // op 6: second chapter list
};
constexpr DWORD STG_MODULE_OP_TEXT = 260;
// Highest page number op 2 accepts, so "first-last" always fits the chapter range text.
constexpr DWORD STG_MODULE_OP_MAX_PAGE = 99999;

// The driver API's operations on the colour-matching and chapter modules:
//   0 p[0] := profile count;  1 select profile p[0], copy its mode text into ref;
//   2 add page p[0] (to p[2]) as a chapter row, p[3] := 0 accepted / 1 refused;
//   3 delete chapter row p[0], p[1] := 0 done / 1 nothing done;  4 p[0] := clear the rows;
//   5 row p[0] from the driver INI into p[1..5];  6 p[2] := 1 when the lists ref and ref2 differ.
// Returns 1 done; 0 for an op outside 0-6, no parameters, or an op that could not be carried out
// (op 1 without a setting behind the mode control, op 2 without the chapter dialog or with a page
// outside 1-99999, op 3 without a driver-API record).
int StgRunModuleOp(SETTING_CONTEXT* ctx, DWORD op, MODULE_OP_PARAMS* params);

// 1 for the model's features 0-5, 0 for any other. ctx may be none; `unused` is ignored.
int StgIsModelFeatureOn(SETTING_CONTEXT* ctx, WORD feature, int unused);
// Bit n of the process-wide feature bitmap (word 0: bits 2, 7, 11, 23; all other words 0).
int StgIsFeatureBitSet(DWORD bit);
// 1 when the context's capability mask shares a bit with mask, else 0 (also for no context).
int StgHasCapability(SETTING_CONTEXT* ctx, DWORD mask);
// Judge-hook pseudo-settings: 1292-1307 answered by the colour-matching module, 1404-1419 by the
// job-settings module, every other id 0.
DWORD StgGetJudgeHookValue(SETTING_CONTEXT* ctx, WORD id);
