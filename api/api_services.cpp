// Services every driver-API worker shares.
#include "api_services.h"

#include <cstring>

#include "api_devmode.h"
#include "api_frame.h"
#include "config/device_settings.h"
#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "devlink/job_control.h"
#include "driverdata/dfc_image.h"
#include "driverdata/img_caps.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_flags.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/paint.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"

namespace {

struct OBJECT_VARIANT_ROW {
  WORD dialogId, controlId, baseId, text, line, image;
};
constexpr OBJECT_VARIANT_ROW kObjectVariants[] = {
    {1021, 2258, 137, 967, 968, 969},     {1021, 2256, 133, 961, 962, 963},     {1021, 2260, 134, 964, 965, 966},
    {1021, 2574, 132, 958, 959, 960},     {1021, 2820, 163, 1043, 1059, 1075}, {1038, 2264, 138, 970, 971, 972},
    {1038, 2267, 139, 973, 974, 975},     {1038, 2270, 140, 976, 977, 978},     {1038, 2273, 141, 979, 980, 981},
    {1038, 2275, 142, 982, 983, 984},     {1038, 2277, 143, 985, 986, 987},     {1038, 2263, 138, 970, 971, 972},
    {1038, 2266, 139, 973, 974, 975},     {1038, 2269, 140, 976, 977, 978},     {1038, 2272, 141, 979, 980, 981},
    {1038, 2274, 142, 982, 983, 984},     {1038, 2276, 143, 985, 986, 987},     {0, 0, 0, 0, 0, 0}};

constexpr LOAD_SHARE_ROW kLoadShareRows[API_LOAD_SHARE_ROWS] = {{0, 0, 0}, {0, 16, 0}, {1, 1, 0},
                                                                 {1, 17, 0}, {2, 2, 0},  {3, 18, 0}};
// The rdmLoadShare option whose condition decides each stored value.
WORD LoadShareOption(DWORD stored) {
  switch (stored) {
    case 0: return 2669;
    case 1: return 2670;
    case 2: return 2671;
    case 16: return 2672;
    case 17: return 2673;
    case 18: return 2674;
  }
  return 0;
}

constexpr WATERMARK_COLOUR_ROW kColours[] = {{0, 0, 0, 0},   {1, 255, 0, 0},   {2, 0, 255, 0},  {3, 0, 0, 255},
                                             {4, 0, 255, 255}, {5, 255, 0, 255}, {6, 255, 255, 0}};
constexpr DWORD kChoiceList[] = {1, 2, 3, 128};
constexpr DWORD kTraySlots[32] = {1,   3,   2,   256, 261, 262, 263, 0, 0, 0, 0, 0,  0, 298, 295, 296,
                                  287, 288, 289, 290, 0,   0,   0,   0, 0, 11, 0, 4, 4, 286, 0,   0};

WORD BaseTypeOf(IMG_REF node) { return dfc::BaseType(ImgNodeType(node)); }

// The PickOne node of a setting with options, or 0.
IMG_REF PickOneNode(IMG_REF node) {
  return node && BaseTypeOf(node) == dfc::kTypePickOne && ImgNodeOptions(node) ? node : 0;
}

bool IsDisabledOrExcluded(SETTING_CONTEXT* ctx, IMG_REF node, WORD option) {
  return RuleIsOptionExcluded(ctx, node, option) || RuleEvalSecondCondition(ctx, node, option);
}

bool EqualsIgnoreCaseAscii(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char x = (*a >= 'A' && *a <= 'Z') ? char(*a - 'A' + 'a') : *a;
    char y = (*b >= 'A' && *b <= 'Z') ? char(*b - 'A' + 'a') : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

}  // namespace

// ---- Node and availability ----

IMG_REF ApiFindSettingNode(WORD id, SETTING_CONTEXT* ctx) {
  const SETTING_CONTROL_ROW* row = StgFindSettingControl(id);
  if (row && row->dialogId && row->controlId) {
    DIALOG_DESC* dialog = StgFindDialog(ctx, row->dialogId);
    CONTROL_DESC* control = dialog ? StgFindControlById(ctx, dialog, row->controlId) : nullptr;
    IMG_REF node = control ? ImgFindNodeByKey2(ctx, control->key) : 0;
    if (node && (dialog->kind & 0x21) && !StgIsSettingExcluded(ctx, dialog->id)) return node;
  }
  return ImgFindActiveNode(ctx, id);
}

bool ApiIsSettingShown(SETTING_CONTEXT* ctx, WORD id) {
  IMG_REF node = ImgFindActiveNode(ctx, id);
  if (!node || !StgFindControlByKey(ctx, nullptr, ImgNodeKey(node))) return false;
  return !RuleIsOptionExcluded(ctx, node, 0);
}

bool ApiIsSettingShownOnDialog(SETTING_CONTEXT* ctx, WORD id, WORD dialogId) {
  DIALOG_DESC* dialog = StgFindDialog(ctx, dialogId);
  IMG_REF node = ImgFindActiveNode(ctx, id);
  if (!dialog || !node || !StgFindControlByKey(ctx, dialog, ImgNodeKey(node))) return false;
  return !RuleIsOptionExcluded(ctx, node, 0);
}

bool ApiIsOptionUsable(SETTING_CONTEXT* ctx, WORD id, WORD option, int flags) {
  if (!ImgHasUsableNode(ctx, 0, id)) return false;
  IMG_REF node = ApiFindSettingNode(id, ctx);
  if (!node) return false;
  if ((flags & 1) && RuleIsOptionExcluded(ctx, node, option)) return false;
  if ((flags & 2) && RuleEvalSecondCondition(ctx, node, option)) return false;
  return true;
}

bool ApiIsControlUsable(SETTING_CONTEXT* ctx, WORD dialogId, WORD controlId, int flags) {
  DIALOG_DESC* dialog = StgFindDialog(ctx, dialogId);
  CONTROL_DESC* control = dialog ? StgFindControlById(ctx, dialog, controlId) : nullptr;
  if (!control || control->key == 0) return false;
  if ((flags & 1) && RuleIsExcludedByKey(ctx, control->key, 0) != 0) return false;
  if ((flags & 2) && RuleEvalSecondByKey(ctx, control->key, 0) != 0) return false;
  return true;
}

WORD ApiFindOptionForValue(SETTING_CONTEXT* ctx, WORD id, DWORD code) {
  IMG_REF node = PickOneNode(ApiFindSettingNode(id, ctx));
  if (!node) return 0;
  int count = ImgCountList(ImgNodeOptions(node));
  IMG_REF o = ImgNodeOptions(node);
  for (int i = 0; i < count && o; ++i, o = ImgNext(o)) {
    const ENUM_SYMBOL* e = StgFindEnumSymbol(id, ImgOptionValue(o));
    if (!e) return 0;
    if (e->one && e->second == code) return ImgOptionValue(o);
  }
  return 0;
}

bool ApiRaisesAlertMessage(SETTING_CONTEXT* ctx, WORD id, WORD stringId, DWORD value, int trial) {
  uint64_t kept = 0;
  if (trial == 1) {
    kept = StgGetValue(ctx, id, nullptr);
    StgSetValue(ctx, id, value);
  }
  bool raises = false;
  IMG_REF node = ImgFindActiveNode(ctx, id);
  if (node && ImgNodeRule(node)) {
    WORD key = RuleGetAlert(ctx, node);
    const MESSAGE_DESC* message = key ? StgFindMessage(ctx, key) : nullptr;
    raises = message && message->stringId == stringId;
  }
  if (trial == 1) StgSetValue(ctx, id, kept);
  return raises;
}

// ---- Option lists ----

int ApiListOptionValues(SETTING_CONTEXT* ctx, WORD* codes, WORD id) { return ApiListOptionValuesEx(ctx, codes, id, 0); }

int ApiListOptionValuesEx(SETTING_CONTEXT* ctx, WORD* codes, WORD id, int flags) {
  IMG_REF node = PickOneNode(ImgFindActiveNode(ctx, id));
  int count = node ? ImgCountList(ImgNodeOptions(node)) : 0;
  if (count <= 0) return -1;
  int n = 0;
  IMG_REF o = ImgNodeOptions(node);
  for (int i = 0; i < count && o; ++i, o = ImgNext(o)) {
    const ENUM_SYMBOL* e = StgFindEnumSymbol(id, ImgOptionValue(o));
    if (!e || !e->one) return -1;
    if ((flags & 1) && IsDisabledOrExcluded(ctx, node, ImgOptionValue(o))) continue;
    if (codes) codes[n] = (WORD)e->second;
    ++n;
  }
  return n ? n : -1;
}

int ApiListOptionNames(SETTING_CONTEXT* ctx, WCHAR* slots, int width, WORD id) {
  return ApiListOptionNamesEx(ctx, slots, width, id, 0);
}

int ApiListOptionNamesEx(SETTING_CONTEXT* ctx, WCHAR* slots, int width, WORD id, int flags) {
  IMG_REF node = PickOneNode(ImgFindActiveNode(ctx, id));
  if (!node || (slots && width <= 0)) return -1;
  int count = ImgCountList(ImgNodeOptions(node));
  int n = 0;
  IMG_REF o = ImgNodeOptions(node);
  for (int i = 0; i < count && o; ++i, o = ImgNext(o)) {
    if ((flags & 1) && IsDisabledOrExcluded(ctx, node, ImgOptionValue(o))) continue;
    // Counted whether or not slots are given, so that the size query and the fill agree.
    if (slots) CfgLoadString(ctx, ImgOptionValue(o), slots + (size_t)n * width, width, 1);
    ++n;
  }
  return n ? n : -1;
}

// ---- Per-object variants ----

WORD ApiObjectVariantId(SETTING_CONTEXT*, WORD baseId, int object) {
  for (const OBJECT_VARIANT_ROW* r = kObjectVariants; r->baseId; ++r)
    if (r->baseId == baseId) {
      if (object == 0) return r->text;
      if (object == 1) return r->line;
      if (object == 2) return r->image;
      return baseId;
    }
  return baseId;
}

WORD ApiObjectSettingId(SETTING_CONTEXT* ctx, WORD baseId) {
  if (StgGetValue(ctx, sid::rdmAdjustMode, nullptr) == 1)
    return ApiObjectVariantId(ctx, baseId, (int)StgGetValue(ctx, sid::rdmAdjustObject, nullptr));
  return baseId;
}

// ---- Copies ----

BYTE* ApiCopyDevmode(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return nullptr;
  BYTE* copy = static_cast<BYTE*>(StgAllocZero(StgGetDevmodeSize()));
  if (copy) std::memcpy(copy, ctx->store, StgGetDevmodeSize());
  return copy;
}

void ApiRestoreDevmode(SETTING_CONTEXT* ctx, BYTE* copy, int restore) {
  if (!copy) return;
  if (restore && ctx && ctx->store) std::memcpy(ctx->store, copy, StgGetDevmodeSize());
  StgFree(copy);
}

BYTE* ApiCopyWorkBlock(SETTING_CONTEXT* ctx) {
  BYTE* block = ctx ? StgGetWorkBlock(ctx) : nullptr;
  if (!block) return nullptr;
  BYTE* copy = static_cast<BYTE*>(StgAllocZero(StgGetWorkBlockSize()));
  if (copy) std::memcpy(copy, block, StgGetWorkBlockSize());
  return copy;
}

void ApiRestoreWorkBlock(SETTING_CONTEXT* ctx, BYTE* copy, int restore) {
  if (!copy) return;
  BYTE* block = ctx ? StgGetWorkBlock(ctx) : nullptr;
  if (restore && block) std::memcpy(block, copy, StgGetWorkBlockSize());
  StgFree(copy);
}

// ---- Conditions ----

bool ApiIsTerminalServer(SETTING_CONTEXT* ctx) { return StgGetValue(ctx, sid::rdmTSE, nullptr) != 0; }

bool ApiIsTerminalServerUser(SETTING_CONTEXT* ctx) {
  return ApiIsTerminalServer(ctx) && StgGetValue(ctx, sid::rdmAdmin, nullptr) == 0;
}

bool ApiIsUserQualitySelected(SETTING_CONTEXT* ctx) {
  return StgGetValue(ctx, sid::rdmUseUserMacro, nullptr) != 0 && StgGetValue(ctx, sid::rdmUserPrintMacro, nullptr) == 160;
}

bool ApiIsMarginPairSet(SETTING_CONTEXT* ctx, DWORD statusId, const void*) {
  return (statusId == 14 || statusId == 15) && StgGetValue(ctx, sid::rdmFuncSelectMargin, nullptr) != 0;
}

int ApiIsPlainDuplexType(DWORD type) { return type >= 1 && type <= 3 ? 1 : 0; }

// ---- Settings actions ----

void ApiMergeDevmode(SETTING_CONTEXT* ctx, const DEVMODEW* dm) {
  BYTE* copy = nullptr;
  const DEVMODEW* source = dm;
  DWORD flags = 0x2220000A;
  if (!source) {
    copy = ApiCopyDevmode(ctx);
    source = reinterpret_cast<const DEVMODEW*>(copy);
    flags = 0x2260000A;
  }
  bool keepLengths = false;
  SHORT width = 0, length = 0;
  // The lengths are read only from a record long enough to hold them.
  if (source && source->dmSize >= offsetof(DEVMODEW, dmScale) &&
      (source->dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH)) == (DM_PAPERLENGTH | DM_PAPERWIDTH) &&
      source->dmPaperWidth != 0 && source->dmPaperLength != 0) {
    keepLengths = true;
    width = source->dmPaperWidth;
    length = source->dmPaperLength;
  }
  StgMergeDevmode(ctx, source, flags);
  if (keepLengths) {
    if (DEVMODEW* own = StgGetDevmode(ctx)) {
      own->dmFields = (own->dmFields | DM_PAPERLENGTH | DM_PAPERWIDTH) & ~(DWORD)DM_PAPERSIZE;
      own->dmPaperWidth = width;
      own->dmPaperLength = length;
    }
  }
  if (IMG_REF node = ApiFindSettingNode(sid::rdmMediaType, ctx)) RuleRunNodeTransact(ctx, node);
  StgFree(copy);
}

