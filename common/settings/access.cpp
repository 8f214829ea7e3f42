// Typed access to settings by row and by id.
#include "settings/access.h"

#include <cstring>
#include <vector>

#include "driverdata/rule_judges.h"
#include "config/resource_strings.h"
#include "kvplat/codepage.h"
#include "settings/store.h"
#include "settings/units.h"

namespace {

SETTING_CONTEXT* Tpl(SETTING_CONTEXT* ctx) { return ctx ? ctx : StgGetTemplateContext(); }

// Byte offset of a block inside the store: constants of the stored layout. The copies of the header
// in the data are written for the outside world but never used to address the store.
DWORD BlockBase(DWORD block) {
  switch (block) {
    case STG_BLOCK_DEVMODE: return 0;
    case STG_BLOCK_DEVICE: return STG_DEVICE_BLOCK_OFFSET;
    case STG_BLOCK_WORK: return STG_WORK_BLOCK_OFFSET;
    default: return 0xFFFFFFFFu;
  }
}

// Bytes a row occupies: its length, or the 32-bit word of a bit row.
DWORD RowSpan(const ITEM_DESC* row) {
  if (StgTypeIsBit(row->type)) return 4;
  DWORD len = StgTypeLength(row->type);
  switch (StgTypeCode(row->type)) {
    case STG_TYPE_I8: case STG_TYPE_U8: return len ? len : 1;
    case STG_TYPE_I16: case STG_TYPE_U16: return len ? len : 2;
    case STG_TYPE_U32_COUNTER: case STG_TYPE_U32: return len ? len : 4;
    default: return len;
  }
}

// Address of a row inside a given store, or none when the row does not lie inside its block.
BYTE* RowAddress(SETTING_STORE* store, const ITEM_DESC* row) {
  if (!store || !row) return nullptr;
  DWORD block = StgTypeBlock(row->type);
  DWORD base = BlockBase(block);
  if (base == 0xFFFFFFFFu) return nullptr;
  uint64_t end = row->offset + RowSpan(row);
  if (end > StgGetBlockSize(block)) return nullptr;
  return store->bytes + base + row->offset;
}

bool IsFontListId(uint64_t id) {
  return id == QDV_rdmFontTable || id == QDV_rdmDeviceFont || id == QDV_rdmOptionFont;
}

uint32_t Rd32(const BYTE* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
uint16_t Rd16(const BYTE* p) { uint16_t v; std::memcpy(&v, p, 2); return v; }
void Wr32(BYTE* p, uint32_t v) { std::memcpy(p, &v, 4); }
void Wr16(BYTE* p, uint16_t v) { std::memcpy(p, &v, 2); }

uint64_t Decode(const ITEM_DESC* row, BYTE* p) {
  if (!p) return 0;
  DWORD code = StgTypeCode(row->type);
  switch (code) {
    case STG_TYPE_I8: return (uint32_t)(int32_t)(int8_t)p[0];
    case STG_TYPE_I16: return (uint32_t)(int32_t)(int16_t)Rd16(p);
    case STG_TYPE_U32_COUNTER: case STG_TYPE_U32: return Rd32(p);
    case STG_TYPE_U8: return p[0];
    case STG_TYPE_U16: return Rd16(p);
    default: break;
  }
  if (code >= STG_TYPE_BIT0 && code <= STG_TYPE_BIT31) {
    DWORD bit = code - STG_TYPE_BIT0;
    return (p[bit / 8] >> (bit % 8)) & 1u;
  }
  return (uint64_t)(uintptr_t)p;
}

void Encode(const ITEM_DESC* row, BYTE* p, uint64_t value) {
  if (!p) return;
  DWORD code = StgTypeCode(row->type);
  switch (code) {
    case STG_TYPE_I8: case STG_TYPE_U8: p[0] = (BYTE)value; return;
    case STG_TYPE_I16: case STG_TYPE_U16: Wr16(p, (uint16_t)value); return;
    case STG_TYPE_U32_COUNTER: case STG_TYPE_U32: Wr32(p, (uint32_t)value); return;
    default: break;
  }
  if (code >= STG_TYPE_BIT0 && code <= STG_TYPE_BIT31) {
    DWORD bit = code - STG_TYPE_BIT0;
    BYTE mask = (BYTE)(1u << (bit % 8));
    if (value) p[bit / 8] |= mask; else p[bit / 8] &= (BYTE)~mask;
    return;
  }
  DWORD len = StgTypeLength(row->type);
  const BYTE* src = (const BYTE*)(uintptr_t)value;
  if (!src) std::memset(p, 0, len);
  else if (src != p) std::memmove(p, src, len);
}

// The sub-list of a value map to use for a row (the landscape part for four settings).
const ITEM_VALUE_MAP* ChooseSubList(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  const ITEM_VALUE_MAP* map = row->ext ? row->ext->valueMap : nullptr;
  if (!map) return nullptr;
  bool second = false;
  if (row->id == QDV_rdmNUPType || row->id == QDV_rdmDuplexType)
    second = StgGetValue(ctx, QDV_dmOrientation, nullptr) == 2;
  else if (row->id == QDV_rdmPunchType || row->id == QDV_rdmStapleType)
    second = RuleIsSheetLandscape(ctx) != 0;
  if (!second) return map;
  const ITEM_VALUE_MAP* p = map;
  while ((p->option & 0xFFFF) != 0) ++p;
  return p + 1;
}

bool IsOverrideTraySetting(uint64_t id) {
  switch (id) {
    case 13: case 123: case 125: case 127: case 342: case 346: case 408: case 918: case 923:
    case 997: case 998: case 999: case 1003: case 1005: case 1006: case 1007: case 1008: case 1009:
    case 10276: case 10277: case 10278: case 10279: case 10280: case 10288:
      return true;
    default:
      return id >= 1120 && id <= 1156 && (id - 1120) % 4 == 0;
  }
}

// The override rows apply to this row (table not empty, a tray setting).
bool OverrideApplies(const ITEM_DESC* row) {
  const VALUE_OVERRIDE_ROW* t = StgGetValueOverrideTable();
  return t && t->option != 0 && IsOverrideTraySetting(row->id);
}

bool OverrideRowActive(SETTING_CONTEXT* ctx, const ITEM_DESC* row, const VALUE_OVERRIDE_ROW* o) {
  if (StgGetValue(ctx, (WORD)o->conditionSettingId, nullptr) == 0) return false;
  bool lockRule = row->id == 13 || row->id == 918 || row->id == 342 || row->id == 346;
  if (lockRule && StgIsTrayLocked(ctx)) return StgGetValue(ctx, 10417, nullptr) != 0;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Row lookups.

ITEM_DESC* StgFindItem(SETTING_CONTEXT* ctx, WORD id) {
  ctx = Tpl(ctx);
  return StgDictFindItem(ctx->dictionary, id);
}

ITEM_DESC* StgFindItemByKey(SETTING_CONTEXT* ctx, WORD key) {
  ctx = Tpl(ctx);
  return StgDictFindItemByKey(ctx->dictionary, ctx->symbols, key);
}

const WCHAR* StgGetItemName(SETTING_CONTEXT* ctx, WORD id) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  return row && row->ext ? row->ext->name : nullptr;
}

DIALOG_DESC* StgFindDialog(SETTING_CONTEXT* ctx, WORD dialogId) {
  return StgTableFindDialog(Tpl(ctx)->dialogs, dialogId);
}
DIALOG_DESC* StgFindDialogByName(SETTING_CONTEXT* ctx, const char* name) {
  return StgTableFindDialogByName(Tpl(ctx)->dialogs, name);
}
CONTROL_DESC* StgFindControlById(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, WORD controlId) {
  return StgTableFindControlById(Tpl(ctx)->dialogs, dialog, controlId);
}
CONTROL_DESC* StgFindControlByKey(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, WORD key) {
  return StgTableFindControlByKey(Tpl(ctx)->dialogs, dialog, key);
}
CONTROL_DESC* StgFindControlByName(SETTING_CONTEXT* ctx, const DIALOG_DESC* dialog, const char* name) {
  return StgTableFindControlByName(Tpl(ctx)->dialogs, dialog, name);
}
int StgGetMessageCount(SETTING_CONTEXT* ctx) { return StgTableGetMessageCount(Tpl(ctx)->messages); }
const MESSAGE_DESC* StgGetMessageRow(SETTING_CONTEXT* ctx, int n) {
  return StgTableGetMessageRow(Tpl(ctx)->messages, n);
}
const MESSAGE_DESC* StgFindMessage(SETTING_CONTEXT* ctx, WORD key) {
  return StgTableFindMessage(Tpl(ctx)->messages, key);
}
const MESSAGE_DESC* StgFindMessageByName(SETTING_CONTEXT* ctx, const char* name) {
  return StgTableFindMessageByName(Tpl(ctx)->messages, name);
}

// ---------------------------------------------------------------------------------------------
// Values by row.

BYTE* StgGetValuePtr(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  return ctx ? RowAddress(ctx->store, row) : nullptr;
}
BYTE* StgGetSavedValuePtr(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  return ctx && ctx->work ? RowAddress(ctx->work->savedCopy, row) : nullptr;
}
BYTE* StgGetLockedDefaultValuePtr(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  return ctx && ctx->work ? RowAddress(ctx->work->defaultCopy, row) : nullptr;
}

void** StgFontListSlot(SETTING_CONTEXT* ctx, WORD id, bool saved) {
  if (!ctx || !ctx->work) return nullptr;
  STORE_FONT_LISTS& l = saved ? ctx->work->savedLists : ctx->work->currentLists;
  switch (id) {
    case QDV_rdmDeviceFont: return &l.deviceFont;
    case QDV_rdmOptionFont: return &l.optionFont;
    case QDV_rdmFontTable: return &l.fontTable;
    default: return nullptr;
  }
}

uint64_t StgReadValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  if (!row) return 0;
  if (IsFontListId(row->id)) {
    if (!StgGetValuePtr(ctx, row)) return 0;
    void** slot = StgFontListSlot(ctx, (WORD)row->id, false);
    return slot ? (uint64_t)(uintptr_t)*slot : 0;
  }
  return Decode(row, StgGetValuePtr(ctx, row));
}

uint64_t StgReadSavedValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  if (!row) return 0;
  if (IsFontListId(row->id)) {
    if (!StgGetSavedValuePtr(ctx, row)) return 0;
    void** slot = StgFontListSlot(ctx, (WORD)row->id, true);
    return slot ? (uint64_t)(uintptr_t)*slot : 0;
  }
  return Decode(row, StgGetSavedValuePtr(ctx, row));
}

