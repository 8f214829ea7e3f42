// Administrator lock data and custom media records in printer data.
#include "config/lock_data.h"

#include <cstring>

#include "config/printer_data.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

namespace {

// Reads a printer-data value of at most `size` bytes into `buf` (zero-filled first). The number of
// bytes the value holds goes to *held; false when it is missing, unreadable or larger than `size`.
bool ReadValue(HANDLE printer, const WCHAR* name, void* buf, DWORD size, DWORD* held) {
  std::memset(buf, 0, size);
  DWORD type = 0, needed = 0;
  DWORD rc = GetPrinterDataW(printer, const_cast<LPWSTR>(name), &type, static_cast<LPBYTE>(buf), size, &needed);
  if (rc != ERROR_SUCCESS || needed > size) return false;
  *held = needed;
  return true;
}

bool HasDefaultCopy(SETTING_CONTEXT* ctx) { return ctx && ctx->work && ctx->work->defaultCopy; }

// The locked values and the settings they go into, in the order they are applied.
struct LOCK_VALUE_ROW {
  int (*locked)(SETTING_CONTEXT*);
  const WCHAR* valueName;
  WORD setting;
  WORD alsoSetting;  // 0 when none
  WORD switchOn;     // a switch the lock forces on before its value, 0 when none
};
constexpr LOCK_VALUE_ROW kLockValues[] = {
    {StgIsTrayLocked, u"LockTrayData", sid::dmDefaultSource, 0, 0},
    {StgIsMediaLocked, u"LockMediaData", sid::rdmMediaType, 0, 0},
    {StgIsPrintTypeLocked, u"LockPrnMethodData", sid::rdmPrnMethod, sid::rdmLockPrnMethod, 0},
    {StgIsColorLocked, u"LockColorData", sid::dmColor, 0, 0},
    {StgIsNupKindLocked, u"LockNUPPOSTKindData", sid::rdmNUPPOSTKind, 0, sid::rdmFuncSelectNup},
    {StgIsNupKindLocked, u"LockNUPTypeData", sid::rdmNUPType, 0, 0},
    {StgIsDuplexLocked, u"LockDuplexTypeData", sid::rdmDuplexType, 0, sid::rdmFuncSelectDuplex},
};
constexpr size_t kLockValueCount = sizeof(kLockValues) / sizeof(kLockValues[0]);
static_assert(kLockValueCount == 7);

void WriteTyped(SETTING_CONTEXT* ctx, WORD id, uint64_t value) {
  if (ITEM_DESC* row = StgFindItem(ctx, id)) StgWriteValue(ctx, row, value);
}

// ---- Custom media.

constexpr DWORD kMaxSlots = 16;
constexpr DWORD kNameSettingBytes = 257;

// The slot table: record n binds to these settings; a zero row ends it.
struct CUSTOM_MEDIA_SLOT {
  WORD slot;
  WORD nameStringId;
  int16_t quotientId;
  int16_t nameId;
  int16_t charSetId;
};
constexpr CUSTOM_MEDIA_SLOT MakeSlot(int n) {
  return {(WORD)(n + 1), (WORD)(13708 + n), (int16_t)(sid::wdmCustomMedia1Quot + n),
          (int16_t)(sid::wdmCustomMedia1Name + n), (int16_t)(sid::wdmMedia1NameCharSet + n)};
}
constexpr CUSTOM_MEDIA_SLOT kSlots[kMaxSlots + 1] = {
    MakeSlot(0),  MakeSlot(1),  MakeSlot(2),  MakeSlot(3),  MakeSlot(4),  MakeSlot(5),
    MakeSlot(6),  MakeSlot(7),  MakeSlot(8),  MakeSlot(9),  MakeSlot(10), MakeSlot(11),
    MakeSlot(12), MakeSlot(13), MakeSlot(14), MakeSlot(15), {0, 0, 0, 0, 0}};
static_assert(kSlots[15].quotientId == 1511 && kSlots[15].nameId == 1527 && kSlots[15].charSetId == 1543 &&
              kSlots[15].nameStringId == 13723 && kSlots[16].slot == 0);

// Slots the context's records may use: wdmCustomMediaMaxNum, never more than the table holds.
DWORD SlotCount(SETTING_CONTEXT* ctx) {
  DWORD max = StgGetOptionValue(ctx, sid::wdmCustomMediaMaxNum, nullptr);
  return max > kMaxSlots ? kMaxSlots : max;
}

}  // namespace

int CfgLoadLockDefaultData(HANDLE printer, SETTING_CONTEXT* ctx) {
  if (!HasDefaultCopy(ctx)) return 0;
  auto* image = static_cast<SETTING_STORE*>(StgAllocZero(sizeof(SETTING_STORE)));
  if (!image) return 0;
  DWORD held = 0;
  // Only a whole store is taken: a shorter value is not an image of this model's store.
  bool ok = ReadValue(printer, u"LockDefaultData", image, sizeof(SETTING_STORE), &held) && held == sizeof(SETTING_STORE);
  if (ok) *ctx->work->defaultCopy = *image;
  StgFree(image);
  return ok ? 1 : 0;
}

int CfgSaveLockDefaultData(HANDLE printer, SETTING_CONTEXT* ctx) {
  if (!HasDefaultCopy(ctx)) return 0;
  return CfgSetPrinterDataBinary(printer, ctx->work->defaultCopy, sizeof(SETTING_STORE), u"LockDefaultData") ? 1 : 0;
}

