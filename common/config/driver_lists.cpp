// The driver INI lists: presets, quality entries and stamps, the preset snapshots, the section swap and
// the interface font default.
#include "config/driver_lists.h"

#include <climits>
#include <cstring>
#include <string>

#include "config/ini.h"
#include "config/paths.h"
#include "settings/library_hooks.h"
#include "driverdata/rule_values.h"
#include "config/settings_file.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

namespace {

// Class fields of a row's flags word: a non-zero field means member.
constexpr uint64_t kPresetClass = 0x0c;
constexpr uint64_t kWatermarkClass = 0xc0;

// Characters of a settings-file path read from a list key.
constexpr DWORD kPathChars = CFG_MAX_PATH + 1;

bool Ready(SETTING_CONTEXT* ctx) { return ctx && ctx->work; }

// dst (CFG_LIST_NAME_CHARS) := prefix, the decimal number and the suffix; empty when it does not fit.
WCHAR* FormatName(WCHAR* dst, const char16_t* prefix, int number, const WCHAR* suffix) {
  if (!dst) return dst;
  std::u16string text = prefix;
  std::string digits = std::to_string(number);
  text.append(digits.begin(), digits.end());
  if (suffix) text += kvp::WView(suffix);
  if (text.size() >= CFG_LIST_NAME_CHARS) text.clear();
  kvp::WCopy(dst, CFG_LIST_NAME_CHARS, text.c_str());
  return dst;
}

std::u16string Decimal(long long n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

int ReadCount(const WCHAR* section, const WCHAR* key, SETTING_CONTEXT* ctx) {
  const WCHAR* ini = CfgGetIniPath(ctx);
  if (!section || !ini || !ini[0]) return 0;
  int n = CfgIniGetInt(section, key, 0, ini);
  return n < 0 ? 0 : n;
}

BOOL WriteKey(SETTING_CONTEXT* ctx, const WCHAR* section, const WCHAR* key, const WCHAR* value) {
  const WCHAR* ini = CfgGetIniPath(ctx);
  if (!section || !ini || !ini[0]) return FALSE;
  return CfgIniWriteString(section, key, value ? value : u"", ini);
}

// The value of a key of the printer section (a settings-file path or a name), at most 260 characters.
void ReadPrinterKey(SETTING_CONTEXT* ctx, const WCHAR* key, WCHAR (&out)[kPathChars]) {
  out[0] = 0;
  const WCHAR* ini = CfgGetIniPath(ctx);
  const WCHAR* section = CfgGetPresetSection(ctx);
  if (!key || !section || !ini || !ini[0]) return;
  CfgIniGetString(section, key, u"", out, kPathChars, ini);
}

// ---- Snapshots.

bool InSnapshot(const ITEM_DESC& row) { return (row.flags & kPresetClass) || (row.flags & kWatermarkClass); }

// Bytes a setting keeps in a snapshot: its length from the type word (a bit word of 1, 2 or 4 bytes).
DWORD SnapshotBytes(const ITEM_DESC& row) {
  DWORD n = StgTypeLength(row.type);
  if (StgTypeIsBit(row.type)) return n == 0 || n > 4 ? 4 : n;
  switch (StgTypeCode(row.type)) {
    case STG_TYPE_I8: case STG_TYPE_U8: return n ? n : 1;
    case STG_TYPE_I16: case STG_TYPE_U16: return n ? n : 2;
    case STG_TYPE_U32_COUNTER: case STG_TYPE_U32: return n ? n : 4;
    default: return n;
  }
}

// Calls fn(row, value address, bytes) for every snapshot setting that lies in the store, in dictionary
// order.
template <class Fn>
void ForEachSnapshotRow(SETTING_CONTEXT* ctx, Fn fn) {
  ITEM_DICTIONARY* dict = ctx->dictionary;
  if (!dict || !dict->rows || !ctx->store) return;
  for (int16_t i = 0; i < dict->count; ++i) {
    const ITEM_DESC& row = dict->rows[i];
    if (!InSnapshot(row)) continue;
    BYTE* p = StgGetValuePtr(ctx, &row);
    DWORD n = SnapshotBytes(row);
    if (p && n) fn(row, p, n);
  }
}

// The snapshot slot of a preset key ("PresetList0" ... "PresetList15"), or -1.
int SnapshotSlot(const WCHAR* key) {
  if (!key) return -1;
  for (int i = 0; i < CFG_PRESET_SLOTS; ++i) {
    WCHAR name[CFG_LIST_NAME_CHARS];
    CfgFormatPresetKey(name, i, 0);
    if (kvp::WView(name) == kvp::WView(key)) return i;
  }
  return -1;
}

int SaveSnapshot(SETTING_CONTEXT* ctx, int slot) {
  CONTEXT_WORK_AREA* w = ctx->work;
  DWORD total = 0;
  ForEachSnapshotRow(ctx, [&](const ITEM_DESC&, BYTE*, DWORD n) { total += n; });
  if (!w->presetSnapshots[slot] || w->presetSnapshotBytes[slot] != total) {
    StgFree(w->presetSnapshots[slot]);
    w->presetSnapshots[slot] = total ? StgAllocZero(total) : nullptr;
    w->presetSnapshotBytes[slot] = w->presetSnapshots[slot] ? total : 0;
    if (!w->presetSnapshots[slot]) return 0;
  }
  BYTE* out = static_cast<BYTE*>(w->presetSnapshots[slot]);
  DWORD at = 0;
  ForEachSnapshotRow(ctx, [&](const ITEM_DESC&, BYTE* p, DWORD n) {
    std::memcpy(out + at, p, n);
    at += n;
  });
  return 0;
}

int RestoreSnapshot(SETTING_CONTEXT* ctx, int slot) {
  CONTEXT_WORK_AREA* w = ctx->work;
  const BYTE* in = static_cast<const BYTE*>(w->presetSnapshots[slot]);
  if (!in) return 0;
  DWORD at = 0, size = w->presetSnapshotBytes[slot];
  ForEachSnapshotRow(ctx, [&](const ITEM_DESC& row, BYTE* p, DWORD n) {
    if (at + n > size) return;  // never read past the buffer, whatever changed since it was made
    if (StgTypeIsBit(row.type)) {
      // Only the setting's own bit moves; the other bits of its word belong to other settings.
      DWORD bit = StgTypeCode(row.type) - STG_TYPE_BIT0;
      if (bit / 8 < n) {
        BYTE mask = (BYTE)(1u << (bit % 8));
        p[bit / 8] = (BYTE)((p[bit / 8] & ~mask) | (in[at + bit / 8] & mask));
      }
    } else {
      std::memcpy(p, in + at, n);
    }
    at += n;
  });
  return 1;
}

// The stamp a loaded preset selects must exist; a watermark that names none is switched off.
void CheckPresetWatermark(SETTING_CONTEXT* ctx) {
  DWORD id = (DWORD)StgGetValue(ctx, sid::rdmWmID, nullptr);
  if (StgGetValue(ctx, sid::rdmFuncSelectWaterMark, nullptr) && id < (DWORD)CfgGetStampCount(ctx)) {
    DWORD kind = (DWORD)StgGetValue(ctx, sid::rdmWmKind, nullptr);
    if (kind >= 1 && kind <= 3) {
      CfgLoadStamp(ctx, (int)id);
      StgSetOptionValue(ctx, sid::rdmWmID, id);
    }
    return;
  }
  StgSetOptionValue(ctx, sid::rdmFuncSelectWaterMark, 0);
  StgSetOptionValue(ctx, sid::rdmWmID, 0);
}

// The key followed by `suffix`; empty when the key is missing or too long for a list key.
std::u16string KeyWith(const WCHAR* key, const char16_t* suffix) {
  if (!key || kvp::WLen(key) + std::char_traits<char16_t>::length(suffix) >= CFG_LIST_NAME_CHARS) return {};
  return std::u16string(kvp::WView(key)) + suffix;
}

int TransferFile(SETTING_CONTEXT* ctx, const WCHAR* path, DWORD flags) {
  if (!path || !path[0]) return 0;
  return CfgTransferSettingsFile(ctx->printer, path, flags, ctx);
}

}  // namespace

// ---- Presets.

int CfgGetPresetCount(SETTING_CONTEXT* ctx) { return Ready(ctx) ? ReadCount(CfgGetPresetSection(ctx), u"Count", ctx) : 0; }

const WCHAR* CfgGetPresetSection(SETTING_CONTEXT* ctx) { return CfgGetPrinterName(ctx); }

WCHAR* CfgFormatPresetKey(WCHAR* dst, int index, int part) {
  return FormatName(dst, u"PresetList", index, part == 1 ? u"Name" : part == 2 ? u"Comment" : nullptr);
}

int CfgAppendPresetListEntry(SETTING_CONTEXT* ctx, const WCHAR* path, const WCHAR* name, const WCHAR* comment) {
  if (!Ready(ctx)) return 0;
  const WCHAR* section = CfgGetPresetSection(ctx);
  // Reading the count and writing the entry are one step for every process that shares the INI; a
  // mutex that cannot be had fails the append rather than risking an entry over another's.
  int n = StgLockSharedFiles(ctx) ? ReadCount(section, u"Count", ctx) : INT_MAX;
  if (n == INT_MAX) {  // an edited count that leaves no number for a further entry
    StgUnlockSharedFiles(ctx);
    return 0;
  }
  WCHAR key[CFG_LIST_NAME_CHARS];
  BOOL ok = WriteKey(ctx, section, CfgFormatPresetKey(key, n, 0), path);
  ok = WriteKey(ctx, section, CfgFormatPresetKey(key, n, 1), name) && ok;
  ok = WriteKey(ctx, section, CfgFormatPresetKey(key, n, 2), comment) && ok;
  ok = ok && WriteKey(ctx, section, u"Count", Decimal(n + 1).c_str());
  StgUnlockSharedFiles(ctx);
  CfgPresetSnapshot(ctx, nullptr, 3);
  return ok ? 1 : 0;
}

void CfgClearPresetList(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx)) return;
  WriteKey(ctx, CfgGetPresetSection(ctx), u"Count", u"0");
  CfgPresetSnapshot(ctx, nullptr, 3);
}

