// Job settings: the separation-sheet cycle kept in step with the copies, judge hook 1404, the noted
// colour-matching settings restored or forgotten when a user sub-dialog ends, and the default answers
// to the events of the settings model, the device query and the property sheets.
#include "config/driver_lists.h"
#include "kvplat/devmode.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_values.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/feature_modules.h"
#include "settings/modules.h"
#include "devlink/bidi_query.h"
#include "settings/public_fields.h"
#include "settings/setting_ids.h"

namespace {

constexpr WORD kJudgeSeparation = 1404;
constexpr WORD kDialogDocument = 1003;
constexpr WORD kCopyGuardControls[] = {2928, 2929, 2974};
constexpr WORD kWatermarkControls[] = {2088, 2089, 2090, 2091, 2092, 2406, 2407};

constexpr const WORD (&kColourSettings)[4] = STG_COLOUR_MATCHING_SETTINGS;

int16_t I16(SETTING_CONTEXT* ctx, WORD id) { return (int16_t)StgGetValue(ctx, id, nullptr); }

bool IsUserSubDialog(const DIALOG_DESC* dialog) { return dialog && (dialog->kind & STG_DIALOG_USER_SUBDIALOG); }

template <size_t N>
bool Listed(const WORD (&list)[N], WORD id) {
  for (WORD w : list)
    if (w == id) return true;
  return false;
}

// Event 32: the image default of the refused item's setting, as a stored value for list settings.
void ImageDefault(SETTING_CONTEXT* ctx, STG_VALUE_REJECTED_ARG* a) {
  if (!a || !a->item) return;
  WORD id = (WORD)a->item->id;
  DWORD value = ImgGetDefaultValue(ctx, id);
  bool listNode = ImgGetNodeType(ctx, id) & 1;
  bool mapped = a->item->ext && a->item->ext->valueMap;
  if (listNode && mapped) value = StgMapFromOption(ctx, a->item, value);
  a->value = value;
}

// Event 66: the copy-guard and watermark controls of the document page in state 1.
void PageControlState(SETTING_CONTEXT* ctx, STG_PAGE_CONTROL_ARG* a) {
  if (!a || !a->dialog || !a->control || a->dialog->id != kDialogDocument) return;
  WORD c = a->control->controlId;
  bool on = (StgGetValue(ctx, sid::rdmFunc2SelectUICtrlCopyGuard, nullptr) && Listed(kCopyGuardControls, c)) ||
            (StgGetValue(ctx, sid::rdmFunc2SelectUICtrlWaterMark, nullptr) && Listed(kWatermarkControls, c));
  if (on) a->control->state = (WORD)((a->control->state & ~STG_CONTROL_STATE_HIDDEN_MASK) | STG_CONTROL_STATE_HIDDEN);
}

}  // namespace

void StgSetSeparationCycleFromCopies(SETTING_CONTEXT* ctx) {
  int16_t copies = I16(ctx, sid::dmCopies);
  if (copies > 0) StgSetValue(ctx, sid::rdmSeparationSheetCycle, (uint64_t)(int64_t)copies);
}

DWORD StgSeparationJudge(SETTING_CONTEXT* ctx, WORD id) {
  if (id != kJudgeSeparation) return 0;
  return I16(ctx, sid::dmCopies) < I16(ctx, sid::rdmSeparationSheetCycle) ? 1 : 0;
}

void StgRestoreNotedColourSettings(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog) {
  if (!IsUserSubDialog(dialog) || !ctx->work) return;
  const BYTE* state = ctx->work->moduleState;
  for (int k = 0; k < 4; ++k)
    if (state[STG_NOTED_COLOUR_FLAGS] & (1u << k))
      StgSetValue(ctx, kColourSettings[k], state[STG_NOTED_COLOUR_VALUES + k]);
  StgBroadcastModuleEvent(ctx, STG_EVENT_SETTINGS_CHANGED, nullptr);
  LONG macro = RuleGetUserMacroIndex(ctx);
  if (macro != -1) CfgSaveQualityByIndex(ctx, (int)macro);
  StgBroadcastModuleEvent(ctx, STG_EVENT_COLOR_FLAGS, dialog);
}

void StgForgetNotedColourSettings(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog) {
  if (IsUserSubDialog(dialog) && ctx->work) ctx->work->moduleState[STG_NOTED_COLOUR_FLAGS] = 0;
}

int StgSeparationModuleCommand(SETTING_CONTEXT* ctx, WORD command, void*) {
  if (command != STG_CMD_SEPARATION_CYCLE) return 0;
  StgSetSeparationCycleFromCopies(ctx);
  return 1;
}

int StgSeparationModuleEvent(SETTING_CONTEXT* ctx, DWORD event, void* arg, void*) {
  switch (event) {
    case 17:
      if (auto* a = static_cast<STG_BIDI_STATE_ARG*>(arg)) a->answer = BidiQueryDeviceForState(ctx, a->key) ? 1 : 0;
      return 1;
    case STG_EVENT_TRAY_DETAILS:
      if (auto* a = static_cast<BIDI_TRAY_DETAILS_ARG*>(arg)) a->answer = 1;
      return 1;
    case STG_EVENT_FIT_PAPER:
      // The raiser keeps this answer in a zeroed u64; the low word serves.
      if (arg) *static_cast<DWORD*>(arg) = 1;
      return 1;
    case STG_EVENT_RESOLUTIONS:
      if (arg) *static_cast<void**>(arg) = nullptr;
      return 1;
    case STG_EVENT_VALUE_REJECTED:
      ImageDefault(ctx, static_cast<STG_VALUE_REJECTED_ARG*>(arg));
      return 1;
    case 34:
      StgRestoreNotedColourSettings(ctx, static_cast<DIALOG_DESC*>(arg));
      return 1;
    case STG_EVENT_COLOR_FLAGS:
      StgForgetNotedColourSettings(ctx, static_cast<DIALOG_DESC*>(arg));
      return 1;
    case 66:
      PageControlState(ctx, static_cast<STG_PAGE_CONTROL_ARG*>(arg));
      return 1;
    case 67:
      if (auto* dm = static_cast<DEVMODEW*>(arg)) dm->dmFields |= DM_PAPERSIZE;
      return 1;
    default:
      return 0;
  }
}
