// Records of the settings dictionary and of the other static tables of the template context:
// setting rows (static and run-time form), value maps, symbolic names, enumeration symbols,
// messages, dialogs and controls, plus the lookups that search them.
//
// Every lookup here works on a table handed to it (or on the static table when handed none), so a
// context's own deep copy of the dictionary or of the dialog table is searched exactly like the
// template's. The context-level wrappers (StgFindItem (context, id) ...) are one line over these.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kvplat/types.h"

// ---------------------------------------------------------------------------------------------
// Type word: bits 0-15 length in bytes, bits 24-29 type code, bits 30-31 block.

enum : DWORD {
  STG_TYPE_I8 = 1,
  STG_TYPE_I16 = 2,
  STG_TYPE_U32_COUNTER = 3,  // unsigned 32-bit, only rdmTotalCounter
  STG_TYPE_U8 = 4,
  STG_TYPE_U16 = 5,
  STG_TYPE_U32 = 6,
  STG_TYPE_ANSI = 10,
  STG_TYPE_WIDE = 11,
  STG_TYPE_BIT0 = 16,  // 16..47: bit (code - 16) of the 32-bit little-endian word at the offset
  STG_TYPE_BIT31 = 47,
};

enum : DWORD {
  STG_BLOCK_DEVMODE = 1,
  STG_BLOCK_DEVICE = 2,
  STG_BLOCK_WORK = 3,
};

// Storage medium of a setting outside memory.
enum : DWORD {
  STG_MEDIUM_NONE = 0,   // memory only
  STG_MEDIUM_BLOCK = 1,  // the block's own medium: DEVMODE (block 1) or printer data (block 2)
  STG_MEDIUM_INI = 2,    // the driver INI, in the printer's section unless a section is given
};

// Flags word: five 2-bit fields.
enum : DWORD {
  STG_FLAG_CHANGE_MASK = 0x003,  // change state, run-time only
  STG_FLAG_CHANGED = 0x001,
  STG_FLAG_LAYOUT = 0x004,     // layout class (presets, settings files, chapters)
  STG_FLAG_QUALITY = 0x010,    // quality class (driver API quality save/restore)
  STG_FLAG_WATERMARK = 0x040,  // watermark class
  STG_FLAG_COPY_MASK = 0x3FF,  // the bits a run-time row takes over from its static row
};

// Special kinds in use (read by other subsystems; the settings model does not interpret them).
enum : DWORD {
  STG_KIND_TIME = 1,
  STG_KIND_MARGIN = 2,
  STG_KIND_DEVICE_NAME = 3,
  STG_KIND_INI_FILE_NAME = 5,
  STG_KIND_LOG_FILE_NAME = 6,
  STG_KIND_DRIVER_FILE_NAME = 7,
  STG_KIND_SHIFT_MARGIN_X = 9,
  STG_KIND_SHIFT_MARGIN_Y = 10,
  STG_KIND_AUX_FILE_NAME = 12,
  STG_KIND_HF_PAGE_FORM = 13,
};

constexpr DWORD StgMakeTypeWord(DWORD length, DWORD code, DWORD block) {
  return (length & 0xFFFFu) | ((code & 0x3Fu) << 24) | ((block & 0x3u) << 30);
}
constexpr DWORD StgTypeLength(uint64_t type) { return (DWORD)(type & 0xFFFFu); }
constexpr DWORD StgTypeCode(uint64_t type) { return (DWORD)((type >> 24) & 0x3Fu); }
constexpr DWORD StgTypeBlock(uint64_t type) { return (DWORD)((type >> 30) & 0x3u); }
constexpr bool StgTypeIsBit(uint64_t type) {
  return StgTypeCode(type) >= STG_TYPE_BIT0 && StgTypeCode(type) <= STG_TYPE_BIT31;
}

// ---------------------------------------------------------------------------------------------
// Value map: pairs {stored value, option value}; option value 0 ends a sub-list; option value
// 65535 marks a pair the mapping passes over. Only the low 16 bits of the option value are read.

struct ITEM_VALUE_MAP {
  DWORD stored;
  DWORD option;
};

// Static form of a setting row (template data; every field 64 bits wide).
struct ITEM_DESC_STATIC {
  uint64_t id;
  uint64_t key;      // UI item key, 0 when none
  uint64_t type;     // type word
  uint64_t offset;   // byte offset inside its block
  uint64_t medium;
  const WCHAR* iniSection;  // or none
  const WCHAR* iniKey;      // or none
  const ITEM_VALUE_MAP* valueMap;  // or none
  uint64_t special;
  uint64_t flags;
  const WCHAR* name;  // or none
};