void ApiResetMarginSettings(SETTING_CONTEXT* ctx) {
  if (ITEM_DESC* row = StgFindItem(ctx, sid::rdmShiftDir))
    StgWriteOptionValue(ctx, row, ImgGetDefaultValue(ctx, sid::rdmShiftDir));
  for (WORD id = 96; id <= 102; ++id) StgSetValue(ctx, id, 0);
  for (WORD id : {sid::rdmFunc2SelectEdgeCorner, sid::rdmFuncSelectCrops, sid::rdmFuncSelectCropsFirst,
                  sid::rdmCreepMarginInside, sid::rdmCreepMarginOutside})
    StgSetValue(ctx, id, 0);
}

void ApiResetMarginIfOff(SETTING_CONTEXT* ctx) {
  if (StgGetValue(ctx, sid::rdmFuncSelectMargin, nullptr) == 0) ApiResetMarginSettings(ctx);
}

void ApiUpdatePaper(SETTING_CONTEXT* ctx, int command) {
  if (!ctx) return;
  if (command == 1)
    StgUpdatePaperSettings(ctx, 1);
  else
    StgBroadcastModuleCommand(ctx, (WORD)command);
}

bool ApiRecomputePaper(SETTING_CONTEXT* ctx) {
  ApiRederivePaper(ctx);
  return RuleGetComputedFlag(ctx, 863) != 0;
}