int CfgLoadPreset(SETTING_CONTEXT* ctx, const WCHAR* presetKey) {
  if (!Ready(ctx)) return 0;
  StgSetLastError(ctx, 0);
  WCHAR path[kPathChars];
  ReadPrinterKey(ctx, presetKey, path);
  if (!path[0]) {
    WCHAR first[CFG_LIST_NAME_CHARS];
    ReadPrinterKey(ctx, CfgFormatPresetKey(first, 0, 0), path);
  }
  TransferFile(ctx, path, CFG_TRANSFER_READ | CFG_TRANSFER_FULL | CFG_TRANSFER_PRESET);
  CheckPresetWatermark(ctx);
  CfgPresetSnapshot(ctx, presetKey, 2);
  return RuleBroadcastEvent11(ctx);
}

int CfgLoadPresetByIndex(SETTING_CONTEXT* ctx, int index) {
  if (index < 0 || index >= CFG_PRESET_SLOTS) return 0;
  WCHAR key[CFG_LIST_NAME_CHARS];
  return CfgLoadPreset(ctx, CfgFormatPresetKey(key, index, 0));
}

int CfgPresetSnapshot(SETTING_CONTEXT* ctx, const WCHAR* presetKey, int mode) {
  if (!Ready(ctx)) return 0;
  CONTEXT_WORK_AREA* w = ctx->work;
  switch (mode) {
    case 0:
    case 3:
      for (int i = 0; i < CFG_PRESET_SLOTS; ++i) {
        if (mode == 3) StgFree(w->presetSnapshots[i]);
        w->presetSnapshots[i] = nullptr;
        w->presetSnapshotBytes[i] = 0;
      }
      return 0;
    case 1:
    case 2: {
      int slot = SnapshotSlot(presetKey);
      if (slot < 0) return 0;
      return mode == 1 ? RestoreSnapshot(ctx, slot) : SaveSnapshot(ctx, slot);
    }
    default:
      return 0;
  }
}

