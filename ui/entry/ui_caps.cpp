// Device capabilities.
#include "ui_caps.h"

#include <cstring>
#include <vector>

#include "config/free_size.h"
#include "config/ini.h"
#include "config/resource_strings.h"
#include "driverdata/img_caps.h"
#include "driverdata/rule_lists.h"
#include "kvplat/codepage.h"
#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "settings/units.h"
#include "ui_access.h"
#include "ui_frame.h"
#include "ui_paths.h"
#include "ui_printer_data.h"
#include "ui_workers.h"

namespace {

constexpr DWORD kFail = 0xFFFFFFFFu;
constexpr int kMediaTrays = 32;
constexpr int kNameChars = 64;
constexpr WORD kPaperSetting = 8;

// A list answer: the count without an output, else exactly that many entries written.
template <typename Fill>
DWORD List(void* output, Fill fill) {
  int n = fill(nullptr, 0);
  if (n < 0) return kFail;
  if (!output || n == 0) return DWORD(n);
  int written = fill(output, n);
  return written < 0 ? kFail : DWORD(written);
}

BYTE LockByte(HANDLE printer, WORD id) {
  BYTE b = 0;
  return UiReadLockBits(printer, &b, id) ? b : 0;
}

DWORD Answer(SETTING_CONTEXT* ctx, WORD capability, void* output) {
  switch (capability) {
    case DC_FIELDS:
      return ctx->store ? reinterpret_cast<const DEVMODEW*>(ctx->store->bytes)->dmFields : kFail;
    case DC_PAPERS:
      return List(output, [&](void* o, int cap) { return ImgListPaperIds(ctx, static_cast<WORD*>(o), kPaperSetting, cap); });
    case DC_PAPERSIZE:
      return List(output, [&](void* o, int cap) { return ImgListPaperSizes(ctx, static_cast<LONG*>(o), kPaperSetting, cap); });
    case DC_BINS:
      return List(output, [&](void* o, int cap) { return ImgListInputBins(ctx, static_cast<WORD*>(o), cap); });
    case DC_BINNAMES:
      return List(output, [&](void* o, int cap) { return ImgListInputBinNames(ctx, static_cast<WCHAR*>(o), 24, cap); });
    case DC_ENUMRESOLUTIONS:
      return List(output, [&](void* o, int cap) { return ImgListResolutions(ctx, static_cast<LONG*>(o), 0, cap); });
    case DC_PAPERNAMES:
      return List(output, [&](void* o, int cap) {
        return ImgListPaperNames(ctx, static_cast<WCHAR*>(o), kNameChars, kPaperSetting, cap);
      });
    case DC_TRUETYPE:
      return DWORD(UiCapsTrueType(ctx));
    case DC_COLLATE:
      return DWORD(UiCapsCollate(ctx));
    case DC_MEDIAREADY:
      return DWORD(UiCapsMediaReady(ctx, output));
    case DC_STAPLE:
      return DWORD(UiCapsStaple(ctx));
    default:  // DC_BINADJUST, DC_EMF_COMPLIANT, DC_DATATYPE_PRODUCED
      return kFail;
  }
}

}  // namespace

int UiIsSettingSelectable(SETTING_CONTEXT* ctx, WORD id) {
  DWORD count = 0;
  int r = RuleListSelectableValues(ctx, id, 0, nullptr, &count, 1);
  return (r == 0 || r == 1) && count > 0 ? 1 : 0;
}

int UiCapsTrueType(SETTING_CONTEXT* ctx) {
  return (StgGetValue(ctx, sid::rdmFrontFunc, nullptr) & 1) ? DCTT_BITMAP | DCTT_SUBDEV : DCTT_BITMAP;
}

int UiCapsCollate(SETTING_CONTEXT* ctx) { return StgIsSortTypeSelectable(ctx) ? 1 : 0; }

int UiCapsStaple(SETTING_CONTEXT* ctx) { return UiIsSettingSelectable(ctx, sid::rdmStapleType); }

int UiCapsPersonality(void* output) {
  if (output) {
    auto* text = static_cast<WCHAR*>(output);
    std::memset(text, 0, DC_PERSONALITY_ENTRY);
    MultiByteToWideChar(0, 0, "ZARN", -1, text, 32);
  }
  return 1;
}