// Side block of a run-time row; owned by the row in a context's copy.
struct ITEM_DESC_EXT {
  const ITEM_VALUE_MAP* valueMap;
  const WCHAR* name;
};

// Run-time form of a setting row (the rows of a context's dictionary copy).
struct ITEM_DESC {
  uint64_t id;
  uint64_t key;
  uint64_t type;
  uint64_t offset;
  uint64_t medium;
  const WCHAR* iniSection;
  const WCHAR* iniKey;
  uint64_t special;
  uint64_t flags;
  ITEM_DESC_EXT* ext;
  uint64_t changeClass;  // refresh classes a write raises (mask 0x11F0000); bit 31 a length in dots
};

struct ITEM_DICTIONARY {
  int16_t count;
  ITEM_DESC* rows;
};

struct ITEM_DICTIONARY_STATIC {
  int16_t count;
  const ITEM_DESC_STATIC* rows;
};

// Symbolic name: a QDV_ name of a setting, rule, condition, message, dialog or control, or an
// alert answer name.
struct ITEM_SYMBOL {
  WORD id;   // setting or object id, 0 for symbols that are not settings
  WORD key;  // item key
  DWORD reserved;
  const char* name;
};

// Enumeration symbol (option-value names, BF_ ids) and resource-name row (IDS_/IDB_ names).
struct ENUM_SYMBOL {
  WORD settingId;
  WORD key;
  DWORD value;
  uint64_t one;  // 1 in every row
  const char* name;
  uint64_t second;
};

struct MESSAGE_DESC {
  WORD key;       // 399 .. 450
  WORD stringId;  // resource string id
  DWORD reserved;
  const char* name;
  uint64_t reserved2;
};

// Read-only table headers of the symbol tables (shared by every context).
struct ITEM_SYMBOL_TABLE {
  int32_t count;
  const ITEM_SYMBOL* rows;
};
struct ENUM_SYMBOL_TABLE {
  int32_t count;
  const ENUM_SYMBOL* rows;
};
struct MESSAGE_TABLE {
  int32_t count;
  const MESSAGE_DESC* rows;
};

// Dialog kind bits. A dialog is a page of the document sheet (bit 0) or of the device sheet (bit 1)
// or both; bit 2 lets a page also open as a dialog and marks every other sub-dialog. The file and
// folder dialogs carry one bit each.
enum : WORD {
  STG_DIALOG_DOCUMENT_PAGE = 0x1,
  STG_DIALOG_DEVICE_PAGE = 0x2,
  STG_DIALOG_DIALOG = 0x4,
  STG_DIALOG_DEVICE_EXTRA = 0x8,   // kept from the table; no behaviour
  STG_DIALOG_PRESET_GROUP = 0x10,  // document page whose settings belong to the preset group
  STG_DIALOG_USER_SUBDIALOG = 0x20,
  STG_DIALOG_FILE_OPEN = 0x100,
  STG_DIALOG_FILE_SETTINGS = 0x200,
  STG_DIALOG_FILE_REFER = 0x400,
  STG_DIALOG_FILE_PRESET_SAVE = 0x800,
  STG_DIALOG_FILE_PRESET_REFER = 0x1000,
  STG_DIALOG_FILE_SAVE = 0x2000,
  STG_DIALOG_FOLDER = 0x8000,
  STG_DIALOG_FILE_MASK = 0x3F00,
  STG_DIALOG_PAGE_MASK = STG_DIALOG_DOCUMENT_PAGE | STG_DIALOG_DEVICE_PAGE,
};

// Tags of a control's extra data (the first word of the array).
enum : WORD {
  STG_EXTRA_SAMPLE = 1,          // sample picture; its dependent setting ids in words 3-8
  STG_EXTRA_SCROLL_STEPS = 3,    // minus/plus bar: {3, small step, large step, string id}
  STG_EXTRA_TAG4 = 4,            // exclusion marks of a combo, or the settings-summary list of an edit
  STG_EXTRA_STEP_RECORD = 5,     // auto-repeat step button
  STG_EXTRA_TAB_GROUPS = 6,
  STG_EXTRA_PREVIEW = 8,         // preview; the item keys it depends on in words 1-14
};