int ApiWriteActionWord(HANDLE printer, SETTING_CONTEXT* ctx, ITEM_DESC* item, const WCHAR* iniPath) {
  if (!item) return 0;
  const WCHAR* key = item->iniKey;
  uint64_t type = item->type;
  item->iniKey = u"rdmAction";
  item->type = (type & ~(uint64_t(0x3F) << 24)) | (uint64_t(5) << 24);
  int written = CfgWriteDeviceSetting(printer, ctx, item, iniPath);
  item->iniKey = key;
  item->type = type;
  return written;
}

int ApiGetProfileCount(SETTING_CONTEXT* ctx) {
  MODULE_OP_PARAMS params{};
  return StgRunModuleOp(ctx, 0, &params) ? (int)params.p[0] : 0;
}

int ApiSelectProfile(SETTING_CONTEXT* ctx, int index, void* data) {
  MODULE_OP_PARAMS params{};
  params.p[0] = (DWORD)index;
  params.ref = data;
  return StgRunModuleOp(ctx, 1, &params) ? 1 : 0;
}

// ---- Connection set-up ----

void ApiBindSettingControl(WORD id, SETTING_CONTEXT* ctx) {
  const SETTING_CONTROL_ROW* row = StgFindSettingControl(id);
  if (!row || !row->dialogId || !row->controlId) return;
  DIALOG_DESC* dialog = StgFindDialog(ctx, row->dialogId);
  CONTROL_DESC* control = dialog ? StgFindControlById(ctx, dialog, row->controlId) : nullptr;
  // The property sheets keep a control's node in its rule-node field; the driver API has no sheets and
  // binds the node itself.
  if (control) control->ruleNode = reinterpret_cast<void*>(static_cast<uintptr_t>(ImgFindNodeByKey2(ctx, control->key)));
}

