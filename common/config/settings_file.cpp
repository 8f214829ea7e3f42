// Settings save/restore files: the section choice, the header, the filtered walk of the dictionary,
// the lock check and lock set, the device part in "kvrest.txt", and the read and write operations
// with their side effects.
#include "config/settings_file.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "config/bidi_state.h"
#include "config/device_settings.h"
#include "config/driver_lists.h"
#include "config/free_size.h"
#include "config/ini.h"
#include "config/ini_text.h"
#include "config/paths.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_values.h"
#include "kvplat/profile.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/library_hooks.h"
#include "settings/migrate.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/public_fields.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"

namespace {

constexpr DWORD kSectionChars = CFG_MAX_SECTION + 1;
constexpr DWORD kAbsent = 0xffff;
constexpr uint64_t kLayoutClass = 0x0c, kQualityClass = 0x30, kWatermarkClass = 0xc0;
constexpr WORD kAnyLockId = sid::rdmLockInfoLockInfo;

bool IsDrivePath(const WCHAR* path) {
  if (!path) return false;
  WCHAR c = path[0];
  return ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) && path[1] == u':';
}

bool LockFeatureOn(SETTING_CONTEXT* ctx) { return StgIsModelFeatureOn(ctx, 2, 0) != 0; }

bool InIdList(DWORD list, WORD id) { return StgIsValueAllowedByIndex(list, (int32_t)id) != 0; }

DWORD ModelVersion(SETTING_CONTEXT* ctx) { return (DWORD)(ctx->model ? ctx->model : StgGetModelBlock())->settingsVersion; }
DWORD ModelCode(SETTING_CONTEXT* ctx) { return (DWORD)(ctx->model ? ctx->model : StgGetModelBlock())->modelCode; }

std::u16string Decimal(long long n) {
  std::string d = std::to_string(n);
  return std::u16string(d.begin(), d.end());
}

// The section a transfer addresses, normalised; empty when there is no name.
void ChooseSection(SETTING_CONTEXT* ctx, DWORD flags, WCHAR (&out)[kSectionChars]) {
  const bool reading = flags & CFG_TRANSFER_READ;
  const WCHAR* name;
  if ((flags & CFG_TRANSFER_CONVERSION) && reading) name = CfgGetRegionSection(ctx);
  else if (flags & CFG_TRANSFER_CONVERSION) name = CfgGetPrinterName(ctx);
  else if ((flags & CFG_TRANSFER_RESTORE_FILE) && reading) name = CfgGetRegionSection(ctx);
  else if (flags & CFG_TRANSFER_RSD_SECTION) name = CFG_RSD_SECTION;
  else name = CfgGetPrinterName(ctx);
  out[0] = 0;
  if (name && kvp::WLen(name) < kSectionChars) kvp::WCopy(out, kSectionChars, name);
  CfgNormalizeSectionName(out);
}

// A header number read from the section body or, without one, through the profile functions.
DWORD ReadHeaderNumber(const WCHAR* path, const WCHAR* section, const char* body, const WCHAR* key) {
  if (body) {
    DWORD cursor = 0;
    return (DWORD)CfgIniTextGetInt(key, (int)kAbsent, body, &cursor);
  }
  return (DWORD)CfgIniGetInt(section, key, (int)kAbsent, path);
}

void MigrateFrom(DWORD fileVersion, SETTING_CONTEXT* ctx) {
  DWORD model = ModelVersion(ctx);
  if (fileVersion >= 300 && model >= 300 && StgCompareVersions(fileVersion, model) == STG_VERSION_MIGRATE)
    StgRunConvertRule(fileVersion, model, ctx);
}

// The header test of a read: 1 passed, 0 mismatch. *migrateFrom := the version to migrate from, or
// kAbsent when nothing is to be migrated.
}  // namespace

int CfgTestRstHeaderCommon(const WCHAR* path, const WCHAR* section, DWORD flags, SETTING_CONTEXT* ctx,
                           const char* body, int tolerant, DWORD* migrateFrom) {
  *migrateFrom = kAbsent;
  if (flags & (CFG_TRANSFER_STAMP | CFG_TRANSFER_FREE_SIZE)) {
    DWORD v = ReadHeaderNumber(path, section, body, CFG_KEY_RST_VERSION);
    if (v != kAbsent) *migrateFrom = v;
    return 1;
  }
  if (flags & (CFG_TRANSFER_FREE_SIZE_SRC | CFG_TRANSFER_RESTORE_FILE)) return 1;
  DWORD version = ReadHeaderNumber(path, section, body, CFG_KEY_RST_VERSION);
  DWORD machine = ReadHeaderNumber(path, section, body, CFG_KEY_RST_MACHINE);
  DWORD language = ReadHeaderNumber(path, section, body, CFG_KEY_RST_LANGUAGE);
  if (version == kAbsent || machine == kAbsent || language == kAbsent) return 0;
  if (machine != ModelCode(ctx)) return 0;
  if ((WORD)language != (WORD)StgGetValue(ctx, sid::rdmLanguageID, nullptr)) return 0;
  DWORD model = ModelVersion(ctx);
  if (tolerant ? !CfgSameMajorVersion(version, model) : version != model) return 0;
  *migrateFrom = version;
  return 1;
}