// ---- Quality entries.

int CfgGetQualityCount(SETTING_CONTEXT* ctx) {
  return Ready(ctx) ? ReadCount(CfgGetPresetSection(ctx), u"QualityCount", ctx) : 0;
}

WCHAR* CfgFormatQualityKey(WCHAR* dst, int index) { return FormatName(dst, u"QualityList", index, nullptr); }

int CfgLoadQualityEntryCommon(SETTING_CONTEXT* ctx, const WCHAR* key) { return CfgLoadQualityEntryWith(ctx, key, true); }

int CfgLoadQualityEntryWith(SETTING_CONTEXT* ctx, const WCHAR* key, bool readName) {
  if (!Ready(ctx)) return 0;
  WCHAR path[kPathChars];
  ReadPrinterKey(ctx, key, path);
  int r = TransferFile(ctx, path, CFG_TRANSFER_READ | CFG_TRANSFER_QUALITY);
  if (readName) CfgLoadQualityEntryName(ctx, key);
  return r;
}

void CfgLoadQualityEntryName(SETTING_CONTEXT* ctx, const WCHAR* key) {
  if (!Ready(ctx)) return;
  std::u16string nameKey = KeyWith(key, u"Name");
  if (nameKey.empty()) return;
  WCHAR name[kPathChars];
  ReadPrinterKey(ctx, nameKey.c_str(), name);
  ITEM_DESC* row = StgFindItem(ctx, sid::wdmUserSetName);
  if (row) StgSetString(ctx, row, name);
}