IMG_REF ApiBoundNode(const CONTROL_DESC* control) { return control ? static_cast<IMG_REF>(reinterpret_cast<uintptr_t>(control->ruleNode)) : 0; }

int ApiMarkLoadShareOptions(SETTING_CONTEXT* ctx) {
  API_CONNECTION* conn = ApiConnectionOf(ctx);
  if (conn) {
    std::memcpy(conn->loadShare, kLoadShareRows, sizeof(kLoadShareRows));
    for (LOAD_SHARE_ROW& r : conn->loadShare)
      if (RuleTestOptionCondition(ctx, sid::rdmLoadShare, LoadShareOption(r.storedValue)) == 0) r.allowed = 1;
  }
  return API_LOAD_SHARE_ROWS;
}

bool ApiHasApiStampSlot(SETTING_CONTEXT* ctx) {
  WCHAR section[64];
  CfgFormatStampSection(section, 256, 0, ctx);
  const WCHAR* key = StgGetItemName(ctx, sid::rdmWmKind);
  if (!key) return false;
  WCHAR value[64];
  return CfgIniGetString(section, key, u"", value, 64, CfgGetIniPath(ctx)) > 0;
}

// ---- Paths, files and fonts ----

bool ApiIsValidOverlayPath(const char* path) {
  if (!ApiIsValidPath(path)) return false;
  const char* name = ApiFindFileNamePart(path);
  if (name == path || !ApiIsValidFileName(name)) return false;
  int length = 0;
  const char* ext = ApiFindExtensionPart(path, &length);
  return length > 0 && EqualsIgnoreCaseAscii(ext, "rpo");
}