namespace {

bool HeaderIsWritten(DWORD flags) {
  return (flags & CFG_TRANSFER_WRITE) || (flags & CFG_TRANSFER_CONVERSION);
}

// ---- Lock check.

struct LOCKED_SETTING {
  WORD id;
  int (*locked)(SETTING_CONTEXT*);
};
constexpr LOCKED_SETTING kLockedSettings[] = {
    {sid::dmDefaultSource, StgIsTrayLocked},        {sid::rdmMediaType, StgIsMediaLocked},
    {sid::rdmFuncSelectNup, StgIsNupKindLocked},     {sid::rdmNUPPOSTKind, StgIsNupKindLocked},
    {sid::rdmPrnMethod, StgIsPrintTypeLocked},       {sid::rdmFuncSelectDuplex, StgIsDuplexLocked},
    {sid::dmColor, StgIsColorLocked},                {sid::rdmDstResolutionBoth, StgIsResolutionLocked},
    {sid::rdmDstResolutionW, StgIsResolutionLocked}, {sid::rdmDstResolutionH, StgIsResolutionLocked},
};
static_assert(sizeof(kLockedSettings) / sizeof(kLockedSettings[0]) == 10);

// A whole decimal number (blanks around it allowed); false for anything else.
bool ParseWhole(const WCHAR* text, long long* out) {
  std::string s = kvp::ToUtf8(kvp::WView(text));
  const char* p = s.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  if (!*p) return false;
  char* end = nullptr;
  long long v = std::strtoll(p, &end, 10);
  if (end == p) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end) return false;
  *out = v;
  return true;
}

}  // namespace

int CfgCheckLockedSettingsCommon(const WCHAR* path, const WCHAR* section, SETTING_CONTEXT* ctx) {
  if (!ctx || !path || !section) return 0;
  for (const LOCKED_SETTING& s : kLockedSettings) {
    if (!s.locked(ctx)) continue;
    const WCHAR* name = StgGetItemName(ctx, s.id);
    if (!name) continue;
    WCHAR value[260] = {};
    CfgIniGetString(section, name, u"", value, 260, path);
    long long v = 0;
    if (!ParseWhole(value, &v)) return 0;
    if (s.id == sid::rdmNUPPOSTKind && StgIsNupKindAllLocked(ctx)) {
      if (v < 1 || v > 4) return 0;
      continue;
    }
    if ((uint32_t)v != (uint32_t)StgGetValue(ctx, s.id, nullptr)) return 0;
  }
  return 1;
}

namespace {

// ---- The walk.

bool Member(const ITEM_DESC* row, uint64_t classBits) { return (row->flags & classBits) != 0; }

// True when the row takes part in the transfer.
bool TakesPart(SETTING_CONTEXT* ctx, ITEM_DESC* row, DWORD flags, bool lockOn, bool customMediaOn,
               bool stampPatterns) {
  const bool reading = flags & CFG_TRANSFER_READ;
  const WORD id = (WORD)row->id;
  if (flags & CFG_TRANSFER_PRESET) {
    bool layoutOnly = reading || (flags & CFG_TRANSFER_PROBE_DRIVER) || (flags & CFG_TRANSFER_CONVERSION);
    if (layoutOnly && !Member(row, kLayoutClass)) return false;
  }
  if ((flags & CFG_TRANSFER_QUALITY) && !Member(row, kQualityClass)) return false;
  const bool stampId = id >= 1022 && id <= 1032;
  if (flags & CFG_TRANSFER_STAMP) {
    if (stampId && !stampPatterns) return false;
    if (stampId) row->flags |= STG_FLAG_WATERMARK;
    if (!Member(row, kWatermarkClass)) return false;
  } else if (stampId) {
    return false;  // the watermark text settings travel with their stamp only
  }
  if ((flags & CFG_TRANSFER_RESTORE_FILE) && !CfgIsRestoreFileSetting(id)) return false;
  CFG_FILE_SETTING_EVENT offer{row, 0};
  StgBroadcastModuleEvent(ctx, STG_EVENT_FILE_SETTING, &offer);
  if (offer.handled == 1) return false;
  if ((flags & CFG_TRANSFER_WORK_BLOCK) && StgTypeBlock(row->type) != STG_BLOCK_WORK) return false;
  if ((flags & CFG_TRANSFER_DEVICE) && !CfgIsDeviceWorkId(id) && !(customMediaOn && CfgIsCustomMediaId(ctx, id)))
    return false;
  if (flags == CFG_TRANSFER_READ && !(CfgIsRestorableSetting(id) && CfgIsNotNoticeSupportSetting(id))) return false;
  if ((flags & CFG_TRANSFER_RSD_SECTION) && !Member(row, kLayoutClass)) return false;
  if (!CfgIsTransferableSetting(id)) return false;
  if ((flags & CFG_TRANSFER_RESTORE_FILE) && !CfgIsNotNoticeSetting(id)) return false;
  if (lockOn && !CfgIsNotLockWorkSetting(id)) return false;
  // Passwords and the file names of print actions never go into any file, whatever kind of save, and
  // are never taken from one either: a read looks for exactly the keys a save writes.
  if (!CfgIsSavableSetting(id)) return false;
  return true;
}

// Lends a row the transfer's section and its name as key for one read or write.
class RowKey {
 public:
  RowKey(ITEM_DESC* row, const WCHAR* section, const WCHAR* key)
      : row_(row), section_(row->iniSection), key_(row->iniKey) {
    row->iniSection = section;
    row->iniKey = key;
  }
  ~RowKey() {
    row_->iniSection = section_;
    row_->iniKey = key_;
  }
  RowKey(const RowKey&) = delete;
  RowKey& operator=(const RowKey&) = delete;