uint64_t StgReadLockedDefaultValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  if (!row) return 0;
  // The default-settings copy comes from printer data and owns no lists.
  if (IsFontListId(row->id)) return 0;
  return Decode(row, StgGetLockedDefaultValuePtr(ctx, row));
}

namespace {
// Stores a value into a store; the three list settings keep the full reference beside the store and
// only a presence marker in their 4-byte slot.
void StoreValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row, BYTE* p, uint64_t value, bool saved) {
  if (!p) return;
  if (IsFontListId(row->id)) {
    void** slot = StgFontListSlot(ctx, (WORD)row->id, saved);
    if (slot) *slot = (void*)(uintptr_t)value;
    Wr32(p, value ? 1u : 0u);
    return;
  }
  Encode(row, p, value);
}
}  // namespace

void StgWriteValue(SETTING_CONTEXT* ctx, ITEM_DESC* row, uint64_t value) {
  if (!ctx || !row) return;
  BYTE* p = StgGetValuePtr(ctx, row);
  if (!p) return;
  StoreValue(ctx, row, p, value, false);
  row->flags = (row->flags & ~(uint64_t)STG_FLAG_CHANGE_MASK) | STG_FLAG_CHANGED;
  if (ctx->work) ctx->work->storeModified = 1;
  // The controls that show what depends on this setting are rebuilt by the next layout.
  if (DWORD classes = DWORD(row->changeClass) & STG_CONTROL_REFRESH_MASK) StgRaiseChangeFlags(ctx, classes);
  if (row->id == QDV_rdmScaleH && StgGetValue(ctx, QDV_rdmScaleType, nullptr) == 1)
    StgWriteValue(ctx, StgFindItem(ctx, QDV_rdmScaleV), value);
}

void StgWriteSavedValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row, uint64_t value) {
  if (!ctx || !row) return;
  StoreValue(ctx, row, StgGetSavedValuePtr(ctx, row), value, true);
}

// ---------------------------------------------------------------------------------------------
// Value maps.

DWORD StgMapToOption(SETTING_CONTEXT* ctx, const ITEM_DESC* row, DWORD stored) {
  if (!row) return stored;
  const ITEM_VALUE_MAP* p = ChooseSubList(ctx, row);
  if (!p) return stored;
  for (; (p->option & 0xFFFF) != 0; ++p) {
    if (p->stored != stored || (p->option & 0xFFFF) == 0xFFFF) continue;
    DWORD option = p->option & 0xFFFF;
    if (OverrideApplies(row)) {
      for (const VALUE_OVERRIDE_ROW* o = StgGetValueOverrideTable(); o->option; ++o)
        if ((o->option & 0xFFFF) == option && OverrideRowActive(ctx, row, o)) return o->substitute & 0xFFFF;
    }
    return option;
  }
  return stored;
}

int StgHasOptionValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row, DWORD stored) {
  if (!row) return 0;
  const ITEM_VALUE_MAP* p = ChooseSubList(ctx, row);
  if (!p) return 0;
  for (; (p->option & 0xFFFF) != 0; ++p)
    if (p->stored == stored && (p->option & 0xFFFF) != 0xFFFF) return 1;
  return 0;
}