int CfgLoadQualityByIndex(SETTING_CONTEXT* ctx, int index) {
  WCHAR key[CFG_LIST_NAME_CHARS];
  return CfgLoadQualityEntry(ctx, CfgFormatQualityKey(key, index));
}

int CfgSaveQualityEntry(SETTING_CONTEXT* ctx, const WCHAR* key) {
  if (!Ready(ctx)) return 0;
  WCHAR path[kPathChars];
  ReadPrinterKey(ctx, key, path);
  return TransferFile(ctx, path, CFG_TRANSFER_WRITE | CFG_TRANSFER_QUALITY);
}

int CfgSaveQualityByIndex(SETTING_CONTEXT* ctx, int index) {
  WCHAR key[CFG_LIST_NAME_CHARS];
  return CfgSaveQualityEntry(ctx, CfgFormatQualityKey(key, index));
}

int CfgLoadQualityFile(SETTING_CONTEXT* ctx, const WCHAR* key) {
  if (!Ready(ctx)) return 0;
  WCHAR value[kPathChars], rsr[CFG_MAX_PATH], rsq[CFG_MAX_PATH];
  ReadPrinterKey(ctx, key, value);
  int r = 0;
  if (value[0] && CfgMakeUserSettingsPath(rsr, CfgFindFileName(value), CFG_MAX_PATH, ctx) &&
      CfgMakeRsqFileName(rsq, rsr, CFG_MAX_PATH))
    r = TransferFile(ctx, rsq, CFG_TRANSFER_READ | CFG_TRANSFER_CONVERSION | CFG_TRANSFER_QUALITY);
  CfgLoadQualityEntryName(ctx, key);
  return r;
}

int CfgLoadQualityFileByIndex(SETTING_CONTEXT* ctx, int index) {
  WCHAR key[CFG_LIST_NAME_CHARS];
  return CfgLoadQualityFile(ctx, CfgFormatQualityKey(key, index));
}

// ---- Stamps.

int CfgGetStampCount(SETTING_CONTEXT* ctx) {
  return Ready(ctx) ? ReadCount(CfgGetRegionSection(ctx), u"StampCount", ctx) : 0;
}

void CfgSetStampCount(SETTING_CONTEXT* ctx, int n) {
  if (Ready(ctx)) WriteKey(ctx, CfgGetRegionSection(ctx), u"StampCount", Decimal(n).c_str());
}

