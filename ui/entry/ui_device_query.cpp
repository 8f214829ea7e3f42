// The interface library's side of the device query. The library's answers are outside input: sizes are
// bounded, texts end inside their settings, and a failed call changes nothing.
#include "ui_device_query.h"

#include <cstring>
#include <string>
#include <vector>

#include "config/bidi_state.h"
#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "devlink/bidi_query.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"
#include "sheets/dlg_messages.h"

namespace {

constexpr WORD kStatusSet = BIDI_STATUS_SET;
constexpr DWORD kChannelUsable = 102;  // last error after entries 2 and 3: the channel can be used
constexpr DWORD kSizeReturned = 5;     // last error after a size query of entry 7: the size was given
constexpr DWORD kMaxAnswer = 64 * 1024;
constexpr DWORD kEventQueryDevice = 17;
constexpr DWORD kEventAskRequery = 65;

bool PrepareStatusSet(const BIDI_API* api, HANDLE device, HANDLE* channel) {
  if (!api || !api->addQuerySet) return false;
  return api->addQuerySet(device, channel, kStatusSet, 1) || GetLastError() == kChannelUsable;
}

// Reads one text item of the status set into an ANSI text setting, terminated inside it. false when
// the size query fails (the step ends).
bool ReadTextItem(const BIDI_API* api, HANDLE channel, DWORD item, WORD settingId, SETTING_CONTEXT* ctx) {
  DWORD size = 0;
  bool asked = api->readSetItem(channel, kStatusSet, item, nullptr, 0, &size) || GetLastError() == kSizeReturned;
  if (!asked || size == 0) return false;
  if (size > kMaxAnswer) return false;
  ITEM_DESC* row = StgFindItem(ctx, settingId);
  if (!row) return true;
  DWORD length = StgTypeLength(row->type);
  std::vector<char> answer((size > length ? size : length) + 1, 0);
  DWORD got = 0;
  if (!api->readSetItem(channel, kStatusSet, item, answer.data(), size, &got)) return true;
  if (length == 0) return true;
  answer[length - 1] = 0;  // the text ends inside the setting
  StgWriteValue(ctx, row, uint64_t(uintptr_t(answer.data())));
  return true;
}

// The bidi INI's flag stands for printer data unless the printer is reached through a server.
bool IniHoldsFlag(SETTING_CONTEXT* ctx) {
  return StgGetValue(ctx, sid::rdmServerClientMode, nullptr) != 1 && BidiIniHasFlag(ctx);
}

bool ExFlagSet(SETTING_CONTEXT* ctx) {
  DWORD type = 0, value = 0, needed = 0;
  if (GetPrinterDataW(ctx->printer, const_cast<LPWSTR>(u"BidiExFlag"), &type, reinterpret_cast<BYTE*>(&value),
                      sizeof value, &needed) != 0)
    return false;
  return value & 1;
}

bool TakenOver(SETTING_CONTEXT* ctx) { return IniHoldsFlag(ctx) ? BidiIniFlagSet(ctx) : ExFlagSet(ctx); }

struct QUERY_EVENT_ARG {
  HWND owner;
  uint64_t result;
};

}  // namespace

bool UiBidiQueryDevice(int, DWORD flags, SETTING_CONTEXT* ctx) { return OpenBidiDeviceWith(WORD(flags), ctx, false); }

bool UiOpenBidiDevice(WORD queryFlags, SETTING_CONTEXT* ctx) { return UiBidiQueryDevice(0, queryFlags, ctx); }

int UiBidiReadConfig(const BIDI_API* api, HANDLE device, HANDLE channel, SETTING_CONTEXT* ctx) {
  if (!ctx || !api || !api->readSetItem || !PrepareStatusSet(api, device, &channel)) return 1;
  DWORD memory = 0, got = 0;
  if (api->readSetItem(channel, kStatusSet, BIDI_SET_ITEM_MEMORY_TYPE, &memory, sizeof memory, &got)) {
    StgSetValue(ctx, sid::rdmMemoryType, got != 0 && memory == 2 ? 0 : 1);
    if (got == 0) return 1;
  }
  if (ReadTextItem(api, channel, BIDI_SET_ITEM_EMULATION, sid::rdmEmulationVersion, ctx))
    ReadTextItem(api, channel, BIDI_SET_ITEM_OTHER, sid::rdmOther, ctx);
  return 1;
}

int UiBidiReadOptions(const BIDI_API* api, HANDLE device, HANDLE channel, SETTING_CONTEXT* ctx) {
  if (!ctx || !api || !api->readSetItem || !PrepareStatusSet(api, device, &channel)) return 1;
  ReadTextItem(api, channel, BIDI_SET_ITEM_EMULATION, sid::rdmEmulationVersion, ctx);
  return 1;
}

HWND UiShowWaitWindow(SETTING_CONTEXT* ctx, HWND owner) { return DlgShowWaitBox(ctx, owner, UI_MSG_QUERYING_DEVICE); }

void UiCloseWaitWindow(HWND owner, HWND window) { DlgCloseWaitBox(owner, window); }

