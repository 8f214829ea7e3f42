// The interface library's own builds of common operations.
#include "ui_builds.h"

#include <cstring>
#include <utility>

#include "config/paths.h"
#include "config/resource_strings.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_values.h"
#include "kvplat/controls.h"
#include "kvplat/devmode.h"
#include "kvplat/dialog.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/feature_modules.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"
#include "sheets/dlg_change.h"
#include "sheets/dlg_pictures.h"
#include "sheets/dlg_strings.h"
#include "ui_device_query.h"
#include "ui_intake.h"
#include "ui_jobctl.h"
#include "ui_paths.h"
#include "ui_printer_data.h"
#include "ui_settings_file.h"

namespace {

constexpr LIBRARY_HOOKS kInterfaceBuilds = [] {
  LIBRARY_HOOKS h{};
  h.CfgLoadString = DlgLoadString;
  h.CfgWriteFontTableRows = UiWriteFontTableRows;
  h.StgResetAllItems = UiResetSettingsToDefaults;
  h.StgInitStateBytes = UiInitStateBytes;
  h.StgWritePrivateTexts = UiWritePrivateTexts;
  h.StgSetContextLanguage = UiSetContextLanguage;
  h.StgFinishContextCreation = UiJcImportAtCreation;
  h.RuleCheckValue = RuleCheckNodeValue;
  h.RuleRunTransact = UiRunTransact;
  h.ImgGetCustomPaperSize = UiGetCustomPaperSize;
  h.CfgTransferSettingsFile = InstTransferSettingsSection;
  h.CfgReadSettingsFile = InstLoadSettingsFile;
  h.CfgTestRstHeader = InstCheckSettingsFileHeader;
  h.CfgCheckLockedSettings = InstCheckLockedSettings;
  h.CfgNormalizeSectionName = UiBracketsToCommas;
  h.RuleApplyUserMacro = UiApplyUserMacro;
  h.StgEditChapterRows = UiEditChapterRows;
  h.StgDeleteChapterRow = UiDeleteChapterRow;
  h.StgClearChapterRows = UiClearChapterRows;
  h.OpenBidiDevice = UiOpenBidiDevice;
  h.BidiReadConfig = UiBidiReadConfig;
  h.BidiReadOptions = UiBidiReadOptions;
  h.BidiShowWaitWindow = UiShowWaitWindow;
  h.BidiCloseWaitWindow = UiCloseWaitWindow;
  h.StgReleaseLibraryParts = DlgReleaseLibraryParts;
  return h;
}();

constexpr char kMark[] = "KCOMMON";
constexpr BYTE kMarkVersion = 5;

constexpr WORD kChapterDialog = 1044;
constexpr int kChapterList = 2800;

// The chapter list of the open chapter dialog, or none.
HWND ChapterList(SETTING_CONTEXT* ctx) {
  const DIALOG_DESC* dlg = StgFindDialog(ctx, kChapterDialog);
  return dlg && dlg->window ? GetDlgItem(static_cast<HWND>(dlg->window), kChapterList) : nullptr;
}

void SelectAndRepaint(HWND list, int row) {
  SendMessageW(list, LB_SETCURSEL, WPARAM(row), 0);
  InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

const LIBRARY_HOOKS* UiGetLibraryHooks() { return &kInterfaceBuilds; }

int UiFillLibraryHooks() { return StgFillLibraryHooks(&kInterfaceBuilds); }

void UiWritePrivateTexts(SETTING_CONTEXT* ctx) {
  StgWritePrivateTextsCommon(ctx);
  if (!ctx || !ctx->store) return;
  auto* h = reinterpret_cast<PRIVATE_DEVMODE_HEADER*>(ctx->store->bytes + PDM_OFF);
  static_assert(sizeof(kMark) <= sizeof(h->kcomMark));
  std::memcpy(h->kcomMark, kMark, sizeof(kMark));
  h->kcomVersion = kMarkVersion;
}

void UiInitStateBytes(SETTING_CONTEXT* ctx) { UiSetSetupEnvironment(ctx); }

void UiSetContextLanguage(SETTING_CONTEXT* ctx) { UiSetResourceLanguage(ctx); }

DWORD UiRunTransact(SETTING_CONTEXT* ctx, IMG_REF transacts) {
  return RuleWalkTransacts(ctx, transacts, [](SETTING_CONTEXT* c, WORD id, DWORD value) {
    if (id == sid::wdmBuiltInFunc)
      DlgRunFollowUp(c, static_cast<WORD>(value));
    else
      StgSetValueOrResString(c, id, value);
  });
}

int UiGetCustomPaperSize(SETTING_CONTEXT* ctx, LONG size[2], DWORD code, int oriented) {
  int done = ImgGetCustomPaperSizeCommon(ctx, size, code, oriented);
  if (!done || !oriented || !ctx || !ctx->store) return done;
  // The common build already lies the two slot sizes down; the DEVMODE's own size is the third case.
  const DWORD fields = DWORD(StgGetValue(ctx, sid::dmFields, nullptr));
  const bool slotSize = (fields & DM_PAPERSIZE) && StgGetValue(ctx, sid::dmPaperSize, nullptr) != 256;
  const bool tableSize = StgGetValue(ctx, sid::rdmFuncSelectFreeShortOver, nullptr) == 1;
  if (!slotSize && !tableSize && StgGetValue(ctx, sid::dmOrientation, nullptr) == 2) std::swap(size[0], size[1]);
  return done;
}

LONG UiApplyUserMacro(SETTING_CONTEXT* ctx) { return RuleApplyUserMacroWith(ctx, true); }

int UiEditChapterRows(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog, const DWORD* pages, void* unused,
                      const WCHAR (*ranges)[STG_CHAPTER_RANGE_CHARS]) {
  DWORD refusal = 0;
  int result = StgEditChapterRowsWith(ctx, dialog, pages, unused, ranges, &refusal);
  if (!ctx || !ctx->work) return result;
  if (result != 0) {
    // The user learns why the pages were not taken; the rows are as they were.
    if (refusal) {
      WCHAR* text = ctx->work->textBuffer;
      const int capacity = int(sizeof(ctx->work->textBuffer) / sizeof(WCHAR));
      CfgLoadString(ctx, refusal, text, capacity, 1);
      const WCHAR* caption = CfgGetPrinterName(ctx);
      MessageBoxW(dialog ? static_cast<HWND>(dialog->window) : nullptr, text, caption ? caption : u"", MB_ICONWARNING);
    }
    return result;
  }
  if (HWND list = ChapterList(ctx)) SelectAndRepaint(list, int(StgGetValue(ctx, sid::wdmChapterNum, nullptr)) - 1);
  return result;
}

int UiDeleteChapterRow(SETTING_CONTEXT* ctx) {
  HWND list = ChapterList(ctx);
  if (!list) return 1;
  LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (selected < 0) return 1;
  int empty = StgDeleteChapterRowAt(ctx, DWORD(selected));
  if (empty < 0) return 1;
  // The selection stays at the deleted row's place, or moves up when that was the last row.
  int select = int(selected) >= empty && empty > 0 ? empty - 1 : int(selected);
  SelectAndRepaint(list, select);
  return 0;
}

int UiClearChapterRows(SETTING_CONTEXT* ctx) {
  int result = StgClearChapterRowsCommon(ctx);
  if (HWND list = ChapterList(ctx)) SelectAndRepaint(list, 0);
  return result;
}