DWORD StgMapFromOption(SETTING_CONTEXT* ctx, const ITEM_DESC* row, DWORD option) {
  if (!row) return option;
  const ITEM_VALUE_MAP* p = ChooseSubList(ctx, row);
  if (!p) return option;
  if (OverrideApplies(row)) {
    for (const VALUE_OVERRIDE_ROW* o = StgGetValueOverrideTable(); o->option; ++o)
      if ((o->substitute & 0xFFFF) == (option & 0xFFFF)) { option = o->option; break; }
  }
  for (; (p->option & 0xFFFF) != 0; ++p)
    if ((p->option & 0xFFFF) == (option & 0xFFFF)) return p->stored;
  return option;
}

DWORD StgGetItemOptionValue(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  return StgMapToOption(ctx, row, (DWORD)StgReadValue(ctx, row));
}

void StgWriteOptionValue(SETTING_CONTEXT* ctx, ITEM_DESC* row, DWORD option) {
  StgWriteValue(ctx, row, StgMapFromOption(ctx, row, option));
}

// ---------------------------------------------------------------------------------------------
// Values by id.

namespace {
ITEM_DESC* Find(SETTING_CONTEXT* ctx, WORD id, ITEM_DESC** rowOut) {
  ITEM_DESC* row = ctx ? StgFindItem(ctx, id) : nullptr;
  if (rowOut) *rowOut = row;
  return row;
}
}  // namespace

DWORD StgGetOptionValue(SETTING_CONTEXT* ctx, WORD id, ITEM_DESC** rowOut) {
  ITEM_DESC* row = Find(ctx, id, rowOut);
  return row ? StgGetItemOptionValue(ctx, row) : 0;
}
uint64_t StgGetValue(SETTING_CONTEXT* ctx, WORD id, ITEM_DESC** rowOut) {
  ITEM_DESC* row = Find(ctx, id, rowOut);
  return row ? StgReadValue(ctx, row) : 0;
}
uint64_t StgGetSavedValue(SETTING_CONTEXT* ctx, WORD id, ITEM_DESC** rowOut) {
  ITEM_DESC* row = Find(ctx, id, rowOut);
  return row ? StgReadSavedValue(ctx, row) : 0;
}
uint64_t StgGetLockedDefaultValue(SETTING_CONTEXT* ctx, WORD id, ITEM_DESC** rowOut) {
  ITEM_DESC* row = Find(ctx, id, rowOut);
  return row ? StgReadLockedDefaultValue(ctx, row) : 0;
}
void StgSetOptionValue(SETTING_CONTEXT* ctx, WORD id, DWORD option) {
  if (ITEM_DESC* row = Find(ctx, id, nullptr)) StgWriteOptionValue(ctx, row, option);
}
void StgSetValue(SETTING_CONTEXT* ctx, WORD id, uint64_t value) {
  if (ITEM_DESC* row = Find(ctx, id, nullptr)) StgWriteValue(ctx, row, value);
}
void StgSetSavedValue(SETTING_CONTEXT* ctx, WORD id, uint64_t value) {
  if (ITEM_DESC* row = Find(ctx, id, nullptr)) StgWriteSavedValue(ctx, row, value);
}

