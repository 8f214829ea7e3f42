// Job-settings module: the separation-sheet cycle from the copies, judge hook 1404, the image default
// of a refused value, the noted colour settings of a user sub-dialog and the document page's controls.
#include "driverdata/img_image.h"
#include "kvplat/devmode.h"
#include "module_fixture.h"
#include "settings/feature_modules.h"
#include "settings/public_fields.h"

using namespace kvstgtest;

namespace {

class JobSettings : public ModuleTest {};

TEST_F(JobSettings, SeparationCycleFollowsTheCopies) {
  struct Case {
    int copies, cycleBefore, cycleAfter;
    DWORD judge;
  };
  const Case cases[] = {{5, 2, 5, 0}, {0, 2, 2, 1}, {-3, 4, 4, 1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.copies);
    Set(sid::dmCopies, (uint64_t)(int64_t)k.copies);
    Set(sid::rdmSeparationSheetCycle, k.cycleBefore);
    StgBroadcastModuleCommand(ctx_, STG_CMD_SEPARATION_CYCLE);
    EXPECT_EQ((int16_t)Get(sid::rdmSeparationSheetCycle), k.cycleAfter);
  }
  Set(sid::rdmSeparationSheetCycle, 5);
  for (int copies : {3, 5, 6}) {
    Set(sid::dmCopies, copies);
    EXPECT_EQ(StgGetJudgeHookValue(ctx_, 1404), copies < 5 ? 1u : 0u) << copies;
  }
  EXPECT_EQ(StgSeparationJudge(ctx_, 1405), 0u);
}

TEST_F(JobSettings, RefusedValueTakesTheImageDefault) {
  ITEM_DESC* w = StgFindItem(ctx_, sid::rdmDstResolutionW);
  ASSERT_NE(w, nullptr);
  STG_VALUE_REJECTED_ARG a{nullptr, w, 12345};
  StgBroadcastModuleEvent(ctx_, STG_EVENT_VALUE_REJECTED, &a);
  // A list setting with a value map: the image default (an option value) mapped to its stored value,
  // here the default resolution in dots per inch.
  ASSERT_TRUE(w->ext && w->ext->valueMap);
  ASSERT_TRUE(ImgGetNodeType(ctx_, sid::rdmDstResolutionW) & 1);
  EXPECT_EQ(a.value, StgMapFromOption(ctx_, w, ImgGetDefaultValue(ctx_, sid::rdmDstResolutionW)));
  EXPECT_EQ(a.value, 600u);
  // A setting without a value map takes the default as it is.
  ITEM_DESC* copies = StgFindItem(ctx_, sid::dmCopies);
  ASSERT_NE(copies, nullptr);
  STG_VALUE_REJECTED_ARG b{nullptr, copies, 0};
  StgBroadcastModuleEvent(ctx_, STG_EVENT_VALUE_REJECTED, &b);
  EXPECT_EQ(b.value, ImgGetDefaultValue(ctx_, sid::dmCopies));
}

TEST_F(JobSettings, NotedColourSettingsComeBackForUserSubDialogsOnly) {
  Set(sid::rdmAdjustMode, 1);
  Set(sid::rdmAdjustObject, 1);  // line
  Set(sid::wdmColorMatchingLine, 7);
  StgNoteActiveCmmSetting(ctx_, 0);
  EXPECT_EQ(ctx_->work->moduleState[STG_NOTED_COLOUR_FLAGS], 4);
  Set(sid::wdmColorMatchingLine, 9);
  DIALOG_DESC other{};
  other.kind = 0x10;
  StgBroadcastModuleEvent(ctx_, 34, &other);
  EXPECT_EQ(Get(sid::wdmColorMatchingLine), 9u);
  DIALOG_DESC sub{};
  sub.kind = 0x20;
  StgBroadcastModuleEvent(ctx_, 34, &sub);
  EXPECT_EQ(Get(sid::wdmColorMatchingLine), 7u);
  // Event 35 (broadcast at the end of the restore) forgot them.
  EXPECT_EQ(ctx_->work->moduleState[STG_NOTED_COLOUR_FLAGS], 0);
}

TEST_F(JobSettings, DocumentPageControlsAndDefaultAnswers) {
  DIALOG_DESC page{};
  page.id = 1003;
  DIALOG_DESC elsewhere{};
  elsewhere.id = 1004;
  Set(sid::rdmFunc2SelectUICtrlCopyGuard, 1);
  Set(sid::rdmFunc2SelectUICtrlWaterMark, 0);
  struct Case {
    DIALOG_DESC* dialog;
    WORD control;
    DWORD state;
  };
  const Case cases[] = {{&page, 2928, 0xF1}, {&page, 2974, 0xF1}, {&page, 2088, 0xF2}, {&elsewhere, 2928, 0xF2}};
  for (const Case& k : cases) {
    CONTROL_DESC c{};
    c.controlId = k.control;
    c.state = 0xF2;
    STG_PAGE_CONTROL_ARG a{k.dialog, &c};
    StgBroadcastModuleEvent(ctx_, 66, &a);
    EXPECT_EQ(c.state, k.state) << k.control;
  }
  DEVMODEW dm{};
  StgBroadcastModuleEvent(ctx_, 67, &dm);
  EXPECT_TRUE(dm.dmFields & DM_PAPERSIZE);
  DWORD details = 0;
  StgBroadcastModuleEvent(ctx_, 21, &details);
  EXPECT_EQ(details, 1u);
  void* resolutions = &dm;
  StgBroadcastModuleEvent(ctx_, 30, &resolutions);
  EXPECT_EQ(resolutions, nullptr);
}

}  // namespace
