// Records of the settings dictionary and of the other static tables of the template context:
// setting rows (static and run-time form), value maps, symbolic names, enumeration symbols,
// messages, dialogs and controls, plus the lookups that search them.
//
// Every lookup here works on a table handed to it (or on the static table when handed none), so a
// context's own deep copy of the dictionary or of the dialog table is searched exactly like the
// template's. The context-level wrappers (StgFindItem (context, id) ...) are one line over these.
#pragma once

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
  uint64_t reserved;
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

// Dialog kinds seen in the table.
enum : WORD {
  STG_DIALOG_DOCUMENT_PAGE = 1,
  STG_DIALOG_DEVICE_PAGE = 4,
  STG_DIALOG_DOCUMENT_DEVICE_PAGE = 17,
  STG_DIALOG_SUBDIALOG = 32768,
};

// One control of a dialog. The meaning of the kind and the run-time fields belong to the property
// sheets; the common library only stores them.
struct CONTROL_DESC {
  WORD key;        // item key (symbol of the control or of its setting)
  WORD controlId;  // control id inside the dialog template
  WORD kind;       // control kind
  WORD reserved;
  const ITEM_DESC* item;  // bound setting row (of the template dictionary), or none
  DWORD state;            // state word: bits 0-1 and 2-3 are read by the feature modules
  DWORD reserved2;
  uint64_t runtime[3];    // filled by the property sheets
};

struct DIALOG_DESC {
  WORD id;          // 1001 onwards
  WORD resourceId;  // dialog template resource id
  WORD kind;
  WORD reserved;
  const char* name;  // QDV_IDD_ name
  uint64_t helpId;
  CONTROL_DESC* controls;
  int16_t zero;
  int16_t controlCount;
  void* runtime1;  // filled by the property sheets
  void* runtime2;
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
