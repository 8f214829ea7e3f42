// Answer handlers of the device query: each reads one group of items through the bidi entry table and
// writes the device settings they give, translating device codes through the model's maps.
//
// Every answer is read into a zero-filled buffer of the size the device asked for (or more) with room
// for a terminator; the entry count a device reports is never trusted beyond that buffer.
#include <cstring>
#include <string>

#include "config/lock_data.h"
#include "config/resource_strings.h"
#include "devlink/bidi_query.h"
#include "kvplat/error.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"

namespace {

// Lock settings of the trays start here; a tray's chapter-mask bit is its lock setting's distance.
constexpr WORD kFirstLockSetting = 10239;
constexpr DWORD kAccessDenied = 5;
constexpr DWORD kBidiPending = 102;

// One answer of the device: `count` u32 entries (bounded by the buffer) of `bytes` readable bytes, with
// at least 4 zero bytes after them.
class Answer {
 public:
  Answer() = default;
  Answer(const Answer&) = delete;
  Answer& operator=(const Answer&) = delete;
  ~Answer() { StgFree(data_); }

  // Size query, then the read into a buffer of at least minBytes. -1 no memory, 0 no answer, 1 read
  // (a failed read counts as an answer without entries).
  int Read(const BIDI_API* api, HANDLE query, DWORD item, DWORD minBytes = 0) {
    DWORD needed = 0;
    api->readItem(query, item, nullptr, 0, &needed);
    if (needed == 0) return 0;
    return Fill(needed, minBytes, [&](void* buf, DWORD size) {
      DWORD again = 0;
      LONG n = api->readItem(query, item, buf, size, &again);
      return n < 0 ? 0 : DWORD(n);
    });
  }
  // The same through the status set (entry 7). The size query counts when it succeeds or is refused
  // for want of a buffer and still names a size; the read's result is 1 or 0.
  int ReadSet(const BIDI_API* api, HANDLE query, DWORD item, DWORD minBytes) {
    DWORD needed = 0;
    BOOL sized = api->readSetItem(query, BIDI_STATUS_SET, item, nullptr, 0, &needed);
    if ((!sized && GetLastError() != kAccessDenied) || needed == 0) return 0;
    bool read = false;
    int r = Fill(needed, minBytes, [&](void* buf, DWORD size) {
      DWORD again = 0;
      read = api->readSetItem(query, BIDI_STATUS_SET, item, buf, size, &again) != FALSE;
      return DWORD(0);
    });
    return r < 0 ? -1 : read ? 1 : 0;
  }

  DWORD count() const { return count_; }
  DWORD bytes() const { return bytes_; }
  // Entry i, 0 beyond the answer.
  DWORD At(DWORD i) const { return i < count_ ? data_[i] : 0; }
  const char* Text() const { return reinterpret_cast<const char*>(data_); }

 private:
  template <class ReadFn>
  int Fill(DWORD needed, DWORD minBytes, ReadFn read) {
    DWORD size = needed > minBytes ? needed : minBytes;
    if (size > 0x1000000) return -1;  // no device answer is this large
    size = (size + 3) & ~3u;
    data_ = static_cast<DWORD*>(StgAllocZero(size + 4));
    if (!data_) return -1;
    bytes_ = size;
    DWORD n = read(data_, size);
    count_ = n < size / 4 ? n : size / 4;
    return 1;
  }

  DWORD* data_ = nullptr;
  DWORD bytes_ = 0;
  DWORD count_ = 0;
};

DWORD ItemLength(SETTING_CONTEXT* ctx, WORD id) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  return row ? StgTypeLength(row->type) : 0;
}