 private:
  ITEM_DESC* row_;
  const WCHAR* section_;
  const WCHAR* key_;
};

bool IsText(const ITEM_DESC* row) {
  DWORD code = StgTypeCode(row->type);
  return code == STG_TYPE_ANSI || code == STG_TYPE_WIDE;
}

// Whether the section holds the key, an empty value included (the value readers tell an empty value
// from a missing key only for some settings). The cursor is left where the value's reader finds the
// key at once.
bool KeyPresent(const WCHAR* key, const WCHAR* path, const WCHAR* section, const char* body, const DWORD* cursor) {
  static constexpr WCHAR kMissing[] = u"\x7f";
  WCHAR probe[2] = {};
  if (body) {
    DWORD at = *cursor;
    CfgIniTextGetString(key, kMissing, probe, 2, body, &at);
  } else {
    CfgIniGetString(section, key, kMissing, probe, 2, path);
  }
  return probe[0] != kMissing[0];
}

// Transfers one row; false when a read did not find its key.
bool TransferRow(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* row, DWORD flags, const WCHAR* path,
                 const WCHAR* section, const char* body, DWORD* cursor, INI_TEXT_WRITER* writer) {
  const WCHAR* name = StgGetItemName(ctx, (WORD)row->id);
  if (!name || !name[0]) return true;
  bool found = true;
  {
    RowKey borrow(row, section, name);
    if (flags & CFG_TRANSFER_READ) {
      found = KeyPresent(name, path, section, body, cursor);
      if (found && !CfgReadIniSetting(ctx, row, path, body, cursor) && IsText(row)) StgSetString(ctx, row, u"");
      if (found) {
        row->flags = (row->flags & ~(uint64_t)STG_FLAG_CHANGE_MASK) | STG_FLAG_CHANGED;
        ctx->work->storeModified = 1;
      }
    } else if (!CfgWriteIniSetting(printer, ctx, row, path, writer)) {
      found = false;
    }
  }
  if ((flags == CFG_TRANSFER_READ) && row->id == sid::rdmPresetNo) StgSetOptionValue(ctx, sid::rdmPresetNo, 255);
  return found;
}

int WalkSettings(HANDLE printer, SETTING_CONTEXT* ctx, DWORD flags, const WCHAR* path, const WCHAR* section,
                 const char* body, INI_TEXT_WRITER* writer, bool stampPatterns) {
  const bool lockOn = LockFeatureOn(ctx);
  const bool customMediaOn = CfgIsCustomMediaOn(ctx) != 0;
  int result = 1;
  DWORD cursor = 0;
  auto visit = [&](ITEM_DESC* row) {
    if (row && TakesPart(ctx, row, flags, lockOn, customMediaOn, stampPatterns) &&
        !TransferRow(printer, ctx, row, flags, path, section, body, &cursor, writer))
      result = 0;
  };
  // The free-size slots move exactly their five settings.
  WORD slotFirst = (flags & CFG_TRANSFER_FREE_SIZE) ? sid::wdmFreeSizeName
                   : (flags & CFG_TRANSFER_FREE_SIZE_SRC) ? sid::wdmSrcFreeSizeName
                                                          : 0;
  if (slotFirst) {
    for (WORD id = slotFirst; id < slotFirst + 5; ++id) visit(StgFindItem(ctx, id));
    return result;
  }
  ITEM_DICTIONARY* dict = ctx->dictionary;
  for (int16_t i = 0; i < dict->count; ++i) {
    ITEM_DESC* row = &dict->rows[i];
    uint64_t id = row->id;
    if (!(flags & CFG_TRANSFER_DEVICE) && (id < 1 || id > 1249)) continue;
    if (id >= 697 && id <= 914) continue;
    visit(row);
  }
  return result;
}

// Holds the context's printer name aside while another name stands in for it.
class PrinterNameScope {
 public:
  explicit PrinterNameScope(SETTING_CONTEXT* ctx) : ctx_(ctx) {
    CfgGetPrinterName(ctx);  // the name must be known before it is replaced
    std::memcpy(saved_, ctx->work->printerName, sizeof(saved_));
  }
  ~PrinterNameScope() { Restore(); }
  // The name as it was before any replacement.
  void Restore() { std::memcpy(ctx_->work->printerName, saved_, sizeof(saved_)); }
  // False (nothing replaced) when the name does not fit.
  bool Replace(const WCHAR* name) {
    if (!name || kvp::WLen(name) >= kNameChars) return false;
    kvp::WCopy(ctx_->work->printerName, kNameChars, name);
    return true;
  }
  PrinterNameScope(const PrinterNameScope&) = delete;
  PrinterNameScope& operator=(const PrinterNameScope&) = delete;