// Behaviour flags of a control. Only STG_CONTROL_DOTS_LENGTH comes with the table; the UI
// preparation sets the others.
enum : DWORD {
  STG_CONTROL_REFRESH_MASK = 0x11F0000,
  STG_CONTROL_NO_ARROW_STEP = 0x200000,
  STG_CONTROL_TEXT_LIMIT_260 = 0x400000,
  STG_CONTROL_KEEP_BLANKS = 0x800000,
  STG_CONTROL_SAVES_PRESET = 0x2000000,
  STG_CONTROL_NO_REBUILD = 0x4000000,
  STG_CONTROL_PICTURE_ITEMS = 0x8000000,
  STG_CONTROL_NO_HELP = 0x20000000,
  STG_CONTROL_DOTS_LENGTH = 0x80000000,  // a length kept in 1200-dpi dots, shown in the display unit
};

// Extra data of an auto-repeat step button: each row steps one control of the page.
struct STEP_ROW {
  WORD controlId;
  int16_t step;
};
struct STEP_RECORD {
  WORD tag;  // STG_EXTRA_STEP_RECORD
  int16_t count;
  const STEP_ROW* rows;
};
static_assert(sizeof(STEP_RECORD) == 16);

// State word of a control: bits 0-1 hidden state, bits 2-3 disabled state (1 = hidden / disabled).
enum : WORD {
  STG_CONTROL_STATE_HIDDEN_MASK = 0x3,
  STG_CONTROL_STATE_HIDDEN = 0x1,
  STG_CONTROL_STATE_DISABLED_MASK = 0xC,
  STG_CONTROL_STATE_DISABLED = 0x4,
};

// One control of a dialog. The table fills the static fields; the property sheets prepare and fill
// the run-time ones in a context's copy. Extra data is read-only: whoever rewrites it copies it.
struct CONTROL_DESC {
  int16_t key;           // item key (symbol of the control or of its setting), 0 for none
  WORD controlId;        // control id inside the dialog template
  WORD kind;             // control kind
  WORD alternateId;      // 0 in the table; the control id once the UI is prepared
  WORD labelId;          // label string, also the help context id; 0 for none
  WORD hintId;           // hint pop-up text; 0 for none
  WORD infoId;           // information mark text of the disabled control; 0 for none
  int16_t linkedId;      // linked control id or item key, by kind
  int16_t followUp;      // follow-up code after an accepted change
  void* ruleNode;        // compiled-image node of the control's rules (run time)
  const ITEM_DESC* item;  // bound setting row (the template's in the table), or none
  ULONG_PTR savedProc;   // window procedure before subclassing (run time)
  const void* extra;     // extra data: an array of 16-bit words (or a STEP_RECORD), first word the tag; or none
  DWORD flags;           // STG_CONTROL_* bits
  WORD state;            // STG_CONTROL_STATE_* bits (run time)
  void* window;          // the control's window while its dialog is open (run time)
  DWORD markFlags;       // bit 0 lock mark without an information string, bit 1 content rebuilt
  int16_t lockInfoId;    // information text while an administrator lock holds; 0 for none
  int16_t lockSettingId;  // setting whose non-zero value also locks the control; 0 for none
};

struct DIALOG_DESC {
  WORD id;       // dialog id, also the template id in the resource library
  WORD pageKey;  // item key of the page's own node, 0 for none
  WORD kind;     // STG_DIALOG_* bits
  WORD reserved;
  const char* name;  // QDV_ name
  uint64_t helpId;
  CONTROL_DESC* controls;
  int16_t zero;
  int16_t controlCount;
  void* window;       // the dialog's window while it is open (run time)
  int64_t modalOpen;  // 1 while the dialog runs modally (run time)
};

struct DIALOG_TABLE {
  int16_t count;
  DIALOG_DESC* rows;
};

// Every field of a setting row is 64 bits wide; the symbol rows have their fixed shapes.
static_assert(sizeof(ITEM_DESC_STATIC) == 11 * 8);
static_assert(sizeof(ITEM_DESC) == 11 * 8);
static_assert(sizeof(ITEM_SYMBOL) == 16);
static_assert(sizeof(ENUM_SYMBOL) == 32);
static_assert(sizeof(MESSAGE_DESC) == 24);
static_assert(sizeof(CONTROL_DESC) == 80);
static_assert(offsetof(CONTROL_DESC, ruleNode) == 24);
static_assert(offsetof(CONTROL_DESC, extra) == 48);
static_assert(offsetof(CONTROL_DESC, flags) == 56);
static_assert(offsetof(CONTROL_DESC, state) == 60);
static_assert(offsetof(CONTROL_DESC, window) == 64);
static_assert(offsetof(CONTROL_DESC, markFlags) == 72);
static_assert(offsetof(CONTROL_DESC, lockSettingId) == 78);
static_assert(sizeof(DIALOG_DESC) == 56);
static_assert(offsetof(DIALOG_DESC, controlCount) == 34);
static_assert(offsetof(DIALOG_DESC, modalOpen) == 48);