// Stores an ANSI text of the device (at most textBytes, terminator or not), cut to the setting's length.
void SetAnsiSetting(SETTING_CONTEXT* ctx, WORD id, const char* text, DWORD textBytes) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  if (!row) return;
  DWORD len = StgTypeLength(row->type);
  size_t n = strnlen(text, textBytes);
  if (StgTypeCode(row->type) == STG_TYPE_WIDE) {
    std::string ansi(text, n);
    std::u16string wide(ansi.size() + 1, u'\0');
    CfgAnsiToWide(wide.data(), ansi.c_str(), int(wide.size()));
    StgSetString(ctx, row, wide.c_str());
    return;
  }
  std::string field(len + 1, '\0');
  std::memcpy(field.data(), text, n < len ? n : len);
  StgWriteValue(ctx, row, reinterpret_cast<uint64_t>(field.data()));
}

bool Admissible(SETTING_CONTEXT* ctx, WORD id, DWORD value) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  return row && value && StgHasOptionValue(ctx, row, value);
}

void SetIf(SETTING_CONTEXT* ctx, WORD id, uint64_t value) {
  if (id) StgSetValue(ctx, id, value);
}

// Tray priority list: the earlier a code, the more a default tray prefers it.
constexpr WORD kTrayPriority[] = {3, 4, 5, 6, 7, 8, 9, 11, 2, 1, 10, 12, 51, 52, 53, 54, 60, 61, 101};
static_assert(sizeof(kTrayPriority) / sizeof(kTrayPriority[0]) == 19);

}  // namespace

// ---- Maps.

WORD BidiTrayPresentSetting(DWORD trayCode) { return WORD(StgLookupTrayCode(StgSelectTrayCodeMap(1), trayCode)); }
WORD BidiTrayFeedSetting(DWORD trayCode) { return WORD(StgLookupTrayCode(StgSelectTrayCodeMap(2), trayCode)); }
WORD BidiTrayPaperSetting(DWORD trayCode) { return WORD(StgLookupTrayCode(StgSelectTrayCodeMap(3), trayCode)); }
WORD BidiTrayMediaSetting(DWORD trayCode) { return WORD(StgLookupTrayCode(StgSelectTrayCodeMap(4), trayCode)); }
WORD BidiTrayLockSetting(DWORD trayCode) { return WORD(StgLookupTrayCode(StgSelectTrayCodeMap(5), trayCode)); }
DWORD BidiTraySelectValue(DWORD trayCode) { return StgLookupTrayCode(StgSelectTrayCodeMap(6), trayCode); }

DWORD BidiMapPaperCode(DWORD paperCode, DWORD* feed) {
  DWORD flag = 0;
  DWORD value = StgLookupTrayCode(StgSelectTrayCodeMap(7), paperCode);
  if (!value) {
    flag = 1;
    value = StgLookupTrayCode(StgSelectTrayCodeMap(8), paperCode);
  }
  if (feed) *feed = flag;
  return value == 2048 || value == 2049 ? 0 : value;
}

DWORD BidiMapMediaCode(DWORD mediaCode) {
  DWORD value = StgLookupTrayCode(StgSelectTrayCodeMap(9), mediaCode);
  return value == 2048 ? 0 : value;
}

DWORD BidiPickPreferredTray(const DWORD* codes, DWORD count) {
  constexpr DWORD kPlaces = sizeof(kTrayPriority) / sizeof(kTrayPriority[0]);
  DWORD best = kPlaces, result = 0;
  for (DWORD i = 0; codes && i < count; ++i) {
    if (!codes[i]) continue;
    for (DWORD p = 0; p < best; ++p)
      if (kTrayPriority[p] == codes[i]) {
        best = p;
        result = codes[i];
        break;
      }
  }
  return result;
}

// ---- Trays.