int StgSetValueOrResString(SETTING_CONTEXT* ctx, WORD id, DWORD value) {
  ITEM_DESC* row = Find(ctx, id, nullptr);
  if (!row) return 0;
  DWORD code = StgTypeCode(row->type);
  if ((code == STG_TYPE_ANSI || code == STG_TYPE_WIDE) && ctx->work) {
    WCHAR* buf = ctx->work->textBuffer;
    CfgLoadString(ctx, value, buf, 1025, 0);
    buf[1024] = 0;
    StgSetString(ctx, row, buf);
  } else {
    StgWriteOptionValue(ctx, row, value);
  }
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Text.

BYTE* StgGetString(SETTING_CONTEXT* ctx, const ITEM_DESC* row, WCHAR* out) {
  if (!ctx || !row || !out) return nullptr;
  BYTE* p = StgGetValuePtr(ctx, row);
  DWORD len = StgTypeLength(row->type);
  DWORD code = StgTypeCode(row->type);
  if (!p || (code != STG_TYPE_ANSI && code != STG_TYPE_WIDE)) {
    out[0] = 0;  // not text: nothing to give, and no made-up text either
    return nullptr;
  }
  if (code == STG_TYPE_ANSI) {
    // The stored text may fill its whole field without a terminator.
    char tmp[1026];
    DWORD n = len < 1025 ? len : 1025;
    std::memcpy(tmp, p, n);
    tmp[n] = 0;
    CfgAnsiToWide(out, tmp, (int)len + 1);
  } else {
    DWORD chars = len / 2, i = 0;
    for (; i < chars; ++i) {
      WCHAR c = (WCHAR)Rd16(p + 2 * i);
      if (!c) break;
      out[i] = c;
    }
    out[i] = 0;
  }
  return p;
}

BYTE* StgSetString(SETTING_CONTEXT* ctx, ITEM_DESC* row, const WCHAR* text) {
  if (!ctx || !row || !text) return nullptr;
  BYTE* p = StgGetValuePtr(ctx, row);
  if (!p) return nullptr;
  StgWriteValue(ctx, row, 0);
  DWORD len = StgTypeLength(row->type);
  DWORD code = StgTypeCode(row->type);
  if (code == STG_TYPE_ANSI) {
    // The field holds exactly len bytes and needs no terminator of its own: convert with room for one,
    // then keep the len bytes that fit.
    std::vector<char> ansi(len + 1);
    CfgWideToAnsi(ansi.data(), text, (int)len + 1);
    std::memcpy(p, ansi.data(), len);
    // Never keep the first half of a double-byte character whose second half did not fit.
    for (DWORD i = 0; i < len && p[i]; ++i) {
      if (IsDBCSLeadByte(p[i])) {
        if (i + 1 >= len) {
          p[i] = 0;
          break;
        }
        ++i;
      }
    }
  } else if (code == STG_TYPE_WIDE && len >= 2) {
    // At most the room less one character, always terminated.
    DWORD room = len / 2 - 1, i = 0;
    for (; i < room && text[i]; ++i) Wr16(p + 2 * i, text[i]);
    Wr16(p + 2 * i, 0);
  }
  return p;
}

// ---------------------------------------------------------------------------------------------
// Single settings.

DWORD StgGetPrintQuality(SETTING_CONTEXT* ctx) { return (DWORD)StgGetValue(ctx, QDV_dmPrintQuality, nullptr); }
DWORD StgGetDstResolutionW(SETTING_CONTEXT* ctx) { return (DWORD)StgGetValue(ctx, QDV_rdmDstResolutionW, nullptr); }
DWORD StgGetDstResolutionH(SETTING_CONTEXT* ctx) { return (DWORD)StgGetValue(ctx, QDV_rdmDstResolutionH, nullptr); }
void StgSetPrintQuality(DWORD value, SETTING_CONTEXT* ctx) { StgSetValue(ctx, QDV_dmPrintQuality, value); }
void StgSetYResolution(DWORD value, SETTING_CONTEXT* ctx) { StgSetValue(ctx, QDV_dmYResolution, value); }
void StgSetDstResolutionW(DWORD value, SETTING_CONTEXT* ctx) { StgSetValue(ctx, QDV_rdmDstResolutionW, value); }
void StgSetDstResolutionH(DWORD value, SETTING_CONTEXT* ctx) { StgSetValue(ctx, QDV_rdmDstResolutionH, value); }