bool ApiPrepareFilePath(const char* path, char* fullPath) {
  if (fullPath) fullPath[0] = 0;
  WCHAR wide[261];
  if (!ApiNameToWide(path, wide, 261)) return false;
  DWORD attributes = GetFileAttributesW(wide);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;  // a folder is no file to write
  } else {
    // Created only when nothing is there, and deleted only because this call created it.
    HANDLE file = CreateFileW(wide, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      DeleteFileW(wide);
    } else {
      DWORD error = GetLastError();
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return false;
      WCHAR folder[261];
      std::memcpy(folder, wide, sizeof(folder));
      WCHAR* slash = nullptr;
      for (WCHAR* p = folder; *p; ++p)
        if (*p == u'\\') slash = p;
      if (!slash || slash == folder) return false;
      *slash = 0;
      if (!CreateDirectoryW(folder, nullptr)) return false;
      file = CreateFileW(wide, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
      bool created = file != INVALID_HANDLE_VALUE;
      if (created) {
        CloseHandle(file);
        DeleteFileW(wide);
      }
      RemoveDirectoryW(folder);
      if (!created) return false;
    }
  }
  WCHAR full[261] = {};
  DWORD n = GetFullPathNameW(wide, 261, full, nullptr);
  if (n == 0 || n >= 261) return false;
  if (fullPath && WideCharToMultiByte(CP_ACP, 0, full, -1, fullPath, 260, nullptr, nullptr) <= 0) {
    fullPath[0] = 0;
    return false;
  }
  return true;
}