namespace {

// The chapter-mask bit of a tray: the distance of its lock setting from the first one. A tray without a
// lock setting (or one out of the masks' reach) has no bit.
DWORD ChapterBit(WORD lockSetting) {
  if (lockSetting < kFirstLockSetting || lockSetting - kFirstLockSetting >= 32) return 0;
  return 1u << (lockSetting - kFirstLockSetting);
}

struct DefaultTray {
  DWORD statusBit;
  WORD setting;
  BYTE functionBit;
};
constexpr DefaultTray kDefaultTrays[] = {
    {BIDI_TRAY_COVER, sid::rdmCoverDefTray, BIDI_FUNC_COVER},
    {BIDI_TRAY_INSERT, sid::rdmMPDefTray, BIDI_FUNC_INSERT},
    {BIDI_TRAY_REVERSE_COVER, sid::rdmReverseCoverDefTray, BIDI_FUNC_REVERSE_COVER},
};
constexpr WORD kChapterSep[3] = {sid::rdmTrayChapterSep1, sid::rdmTrayChapterSep2, sid::rdmTrayChapterSep3};
constexpr BYTE kChapterFunc[3] = {BIDI_FUNC_CHAPTER1, BIDI_FUNC_CHAPTER2, BIDI_FUNC_CHAPTER3};

void SetTrayPaper(SETTING_CONTEXT* ctx, DWORD code, DWORD paperCode) {
  DWORD feed = 0;
  DWORD value = BidiMapPaperCode(paperCode, &feed);
  WORD paper = BidiTrayPaperSetting(code);
  if (paper && !Admissible(ctx, paper, value)) value = 0;
  SetIf(ctx, paper, value);
  SetIf(ctx, BidiTrayFeedSetting(code), feed);
}

void SetTrayMedia(SETTING_CONTEXT* ctx, DWORD code, DWORD mediaCode) {
  DWORD value = BidiMapMediaCode(mediaCode);
  if (!Admissible(ctx, sid::rdmMediaType, value)) value = 0;
  if (!StgIsFeatureBitSet(13) && value == 0) value = 1;
  SetIf(ctx, BidiTrayMediaSetting(code), value);
}

}  // namespace

bool BidiQueryTrays(const BIDI_API* api, HANDLE query, SETTING_CONTEXT* ctx) {
  if (!api || !ctx) return false;
  BIDI_TRAY_DETAILS_ARG wanted{0};
  StgBroadcastModuleEvent(ctx, STG_EVENT_TRAY_DETAILS, &wanted);
  bool details = wanted.answer != 0;
  Answer trays;
  int r = trays.Read(api, query, BIDI_ITEM_TRAYS);
  if (r <= 0) return r == 0;
  DWORD count = trays.count();
  Answer papers, media, status;
  DWORD* places = nullptr;  // cover, insert and reverse-cover lists, one place per tray each
  if (details) {
    int rp = papers.Read(api, query, BIDI_ITEM_TRAY_PAPER);
    int rm = rp > 0 ? media.Read(api, query, BIDI_ITEM_TRAY_MEDIA) : rp;
    int rs = rm > 0 ? status.Read(api, query, BIDI_ITEM_TRAY_STATUS) : rm;
    if (rs <= 0) return rs == 0;
    places = static_cast<DWORD*>(StgAllocZero(DWORD(sizeof(DWORD)) * 3 * (count ? count : 1)));
    if (!places) return false;
    StgBroadcastModuleEvent(ctx, STG_EVENT_TRAYS_VISITED, nullptr);
  }
  DWORD masks[3] = {};
  BYTE function = 0;
  for (DWORD i = 0; i < count; ++i) {
    DWORD code = trays.At(i);
    SetIf(ctx, BidiTrayPresentSetting(code), 1);
    if (!details) continue;
    SetTrayPaper(ctx, code, papers.At(i));
    SetTrayMedia(ctx, code, media.At(i));
    DWORD word = status.At(i);
    WORD lock = BidiTrayLockSetting(code);
    SetIf(ctx, lock, word & BIDI_TRAY_LOCKED ? 1 : 0);
    for (DWORD kind = 1; kind <= 3; ++kind) {
      BIDI_TRAY_STATUS_ARG ask{word, kind, 0};
      StgBroadcastModuleEvent(ctx, STG_EVENT_TRAY_STATUS, &ask);
      if (ask.answer) masks[kind - 1] |= ChapterBit(lock);
    }
    DWORD bin = BidiTraySelectValue(code);
    for (DWORD d = 0; d < 3; ++d) {
      if (!(word & kDefaultTrays[d].statusBit)) continue;
      StgSetValue(ctx, kDefaultTrays[d].setting, bin);
      places[d * count + i] = code;
      function |= kDefaultTrays[d].functionBit;
    }
    BIDI_TRAY_STATUS_ARG any{word, 0, 0};
    StgBroadcastModuleEvent(ctx, STG_EVENT_TRAY_STATUS, &any);
    if (any.answer) {
      BIDI_TRAY_FUNCTION_ARG tell{word, bin, &function};
      StgBroadcastModuleEvent(ctx, STG_EVENT_TRAY_FUNCTION, &tell);
    }
  }
  if (details) {
    for (DWORD d = 0; d < 3; ++d) {
      DWORD picked = BidiPickPreferredTray(places + d * count, count);
      StgSetValue(ctx, kDefaultTrays[d].setting, BidiTraySelectValue(picked ? picked : 3));
    }
    for (DWORD k = 0; k < 3; ++k) {
      if (masks[k]) function |= kChapterFunc[k];
      StgSetValue(ctx, kChapterSep[k], masks[k]);
    }
    StgSetValue(ctx, sid::rdmBidiFunc, function);
  }
  StgFree(places);
  return true;
}