 private:
  static constexpr size_t kNameChars = sizeof(CONTEXT_WORK_AREA::printerName) / sizeof(WCHAR);
  SETTING_CONTEXT* ctx_;
  WCHAR saved_[kNameChars];
};

bool Usable(SETTING_CONTEXT* ctx) { return ctx && ctx->work && ctx->store && ctx->dictionary && ctx->dictionary->rows; }

// ---- Device part.

bool IsFontListSetting(WORD id) { return id >= QDV_rdmFontTableNum && id <= QDV_rdmOptionFont; }

// "1" when any administrator lock bit is set, else "0".
const WCHAR* AnyLockText(SETTING_CONTEXT* ctx) {
  for (WORD id = sid::rdmLock000InfoBitDefault; id <= sid::rdmLock001InfoBit7; ++id)
    if (StgGetValue(ctx, id, nullptr)) return u"1";
  return u"0";
}

// The media-type settings set aside while a file is written.
constexpr WORD kAsideMediaTypes[] = {sid::dmMediaType,           sid::rdmMediaType,         sid::rdmCoverMediaType,
                                     sid::rdmBackCoverMediaType, sid::rdmMPInputMediaType,  sid::rdmChapterMediaType,
                                     sid::rdmReverseCoverMediaType};
constexpr size_t kAsideRows = sizeof(kAsideMediaTypes) / sizeof(kAsideMediaTypes[0]);
static_assert(kAsideRows == 7);

}  // namespace

std::u16string CfgGetPrinterFileSection(SETTING_CONTEXT* ctx) {
  const WCHAR* name = CfgGetPrinterName(ctx);
  if (!name || kvp::WLen(name) > CFG_MAX_SECTION) return {};
  std::u16string s(kvp::WView(name));
  CfgNormalizeSectionName(s.data());
  return s;
}

// ---------------------------------------------------------------------------------------------
// Id filters.

bool CfgIsTransferableSetting(WORD id) { return id != 0 && !(id >= 1113 && id <= 1116); }
bool CfgIsRestoreFileSetting(WORD id) { return id != 0 && !InIdList(3, id); }
bool CfgIsNotNoticeSetting(WORD id) { return id != 530 && id != 531 && id != 562 && id != 563; }
bool CfgIsRestorableSetting(WORD id) {
  if (InIdList(4, id)) return false;
  if ((id >= 697 && id <= 914) || (id >= 1250 && id <= 1543) || (id >= 10001 && id <= 10434)) return false;
  return id != 207 && id != 208 && !(id >= 608 && id <= 610) && id != 682 && id != 683;
}
bool CfgIsNotNoticeSupportSetting(WORD id) { return id != 562 && id != 563; }
bool CfgIsSavableSetting(WORD id) { return id != 207 && id != 208 && !(id >= 608 && id <= 610) && !(id >= 681 && id <= 683); }
bool CfgIsNotLockWorkSetting(WORD id) { return !(id >= 1201 && id <= 1216); }
bool CfgIsDeviceWorkId(WORD id) { return id >= 10001 && id <= 10434 && !InIdList(5, id); }
bool CfgIsCustomMediaId(SETTING_CONTEXT* ctx, WORD id) {
  return id >= sid::wdmCustomMediaDataNum && id <= 1543 && CfgIsCustomMediaOn(ctx);
}
bool CfgIsLockSetSetting(WORD id) {
  return id == kAnyLockId || (id >= sid::rdmLock000InfoBitDefault && id <= sid::rdmLockDstResolutionBoth);
}

// ---------------------------------------------------------------------------------------------
// Header.

int CfgSameMajorVersion(DWORD a, DWORD b) { return (WORD)a / 100 == (WORD)b / 100 ? 1 : 0; }

void CfgWriteRstHeader(const WCHAR* path, INI_TEXT_WRITER* writer, SETTING_CONTEXT* ctx, const WCHAR* section,
                       int versionOnly) {
  if (!ctx) return;
  struct {
    const WCHAR* key;
    std::u16string value;
  } keys[] = {
      {CFG_KEY_RST_VERSION, Decimal(ModelVersion(ctx))},
      {CFG_KEY_RST_MACHINE, Decimal(ModelCode(ctx))},
      {CFG_KEY_RST_LANGUAGE, Decimal((long long)StgGetValue(ctx, sid::rdmLanguageID, nullptr))},
      {CFG_KEY_RST_OS_KIND, Decimal((long long)StgGetValue(ctx, sid::rdmOSKind, nullptr))},
  };
  for (const auto& k : keys) {
    if (writer) CfgIniTextPutKey(writer, k.key, k.value.c_str());
    else if (path && section) CfgIniWriteString(section, k.key, k.value.c_str(), path);
    if (versionOnly) break;
  }
}

int CfgCheckRstHeader(const WCHAR* path, const WCHAR* section, DWORD flags, SETTING_CONTEXT* ctx, const char* body,
                      INI_TEXT_WRITER* writer, int tolerant) {
  if (!ctx) return 0;
  const bool versionOnly = flags & (CFG_TRANSFER_STAMP | CFG_TRANSFER_FREE_SIZE);
  const bool noHeader = !versionOnly && (flags & (CFG_TRANSFER_FREE_SIZE_SRC | CFG_TRANSFER_RESTORE_FILE));
  if (HeaderIsWritten(flags)) {
    if ((flags & CFG_TRANSFER_WRITE) && !noHeader) CfgWriteRstHeader(path, writer, ctx, section, versionOnly);
    return 1;
  }
  DWORD from = kAbsent;
  if (!CfgTestRstHeader(path, section, flags, ctx, body, tolerant, &from)) return 0;
  if (from != kAbsent) MigrateFrom(from, ctx);
  return 1;
}

