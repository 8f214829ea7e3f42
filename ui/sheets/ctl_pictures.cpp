// Picture controls: a stack of option pictures composed off-screen, with the modules' overlays.
#include "sheets/ctl_pictures.h"

#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/item_records.h"
#include "settings/modules.h"
#include "settings/units.h"
#include "sheets/ctl_core.h"
#include "sheets/dlg_pictures.h"
#include "sheets/dlg_values.h"

namespace {

constexpr WORD kPortrait[] = {6001, 6004, 6005, 6008, 6009, 6011, 6013, 6016, 6017, 6019, 6021, 6023,
                              6025, 6027, 6029, 6031, 6033, 6037, 6040, 6043, 6046, 7414, 0};
constexpr WORD kLandscape[] = {6002, 6003, 6006, 6007, 6010, 6012, 6014, 6015, 6018, 6020, 6022, 6024, 6026,
                               6028, 6030, 6032, 6034, 6035, 6036, 6038, 6039, 6041, 6042, 6044, 6045, 7415, 0};
static_assert(sizeof kPortrait / sizeof *kPortrait == 23 && sizeof kLandscape / sizeof *kLandscape == 27);

constexpr WORD kSampleTag = 1;
constexpr WORD kPreviewTag = 8;
constexpr WORD kNoBase = 0xFFFF;

bool Listed(const WORD* list, WORD value) {
  for (; *list; ++list)
    if (*list == value) return true;
  return false;
}

}  // namespace

const WORD* DlgPortraitPaperPictures() { return kPortrait; }
const WORD* DlgLandscapePaperPictures() { return kLandscape; }

void CtlPictureRefresh(SETTING_CONTEXT*, DIALOG_DESC*, CONTROL_DESC* control) {
  if (control && control->window) InvalidateRect(static_cast<HWND>(control->window), nullptr, FALSE);
}

void DlgPaintPreviewPicture(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, HDC dc, const RECT* rect) {
  if (!ctx || !ctx->work || !control || !control->ruleNode) return;
  const IMG_REF node = reinterpret_cast<uintptr_t>(control->ruleNode);
  void* first = reinterpret_cast<void*>(static_cast<uintptr_t>(ImgNodeOptions(node)));
  if (!first) return;
  // Make sure the resting values are in place before they are saved.
  DlgAdjustColour(ctx, 0, 0);
  SHEET_PICTURE& pic = ctx->work->sheet.picture;
  const DWORD savedBackground = pic.background;
  const bool pickOne = (ImgNodeType(node) & 0xFF) == 1;
  const bool onlyValue = pickOne && !control->linkedId;
  const WORD current = onlyValue ? WORD(CtlGetValue(ctx, control)) : 0;
  DWORD flags = 0;
  if (const WORD* sample = CtlGetExtraData(control, kSampleTag)) {
    for (int i = 0; i < 6; ++i) pic.balance[i] = LONG(sample[3 + i] ? StgGetOptionValue(ctx, sample[3 + i], nullptr) : 0) + 50;
    flags |= DLG_PIC_FILL;
  }
  HWND window = static_cast<HWND>(control->window);
  if (dc) ctx->work->sheet.paintDc = dc;
  else if (CtlGetExtraData(control, kPreviewTag)) pic.background = 0xFFFFFF;
  DlgBeginPicture(ctx);
  bool overlaid = false;
  for (void* o = first; o; o = StgNextListOption(control->ruleNode, o)) {
    const void* item = nullptr;
    WORD value = CtlOptionValue(control->ruleNode, o, &item);
    if (!value) break;
    if (onlyValue && value != current) continue;
    STG_DENSITY_ARG base{control, value, kNoBase};
    StgBroadcastModuleEvent(ctx, DLG_EVENT_PICTURE_BASE, &base);
    if (base.answer != kNoBase) {
      pic.balance[0] = LONG(base.answer) + 50;
      for (int i = 1; i < 6; ++i) pic.balance[i] = 50;
      flags |= DLG_PIC_FILL;
      pic.adjusted = 1;
    }
    if (item && RuleIsOptionExcluded(ctx, node, value)) continue;
    if (dc) DlgComposeControlPicture(ctx, page, control, nullptr, rect, value, flags, 1);
    else DlgComposeControlPicture(ctx, page, control, window, nullptr, value, flags, 0);
    const bool portrait = Listed(kPortrait, value);
    if (!overlaid && (portrait || Listed(kLandscape, value))) {
      overlaid = true;
      PREVIEW_OVERLAY_ARG a{control, portrait ? 50 : 68, portrait ? 69 : 50, dc, {}, 0};
      if (rect) a.rect = RECT{0, 0, rect->right - rect->left, rect->bottom - rect->top};
      else if (window) GetClientRect(window, &a.rect);
      int row = DlgFindPictureLayout(value);
      a.layoutIndex = row < 0 ? 0 : row;
      StgBroadcastModuleEvent(ctx, DLG_EVENT_PREVIEW_OVERLAY, &a);
    }
    if (pickOne) break;
    // Later pictures are layered over the ones before, without the colour balance.
    flags = DLG_PIC_OVER_CONTENT;
  }
  if (dc) {
    DlgEndPicture(ctx, nullptr, rect);
    ctx->work->sheet.paintDc = nullptr;
  } else {
    DlgEndPicture(ctx, window, nullptr);
  }
  for (LONG& b : pic.balance) b = 50;
  pic.adjusted = 0;
  pic.background = savedBackground;
}
