// Administrator locks: the locked values recorded in work settings, a single default setting
// re-applied while the default settings are locked, and the locked settings written into every preset
// and quality entry file, each entry's own value kept beside it under a "Lock" key until the lock is
// lifted.
#include <string>

#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"

namespace {

constexpr WORD kLockBitDefault = 10418;
constexpr WORD kLockBitResolution = 10425;
constexpr WORD kRdmLockDstResolutionBoth = 10434;

// Settings written into each preset file, by the lock bit that guards them.
struct PresetLock {
  WORD bit;
  WORD settings[3];  // 0 ends a row's list
};
constexpr PresetLock kPresetLocks[] = {
    {10419, {sid::dmDefaultSource, 0, 0}},
    {10420, {sid::rdmMediaType, 0, 0}},
    {10421, {sid::rdmFuncSelectNup, sid::rdmNUPPOSTKind, sid::rdmNUPType}},
    {10423, {sid::rdmFuncSelectDuplex, sid::rdmDuplexType, 0}},
    {10424, {sid::rdmPrnMethod, 0, 0}},
    {10426, {sid::dmColor, 0, 0}},
};

// Recorded locked values: {work setting, the setting it records}.
constexpr WORD kRecorded[][2] = {
    {sid::wdmLock001Info, sid::dmDefaultSource}, {sid::wdmLock002Info, sid::rdmMediaType},
    {sid::wdmLock003Info, sid::rdmNUPPOSTKind},  {sid::wdmLock006Info, sid::rdmPrnMethod},
    {sid::wdmLock007Info, kRdmLockDstResolutionBoth}, {sid::wdmLock008Info, sid::dmColor},
};

uint64_t Val(SETTING_CONTEXT* ctx, WORD id) { return StgGetValue(ctx, id, nullptr); }

std::u16string Decimal(LONG v) {
  WCHAR text[STG_DECIMAL_CHARS];
  return std::u16string(StgFormatDecimalText(text, v));
}

// One entry file's printer section.
class EntrySection {
 public:
  EntrySection(const WCHAR* file, const WCHAR* section) : file_(file), section_(section) {}
  // The key's value, or false when the key is absent.
  bool Read(const std::u16string& key, std::u16string* value) const {
    static constexpr WCHAR kAbsent[] = {0xFFFF, 0};
    WCHAR buf[STG_LOCK_ENTRY_PATH_CHARS];
    CfgIniGetString(section_, key.c_str(), kAbsent, buf, STG_LOCK_ENTRY_PATH_CHARS, file_);
    if (buf[0] == 0xFFFF) return false;
    if (value) *value = kvp::WView(buf);
    return true;
  }
  bool Has(const std::u16string& key) const { return Read(key, nullptr); }
  void Write(const std::u16string& key, const std::u16string& value) const {
    CfgIniWriteString(section_, key.c_str(), value.c_str(), file_);
  }
  void Delete(const std::u16string& key) const { CfgIniWriteString(section_, key.c_str(), nullptr, file_); }