DWORD CfgReadRstOSKind(const WCHAR* path, SETTING_CONTEXT* ctx) {
  const WCHAR* printer = CfgGetPrinterName(ctx);
  if (!IsDrivePath(path) || !printer) return kAbsent;
  WCHAR section[kSectionChars] = {};
  if (kvp::WLen(printer) >= kSectionChars) return kAbsent;
  kvp::WCopy(section, kSectionChars, printer);
  return (DWORD)CfgIniGetInt(CfgNormalizeSectionName(section), CFG_KEY_RST_OS_KIND, (int)kAbsent, path);
}

// ---------------------------------------------------------------------------------------------
// Transfer.

int CfgTransferSettingsFileCommon(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx) {
  return CfgTransferSettingsFileWith(printer, path, flags, ctx, true);
}

int CfgTransferSettingsFileWith(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx,
                                bool stampPatterns) {
  if (!Usable(ctx)) return 0;
  StgSetLastError(ctx, CFG_FILE_OK);
  if (!IsDrivePath(path) || !(flags & (CFG_TRANSFER_READ | CFG_TRANSFER_WRITE))) return 0;
  const bool reading = flags & CFG_TRANSFER_READ;
  WCHAR section[kSectionChars];
  ChooseSection(ctx, flags, section);
  if (!section[0]) return 0;

  char* text = nullptr;
  const char* body = nullptr;
  INI_TEXT_WRITER writer{};
  if (reading) {
    text = CfgLoadIniText(path);
    if (!text) {
      StgSetLastError(ctx, CFG_FILE_UNREADABLE);
      return 0;
    }
    body = CfgIniTextFindSection(section, text);
  } else if (!CfgIniTextWriterInit(&writer) || !CfgIniTextPutSection(&writer, section)) {
    CfgIniTextWriterFree(&writer);
    return 0;
  }
  auto finish = [&](int result) {
    CfgFreeIniText(text);
    CfgIniTextWriterFree(&writer);
    return result;
  };

  // The header and the locked values are tested before anything changes: a refused file leaves
  // the context as it was.
  DWORD migrateFrom = kAbsent;
  if (reading) {
    if (!(flags & CFG_TRANSFER_CONVERSION) && !CfgTestRstHeader(path, section, flags, ctx, body, 1, &migrateFrom)) {
      StgSetLastError(ctx, CFG_FILE_HEADER_MISMATCH);
      return finish(0);
    }
    if (flags == CFG_TRANSFER_READ && LockFeatureOn(ctx) && StgAnyAdminLock(ctx) &&
        !CfgCheckLockedSettings(path, section, ctx)) {
      StgSetLastError(ctx, CFG_FILE_LOCKED);
      return finish(0);
    }
    if (migrateFrom != kAbsent) MigrateFrom(migrateFrom, ctx);
  } else {
    CfgCheckRstHeader(path, section, flags, ctx, nullptr, &writer, 1);
  }

  int result = WalkSettings(printer, ctx, flags, path, section, body, reading ? nullptr : &writer, stampPatterns);

  if (flags == CFG_TRANSFER_WRITE) CfgSaveRestoreFile(nullptr, CFG_TRANSFER_WRITE | CFG_TRANSFER_RESTORE_FILE, ctx);
  if (!reading) {
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
    result = CfgIniFileReplaceSection(ctx, path, section, writer.text, writer.length);
  }
  CFG_FILE_TRANSFER_EVENT done{flags, path};
  StgBroadcastModuleEvent(ctx, STG_EVENT_FILE_TRANSFERRED, &done);
  return finish(result);
}