int CfgLoadLockData(HANDLE printer, SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return 0;
  // Every value of an active lock is read before any is applied, so a missing one leaves the
  // settings as they were.
  uint32_t values[kLockValueCount] = {};
  bool active[kLockValueCount] = {};
  for (size_t i = 0; i < kLockValueCount; ++i) {
    const LOCK_VALUE_ROW& r = kLockValues[i];
    if (!r.locked(ctx)) continue;
    BYTE bytes[4];
    DWORD held = 0;
    if (!ReadValue(printer, r.valueName, bytes, sizeof(bytes), &held) || held == 0) return 0;
    values[i] = (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
    active[i] = true;
  }
  for (size_t i = 0; i < kLockValueCount; ++i) {
    if (!active[i]) continue;
    const LOCK_VALUE_ROW& r = kLockValues[i];
    if (r.switchOn) WriteTyped(ctx, r.switchOn, 1);
    WriteTyped(ctx, r.setting, values[i]);
    if (r.alsoSetting) WriteTyped(ctx, r.alsoSetting, values[i]);
  }
  if (StgIsResolutionLocked(ctx))
    StgSetOptionValue(ctx, sid::rdmDstResolutionBoth, StgGetOptionValue(ctx, sid::rdmLockDstResolutionBoth, nullptr));
  StgBroadcastModuleCommand(ctx, STG_CMD_LOCKS_LOADED);
  return 1;
}

void CfgResetCustomMedia(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return;
  StgSetOptionValue(ctx, sid::wdmCustomMediaDataNum, StgGetOptionValue(ctx, sid::wdmCustomMediaMaxNum, nullptr));
  for (const CUSTOM_MEDIA_SLOT* s = kSlots; s->slot; ++s) {
    StgSetOptionValue(ctx, (WORD)s->quotientId, 1);
    if (ITEM_DESC* row = StgFindItem(ctx, (WORD)s->nameId)) StgWriteValue(ctx, row, 0);
    StgSetOptionValue(ctx, (WORD)s->charSetId, 0);
  }
}

int CfgSaveCustomMedia(HANDLE printer, SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return 0;
  DWORD max = SlotCount(ctx);
  WORD used = (WORD)StgGetOptionValue(ctx, sid::wdmCustomMediaDataNum, nullptr);
  CUSTOM_MEDIA_REC records[kMaxSlots] = {};
  for (DWORD n = 0; n < max; ++n) {
    const CUSTOM_MEDIA_SLOT& s = kSlots[n];
    CUSTOM_MEDIA_REC& r = records[n];
    r.quotient = StgGetOptionValue(ctx, (WORD)s.quotientId, nullptr);
    r.charSet = StgGetOptionValue(ctx, (WORD)s.charSetId, nullptr);
    ITEM_DESC* nameRow = StgFindItem(ctx, (WORD)s.nameId);
    if (const BYTE* p = nameRow ? StgGetValuePtr(ctx, nameRow) : nullptr) {
      std::memcpy(r.name, p, kNameSettingBytes);
      r.name[kNameSettingBytes - 1] = 0;
    }
  }
  DWORD bytes = max * (DWORD)sizeof(CUSTOM_MEDIA_REC);
  bool ok = CfgSetPrinterDataBinary(printer, &used, sizeof(used), u"CustomMediaDataNum") != FALSE;
  // Without slots there are no records to store (a load then takes none, whatever the count says).
  if (bytes) ok = CfgSetPrinterDataBinary(printer, records, bytes, u"CustomMediaData") && ok;
  return ok ? 1 : 0;
}

int CfgLoadCustomMedia(HANDLE printer, SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return 0;
  CfgResetCustomMedia(ctx);
  WORD count = 0;
  DWORD held = 0;
  if (!ReadValue(printer, u"CustomMediaDataNum", &count, sizeof(count), &held) || held != sizeof(count) || !count)
    return 0;
  // A stored count beyond the slots this model has, or beyond the records stored, is not taken.
  DWORD max = SlotCount(ctx);
  if (count > max) return 0;
  CUSTOM_MEDIA_REC records[kMaxSlots] = {};
  if (!ReadValue(printer, u"CustomMediaData", records, max * (DWORD)sizeof(CUSTOM_MEDIA_REC), &held) ||
      held < count * (DWORD)sizeof(CUSTOM_MEDIA_REC))
    return 0;
  StgSetOptionValue(ctx, sid::wdmCustomMediaDataNum, count);
  for (DWORD n = 0; n < count; ++n) {
    const CUSTOM_MEDIA_SLOT& s = kSlots[n];
    const CUSTOM_MEDIA_REC& r = records[n];
    StgSetOptionValue(ctx, (WORD)s.quotientId, r.quotient);
    StgSetOptionValue(ctx, (WORD)s.charSetId, r.charSet);
    char name[kNameSettingBytes] = {};
    std::memcpy(name, r.name, kNameSettingBytes - 1);  // a name without its terminator is cut
    if (ITEM_DESC* row = StgFindItem(ctx, (WORD)s.nameId)) StgWriteValue(ctx, row, (uint64_t)(uintptr_t)name);
  }
  return 1;
}