 private:
  const WCHAR* file_;
  const WCHAR* section_;
};

// The entry file of a list entry, taken only when it lies inside the printer's data folders.
bool EntryFile(SETTING_CONTEXT* ctx, const WCHAR* key, WCHAR (&path)[STG_LOCK_ENTRY_PATH_CHARS]) {
  const WCHAR* section = CfgGetPresetSection(ctx);
  const WCHAR* ini = CfgGetIniPath(ctx);
  path[0] = 0;
  if (!section || !ini || !ini[0]) return false;
  CfgIniGetString(section, key, u"", path, STG_LOCK_ENTRY_PATH_CHARS, ini);
  return path[0] && StgIsLockEntryPathAllowed(ctx, path);
}

// Resolution codes: the W and H values of a code's row in the resolution table.
const RESOLUTION_ROW* ResolutionRow(DWORD code) {
  for (const RESOLUTION_ROW* r = StgGetResolutionTable(); r && r->code; ++r)
    if (r->code == code) return r;
  return nullptr;
}

struct Names {
  std::u16string n, l;  // the setting's key and its "Lock" key
};
bool NamesOf(SETTING_CONTEXT* ctx, WORD id, Names* out) {
  const WCHAR* name = StgGetItemName(ctx, id);
  if (!name || !name[0]) return false;
  out->n = kvp::WView(name);
  out->l = out->n + u"Lock";
  return true;
}

// The W and H keys of the resolution, written together with rdmDstResolutionBoth.
struct ResolutionPair {
  Names w, h;
};

// Lock bit set: keeps the entry's own value under L (first lock) and writes V. With `pair`, the W and
// H keys follow the code. false when the entry is skipped.
void LockEntry(const EntrySection& s, const Names& names, const std::u16string& v, const ResolutionPair* pair,
               DWORD code) {
  std::u16string own;
  bool hasN = s.Read(names.n, &own);
  bool first = !s.Has(names.l);
  if (first) {
    if (!hasN) return;
    s.Write(names.l, own);
  } else if (!hasN) {
    return;
  }
  if (own == v) return;
  s.Write(names.n, v);
  if (!pair) return;
  const RESOLUTION_ROW* row = ResolutionRow(code);
  if (!row) return;
  const std::pair<const Names*, DWORD> sides[] = {{&pair->w, row->xDpi}, {&pair->h, row->yDpi}};
  for (const auto& [side, dpi] : sides) {
    std::u16string old;
    bool has = s.Read(side->n, &old);
    if (first) {
      if (!has) continue;
      s.Write(side->l, old);
    }
    s.Write(side->n, Decimal((LONG)dpi));
  }
}

// Lock bit clear: the saved value comes back (when it differs from V) and L goes.
void UnlockEntry(const EntrySection& s, const Names& names, const std::u16string& v, const ResolutionPair* pair) {
  std::u16string saved;
  if (!s.Read(names.l, &saved)) return;
  if (saved != v) {
    s.Write(names.n, saved);
    if (pair)
      for (const Names* side : {&pair->w, &pair->h}) {
        std::u16string old;
        if (!s.Read(side->l, &old)) continue;
        s.Write(side->n, old);
        s.Delete(side->l);
      }
  }
  s.Delete(names.l);
}

enum class EntryList { Presets, Quality };

// The walk over one list's entry files for one setting. With `stopWithoutKey`, an entry file whose
// section lacks the setting's key stops the walk with 0 (the resolution code walk).
int ApplyLockToEntries(SETTING_CONTEXT* ctx, WORD id, WORD bit, EntryList list, bool stopWithoutKey) {
  Names names;
  if (!NamesOf(ctx, id, &names)) return 0;
  ResolutionPair pair;
  bool withPair = id == sid::rdmDstResolutionBoth && NamesOf(ctx, sid::rdmDstResolutionW, &pair.w) &&
                  NamesOf(ctx, sid::rdmDstResolutionH, &pair.h);
  const WCHAR* section = CfgGetPrinterName(ctx);
  if (!section || !section[0]) return 0;
  const bool locked = Val(ctx, bit) != 0;
  const DWORD code = (DWORD)Val(ctx, id);
  const std::u16string v = Decimal((LONG)code);
  const int count = list == EntryList::Presets ? CfgGetPresetCount(ctx) : CfgGetQualityCount(ctx);
  for (int i = 0; i < count; ++i) {
    WCHAR key[CFG_LIST_NAME_CHARS];
    if (list == EntryList::Presets) CfgFormatPresetKey(key, i, 0);
    else CfgFormatQualityKey(key, i);
    WCHAR file[STG_LOCK_ENTRY_PATH_CHARS];
    if (!EntryFile(ctx, key, file)) continue;
    EntrySection s(file, section);
    if (stopWithoutKey && !s.Has(names.n)) return 0;
    if (locked) LockEntry(s, names, v, withPair ? &pair : nullptr, code);
    else UnlockEntry(s, names, v, withPair ? &pair : nullptr);
  }
  return 1;
}

// A path step that climbs or stays ("." / ".."), or an empty one.
bool IsDotStep(std::u16string_view step) { return step.empty() || step == u"." || step == u".."; }

bool InsideFolder(std::u16string_view path, const WCHAR* folder) {
  std::u16string_view f = kvp::WView(folder);
  while (!f.empty() && f.back() == u'\\') f.remove_suffix(1);
  if (f.size() < 3 || path.size() <= f.size() + 1 || path[f.size()] != u'\\') return false;
  return kvp::WEqualI(path.substr(0, f.size()), f);
}

}  // namespace