int UiCapsMediaReady(SETTING_CONTEXT* ctx, void* output) {
  DWORD papers[kMediaTrays];
  DWORD stringIds[kMediaTrays];
  int n = 0;
  for (int j = 0; j < kMediaTrays; ++j) {
    DWORD field = DWORD(StgGetValue(ctx, WORD(sid::rdmTrayField0 + j), nullptr)) & 0xFFFF;
    DWORD paper = DWORD(StgGetValue(ctx, WORD(sid::rdmTray1Paper + j), nullptr)) & 0xFFFF;
    if (!field || !paper) continue;
    bool listed = false;
    for (int k = 0; k < n; ++k) listed = listed || papers[k] == paper;
    if (listed) continue;
    papers[n] = paper;
    stringIds[n] = StgGetOptionValue(ctx, WORD(sid::rdmTray1Paper + j), nullptr);
    ++n;
  }
  if (!output) return n;
  bool slotsLoaded = false;
  auto* names = static_cast<WCHAR*>(output);
  for (int k = 0; k < n; ++k, names += kNameChars) {
    std::memset(names, 0, kNameChars * sizeof(WCHAR));
    if (CfgIsFreeSizePaperCode(papers[k])) {
      if (!slotsLoaded) CfgLoadAllFreeSizes(ctx);
      slotsLoaded = true;
      int slot = CfgFreeSizePaperToIndex(papers[k], ctx);
      if (slot >= 0 && slot < CFG_FREE_SIZE_SLOTS && ctx->work) {
        const char* user = ctx->work->freeSizeSlots[slot].userName;
        MultiByteToWideChar(0, 0, user, int(strnlen(user, sizeof ctx->work->freeSizeSlots[slot].userName)), names,
                            kNameChars - 1);
      }
    } else {
      CfgLoadString(ctx, stringIds[k], names, kNameChars, 0);
    }
  }
  return n;
}

int UiGetPrinterDevmode(HANDLE printer, DEVMODEW* dst) {
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer, 2));
  int got = 0;
  // A DEVMODE of another size (a foreign or truncated one) is not this driver's: counted as none rather
  // than copied past its end.
  if (info && info->pDevMode &&
      size_t(info->pDevMode->dmSize) + info->pDevMode->dmDriverExtra == STG_DEVMODE_SIZE) {
    std::memcpy(dst, info->pDevMode, STG_DEVMODE_SIZE);
    got = 1;
  }
  StgFree(info);
  return got;
}

int UiCapsColorDevice(BYTE lockBits, const DEVMODEW* dm) {
  if (!(StgGetDmMachineTypeBits(dm) & 1)) return 0;
  if (StgIsModelFeatureOn(nullptr, 2, 0) && (lockBits & UI_LOCK_COLOR) && StgGetDmColor(dm) == DMCOLOR_MONOCHROME)
    return 0;
  return 1;
}

DWORD UiCapsFromPrinterDevmode(HANDLE printer, LPWSTR, WORD) {
  std::vector<BYTE> dm(STG_DEVMODE_SIZE);
  auto* d = reinterpret_cast<DEVMODEW*>(dm.data());
  if (!UiGetPrinterDevmode(printer, d)) return kFail;
  return DWORD(UiCapsColorDevice(LockByte(printer, UI_LOCK_BYTE_001), d));
}

DWORD UiCapsDuplex(HANDLE printer, LPWSTR, WORD capability) {
  if (capability != DC_DUPLEX) return kFail;
  DWORD type = 0, value = 0, needed = 0;
  if (GetPrinterDataW(printer, const_cast<LPWSTR>(u"Duplex"), &type, reinterpret_cast<LPBYTE>(&value), sizeof value,
                      &needed) != ERROR_SUCCESS)
    return kFail;
  if (value) return 1;
  return StgIsModelFeatureOn(nullptr, 2, 0) && (LockByte(printer, UI_LOCK_BYTE_000) & UI_LOCK_DUPLEX) ? 1 : 0;
}