int CfgTransferLockSet(const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx, WORD firstId, WORD lastId) {
  if (!Usable(ctx) || !IsDrivePath(path)) return 0;
  if (flags != CFG_TRANSFER_READ && flags != CFG_TRANSFER_WRITE) return 1;
  WCHAR section[kSectionChars];
  ChooseSection(ctx, flags, section);
  if (!section[0]) return 0;
  const bool lockOn = LockFeatureOn(ctx);
  bool ok = true;
  if (flags == CFG_TRANSFER_WRITE) {
    for (DWORD id = firstId; id <= lastId; ++id) {
      bool auth = id == sid::rdmPrnFuncAuthenticationMode || id == sid::rdmPrnFuncAuthenticationSecureMode;
      if (!auth && !(lockOn && CfgIsLockSetSetting((WORD)id))) continue;
      ITEM_DESC* row = StgFindItem(ctx, (WORD)id);
      const WCHAR* name = StgGetItemName(ctx, (WORD)id);
      if (!row || !name) continue;
      if (id == kAnyLockId) {
        ok = CfgIniWriteString(section, name, AnyLockText(ctx), path) && ok;
        continue;
      }
      RowKey borrow(row, section, name);
      ok = CfgWriteIniSetting(ctx->printer, ctx, row, path, nullptr) && ok;
    }
    return ok ? 1 : 0;
  }
  // A full restore takes the authentication modes only where printer data can take them too.
  if (!BidiTouchFlag(ctx)) return 1;
  for (WORD id : {sid::rdmPrnFuncAuthenticationMode, sid::rdmPrnFuncAuthenticationSecureMode}) {
    if (id < firstId || id > lastId) continue;
    ITEM_DESC* row = StgFindItem(ctx, id);
    const WCHAR* name = StgGetItemName(ctx, id);
    if (!row || !name) continue;
    bool read;
    {
      RowKey borrow(row, section, name);
      read = CfgReadIniSetting(ctx, row, path, nullptr, nullptr) != 0;
    }
    ok = read && ok;
    if (read && ok) CfgWritePrinterDataSetting(ctx->printer, ctx, row);
  }
  return ok ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Device part.

namespace {

// The device range through the profile functions or, with a writer, appended to the composition.
void TransferDeviceRange(const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx, const WCHAR* section,
                         INI_TEXT_WRITER* writer, WORD firstId, WORD lastId) {
  if (!Usable(ctx) || !IsDrivePath(path) || !section || !section[0]) return;
  const bool writing = flags & CFG_TRANSFER_WRITE;
  const bool lockOn = LockFeatureOn(ctx);
  auto put = [&](const WCHAR* name, const WCHAR* value) {
    if (writer) CfgIniTextPutKey(writer, name, value);
    else CfgIniWriteString(section, name, value, path);
  };
  for (DWORD id = firstId; id <= lastId; ++id) {
    if ((flags & CFG_TRANSFER_RESTORE_FILE) && id >= 10001 && id <= 10003) continue;
    ITEM_DESC* row = StgFindItem(ctx, (WORD)id);
    const WCHAR* name = StgGetItemName(ctx, (WORD)id);
    if (!row || !name) continue;
    // The font lists belong to the printer they were read from: never taken from a file.
    if (IsFontListSetting((WORD)id)) {
      if (writing) put(name, u"0");
      continue;
    }
    if (writing && lockOn && id == kAnyLockId) {
      put(name, AnyLockText(ctx));
      continue;
    }
    RowKey borrow(row, section, name);
    if (writing) CfgWriteIniSetting(ctx->printer, ctx, row, path, writer);
    else CfgReadIniSetting(ctx, row, path, nullptr, nullptr);
  }
}

}  // namespace

void CfgTransferDeviceRange(const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx, const WCHAR* section, WCHAR*,
                            WORD firstId, WORD lastId) {
  TransferDeviceRange(path, flags, ctx, section, nullptr, firstId, lastId);
}

int CfgTransferDeviceSection(const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx) {
  if (!Usable(ctx)) return 1;
  WCHAR section[kSectionChars] = {};
  const WCHAR* name = (flags & CFG_TRANSFER_READ) && (flags & CFG_TRANSFER_RESTORE_FILE) ? CfgGetRegionSection(ctx)
                                                                                          : CFG_RESTORE_FILE_SECTION;
  if (name && kvp::WLen(name) < kSectionChars) kvp::WCopy(section, kSectionChars, name);
  CfgNormalizeSectionName(section);
  if (!(flags & CFG_TRANSFER_WRITE)) {
    TransferDeviceRange(path, flags, ctx, section, nullptr, 10001, 10434);
    TransferDeviceRange(path, flags, ctx, section, nullptr, 1453, 1543);
    return 1;
  }
  // The section is composed whole and put into the file with one rewrite.
  INI_TEXT_WRITER writer{};
  if (!CfgIniTextWriterInit(&writer) || !CfgIniTextPutSection(&writer, section)) {
    CfgIniTextWriterFree(&writer);
    return 0;
  }
  TransferDeviceRange(path, flags, ctx, section, &writer, 10001, 10434);
  TransferDeviceRange(path, flags, ctx, section, &writer, 1453, 1543);
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
  CfgIniFileReplaceSection(ctx, path, section, writer.text, writer.length);
  CfgIniTextWriterFree(&writer);
  return 1;
}

int CfgSaveRestoreFile(const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx) {
  if (!Usable(ctx)) return 0;
  WCHAR restore[CFG_MAX_PATH] = {};
  if (flags & CFG_TRANSFER_RESTORE_FILE) {
    CfgMakeDataFilePath(restore, CFG_MAX_PATH, CFG_RESTORE_FILE_NAME, ctx);
    path = restore;
  }
  if (!IsDrivePath(path)) return 0;
  return CfgTransferDeviceSection(path, flags, ctx);
}

// ---------------------------------------------------------------------------------------------
// Custom media types.

int CfgSetAsideCustomMediaTypes(SETTING_CONTEXT* ctx) {
  if (!Usable(ctx)) return 0;
  auto* rows = static_cast<MEDIA_TYPE_ASIDE_ROW*>(StgAllocZero(sizeof(MEDIA_TYPE_ASIDE_ROW) * kAsideRows));
  if (!rows) return 0;
  for (size_t i = 0; i < kAsideRows; ++i) {
    MEDIA_TYPE_ASIDE_ROW& r = rows[i];
    r.setting = kAsideMediaTypes[i];
    r.replacement = 1;
    DWORD value = StgGetOptionValue(ctx, (WORD)r.setting, nullptr);
    if (value >= 1025 && value <= 1040) {
      r.saved = value;
      r.changed = 1;
      StgSetOptionValue(ctx, (WORD)r.setting, r.replacement);
    }
  }
  CfgRestoreCustomMediaTypes(ctx);  // a record left from before is put back first
  ctx->work->asideMediaTypes = rows;
  return 1;
}

void CfgRestoreCustomMediaTypes(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work || !ctx->work->asideMediaTypes) return;
  auto* rows = static_cast<MEDIA_TYPE_ASIDE_ROW*>(ctx->work->asideMediaTypes);
  for (size_t i = 0; i < kAsideRows; ++i)
    if (rows[i].changed) StgSetOptionValue(ctx, (WORD)rows[i].setting, rows[i].saved);
  ctx->work->asideMediaTypes = nullptr;
  StgFree(rows);
}