int StgIsLockEntryPathAllowed(SETTING_CONTEXT* ctx, const WCHAR* path) {
  if (!ctx || !path || !CfgIsAbsolutePath(path)) return 0;
  std::u16string_view p = kvp::WView(path);
  if (p.size() >= STG_LOCK_ENTRY_PATH_CHARS || p.find(u'/') != std::u16string_view::npos) return 0;
  // Every step after the drive must be a plain name.
  for (size_t at = 3; at <= p.size();) {
    size_t end = p.find(u'\\', at);
    if (end == std::u16string_view::npos) end = p.size();
    if (IsDotStep(p.substr(at, end - at))) return 0;
    at = end + 1;
  }
  WCHAR folder[STG_LOCK_ENTRY_PATH_CHARS];
  if (CfgGetDataDir(folder, STG_LOCK_ENTRY_PATH_CHARS, ctx) && InsideFolder(p, folder)) return 1;
  if (CfgGetUserDataDir(folder, STG_LOCK_ENTRY_PATH_CHARS, ctx) && InsideFolder(p, folder)) return 1;
  return 0;
}

void StgRecordLockedValues(SETTING_CONTEXT* ctx) {
  for (const auto& r : kRecorded) StgSetValue(ctx, r[0], Val(ctx, r[1]));
}

int StgReapplyBfSetting(SETTING_CONTEXT* ctx, DWORD bfId) {
  for (const BF_ID_PAIR* p = StgGetBfIdTable(); p && p->bfId; ++p) {
    if (p->bfId != bfId) continue;
    // Without a default-settings copy there is no locked value to take; the setting stays.
    ITEM_DESC* row = StgFindItem(ctx, p->settingId);
    if (row && StgGetLockedDefaultValuePtr(ctx, row)) StgWriteValue(ctx, row, StgReadLockedDefaultValue(ctx, row));
    return 1;
  }
  return 0;
}

int StgApplyLocksToPresets(SETTING_CONTEXT* ctx) {
  int answer = 1;
  for (const PresetLock& row : kPresetLocks)
    for (WORD id : row.settings)
      if (id) answer = ApplyLockToEntries(ctx, id, row.bit, EntryList::Presets, false);
  return answer;
}

void StgApplyResolutionLockToQualityLists(SETTING_CONTEXT* ctx) {
  if (ApplyLockToEntries(ctx, sid::rdmDstResolutionBoth, kLockBitResolution, EntryList::Quality, true)) return;
  ApplyLockToEntries(ctx, sid::rdmDstResolutionW, kLockBitResolution, EntryList::Quality, false);
  ApplyLockToEntries(ctx, sid::rdmDstResolutionH, kLockBitResolution, EntryList::Quality, false);
}

int StgLockModuleCommand(SETTING_CONTEXT* ctx, WORD command, void*) {
  if (command == STG_CMD_LOCKS_LOADED) {
    StgRecordLockedValues(ctx);
    return 1;
  }
  if (command >= STG_CMD_PERSISTENT_FIRST && command <= STG_CMD_PERSISTENT_LAST && Val(ctx, kLockBitDefault))
    return StgReapplyBfSetting(ctx, command);
  return 0;
}

int StgLockModuleEvent(SETTING_CONTEXT* ctx, DWORD event, void*, void*) {
  if (event == STG_EVENT_LOCKS_TO_PRESETS) {
    StgApplyLocksToPresets(ctx);
    return 1;
  }
  if (event == STG_EVENT_LOCK_RESOLUTION) {
    StgApplyResolutionLockToQualityLists(ctx);
    return 1;
  }
  return 0;
}