// ---------------------------------------------------------------------------------------------
// Static tables of the template.

constexpr int STG_ITEM_COUNT = 1989;

const ITEM_DICTIONARY_STATIC* StgGetStaticDictionary();
// The template's dictionary in run-time form (static storage; never written).
ITEM_DICTIONARY* StgGetTemplateDictionary();
const ITEM_SYMBOL_TABLE* StgGetSymbolTable();
const ENUM_SYMBOL_TABLE* StgGetEnumSymbolTable();
const ENUM_SYMBOL_TABLE* StgGetResourceNameTable();
const MESSAGE_TABLE* StgGetMessageTable();
// The template's dialog table (static storage; a context deep-copies it).
DIALOG_TABLE* StgGetTemplateDialogTable();

// Converts one static row into a run-time row; the caller supplies the side block.
void StgInitRuntimeRow(const ITEM_DESC_STATIC* src, ITEM_DESC* dst, ITEM_DESC_EXT* ext);

// ---------------------------------------------------------------------------------------------
// Setting-row lookups over a dictionary (a context's copy or the template's).

// Row of a setting id, or none. Ids before the gap and the device ids after it are reached without
// a comparison; any other id is bisected and then scanned.
ITEM_DESC* StgDictFindItem(const ITEM_DICTIONARY* dict, WORD id);
const ITEM_DESC_STATIC* StgStaticFindItem(WORD id);
// The first row whose key is the item key; else the symbol with that key and then its setting's
// row; else none. symbols: none for the static symbol table.
ITEM_DESC* StgDictFindItemByKey(const ITEM_DICTIONARY* dict, const ITEM_SYMBOL_TABLE* symbols, WORD key);
// Row whose name equals the ASCII name exactly, or none.
ITEM_DESC* StgDictFindItemByName(const ITEM_DICTIONARY* dict, const char* name);
// The gap index of a dictionary (1555 for this model's dictionary).
int StgDictGapIndex(const ITEM_DICTIONARY* dict);

// ---------------------------------------------------------------------------------------------
// Symbol, enumeration, message, dialog and control lookups (table none = the static table).

const ITEM_SYMBOL* StgFindSymbolByKey(WORD key);
const ITEM_SYMBOL* StgFindSymbolByName(const char* name);
const ITEM_SYMBOL* StgTableFindSymbolByKey(const ITEM_SYMBOL_TABLE* table, WORD key);
const ITEM_SYMBOL* StgTableFindSymbolByName(const ITEM_SYMBOL_TABLE* table, const char* name);

// By (setting, value) in the enumeration symbols, then in the resource names.
const ENUM_SYMBOL* StgFindEnumSymbol(WORD settingId, DWORD value);
const ENUM_SYMBOL* StgFindEnumSymbolByName(const char* name);

int StgTableGetMessageCount(const MESSAGE_TABLE* table);
const MESSAGE_DESC* StgTableGetMessageRow(const MESSAGE_TABLE* table, int n);
const MESSAGE_DESC* StgTableFindMessage(const MESSAGE_TABLE* table, WORD key);
const MESSAGE_DESC* StgTableFindMessageByName(const MESSAGE_TABLE* table, const char* name);

DIALOG_DESC* StgTableFindDialog(const DIALOG_TABLE* table, WORD dialogId);
DIALOG_DESC* StgTableFindDialogByName(const DIALOG_TABLE* table, const char* name);
// The n-th control, none for no dialog or n not below its control count.
CONTROL_DESC* StgGetDialogControl(const DIALOG_DESC* dialog, int n);
// Search the dialog, or every dialog of the table in order when dialog is none.
CONTROL_DESC* StgTableFindControlById(const DIALOG_TABLE* table, const DIALOG_DESC* dialog, WORD controlId);
CONTROL_DESC* StgTableFindControlByKey(const DIALOG_TABLE* table, const DIALOG_DESC* dialog, WORD key);
// The control whose item key is that of the named symbol.
CONTROL_DESC* StgTableFindControlByName(const DIALOG_TABLE* table, const DIALOG_DESC* dialog,
                                        const char* name);
