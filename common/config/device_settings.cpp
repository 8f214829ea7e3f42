// Device settings in printer data and the driver INI.
#include "config/device_settings.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/ini.h"
#include "config/ini_text.h"
#include "config/lock_data.h"
#include "config/paths.h"
#include "config/bidi_state.h"
#include "config/printer_data.h"
#include "kvplat/error.h"
#include "kvplat/registry.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"

namespace {

// Setting ids this code treats specially.
enum : WORD {
  kFirstWalkedId = 35,
  kActionFirst = 211,  // rdmActionSecurity .. rdmAction15
  kActionLast = 226,
  kStateFirst = 697,  // state settings, never stored here
  kStateLast = 722,
  kCopyProtectChar = 524,
  kSpecialFirst = 1169,  // wdmSpecial1 .. wdmSpecial16
  kSpecialLast = 1184,
  kSpecialFuncFirst = 1185,  // wdmSpecial1Func0 .. wdmSpecial2Func7
  kSpecialFuncLast = 1200,
  kLockInfoFirst = 1201,  // wdmLock000Info .. wdmLock015Info
  kLockInfoLast = 1216,
  kCustomMediaFirst = 1495,
  kCustomMediaLast = 1543,
  kServerLogCode = 10001,
  kLogCodeUse = 10002,
  kLogCode = 10003,
  kDeviceFirst = 10001,
  kDeviceLast = 10434,
  kLogging = 10275,
  kLockDefaultBit = 10418,  // rdmLock000InfoBitDefault
};

// The three packed lock groups.
struct LOCK_GROUP {
  WORD first, last;
  DWORD typeCode;
  const WCHAR* name;
};
constexpr LOCK_GROUP kLockGroups[] = {
    {10386, 10417, 6, u"rdmLockInfo"},
    {10418, 10425, 4, u"rdmLock000InfoBit"},
    {10426, 10433, 4, u"rdmLock001InfoBit"},
};

const LOCK_GROUP* FindLockGroup(uint64_t id) {
  for (const LOCK_GROUP& g : kLockGroups)
    if (id >= g.first && id <= g.last) return &g;
  return nullptr;
}

// Model id lists: 2 holds the font-list settings, 5 the device settings of the logging and
// authentication group.
bool InIdList(DWORD list, uint64_t id) { return StgIsValueAllowedByIndex(list, (int32_t)id) != 0; }

// Records of the feature-module events raised here: before reading (5) or writing (4) a row, and
// after a class was read (18) or written (23).

bool LockFeatureOn(SETTING_CONTEXT* ctx) { return StgIsModelFeatureOn(ctx, 2, 0) != 0; }

// The bytes a number of this type code takes in printer data.
DWORD NumberWidth(DWORD code) {
  switch (code) {
    case STG_TYPE_I8: case STG_TYPE_U8: return 1;
    case STG_TYPE_I16: case STG_TYPE_U16: return 2;
    default: return 4;
  }
}
bool IsText(DWORD code) { return code == STG_TYPE_ANSI || code == STG_TYPE_WIDE; }
// The bytes of a row's value in printer data and in the change test.
DWORD StoredWidth(const ITEM_DESC* row) {
  DWORD code = StgTypeCode(row->type);
  if (IsText(code)) return StgTypeLength(row->type);
  return NumberWidth(code);
}

uint32_t ReadLe(const BYTE* p, DWORD width) {
  uint32_t v = 0;
  for (DWORD i = 0; i < width && i < 4; ++i) v |= (uint32_t)p[i] << (8 * i);
  return v;
}

// A number read from text, narrowed to the row's type.
uint64_t NarrowNumber(const ITEM_DESC* row, uint32_t v) {
  switch (StgTypeCode(row->type)) {
    case STG_TYPE_I8: return (uint32_t)(int32_t)(int8_t)(uint8_t)v;
    case STG_TYPE_I16: return (uint32_t)(int32_t)(int16_t)(uint16_t)v;
    case STG_TYPE_U8: return v & 0xFFu;
    case STG_TYPE_U16: return v & 0xFFFFu;
    case STG_TYPE_U32_COUNTER: case STG_TYPE_U32: return v;
    default: break;
  }
  switch (StgTypeLength(row->type)) {
    case 1: return v & 0xFFu;
    case 2: return v & 0xFFFFu;
    case 4: return v;
    default: return 0;
  }
}

uint32_t ParseDecimal(const WCHAR* s) {
  while (*s == u' ' || *s == u'\t') ++s;
  bool neg = false;
  if (*s == u'-' || *s == u'+') neg = *s++ == u'-';
  uint32_t v = 0;
  for (; *s >= u'0' && *s <= u'9'; ++s) v = v * 10u + (uint32_t)(*s - u'0');
  return neg ? 0u - v : v;
}

std::u16string FormatNumber(const ITEM_DESC* row, uint64_t value) {
  char buf[16];
  uint32_t v = (uint32_t)value;
  switch (StgTypeCode(row->type)) {
    case STG_TYPE_U8: case STG_TYPE_U16: case STG_TYPE_U32: std::snprintf(buf, sizeof buf, "%u", v); break;
    default: std::snprintf(buf, sizeof buf, "%d", (int32_t)v); break;
  }
  return kvp::FromUtf8(buf);
}

bool IsDrivePath(const WCHAR* path) { return path && path[0] && path[1] == u':'; }

const WCHAR* RowSection(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  return row->iniSection ? row->iniSection : CfgGetPrinterName(ctx);
}

// May a context of this kind and build mode read the driver INI?
bool ReadsIni(SETTING_CONTEXT* ctx) {
  if (!ctx->work) return false;
  if (ctx->work->buildMode == 1) return false;
  return (ctx->work->kind & (STG_KIND_CAPS | STG_KIND_DOCPROP | STG_KIND_GRAPHICS_IN)) == 0;
}

// Lends a row another key and type code for one packed read or write; restores it when done.
class BorrowedRow {
 public:
  BorrowedRow(ITEM_DESC* row, const WCHAR* key, DWORD typeCode) : row_(row), key_(row->iniKey), type_(row->type) {
    row->iniKey = key;
    row->type = (row->type & ~((uint64_t)0x3F << 24)) | ((uint64_t)(typeCode & 0x3F) << 24);
  }
  ~BorrowedRow() {
    row_->iniKey = key_;
    row_->type = type_;
  }
  BorrowedRow(const BorrowedRow&) = delete;
  BorrowedRow& operator=(const BorrowedRow&) = delete;