WCHAR* CfgFormatStampSection(WCHAR* dst, int n, DWORD, SETTING_CONTEXT* ctx) {
  return FormatName(dst, u"Stamp", n, CfgGetRegionSuffix(ctx));
}

int CfgLoadStampSection(SETTING_CONTEXT* ctx, const WCHAR* section) {
  return CfgTransferIniSection(ctx, section, CFG_TRANSFER_READ | CFG_TRANSFER_STAMP);
}

int CfgLoadStamp(SETTING_CONTEXT* ctx, int n) {
  if (!Ready(ctx)) return 0;
  WCHAR section[CFG_LIST_NAME_CHARS];
  int r = CfgLoadStampSection(ctx, CfgFormatStampSection(section, n, 0, ctx));
  StgSetOptionValue(ctx, sid::rdmWmID, (DWORD)n);
  return r;
}

int CfgSaveStampSection(SETTING_CONTEXT* ctx, const WCHAR* section) {
  if (!Ready(ctx)) return 0;
  int r = CfgTransferIniSection(ctx, section, CFG_TRANSFER_WRITE | CFG_TRANSFER_STAMP);
  CfgPresetSnapshot(ctx, nullptr, 3);
  return r;
}

void CfgSaveStamp(SETTING_CONTEXT* ctx, int n) {
  if (!Ready(ctx) || n < 0) return;
  if (n != CFG_SCRATCH_STAMP && n >= CfgGetStampCount(ctx))
    WriteKey(ctx, CfgGetRegionSection(ctx), u"StampCount", Decimal((long long)n + 1).c_str());
  StgSetOptionValue(ctx, sid::rdmWmID, (DWORD)n);
  WCHAR section[CFG_LIST_NAME_CHARS];
  CfgSaveStampSection(ctx, CfgFormatStampSection(section, n, 0, ctx));
}

int CfgReloadSelectedStamp(SETTING_CONTEXT* ctx) {
  if (!Ready(ctx) || !StgGetValue(ctx, sid::rdmFuncSelectWaterMark, nullptr)) return 0;
  if (!StgIsValueAllowed(sid::rdmWmKind, (int32_t)StgGetValue(ctx, sid::rdmWmKind, nullptr))) return 0;
  return CfgLoadStamp(ctx, (int)StgGetValue(ctx, sid::rdmWmID, nullptr));
}

// ---- Section swap.

int CfgTransferIniSection(SETTING_CONTEXT* ctx, const WCHAR* section, DWORD flags) {
  if (!Ready(ctx) || !section || !section[0]) return 0;
  CONTEXT_WORK_AREA* w = ctx->work;
  constexpr size_t kNameChars = sizeof(w->printerName) / sizeof(WCHAR);
  if (kvp::WLen(section) >= kNameChars) return 0;
  const WCHAR* ini = CfgGetIniPath(ctx);
  if (!ini || !ini[0]) return 0;
  WCHAR iniPath[CFG_MAX_PATH];
  kvp::WCopy(iniPath, CFG_MAX_PATH, ini);
  CfgGetPrinterName(ctx);  // the name must be known before its buffer is lent out
  // The printer name waits in the section-name buffer; a local copy brings it back even when the
  // transfer itself swaps a section in turn.
  WCHAR saved[kNameChars];
  std::memcpy(saved, w->printerName, sizeof(saved));
  kvp::WCopy(w->sectionName, sizeof(w->sectionName) / sizeof(WCHAR), saved);
  kvp::WCopy(w->printerName, kNameChars, section);
  int r = CfgTransferSettingsFile(ctx->printer, iniPath, flags, ctx);
  std::memcpy(w->printerName, saved, sizeof(saved));
  return r;
}

// ---- Interface font.

WCHAR* CfgGetUiFontName(SETTING_CONTEXT* ctx, WCHAR* buffer) {
  if (!buffer) return buffer;
  // The Japanese resource library's default interface font (full-width letters and katakana).
  static constexpr char16_t kJapanese[] = u"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF";
  kvp::WCopy(buffer, 32, Ready(ctx) && CfgIsJapaneseResourceDll(ctx) ? kJapanese : u"Arial");
  return buffer;
}
