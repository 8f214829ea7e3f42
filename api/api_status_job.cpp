// Status items of the job, the user and the device: job information with its sub-functions (50), the
// authentication mode (54), the current preset by number (56), the authentication user (59) and secure
// mode (60), the load-share mode (61) and what an input tray holds (63).
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "api_frame.h"
#include "api_services.h"
#include "api_status.h"
#include "api_status_texts.h"
#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/printer_data.h"
#include "config/device_settings.h"
#include "devlink/job_control.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_lists.h"
#include "driverdata/rule_values.h"
#include "kvplat/codepage.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/free_size_module.h"
#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"
#include "settings/units.h"

namespace {

// The library's core version, kept as a marker that can be found in the file.
constexpr char kCoreVersionMarker[] = "********CoreVersion=6.641********";

constexpr int kJobInfoBytes = 300, kValueBytes = 32, kPresetBytes = 824, kAuthUserBytes = 524, kAuthSecureBytes = 44,
              kTrayInfoBytes = 56;
constexpr int kTextAt = 40, kTextBytes = 260;
constexpr WORD kInitDialog = 1010, kUserCodeControl = 2570;
constexpr WORD kJobBinder = 704, kPunchNames = 723;
constexpr DWORD kItemUserCode = 1, kItemAuthUser = 2048, kItemAuthPassword = 4096, kItemNetworkKey = 8192;
constexpr int kTrackIdChars = 20;

uint64_t Get(SETTING_CONTEXT* ctx, WORD id) { return StgGetValue(ctx, id, nullptr); }
void Set(SETTING_CONTEXT* ctx, WORD id, uint64_t v) { StgSetValue(ctx, id, v); }
bool Holds(int answer) { return answer != -1 && answer != 0; }

std::string CoreVersion() {
  std::string marker(kCoreVersionMarker);
  size_t from = marker.find('=') + 1;
  return marker.substr(from, marker.find('*', from) - from);
}

bool IsAdminOrOldPlatform() { return StgIsWin9x() || StgIsAdministrator(); }

// A capability's list (count, then fill); false when it has none or there is no memory.
bool CapsList(SETTING_CONTEXT* ctx, DWORD id, std::vector<DWORD>* list) {
  API_CONNECTION* conn = ApiConnectionOf(ctx);
  int n = conn ? ZARNDrvGetCaps(conn->handle, id, nullptr) : -1;
  if (n <= 0) return false;
  try {
    list->assign((size_t)n, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  int got = ZARNDrvGetCaps(conn->handle, id, list->data());
  if (got <= 0) return false;
  list->resize((size_t)std::min(got, n));
  return true;
}

// 0 off, 1 on, 2 on with the secure mode.
DWORD AuthMode(SETTING_CONTEXT* ctx) {
  if (Get(ctx, sid::rdmPrnFuncAuthenticationMode) == 0) return 0;
  return Get(ctx, sid::rdmPrnFuncAuthenticationSecureMode) != 0 ? 2 : 1;
}

// The characters of a name, password or key: a double-byte lead byte is never taken, and each must pass
// `ok`. 0 fine, API_ERROR_CHARACTERS for a refused character, -1 longer than `longest`.
template <typename Ok>
int CheckChars(const std::string& text, size_t longest, Ok ok) {
  for (size_t i = 0; i < text.size() && i < longest; ++i) {
    BYTE c = (BYTE)text[i];
    if (IsDBCSLeadByte(c) || !ok(c)) return API_ERROR_CHARACTERS;
  }
  return text.size() > longest ? -1 : 0;
}

// ---- Job information ----

int SetUserCode(SETTING_CONTEXT* ctx, const void* record) {
  if (!ApiIsControlUsable(ctx, kInitDialog, kUserCodeControl, 2)) return -1;
  if (!IsAdminOrOldPlatform()) {
    ApiSetContextError(ctx, API_ERROR_NOT_ADMIN);
    return -1;
  }
  std::string code;
  if (!ApiRecordText(record, kTextAt, kTextBytes, &code)) code.assign(static_cast<const char*>(record) + kTextAt, 9);
  for (size_t i = 0; i < code.size() && i < 8; ++i)
    if (code[i] < '0' || code[i] > '9') {
      ApiSetContextError(ctx, API_ERROR_CHARACTERS);
      return -1;
    }
  if (code.empty() || code.size() > 8) return -1;
  ApiSetSettingText(ctx, sid::rdmUserCode, code);
  WCHAR held[9] = {};
  if (!JcQueryPrinterValue(ctx->printer, kItemUserCode, 1, held, sizeof held)) {
    ApiWriteJournalledJobItems(ctx, kItemUserCode);
    return 1;
  }
  std::u16string wide;
  if (!kvp::AnsiToWide(code, &wide)) return -1;
  ApiJournalPrinterData(ctx->printer, u"JCUserCode");
  if (!CfgSetPrinterDataTyped(ctx->printer, wide.c_str(), (DWORD)(wide.size() + 1) * 2, REG_SZ, u"JCUserCode")) {
    ApiSetContextError(ctx, API_ERROR_GENERAL);
    return -1;
  }
  return 1;
}

int SelectWatermark(SETTING_CONTEXT* ctx, DWORD number) {
  std::vector<DWORD> list;
  if (!CapsList(ctx, 32, &list)) {
    ApiSetContextError(ctx, API_ERROR_GENERAL);
    return -1;
  }
  if (number == 256 || std::find(list.begin(), list.end(), number) == list.end()) return -1;
  StgPushUndo(ctx);
  ApiSetSettingText(ctx, sid::wdmWmChar, {});
  ApiSetSettingText(ctx, sid::wdmWmImage, {});
  CfgLoadStamp(ctx, (int)number - 1);
  CfgSaveStamp(ctx, 256);
  StgPopUndo(ctx, 1);
  return 1;
}

// The selectable punch names (or those of setting 723 when there are none) for sub-function 248.
int GetPunchNames(SETTING_CONTEXT* ctx, void* record) {
  const DWORD mode = ApiRecordU32(record, 24), room = ApiRecordU32(record, 28);
  if (mode > 1 || (mode == 1 && room == 0)) {
    ApiSetContextError(ctx, API_ERROR_REFUSED);
    return -1;
  }
  DWORD size = 0;
  WORD id = sid::rdmFuncSelectPunch;
  int rc = RuleListSelectableValueNames(ctx, id, 0, nullptr, &size);
  if (rc == 0 && size == 0) {
    id = kPunchNames;
    rc = RuleListSelectableValueNames(ctx, id, 0, nullptr, &size);
  }
  if (rc == -1) return -1;
  if (size == 0) return kJobInfoBytes;
  if (mode == 0) {
    ApiPutRecordU32(record, 28, size);
    return kJobInfoBytes;
  }
  // The list goes right after the record, into the room the caller gives at 28.
  if (size > room) {
    ApiSetContextError(ctx, API_ERROR_REFUSED);
    return -1;
  }
  char* out = static_cast<char*>(record) + kJobInfoBytes;
  return RuleListSelectableValueNames(ctx, id, room, out, &size) == 0 ? kJobInfoBytes : -1;
}

// ---- Preset by number ----

void ReadPresetText(SETTING_CONTEXT* ctx, int index, int part, char* out, int bytes) {
  WCHAR key[CFG_LIST_NAME_CHARS] = {};
  CfgFormatPresetKey(key, index, part);
  std::u16string wide((size_t)bytes, u'\0');
  CfgIniGetString(CfgGetPresetSection(ctx), key, u"", wide.data(), (DWORD)bytes, CfgGetIniPath(ctx));
  std::memset(out, 0, (size_t)bytes);
  if (WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, out, bytes, nullptr, nullptr) <= 0) out[0] = 0;
  out[bytes - 1] = 0;
}

// ---- Tray information ----

void FillFreeSizeLimits(SETTING_CONTEXT* ctx, DWORD tray, void* record) {
  const FREE_SIZE_ROW* rows = StgGetModelFreeSizeTable(ctx);
  if (!rows) rows = StgGetDefaultFreeSizeTable();
  // A model whose override table names an active tray option searches two rows further on; this
  // model's override table is empty.
  bool first = false, other = false;
  for (const FREE_SIZE_ROW* r = rows; r && r->trayKey != 0 && !(first && other); ++r) {
    if (r->trayKey != tray || (r->osKind != 2 && r->osKind != 3)) continue;
    bool portrait = r->orientation == 1;
    if (portrait ? first : other) continue;
    const int32_t limits[4] = {r->metricLengthMax, r->metricLengthMin, r->metricWidthMax, r->metricWidthMin};
    for (int i = 0; i < 4; ++i)
      ApiPutRecordU32(record, (portrait ? 24 : 40) + 4 * i, (DWORD)StgDotsToDisplayUnits(ctx, 0, limits[i]));
    (portrait ? first : other) = true;
  }
}

}  // namespace

// ---- Status 50 ----

int ApiSetStatusJobInfo(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  const int version = ApiGetVersion(ctx);
  const DWORD sub = ApiRecordU32(record, 4);
  if (sub == 246 && version >= 13) return SetUserCode(ctx, record);
  if (sub == 247 && version >= 12) return SelectWatermark(ctx, ApiRecordU32(record, 24));
  if (sub >= 248 && sub <= 253 && version >= 12) {
    ApiSetContextError(ctx, API_ERROR_JOB_SET);
    return -1;
  }
  if (sub == 254 && version >= 12) {
    DWORD value = ApiRecordU32(record, 24);
    if (!ApiValuePasses(ctx, kJobBinder, value)) return -1;
    Set(ctx, kJobBinder, value);
    return 1;
  }
  if (sub == 256 && version >= 10) {
    const char* text = static_cast<const char*>(record) + kTextAt;
    const void* end = std::memchr(text, 0, kTrackIdChars);
    ApiSetSettingText(ctx, sid::rdmTrackID, std::string(text, end ? static_cast<const char*>(end) : text + kTrackIdChars));
    return 1;
  }
  return 1;
}

int ApiVerifyStatusJobInfo(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  if (ApiRecordU32(record, 4) == 254 && ApiGetVersion(ctx) >= 12)
    return (DWORD)Get(ctx, kJobBinder) == ApiRecordU32(record, 24) ? 1 : -1;
  return 1;
}

int ApiGetStatusJobInfo(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (!record) return kJobInfoBytes;
  const int version = ApiGetVersion(ctx);
  const DWORD sub = ApiRecordU32(record, 4);
  char* r = static_cast<char*>(record);
  if (sub == 0) {
    const MODEL_BLOCK* model = ctx->model ? ctx->model : StgGetModelBlock();
    std::string data;
    if (model && model->driverVersionText) kvp::WideToAnsi(model->driverVersionText, &data);
    ApiPutRecordText(record, 8, 32, data);
    ApiPutRecordText(record, kTextAt, kTextBytes, CoreVersion());
  } else if (sub == 246 && version >= 13) {
    ApiPutRecordU32(record, 24, ApiIsControlUsable(ctx, kInitDialog, kUserCodeControl, 2) ? 1 : 0);
    ApiReadJobItems(ctx, kItemUserCode);
    std::string code = ApiSettingText(ctx, sid::rdmUserCode);
    if (!code.empty() && code.size() <= 8) std::memcpy(r + kTextAt, code.c_str(), code.size() + 1);
  } else if (sub == 247 && version >= 12) {
    ApiSetContextError(ctx, API_ERROR_JOB_GET);
    return -1;
  } else if (sub == 248 && version >= 12) {
    return GetPunchNames(ctx, record);
  } else if (sub >= 249 && sub <= 253 && version >= 12) {
    static constexpr WORD kShown[] = {sid::rdmExtOutputIndexRotation, sid::rdmFuncSelectReverseCover,
                                      sid::rdmScaleCentering, sid::rdmFuncSelectChapter, sid::rdmFuncSelectBack};
    WORD id = kShown[sub - 249];
    ApiPutRecordU32(record, 24, ApiIsOptionUsable(ctx, id, 0, 3) ? (DWORD)Get(ctx, id) : 0);
  } else if (sub == 254 && version >= 12) {
    ApiPutRecordU32(record, 24, (DWORD)Get(ctx, kJobBinder));
  } else if (sub == 256 && version >= 10) {
    std::string track = ApiSettingText(ctx, sid::rdmTrackID).substr(0, kTrackIdChars);
    std::memcpy(r + kTextAt, track.c_str(), track.size() + 1);
  }
  return kJobInfoBytes;
}

// ---- Status 54 ----

int ApiGetStatusAuthMode(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (!ApiHasCapability(ctx, 82)) return -1;
  if (record) ApiPutRecordU32(record, 4, AuthMode(ctx));
  return kValueBytes;
}

// ---- Status 56 ----

int ApiSetStatusPresetNumber(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  if (ApiRecordU32(record, 0) < 2 || !ApiSetVersionAllowed(ctx, id, record)) return -1;
  const DWORD number = ApiRecordU32(record, 816);
  if (number < 1 || number > (DWORD)CfgGetPresetCount(ctx)) return -1;
  StgSetValue(ctx, sid::rdmPresetNo, number - 1);
  CfgLoadPresetByIndex(ctx, (int)number - 1);
  StgSaveDeviceData(ctx);
  return 1;
}

int ApiVerifyStatusPresetNumber(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  return ApiRecordU32(record, 816) - 1 == (DWORD)(Get(ctx, sid::rdmPresetNo) & 0xFF) ? 1 : -1;
}

int ApiGetStatusPresetNumber(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version) {
  if (!ApiHasCapability(ctx, 85)) return -1;
  if (!record) return kPresetBytes;
  if (!ApiGetVersionAllowed(ctx, id, version)) return -1;
  DWORD number = ApiRecordU32(record, 816);
  if (number == 0 && ApiGetVersion(ctx) <= 13) {
    ApiSetContextError(ctx, API_ERROR_REFUSED);
    return -1;
  }
  char* r = static_cast<char*>(record);
  std::memset(r + 264, 0, 37 + 513);
  if (number == 0) {
    // 255 is no preset: the settings were changed since one was loaded.
    DWORD current = (DWORD)(Get(ctx, sid::rdmPresetNo) & 0xFF);
    if (current == 255) return kPresetBytes;
    number = current + 1;
  } else if (number > (DWORD)CfgGetPresetCount(ctx)) {
    ApiSetContextError(ctx, API_ERROR_REFUSED);
    return -1;
  }
  ReadPresetText(ctx, (int)number - 1, 1, r + 264, 37);
  ReadPresetText(ctx, (int)number - 1, 2, r + 301, 513);
  char* c = r + 301;
  for (int i = 0; i + 1 < 513 && c[i]; ++i)
    if (c[i] == '\\' && c[i + 1] == 'n') {
      c[i] = '\r';
      c[++i] = '\n';
    }
  return kPresetBytes;
}

// ---- Status 59 ----

int ApiSetStatusAuthUser(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  const int longestName = ApiCapabilityAnswer(ctx, 90), longestPassword = ApiCapabilityAnswer(ctx, 91);
  if (!Holds(ApiCapabilityAnswer(ctx, 89)) || !Holds(longestName) || !Holds(longestPassword)) return -1;
  std::string name, password;
  if (!ApiRecordText(record, 8, 257, &name) || name.empty()) return -1;
  int rc = CheckChars(name, (size_t)longestName, [](BYTE c) { return StgIsValidNameChar(c, 1) != 0; });
  if (rc == API_ERROR_CHARACTERS) ApiSetContextError(ctx, (DWORD)rc);
  if (rc) return -1;
  if (!ApiRecordText(record, 265, 257, &password)) return -1;
  if (ApiGetVersion(ctx) == 12 && AuthMode(ctx) == 2 && password.empty()) return -1;
  rc = CheckChars(password, (size_t)longestPassword, [](BYTE c) { return StgIsValidNameChar(c, 2) != 0; });
  if (rc == API_ERROR_CHARACTERS) ApiSetContextError(ctx, (DWORD)rc);
  if (rc) return -1;
  ApiSetSettingText(ctx, sid::wdmAuthenticationUserName, name);
  ApiSetSettingText(ctx, sid::wdmAuthenticationPassword, password);
  ApiWriteJournalledJobItems(ctx, kItemAuthUser);
  ApiWriteJournalledJobItems(ctx, kItemAuthPassword);
  return 1;
}

int ApiGetStatusAuthUser(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (record) ApiPutRecordU32(record, 4, AuthMode(ctx));
  return kAuthUserBytes;
}

// ---- Status 60 ----

int ApiSetStatusAuthSecure(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  const int offered = ApiCapabilityAnswer(ctx, 82);
  if (offered != 1 && offered != 2) return -1;
  if (!IsAdminOrOldPlatform()) {
    ApiSetContextError(ctx, API_ERROR_NOT_ADMIN);
    return -1;
  }
  const DWORD mode = ApiRecordU32(record, 4);
  if (mode > 2 || (mode == 2 && offered != 2)) return -1;
  std::string key;
  if (mode == 2) {
    if (!ApiRecordText(record, 8, 33, &key)) return -1;
    int rc = CheckChars(key, 32, [](BYTE c) { return c >= 32 && c <= 126; });
    if (rc == API_ERROR_CHARACTERS) ApiSetContextError(ctx, (DWORD)rc);
    if (rc) return -1;
  }
  const uint64_t oldMode = Get(ctx, sid::rdmPrnFuncAuthenticationMode);
  const uint64_t oldSecure = Get(ctx, sid::rdmPrnFuncAuthenticationSecureMode);
  Set(ctx, sid::rdmPrnFuncAuthenticationMode, mode >= 1 ? 1 : 0);
  Set(ctx, sid::rdmPrnFuncAuthenticationSecureMode, mode == 2 ? 1 : 0);
  ITEM_DESC* modeRow = StgFindItem(ctx, sid::rdmPrnFuncAuthenticationMode);
  ITEM_DESC* secureRow = StgFindItem(ctx, sid::rdmPrnFuncAuthenticationSecureMode);
  auto putBack = [&] {
    Set(ctx, sid::rdmPrnFuncAuthenticationMode, oldMode);
    Set(ctx, sid::rdmPrnFuncAuthenticationSecureMode, oldSecure);
  };
  if (!modeRow || !secureRow) {
    putBack();
    return -1;
  }
  for (ITEM_DESC* row : {modeRow, secureRow})
    if (row->iniKey) ApiJournalPrinterData(ctx->printer, row->iniKey);
  if (!CfgWritePrinterDataSetting(ctx->printer, ctx, modeRow)) {
    putBack();
    return -1;
  }
  if (!CfgWritePrinterDataSetting(ctx->printer, ctx, secureRow)) {
    putBack();
    CfgWritePrinterDataSetting(ctx->printer, ctx, modeRow);
    return -1;
  }
  if (mode == 2) {
    ApiSetSettingText(ctx, sid::wdmAuthenticationNetworkKey, key);
    ApiWriteJournalledJobItems(ctx, kItemNetworkKey);
  }
  return 1;
}

int ApiVerifyStatusAuthSecure(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  const DWORD mode = ApiRecordU32(record, 4);
  return mode > 2 || AuthMode(ctx) == mode ? 1 : -1;
}

int ApiGetStatusAuthSecure(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (record) ApiPutRecordU32(record, 4, AuthMode(ctx));
  return kAuthSecureBytes;
}

// ---- Status 61 ----

int ApiSetStatusLoadShare(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  int n = 0;
  const LOAD_SHARE_ROW* rows = ApiGetLoadShareTable(ctx, &n);
  const DWORD value = ApiRecordU32(record, 4);
  const LOAD_SHARE_ROW* chosen = nullptr;
  for (int i = 0; i < n && !chosen; ++i)
    if (rows[i].allowed && rows[i].apiValue == value) chosen = &rows[i];
  if (!chosen) return -1;
  const uint64_t old = Get(ctx, sid::rdmLoadShare);
  Set(ctx, sid::rdmLoadShare, chosen->storedValue);
  if (ApiRecomputePaper(ctx)) {
    Set(ctx, sid::rdmLoadShare, old);
    ApiSetContextError(ctx, API_ERROR_COMBINATION);
    return -1;
  }
  return 1;
}

// Any marked row of the value may be the one the set chose.
int ApiVerifyStatusLoadShare(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  int n = 0;
  const LOAD_SHARE_ROW* rows = ApiGetLoadShareTable(ctx, &n);
  const DWORD value = ApiRecordU32(record, 4), stored = (DWORD)Get(ctx, sid::rdmLoadShare);
  for (int i = 0; i < n; ++i)
    if (rows[i].allowed && rows[i].apiValue == value && rows[i].storedValue == stored) return 1;
  return -1;
}

int ApiGetStatusLoadShare(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (!record) return kValueBytes;
  int n = 0;
  const LOAD_SHARE_ROW* rows = ApiGetLoadShareTable(ctx, &n);
  const DWORD stored = (DWORD)Get(ctx, sid::rdmLoadShare);
  const LOAD_SHARE_ROW* found = nullptr;
  for (int i = 0; i < n; ++i)
    if (rows[i].allowed && rows[i].storedValue == stored) found = &rows[i];
  if (!found) return -1;  // the engine's code 100
  ApiPutRecordU32(record, 4, found->apiValue);
  return kValueBytes;
}

// ---- Status 63 ----

int ApiGetStatusTrayInfo(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (!record) return kTrayInfoBytes;
  const DWORD tray = ApiRecordU32(record, 4);
  std::vector<DWORD> trays;
  if (!CapsList(ctx, 2, &trays) || std::find(trays.begin(), trays.end(), tray) == trays.end()) {
    ApiSetContextError(ctx, API_ERROR_REFUSED);
    return -1;
  }
  std::memset(static_cast<BYTE*>(record) + 8, 0, kTrayInfoBytes - 8);
  int count = 0;
  const DWORD* slots = ApiGetTraySlotTable(&count);
  for (int n = 0; n < count; ++n) {
    if (slots[n] != tray) continue;
    // Two slots share code 4: the second counts only while its option is allowed.
    if (tray == 4 && n == 28 && RuleTestOptionCondition(ctx, sid::dmDefaultSource, 8) != 0) continue;
    ApiPutRecordU32(record, 8, (DWORD)Get(ctx, (WORD)(sid::rdmTray1Paper + n)));
    ApiPutRecordU32(record, 12, (DWORD)Get(ctx, (WORD)(sid::rdmTrayOrient0 + n)));
    ApiPutRecordU32(record, 16, (DWORD)Get(ctx, (WORD)(sid::rdmTray1Media + n)));
    ApiPutRecordU32(record, 20, (DWORD)Get(ctx, (WORD)(sid::rdmTrayLock0 + n)));
  }
  FillFreeSizeLimits(ctx, tray, record);
  return kTrayInfoBytes;
}