// ---- Options, memory, firmware.

bool BidiQueryOptions(const BIDI_API* api, HANDLE query, SETTING_CONTEXT* ctx) {
  if (!api || !ctx) return false;
  Answer options;
  int r = options.Read(api, query, BIDI_ITEM_OPTIONS);
  if (r <= 0) return r == 0;
  const OPTION_CODE_PAIR* map = StgGetModelCodeMap(ctx->model ? DWORD(ctx->model->modelCode) : 0);
  int pairs = StgGetModelCodeMapCount();
  for (DWORD i = 0; i < options.count(); ++i)
    for (int p = 0; p < pairs; ++p)
      if (map[p].deviceCode == options.At(i)) {
        SetIf(ctx, WORD(map[p].settingId), 1);
        break;
      }
  return true;
}

bool BidiQueryMemory(const BIDI_API* api, HANDLE query, SETTING_CONTEXT* ctx) {
  if (!api || !ctx) return false;
  DWORD needed = 0;
  api->readItem(query, BIDI_ITEM_MEMORY, nullptr, 0, &needed);
  if (needed < 4) return true;
  auto* buf = static_cast<DWORD*>(StgAllocZero(needed + 4));
  if (!buf) return false;
  DWORD again = 0;
  if (api->readItem(query, BIDI_ITEM_MEMORY, buf, needed, &again) != -1)
    StgSetValue(ctx, sid::rdmPrinterMemory, buf[0] / 1024);
  StgFree(buf);
  return true;
}

bool BidiQueryFirmware(const BIDI_API* api, HANDLE query, SETTING_CONTEXT* ctx) {
  if (!api || !ctx) return false;
  DWORD needed = 0;
  api->readItem(query, BIDI_ITEM_FIRMWARE, nullptr, 0, &needed);
  if (needed == 0) return true;
  DWORD len = ItemLength(ctx, sid::rdmSystemVersion);
  DWORD size = needed > len ? needed : len;
  auto* buf = static_cast<char*>(StgAllocZero(size + 1));
  if (!buf) return false;
  DWORD again = 0;
  LONG n = api->readItem(query, BIDI_ITEM_FIRMWARE, buf, size, &again);
  if (n != 0 && n != -1) SetAnsiSetting(ctx, sid::rdmSystemVersion, buf, size);
  StgFree(buf);
  return true;
}