// ---------------------------------------------------------------------------------------------
// Read and write.

int CfgReadSettingsFileCommon(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx) {
  return CfgReadSettingsFileWith(printer, path, flags, ctx, true);
}

int CfgReadSettingsFileWith(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx, bool clearAdjust) {
  CFG_READ_STEPS steps{};
  steps.clearAdjust = clearAdjust;
  return CfgReadSettingsFileSteps(printer, path, flags, ctx, &steps);
}

int CfgReadSettingsFileSteps(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx,
                             const CFG_READ_STEPS* steps) {
  if (!Usable(ctx) || !steps) return 0;
  const bool clearAdjust = steps->clearAdjust;
  StgSetLastError(ctx, CFG_FILE_OK);
  if (!IsDrivePath(path)) return 0;
  StgLockSharedFiles(ctx);
  int result;
  DWORD code;
  {
    PrinterNameScope names(ctx);
    const bool full = (flags & ~(CFG_TRANSFER_READ | CFG_TRANSFER_FULL)) == 0;
    if ((full || (flags & CFG_TRANSFER_PROBE_DRIVER)) && IsDrivePath(path)) {
      const WCHAR* driver = CfgGetDriverName(ctx);
      WCHAR probe[kSectionChars] = {}, value[261] = {};
      if (driver && kvp::WLen(driver) < kSectionChars) {
        kvp::WCopy(probe, kSectionChars, driver);
        CfgIniGetString(CfgNormalizeSectionName(probe), CFG_KEY_RST_VERSION, u"*", value, 261, path);
        if (kvp::WView(value) != u"*") names.Replace(driver);
      }
    }
    DWORD osKind = (DWORD)StgGetValue(ctx, sid::rdmOSKind, nullptr);
    uint64_t specials[16];
    for (WORD i = 0; i < 16; ++i) specials[i] = StgGetValue(ctx, (WORD)(sid::wdmSpecial1 + i), nullptr);

    result = CfgTransferSettingsFile(printer, path, flags | CFG_TRANSFER_READ, ctx);
    code = StgGetLastError(ctx);
    // Only a file that was read is followed up: a refused or unreadable one changes nothing.
    const bool read = code == CFG_FILE_OK;
    if (read && !CfgTransferLockSet(path, flags | CFG_TRANSFER_READ, ctx, 10001, 10434)) result = 0;
    if (code == CFG_FILE_HEADER_MISMATCH && (flags & CFG_TRANSFER_QUALITY)) {
      // A quality file of an older layout is rebuilt from its counterpart for the next read.
      WCHAR rsq[CFG_MAX_PATH] = {};
      if (CfgMakeRsqPath(rsq, path, CFG_MAX_PATH, ctx) && rsq[0])
        CfgConvertSettingsFile(path, rsq, CFG_TRANSFER_QUALITY, ctx);
    }
    if (full && read) {
      for (WORD i = 0; i < 16; ++i) StgSetValue(ctx, (WORD)(sid::wdmSpecial1 + i), specials[i]);
      int slot = RuleGetOutPaperCustomSlot(ctx);
      if (slot >= 0) {
        CfgStoreFreeSizeSlot(ctx, slot);
        CfgSaveFreeSize(ctx, slot);
      }
      slot = RuleGetPaperCustomSlot(ctx);
      if (slot >= 0) {
        CfgStoreFreeSizeSlotSrc(ctx, slot);
        CfgSelectFreeSizeSlot(ctx, slot);
        CfgSaveFreeSize(ctx, slot);
      }
      LONG wm = RuleGetWatermarkId(ctx);
      if (wm >= 0) {
        int stamps = CfgGetStampCount(ctx);
        if (wm >= stamps) {
          wm = stamps;
          StgSetValue(ctx, sid::rdmWmID, (uint64_t)wm);
        }
        CfgSaveStamp(ctx, (int)wm);
      }
      DWORD nowKind = (DWORD)StgGetValue(ctx, sid::rdmOSKind, nullptr);
      if (nowKind == 0 || nowKind == 1) {
        StgSetValue(ctx, sid::dmICMMethod, 1);
        StgSetValue(ctx, sid::dmICMIntent, 1);
        StgSetValue(ctx, sid::dmFields, StgGetValue(ctx, sid::dmFields, nullptr) & ~(uint64_t)0x1800000);
        StgSetValue(ctx, sid::rdmColorMatching, 0);
        StgSetValue(ctx, sid::rdmICMType, ImgGetDefaultValue(ctx, sid::rdmICMType));
        StgSetValue(ctx, sid::rdmICMIntent, ImgGetDefaultValue(ctx, sid::rdmICMIntent));
      }
      uint64_t fields = StgGetValue(ctx, sid::dmFields, nullptr);
      fields = (nowKind == 0 || nowKind == 3) ? (fields | 0x2000000) : (fields & ~(uint64_t)0x2000000);
      StgSetValue(ctx, sid::dmFields, fields);
      StgSetValue(ctx, sid::rdmOSKind, osKind);
      LONG macro = RuleGetUserMacroIndex(ctx);
      if (macro >= 0) CfgSaveQualityByIndex(ctx, (int)macro);
      StgSetOptionValue(ctx, sid::rdmPresetNo, 255);
      const bool uiMode = StgGetValue(ctx, sid::rdmUIModeChange, nullptr) == 1;
      if (uiMode) StgSetValue(ctx, sid::rdmUIModeChange, 0);
      CfgApplyCountryClass(ctx);
      if (steps->afterLoad) {
        // The library's steps run under the printer's own name, the file's section name set back after.
        WCHAR kept[sizeof(CONTEXT_WORK_AREA::printerName) / sizeof(WCHAR)];
        std::memcpy(kept, ctx->work->printerName, sizeof(kept));
        names.Restore();
        steps->afterLoad(ctx);
        std::memcpy(ctx->work->printerName, kept, sizeof(kept));
      }
      if (steps->merge) {
        steps->merge(ctx);
      } else {
        const bool adjust = clearAdjust && StgGetValue(ctx, sid::rdmAdjustMode, nullptr) == 1;
        if (adjust) StgSetValue(ctx, sid::rdmAdjustMode, 0);
        StgMergeDevmode(ctx, nullptr, 0x10000008);
        if (adjust) StgSetValue(ctx, sid::rdmAdjustMode, 1);
      }
      RuleBroadcastEvent11(ctx);
      if (uiMode) StgSetValue(ctx, sid::rdmUIModeChange, 1);
    }
  }
  StgSetLastError(ctx, code);
  StgUnlockSharedFiles(ctx);
  return result;
}