bool ApiIsValidWatermarkFile(SETTING_CONTEXT*, int kind, const char* path) {
  WCHAR wide[261];
  if (!ApiNameToWide(path, wide, 261)) return false;
  if (kind == 2) {
    HANDLE file = nullptr;
    if (!CfgIsAbsolutePath(wide) || !CfgOpenBmpFile(wide, &file)) return false;
    if (file && file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return true;
  }
  if (kind == 3) {
    if (!CfgIsAbsolutePath(wide) || !CfgFileExists(wide)) return false;
    const WCHAR* ext = CfgFindExtension(wide, nullptr);
    return ext && lstrcmpiW(ext, u"rpo") == 0;
  }
  return false;
}

namespace {

struct FontSearch {
  WCHAR face[32];
  bool found;
};

int FindFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM data) {
  FontSearch* s = reinterpret_cast<FontSearch*>(data);
  if (!font || !(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == u'@') return 1;
  if (std::char_traits<char16_t>::compare(font->lfFaceName, s->face, 32) == 0) {
    s->found = true;
    return 0;
  }
  return 1;
}

}  // namespace

bool ApiIsFontInstalled(SETTING_CONTEXT*, const char* faceName) {
  FontSearch search{};
  // A face name longer than a face name can be names no installed family.
  if (!ApiNameToWide(faceName, search.face, 32)) return false;
  HDC dc = GetDC(GetDesktopWindow());
  if (!dc) return false;
  EnumFontFamiliesW(dc, nullptr, FindFace, reinterpret_cast<LPARAM>(&search));
  ReleaseDC(GetDesktopWindow(), dc);
  return search.found;
}

// ---- Model INI switch bits and job-control link ----

int ApiReadFunc1(HANDLE printer, const WCHAR* section, const WCHAR* key) {
  WCHAR path[261];
  ApiGetModelIniPath(printer, path, 261);
  return path[0] ? CfgIniGetInt(section, key, 0, path) : 0;
}

int ApiFunc1Bit0(SETTING_CONTEXT* ctx) { return ApiReadFunc1(ctx->printer, u"ZARNAPI", u"ZARNAPIFunc1") & 1; }
int ApiFunc1Bit1(SETTING_CONTEXT* ctx) { return (ApiReadFunc1(ctx->printer, u"ZARNAPI", u"ZARNAPIFunc1") >> 1) & 1; }
int ApiFunc1Bit2(HANDLE printer) { return (ApiReadFunc1(printer, u"ZARNAPI", u"ZARNAPIFunc1") >> 2) & 1; }
bool ApiFunc1HasBits(SETTING_CONTEXT* ctx, int mask) {
  return (ApiReadFunc1(ctx->printer, u"ZARNAPI", u"ZARNAPIFunc1") & mask) != 0;
}

int ApiReadJobItems(SETTING_CONTEXT* ctx, DWORD mask) { return JcReadItems(ctx, mask); }
int ApiWriteJobItems(SETTING_CONTEXT* ctx, DWORD mask) { return JcWriteItems(ctx, mask); }

// ---- Tables ----

const WATERMARK_COLOUR_ROW* ApiFindColorRgb(DWORD colour) {
  for (const WATERMARK_COLOUR_ROW& r : kColours)
    if (r.index == (colour & 0xFF)) return &r;
  return nullptr;
}

const DWORD* ApiGetChoiceList(int* count) {
  if (count) *count = 4;
  return kChoiceList;
}

const LOAD_SHARE_ROW* ApiGetLoadShareTable(SETTING_CONTEXT* ctx, int* count) {
  if (count) *count = API_LOAD_SHARE_ROWS;
  API_CONNECTION* conn = ApiConnectionOf(ctx);
  return conn ? conn->loadShare : kLoadShareRows;
}

const DWORD* ApiGetTraySlotTable(int* count) {
  if (count) *count = 32;
  return kTraySlots;
}