// ---- Custom papers.

bool BidiQueryCustomPaper(const BIDI_API* api, HANDLE query, SETTING_CONTEXT* ctx) {
  if (!api || !ctx) return false;
  CfgResetCustomMedia(ctx);
  Answer papers;
  int r = papers.Read(api, query, BIDI_ITEM_CUSTOM_PAPERS);
  if (r <= 0 || papers.count() == 0) return r >= 0;
  DWORD n = papers.count();
  DWORD nameBytes = ItemLength(ctx, sid::wdmCustomMedia1Name);
  Answer media, names, charsets;
  r = media.Read(api, query, BIDI_ITEM_CUSTOM_MEDIA);
  if (r > 0) r = names.Read(api, query, BIDI_ITEM_CUSTOM_NAMES, n * nameBytes);
  if (r > 0) r = charsets.Read(api, query, BIDI_ITEM_CUSTOM_CHARSETS);
  if (r <= 0) return r == 0;
  StgSetOptionValue(ctx, sid::wdmCustomMediaDataNum, n);
  // The names are consecutive terminated texts; none is read past the answer's end.
  const char* name = names.Text();
  const char* end = name + names.bytes();
  const CUSTOM_MEDIA_ROW* slot = StgGetCustomMediaTable();
  for (DWORD k = 0; k < n && slot && slot[k].slot; ++k) {
    DWORD value = BidiMapMediaCode(media.At(k));
    if (!Admissible(ctx, sid::rdmMediaType, value)) value = 0;
    StgSetValue(ctx, slot[k].selectSetting, value ? value : 1);
    DWORD left = DWORD(end - name);
    DWORD len = DWORD(strnlen(name, left));
    SetAnsiSetting(ctx, slot[k].valueSetting, name, len < 256 ? len : 256);
    name += len < left ? len + 1 : left;
    StgSetValue(ctx, slot[k].flagSetting, charsets.At(k));
  }
  return true;
}

// ---- Status set.

namespace {

// Adds the status set to the query handle; false (after recording why) when the device refuses it.
bool AddStatusSet(const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx) {
  HANDLE q = query;
  if (api->addQuerySet(device, &q, BIDI_STATUS_SET, 1) || GetLastError() == kBidiPending) return true;
  BidiRecordError(ctx);
  return false;
}

// Reads a text item of the status set into an ANSI setting; false when the device has no answer.
bool ReadStatusText(const BIDI_API* api, HANDLE query, SETTING_CONTEXT* ctx, DWORD item, WORD id) {
  Answer text;
  if (text.ReadSet(api, query, item, ItemLength(ctx, id)) <= 0) return false;
  SetAnsiSetting(ctx, id, text.Text(), text.bytes());
  return true;
}

}  // namespace

int BidiQueryStatus(const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx) {
  if (!api || !ctx || !AddStatusSet(api, device, query, ctx)) return 1;
  DWORD type = 0, needed = 0;
  if (api->readSetItem(query, BIDI_STATUS_SET, BIDI_SET_ITEM_MEMORY_TYPE, &type, sizeof(type), &needed)) {
    if (needed == 0) {
      StgSetValue(ctx, sid::rdmMemoryType, 1);
      return 1;
    }
    StgSetValue(ctx, sid::rdmMemoryType, type == 2 ? 0 : 1);
  }
  if (!ReadStatusText(api, query, ctx, BIDI_SET_ITEM_EMULATION, sid::rdmEmulationVersion)) return 1;
  ReadStatusText(api, query, ctx, BIDI_SET_ITEM_OTHER, sid::rdmOther);
  return 1;
}

int BidiQueryStatusLight(const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx) {
  if (!api || !ctx || !AddStatusSet(api, device, query, ctx)) return 1;
  ReadStatusText(api, query, ctx, BIDI_SET_ITEM_EMULATION, sid::rdmEmulationVersion);
  return 1;
}