int CfgWriteSettingsFileLocked(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx) {
  if (!Usable(ctx)) return 0;
  StgLockSharedFiles(ctx);
  SETTING_STORE* aside = nullptr;
  const bool fullOrPreset = (flags & ~(CFG_TRANSFER_WRITE | CFG_TRANSFER_PRESET | CFG_TRANSFER_FULL)) == 0;
  if (fullOrPreset) {
    aside = static_cast<SETTING_STORE*>(StgAllocZero(sizeof(SETTING_STORE)));
    if (!aside) {
      StgUnlockSharedFiles(ctx);
      return 0;
    }
    *aside = *ctx->store;
    int slot = RuleGetPaperCustomSlot(ctx);
    if (slot >= 0) CfgLoadFreeSizeSrc(ctx, slot);
    slot = RuleGetOutPaperCustomSlot(ctx);
    if (slot >= 0) CfgLoadFreeSize(ctx, slot);
    LONG wm = RuleGetWatermarkId(ctx);
    if (wm >= 0) CfgLoadStamp(ctx, (int)wm);
    LONG macro = RuleGetUserMacroIndex(ctx);
    if (macro >= 0) CfgLoadQualityByIndex(ctx, (int)macro);
    StgRequestDeviceDataLoad(ctx);
    StgRefreshDerivedSettings(StgGetDevmode(ctx), ctx, 0);
  }
  int ok = CfgTransferSettingsFile(printer, path, flags | CFG_TRANSFER_WRITE, ctx);
  int locks = CfgTransferLockSet(path, flags | CFG_TRANSFER_WRITE, ctx, 10001, 10434);
  if (aside) {
    *ctx->store = *aside;
    StgFree(aside);
  }
  StgUnlockSharedFiles(ctx);
  return ok && locks ? 1 : 0;
}

int CfgWriteSettingsFile(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx) {
  if (!Usable(ctx)) return 0;
  const bool full = flags == 0 || flags == CFG_TRANSFER_WRITE || flags == CFG_TRANSFER_FULL ||
                    flags == (CFG_TRANSFER_FULL | CFG_TRANSFER_WRITE);
  const bool aside = CfgIsCustomMediaOn(ctx) && (flags == 0 || (flags & CFG_TRANSFER_REGION)) &&
                     !StgGetValue(ctx, sid::rdmHidden2Func21, nullptr);
  if (aside && !CfgSetAsideCustomMediaTypes(ctx)) return 0;
  int result;
  {
    PrinterNameScope names(ctx);
    if (flags & CFG_TRANSFER_REGION) {
      names.Replace(CfgGetRegionCode(ctx));
      flags &= ~CFG_TRANSFER_REGION;
    } else if (full) {
      names.Replace(CfgGetDriverName(ctx));
    }
    result = CfgWriteSettingsFileLocked(printer, path, flags, ctx);
  }
  if (aside) CfgRestoreCustomMediaTypes(ctx);
  return result;
}