bool UiQueryDeviceWithProgress(SETTING_CONTEXT* ctx, HWND owner) {
  if (!ctx) return false;
  if (!BidiIsSupported(ctx)) return true;
  bool result = false;
  if (StgIsBidiEnabled(ctx) && BidiProbeDevice(ctx, BIDI_QF_LIGHT)) {
    HWND wait = UiShowWaitWindow(ctx, owner);
    result = UiBidiQueryDevice(0, BIDI_QF_LIGHT, ctx);
    if (wait) UiCloseWaitWindow(owner, wait);
  }
  if (!result) {
    StgSetValue(ctx, sid::rdmSystemVersion, 0);
    StgSetValue(ctx, sid::rdmEmulationVersion, 0);
  }
  return result;
}

bool UiBidiQueryByModule(SETTING_CONTEXT* ctx, HWND owner) {
  QUERY_EVENT_ARG arg{owner, 0};
  StgBroadcastModuleEvent(ctx, kEventQueryDevice, &arg);
  return DWORD(arg.result) != 0;
}

int UiBidiAskRequery(SETTING_CONTEXT* ctx) {
  DWORD arg[3] = {};
  StgBroadcastModuleEvent(ctx, kEventAskRequery, arg);
  return int(arg[0]);
}

bool UiBidiEnsureQueried(SETTING_CONTEXT* ctx, HWND owner) {
  if (!ctx) return false;
  if (!BidiIsSupported(ctx)) return true;
  if (IniHoldsFlag(ctx))
    return BidiIniFlagSet(ctx) ? BidiSetStateFromSupport(ctx) != 0 : UiBidiQueryByModule(ctx, owner);
  if (!BidiGetPrinterFlag(ctx->printer, ctx) || UiBidiAskRequery(ctx) != 0) return UiBidiQueryByModule(ctx, owner);
  bool result = BidiSetStateFromSupport(ctx) != 0;
  BYTE func = 0;  // a value that cannot be read counts as no function
  UiBidiReadFuncByte(ctx->printer, &func, ctx);
  StgSetBidiFunc(ctx, func);
  return result;
}

bool UiBidiQueryNoWait(SETTING_CONTEXT* ctx) { return BidiRunQuery(ctx, nullptr, 4); }

int UiShowDeviceQueryMessage(SETTING_CONTEXT* ctx, HWND owner) { return DlgWarnOk(ctx, owner, UI_MSG_QUERY_FAILED); }

bool UiBidiTraysApplied(SETTING_CONTEXT* ctx) {
  if (!ctx) return true;
  if (TakenOver(ctx)) return true;
  // Without the right to change printer data nothing could be marked: count it as taken over.
  return !BidiTouchFlag(ctx);
}

bool UiBidiMarkTraysApplied(SETTING_CONTEXT* ctx) {
  if (!ctx) return false;
  if (IniHoldsFlag(ctx)) return BidiIniWriteFlag(ctx, true) != 0;
  DWORD one = 1;
  return SetPrinterDataW(ctx->printer, const_cast<LPWSTR>(u"BidiExFlag"), REG_BINARY, reinterpret_cast<BYTE*>(&one),
                         sizeof one) == 0;
}

void UiBidiSetTrayDefault(WORD settingId, WORD value, SETTING_CONTEXT* ctx) {
  if (!ctx || TakenOver(ctx)) return;
  StgSetValue(ctx, settingId, value);
}

void UiBidiApplyDefaultTrays(SETTING_CONTEXT* ctx) {
  if (!ctx || UiBidiTraysApplied(ctx)) return;
  auto value = [&](WORD id) { return WORD(StgGetValue(ctx, id, nullptr)); };
  UiBidiSetTrayDefault(sid::rdmCoverInputTray, value(sid::rdmCoverDefTray), ctx);
  UiBidiSetTrayDefault(sid::rdmBackCoverInputTray, value(sid::rdmCoverDefTray), ctx);
  UiBidiSetTrayDefault(sid::rdmMPInputTray, value(sid::rdmMPDefTray), ctx);
  UiBidiSetTrayDefault(sid::rdmReverseCoverInputTray, value(sid::rdmReverseCoverDefTray), ctx);
  const uint64_t chapter = StgGetValue(ctx, sid::rdmChapterDefTray1, nullptr);
  StgSetValue(ctx, sid::wdmChapterTray, chapter);
  const WCHAR* name = StgGetItemName(ctx, sid::wdmChapterTray);
  const WCHAR* ini = CfgGetIniPath(ctx);
  const WCHAR* section = CfgGetPresetSection(ctx);
  if (name && name[0] && ini && section) {
    std::u16string text = kvp::FromUtf8(std::to_string(int64_t(chapter)));
    CfgIniWriteString(section, name, text.c_str(), ini);
  }
}

bool UiBidiReadFuncByte(HANDLE printer, BYTE* out, SETTING_CONTEXT*) {
  if (!out) return false;
  DWORD type = 0, needed = 0;
  BYTE value = 0;
  if (GetPrinterDataW(printer, const_cast<LPWSTR>(u"BidiFunc"), &type, &value, 1, &needed) != 0) return false;
  *out = value;
  return true;
}