int UiCapsNup(HANDLE printer, BYTE lockBits, void* output) {
  DWORD count = 0;
  const NUP_STEP* steps = UiGetNupSteps(&count);
  auto* out = static_cast<DWORD*>(output);
  bool oneKind = StgIsModelFeatureOn(nullptr, 2, 0) && (lockBits & UI_LOCK_NUP_KIND) && !(lockBits & UI_LOCK_NUP_ALL);
  if (!oneKind) {
    for (DWORD i = 0; out && i < count; ++i) out[i] = DWORD(steps[i].pages);
    return int(count);
  }
  std::vector<BYTE> dm(STG_DEVMODE_SIZE);
  auto* d = reinterpret_cast<DEVMODEW*>(dm.data());
  if (!UiGetPrinterDevmode(printer, d)) return 0;
  int kind = StgGetDmNupKind(d);
  // The entries of the locked kind and of one page per sheet: the count answered is the count written,
  // so a caller never reads an entry that was not filled.
  int n = 0;
  for (DWORD i = 0; i < count; ++i)
    if (steps[i].lockKey == 0 || steps[i].lockKey == kind) {
      if (out) out[n] = DWORD(steps[i].pages);
      ++n;
    }
  return n;
}

int UiGetPagesPerMinute(HANDLE printer) {
  WCHAR driver[260] = {}, ini[260] = {};
  InstGetDriverNameOfPrinter(printer, driver, nullptr);
  InstGetModelIniPathForPrinter(printer, ini, nullptr);
  if (!ini[0]) return 0;
  return CfgIniGetInt(driver, u"PPM", 0, ini);
}

DWORD UiCapsFromContext(HANDLE printer, LPWSTR, WORD capability, void* output, PDEVMODEW devmode) {
  UI_FRAME frame;
  if (!UiFrameOpen(&frame, UI_WORKER_CAPS, printer, 0)) return kFail;
  DWORD answer = kFail;
  bool merge = capability != DC_TRUETYPE && capability != DC_DATATYPE_PRODUCED;
  if (!merge || UiFrameTakeDevmode(&frame, devmode, 0)) answer = Answer(frame.ctx, capability, output);
  UiFrameClose(&frame);
  return answer;
}

DWORD UiDeviceCapabilities(HANDLE printer, LPWSTR deviceName, WORD capability, void* output, PDEVMODEW devmode) {
  const MODEL_BLOCK* model = StgGetModelBlock();
  switch (capability) {
    case DC_FIELDS:
    case DC_PAPERS:
    case DC_PAPERSIZE:
    case DC_BINS:
    case DC_BINNAMES:
    case DC_ENUMRESOLUTIONS:
    case DC_TRUETYPE:
    case DC_PAPERNAMES:
    case DC_BINADJUST:
    case DC_EMF_COMPLIANT:
    case DC_DATATYPE_PRODUCED:
    case DC_COLLATE:
    case DC_MEDIAREADY:
    case DC_STAPLE:
      return UiCapsFromContext(printer, deviceName, capability, output, devmode);
    case DC_MINEXTENT:
    case DC_MAXEXTENT:
      return ImgGetPaperExtent(StgGetTemplateContext(), static_cast<SHORT*>(output), capability);
    case DC_DUPLEX:
      return UiCapsDuplex(printer, deviceName, capability);
    case DC_SIZE:
      return DWORD(STG_DEVMODE_PUBLIC_SIZE);
    case DC_EXTRA:
      return DWORD(STG_DEVMODE_SIZE - STG_DEVMODE_PUBLIC_SIZE);
    case DC_VERSION:
      return DWORD(model->specVersion);
    case DC_DRIVER:
      return DWORD(model->driverVersion);
    case DC_FILEDEPENDENCIES:
      return 0;
    case DC_ORIENTATION:
      return DWORD(ImgGetLandscapeAngle(StgGetTemplateContext()));
    case DC_COPIES:
      return DWORD(model->maxCopies);
    case DC_PERSONALITY:
      return DWORD(UiCapsPersonality(output));
    case DC_PRINTRATE:
    case DC_PRINTRATEPPM:
      return DWORD(UiGetPagesPerMinute(printer));
    case DC_PRINTRATEUNIT:
      return PRINTRATEUNIT_PPM;
    case DC_COLORDEVICE:
      return UiCapsFromPrinterDevmode(printer, deviceName, capability);
    case DC_NUP:
      return DWORD(UiCapsNup(printer, LockByte(printer, UI_LOCK_BYTE_000), output));
    default:  // 0, DC_MANUFACTURER, DC_MODEL, DC_PRINTERMEM, 34 and above
      return kFail;
  }
}