 private:
  ITEM_DESC* row_;
  const WCHAR* key_;
  uint64_t type_;
};

// A row switched to the driver INI under its setting name (by-name passes).
void SwitchToIniByName(ITEM_DESC* row) {
  if (!row->ext || !row->ext->name) return;
  row->iniKey = row->ext->name;
  row->medium = STG_MEDIUM_INI;
}

// Offers a row to the feature modules; true when one of them asks to skip it.
bool ModulesSkipRow(SETTING_CONTEXT* ctx, DWORD event, ITEM_DESC* row) {
  CFG_DEVICE_SETTING_EVENT arg{2, row, 0};
  StgBroadcastModuleEvent(ctx, event, &arg);
  return arg.handled == 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Single settings.

int CfgReadDeviceSetting(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row, DWORD flags, KV_CONFIG_FUNCS* funcs) {
  if (!ctx || !row || !row->iniKey) return 1;
  DWORD code = StgTypeCode(row->type);
  DWORD width = StoredWidth(row);
  if (!width) return 0;
  constexpr DWORD kScratch = 1044;
  BYTE scratch[kScratch];
  BYTE* buf = width <= kScratch ? scratch : static_cast<BYTE*>(StgAllocZero(width));
  if (!buf) return 0;
  // Zero first: a value shorter than the field never leaves bytes of an earlier read behind.
  std::memset(buf, 0, width);
  BOOL ok;
  if (flags & CFG_READ_REMOTE) {
    DWORD type = 0, size = 0;
    ok = CfgMirrorPrinterDataValue(printer, row->iniKey, &type, buf, width, &size,
                                   row->id == kLogging ? REG_DWORD : REG_BINARY, funcs);
  } else {
    ok = CfgGetPrinterDataValue(printer, buf, width, row->iniKey);
  }
  if (ok) {
    if (IsText(code)) StgWriteValue(ctx, row, (uint64_t)(uintptr_t)buf);
    else StgWriteValue(ctx, row, ReadLe(buf, width));
  }
  if (buf != scratch) StgFree(buf);
  return ok ? 1 : 0;
}

int CfgReadIniSetting(SETTING_CONTEXT* ctx, ITEM_DESC* row, const WCHAR* iniPath, const char* body, DWORD* cursor) {
  if (!ctx || !row || !IsDrivePath(iniPath) || !row->iniKey) return 1;
  const WCHAR* section = RowSection(ctx, row);
  auto get = [&](const WCHAR* def, WCHAR* buf, DWORD cap) -> DWORD {
    if (body) return CfgIniTextGetString(row->iniKey, def, buf, (WORD)(cap > 0xFFFF ? 0xFFFF : cap), body, cursor);
    return CfgIniGetString(section, row->iniKey, def, buf, cap, iniPath);
  };
  DWORD code = StgTypeCode(row->type);
  DWORD len = StgTypeLength(row->type);
  if (IsText(code)) {
    if (!len) return 0;
    if (StgIsSpecialTextSetting((DWORD)row->id)) {
      // A present but empty value empties the setting, so absence is told by a default no value has.
      std::u16string def(len + 9, u'*');
      std::vector<WCHAR> buf(len + 10, 0);
      get(def.c_str(), buf.data(), len + 10);
      if (kvp::WView(buf.data()) == def) return 0;
      buf[len] = 0;
      StgSetString(ctx, row, buf.data());
      return 1;
    }
    std::vector<WCHAR> buf(len + 1, 0);
    if (get(u"", buf.data(), len) == 0) return 0;
    StgSetString(ctx, row, buf.data());
    return 1;
  }
  WCHAR buf[16] = {};
  if (get(u"", buf, 16) == 0 || !buf[0]) return 0;
  StgWriteValue(ctx, row, NarrowNumber(row, ParseDecimal(buf)));
  return 1;
}

int CfgWritePrinterDataSetting(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row) {
  if (!ctx || !row || !row->iniKey) return 1;
  DWORD code = StgTypeCode(row->type);
  DWORD width = StoredWidth(row);
  if (IsText(code)) {
    const BYTE* p = StgGetValuePtr(ctx, row);
    return p && CfgSetPrinterDataBinary(printer, p, width, row->iniKey) ? 1 : 0;
  }
  uint32_t v = (uint32_t)StgReadValue(ctx, row);
  BYTE bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = (BYTE)(v >> (8 * i));
  DWORD type = row->id == kLogging ? REG_DWORD : REG_BINARY;
  return CfgSetPrinterDataTyped(printer, bytes, width, type, row->iniKey) ? 1 : 0;
}

int CfgWriteIniSetting(HANDLE, SETTING_CONTEXT* ctx, ITEM_DESC* row, const WCHAR* iniPath, INI_TEXT_WRITER* writer) {
  if (!ctx || !row || !IsDrivePath(iniPath) || !row->iniKey) return 1;
  DWORD code = StgTypeCode(row->type);
  std::u16string value;
  if (IsText(code)) {
    std::vector<WCHAR> buf(StgTypeLength(row->type) + 1, 0);
    StgGetString(ctx, row, buf.data());
    value = buf.data();
  } else {
    value = FormatNumber(row, StgReadValue(ctx, row));
  }
  if (writer) return CfgIniTextPutKey(writer, row->iniKey, value.c_str());
  return CfgIniWriteString(RowSection(ctx, row), row->iniKey, value.c_str(), iniPath) ? 1 : 0;
}

int CfgWriteDeviceSetting(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row, const WCHAR* iniPath) {
  if (!ctx || !row) return 1;
  if (StgTypeBlock(row->type) == STG_BLOCK_DEVICE && row->medium == STG_MEDIUM_BLOCK)
    return CfgWritePrinterDataSetting(printer, ctx, row);
  if (row->medium == STG_MEDIUM_INI)
    return CfgWriteIniSetting(printer, ctx, row, iniPath ? iniPath : CfgGetIniPath(ctx), nullptr);
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Packed groups.

int CfgLoadLockBits(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* first, int storageClass, DWORD typeCode,
                    const WCHAR* valueName, WORD firstId, WORD lastId) {
  if (!ctx || !first) return 1;
  const WCHAR* ini = storageClass == STG_BLOCK_DEVICE ? nullptr : CfgGetIniPath(ctx);
  auto readRow = [&](ITEM_DESC* row) {
    return storageClass == STG_BLOCK_DEVICE ? CfgReadDeviceSetting(printer, ctx, row, 0, nullptr)
                                            : CfgReadIniSetting(ctx, row, ini, nullptr, nullptr);
  };
  int packed;
  {
    BorrowedRow borrow(first, valueName, typeCode);
    packed = readRow(first);
  }
  if (packed) return 1;
  // The old form: one value per member. Read them, then store the packed value for later loads.
  for (DWORD id = firstId; id <= lastId; ++id) {
    ITEM_DESC* row = StgFindItem(ctx, (WORD)id);
    if (row && row->iniKey) readRow(row);
  }
  BorrowedRow borrow(first, valueName, typeCode);
  CfgWriteDeviceSetting(printer, ctx, first, ini);
  return 1;
}

int CfgSaveLockBits(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* first, int storageClass, DWORD typeCode,
                    const WCHAR* valueName) {
  if (!ctx || !first) return 1;
  BorrowedRow borrow(first, valueName, typeCode);
  CfgWriteDeviceSetting(printer, ctx, first, storageClass == STG_BLOCK_DEVICE ? nullptr : CfgGetIniPath(ctx));
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Classes.

int CfgReadSettingClass(HANDLE printer, SETTING_CONTEXT* ctx, int storageClass, int mode, KV_CONFIG_FUNCS* funcs) {
  if (!ctx || !ctx->dictionary || !ctx->dictionary->rows || !ctx->store) return 1;
  StgLockSharedFiles(ctx);
  const WCHAR* ini = CfgGetIniPath(ctx);
  const bool lockOn = LockFeatureOn(ctx);
  const bool customMedia = CfgIsCustomMediaOn(ctx) != 0;
  const bool readsIni = ReadsIni(ctx);
  bool specialsEnabled = false;
  ITEM_DESC* actionRow = nullptr;
  ITEM_DICTIONARY* dict = ctx->dictionary;
  for (int i = kFirstWalkedId - 1; i < dict->count; ++i) {
    ITEM_DESC* row = &dict->rows[i];
    uint64_t id = row->id;
    if (id >= kStateFirst && id <= kStateLast) continue;
    if (mode == 2) {
      if (ModulesSkipRow(ctx, 5, row)) continue;
      SwitchToIniByName(row);
    }
    DWORD block = StgTypeBlock(row->type);
    if (storageClass != -1 && block != (DWORD)storageClass) continue;
    if (id >= kSpecialFirst && id <= kSpecialLast) {
      if (block == STG_BLOCK_WORK && StgIsFeatureBitSet((DWORD)(id - kSpecialFirst))) specialsEnabled = true;
      continue;
    }
    if (lockOn && id >= kLockInfoFirst && id <= kLockInfoLast) {
      if (id == kLockInfoFirst) StgBroadcastModuleCommand(ctx, 312);
      continue;
    }
    if (id >= kSpecialFuncFirst && id <= kSpecialFuncLast) {
      StgWriteValue(ctx, row, StgIsFeatureBitSet((DWORD)(id - kSpecialFuncFirst)) ? 1 : 0);
      continue;
    }
    if (block == STG_BLOCK_DEVICE && row->medium == STG_MEDIUM_BLOCK) {
      if (const LOCK_GROUP* g = lockOn ? FindLockGroup(id) : nullptr) {
        if (id == g->first) CfgLoadLockBits(printer, ctx, row, STG_BLOCK_DEVICE, g->typeCode, g->name, g->first, g->last);
        continue;
      }
      if (customMedia && id >= kCustomMediaFirst && id <= kCustomMediaLast) {
        if (id == kCustomMediaFirst) CfgLoadCustomMedia(printer, ctx);
        continue;
      }
      CfgReadDeviceSetting(printer, ctx, row, (DWORD)mode, funcs);
      continue;
    }
    if (row->medium != STG_MEDIUM_INI || !readsIni) continue;
    if (block != STG_BLOCK_DEVICE && id >= kActionFirst && id <= kActionLast) {
      if (id == kActionFirst) actionRow = row;
      continue;
    }
    CfgReadIniSetting(ctx, row, ini, nullptr, nullptr);
  }

  if (actionRow) {
    int packed;
    {
      BorrowedRow borrow(actionRow, u"rdmAction", STG_TYPE_U16);
      packed = CfgReadIniSetting(ctx, actionRow, ini, nullptr, nullptr);
    }
    if (!packed) {
      // The old form: one key per action. Read them, then write the packed word.
      for (WORD id = kActionFirst; id <= kActionLast; ++id) {
        ITEM_DESC* row = StgFindItem(ctx, id);
        if (row && row->iniKey && row->medium == STG_MEDIUM_INI) CfgReadIniSetting(ctx, row, ini, nullptr, nullptr);
      }
      BorrowedRow borrow(actionRow, u"rdmAction", STG_TYPE_U16);
      CfgWriteDeviceSetting(printer, ctx, actionRow, ini);
    }
  }

  CFG_CLASS_EVENT done{(uint64_t)(int64_t)storageClass, (uint64_t)(int64_t)mode};
  StgBroadcastModuleEvent(ctx, 18, &done);
  if (lockOn && StgGetValue(ctx, kLockDefaultBit, nullptr)) CfgLoadLockDefaultData(ctx->printer, ctx);
  if (specialsEnabled) {
    CfgLoadUserFunctionRights(ctx);
    CfgLoadDriverSettingsEnabled(ctx);
  }
  StgUnlockSharedFiles(ctx);
  return 1;
}

int CfgLoadSettingClass(HANDLE printer, SETTING_CONTEXT* ctx, int storageClass, int mode) {
  return CfgReadSettingClass(printer, ctx, storageClass, mode, nullptr);
}

int CfgLoadDeviceSettings(HANDLE printer, int part, SETTING_CONTEXT* ctx) {
  switch (part) {
    case -1:
      CfgReadSettingClass(printer, ctx, -1, 0, nullptr);
      CfgLoadFontLists(printer, ctx);
      break;
    case 1:
      CfgReadSettingClass(printer, ctx, STG_BLOCK_WORK, 0, nullptr);
      CfgReadSettingClass(printer, ctx, STG_BLOCK_DEVMODE, 0, nullptr);
      break;
    case 2:
      CfgReadSettingClass(printer, ctx, STG_BLOCK_DEVICE, 0, nullptr);
      CfgLoadFontLists(printer, ctx);
      break;
    default:
      break;
  }
  return 1;
}

int CfgSaveDeviceSettings(HANDLE printer, SETTING_CONTEXT* ctx, int storageClass, DWORD flags) {
  return CfgSaveDeviceSettingsEx(printer, ctx, storageClass, flags, nullptr);
}

int CfgSaveDeviceSettingsEx(HANDLE printer, SETTING_CONTEXT* ctx, int storageClass, DWORD flags, DWORD* failed) {
  if (failed) *failed = 0;
  if (!ctx || !ctx->dictionary || !ctx->dictionary->rows || !ctx->store) return 1;
  const DWORD mode = flags & ~CFG_SAVE_FORCE;
  const bool forced = (flags & CFG_SAVE_FORCE) != 0;
  StgLockSharedFiles(ctx);
  const WCHAR* ini = CfgGetIniPath(ctx);
  const bool lockOn = LockFeatureOn(ctx);
  const bool customMedia = CfgIsCustomMediaOn(ctx) != 0;
  const bool changeTest = !forced && storageClass == STG_BLOCK_DEVICE && ctx->work && ctx->work->buildMode == 0 &&
                          ctx->work->savedCopy;
  const bool remote = StgIsRemotePrinter(ctx) != 0;
  ITEM_DESC* actionRow = nullptr;
  ITEM_DICTIONARY* dict = ctx->dictionary;
  for (int i = 0; i < dict->count; ++i) {
    ITEM_DESC* row = &dict->rows[i];
    uint64_t id = row->id;
    if (mode == CFG_SAVE_DEVICE_ONLY) {
      bool device = id >= kDeviceFirst && id <= kDeviceLast && !InIdList(5, id);
      bool media = customMedia && id >= kCustomMediaFirst && id <= kCustomMediaLast && row->medium == STG_MEDIUM_INI;
      if (!device && !media) continue;
    }
    if (mode == CFG_SAVE_BY_NAME) {
      if (ModulesSkipRow(ctx, 4, row)) continue;
      SwitchToIniByName(row);
    }
    DWORD block = StgTypeBlock(row->type);
    if (storageClass != -1 && block != (DWORD)storageClass) continue;
    if (InIdList(2, id)) continue;
    if (block == STG_BLOCK_DEVICE && row->medium == STG_MEDIUM_BLOCK && lockOn) {
      if (const LOCK_GROUP* g = FindLockGroup(id)) {
        if (id == g->first && !CfgSaveLockBits(printer, ctx, row, STG_BLOCK_DEVICE, g->typeCode, g->name) && failed)
          ++*failed;
        continue;
      }
    }
    if ((id == kLogCodeUse || id == kLogCode) && remote && StgGetValue(ctx, kServerLogCode, nullptr) == 0) continue;
    if (changeTest) {
      bool same;
      if (StgTypeIsBit(row->type)) {
        same = StgReadValue(ctx, row) == StgReadSavedValue(ctx, row);
      } else {
        const BYTE* now = StgGetValuePtr(ctx, row);
        const BYTE* then = StgGetSavedValuePtr(ctx, row);
        same = now && then && std::memcmp(now, then, StoredWidth(row)) == 0;
      }
      if (same) continue;
    }
    if (block != STG_BLOCK_DEVICE && id >= kActionFirst && id <= kActionLast) {
      if (id == kActionFirst) actionRow = row;
      continue;
    }
    if (!CfgWriteDeviceSetting(printer, ctx, row, ini) && failed) ++*failed;
  }
  if (actionRow) {
    BorrowedRow borrow(actionRow, u"rdmAction", STG_TYPE_U16);
    if (!CfgWriteDeviceSetting(printer, ctx, actionRow, ini) && failed) ++*failed;
  }
  if (customMedia && mode == CFG_SAVE_DEVICE_ONLY) {
    ITEM_DESC* media = StgFindItem(ctx, kCustomMediaFirst);
    if (media && media->medium == STG_MEDIUM_BLOCK) CfgSaveCustomMedia(printer, ctx);
  }
  CFG_CLASS_EVENT done{(uint64_t)(int64_t)storageClass, flags};
  StgBroadcastModuleEvent(ctx, 23, &done);
  StgUnlockSharedFiles(ctx);
  if (storageClass == STG_BLOCK_WORK && (flags == CFG_SAVE_NORMAL || flags == CFG_SAVE_FORCE))
    CfgSaveDeviceSettings(printer, ctx, STG_BLOCK_WORK, CFG_SAVE_BY_NAME);
  return 1;
}

int CfgSaveDeviceSettingsAll(HANDLE printer, SETTING_CONTEXT* ctx) {
  CfgSaveDeviceSettings(printer, ctx, STG_BLOCK_WORK, CFG_SAVE_NORMAL);
  CfgSaveDeviceSettings(printer, ctx, STG_BLOCK_DEVMODE, CFG_SAVE_NORMAL);
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Context life.

int CfgIsCustomMediaOn(SETTING_CONTEXT* ctx) {
  return ctx && StgIsModelFeatureOn(ctx, 5, 0) && StgIsFeatureBitSet(12) && ctx->work &&
                 (ctx->work->capabilityMask & 1)
             ? 1
             : 0;
}
