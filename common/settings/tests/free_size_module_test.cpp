// Custom-size input module: the inch settings kept in step with the input dialog's controls, the
// DEVMODE conversions, the limits per tray, orientation and platform (moved inward onto the display
// grid), the range answer and the publication of the custom paper slots.
#include "config/free_size.h"
#include "kvplat/devmode.h"
#include "kvplat/sysinfo.h"
#include "module_fixture.h"
#include "settings/free_size_module.h"
#include "settings/model_tables.h"
#include "settings/paper_geometry.h"
#include "settings/platform_queries.h"
#include "settings/units.h"

using namespace kvstgtest;

namespace {

class CustomSize : public ModuleTest {
 protected:
  void InchMode(bool inches, DWORD inputType = 1) {
    Set(sid::rdmDspUnit, inches ? 1 : 0);
    Set(sid::dmPaperSize, 256);
    Set(sid::wdmInputFreeSizeType, inputType);
  }
  // Raises a control event for control `id` the way the property sheets do.
  STG_CONTROL_EVENT_ARG Raise(DWORD event, WORD id, uint64_t value = 0) {
    control_ = CONTROL_DESC{};
    control_.controlId = id;
    STG_CONTROL_EVENT_ARG a{&control_, value, 0, 0};
    StgBroadcastModuleEvent(ctx_, event, &a);
    return a;
  }
  CONTROL_DESC control_{};
};

TEST_F(CustomSize, InchModeKeepsTheInchSettingsInStep) {
  InchMode(true);
  Raise(STG_EVENT_VALUE_TYPED, 2683, 1100);  // 11.00 in. typed into the length edit
  EXPECT_EQ(Get(sid::rdmPaperINCHLength), 1100u);
  EXPECT_EQ(Raise(STG_EVENT_SHOW_VALUE, 2682).value, 1100u);
  EXPECT_EQ(Raise(STG_EVENT_SHOW_VALUE2, 2684).value, 1100u);
  Raise(STG_EVENT_SPIN_STORED, 2693, 850);  // the width spin
  EXPECT_EQ(Get(sid::rdmPaperINCHWidth), 850u);
  Raise(STG_EVENT_DOTS_STORED, 2690, 10200);  // 8.50 in. in dots
  EXPECT_EQ(Get(sid::rdmPaperINCHWidth), 850u);
  Raise(STG_EVENT_DOTS_STORED2, 2689, 12000);
  EXPECT_EQ(Get(sid::rdmPaperINCHWidth), 1000u);
  // A spin event for an edit control, an edit event for a spin control and a control of the other
  // dialog change nothing.
  Raise(STG_EVENT_SPIN_STORED, 2689, 1);
  Raise(STG_EVENT_VALUE_TYPED, 2692, 1);
  Raise(STG_EVENT_VALUE_TYPED, 2392, 1);
  EXPECT_EQ(Get(sid::rdmPaperINCHWidth), 1000u);
  EXPECT_EQ(Get(sid::rdmPaperINCHLength), 1100u);
  // Typed 1100 goes to the DEVMODE as 2794 tenths of a millimetre and comes back as 1100.
  EXPECT_EQ(CfgHundredthInchToTenthMm(1100), 2794u);
  EXPECT_EQ(CfgTenthMmToHundredthInch(2794), 1100u);
  DEVMODEW dm{};
  STG_CUSTOM_SIZE_ARG written{&dm, 0};
  StgBroadcastModuleEvent(ctx_, STG_EVENT_CUSTOM_SIZE_WRITTEN, &written);
  EXPECT_EQ(written.handled, 1u);
  EXPECT_EQ(dm.dmPaperLength, 2794);
  EXPECT_EQ(dm.dmPaperWidth, 2540);
  Set(sid::rdmPaperINCHLength, 0);
  STG_CUSTOM_SIZE_ARG taken{&dm, 0};
  StgBroadcastModuleEvent(ctx_, STG_EVENT_CUSTOM_SIZE_TAKEN, &taken);
  EXPECT_EQ(Get(sid::rdmPaperINCHLength), 1100u);
  // A length beyond what the DEVMODE field holds is capped, not wrapped.
  Set(sid::rdmPaperINCHLength, 2000000);
  StgBroadcastModuleEvent(ctx_, STG_EVENT_CUSTOM_SIZE_WRITTEN, &written);
  EXPECT_EQ(dm.dmPaperLength, 32767);
}

TEST_F(CustomSize, AppliedValueRecomputesTheInchSettings) {
  InchMode(true);
  ctx_->dialogInUse = 1041;
  Set(sid::rdmPaperFreeSizeTray, 287);
  Set(sid::rdmPaperFreeSizeOrient, 1);
  StgSetOptionValue(ctx_, sid::rdmPaperFreeSizeLength, 120000);  // 100.00 in.
  StgSetOptionValue(ctx_, sid::rdmPaperFreeSizeWidth, 24000);    // 20.00 in.
  Set(sid::rdmPaperINCHLength, 1);
  Set(sid::rdmPaperINCHWidth, 1);
  Raise(STG_EVENT_VALUE_APPLIED, 2683);
  EXPECT_EQ(Get(sid::rdmPaperINCHLength), 10000u);
  EXPECT_EQ(Get(sid::rdmPaperINCHWidth), 2000u);
  // Outside inch mode the event changes nothing.
  Set(sid::rdmDspUnit, 0);
  Set(sid::rdmPaperINCHLength, 1);
  Raise(STG_EVENT_VALUE_APPLIED, 2683);
  EXPECT_EQ(Get(sid::rdmPaperINCHLength), 1u);
  ctx_->dialogInUse = 0;
}

TEST_F(CustomSize, OutsideInchModeNothingChanges) {
  struct Case {
    const char* what;
    bool inches;
    DWORD inputType;
  };
  const Case cases[] = {{"metric display", false, 1}, {"custom print size", true, 2}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InchMode(k.inches, k.inputType);
    Set(sid::rdmPaperINCHLength, 500);
    Set(sid::rdmPaperINCHWidth, 400);
    Raise(STG_EVENT_VALUE_TYPED, 2682, 1100);
    Raise(STG_EVENT_SPIN_STORED, 2686, 1100);
    Raise(STG_EVENT_DOTS_STORED, 2690, 12000);
    EXPECT_EQ(Raise(STG_EVENT_SHOW_VALUE, 2682).value, 0u);
    DEVMODEW dm{};
    dm.dmPaperLength = 1000;
    STG_CUSTOM_SIZE_ARG a{&dm, 0};
    StgBroadcastModuleEvent(ctx_, STG_EVENT_CUSTOM_SIZE_WRITTEN, &a);
    StgBroadcastModuleEvent(ctx_, STG_EVENT_CUSTOM_SIZE_TAKEN, &a);
    EXPECT_EQ(a.handled, 0u);
    EXPECT_EQ(dm.dmPaperLength, 1000);
    EXPECT_EQ(Get(sid::rdmPaperINCHLength), 500u);
    EXPECT_EQ(Get(sid::rdmPaperINCHWidth), 400u);
    // Event 51 answers in every display mode, for the listed edit controls only.
    EXPECT_EQ(Raise(STG_EVENT_SHOWS_INCHES, 2400).value, 1u);
    EXPECT_EQ(Raise(STG_EVENT_SHOWS_INCHES, 2690).value, 1u);
    EXPECT_EQ(Raise(STG_EVENT_SHOWS_INCHES, 2393).value, 0u);
  }
}

TEST_F(CustomSize, LimitRowsByTrayOrientationAndPlatform) {
  struct Case {
    const char* what;
    DWORD tray, orient;
    int selector;
    bool nine;  // the old consumer platform
    int found;
    LONG max, min;
  };
  const Case cases[] = {
      {"roll portrait length", 287, 1, 1, false, 1, 708660, 13200},
      {"roll portrait width", 287, 1, 0, false, 1, 43200, 9920},
      {"roll landscape (either platform)", 287, 2, 1, false, 1, 43200, 13200},
      {"manual feed", 4, 1, 1, false, 1, 94488, 12140},
      {"no row for the tray", 9, 1, 1, false, 0, -1, -1},
      {"no row for the orientation", 287, 3, 1, false, 0, -1, -1},
      {"NT row passed over for the old platform's row", 287, 1, 1, true, 1, 154770, 13200},
      {"old-platform row never taken on NT", 288, 1, 1, false, 1, 708660, 13200},
      {"a row for both platforms", 288, 2, 0, true, 1, 43200, 13200},
  };
  Set(sid::rdmDspUnit, 0);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ASSERT_EQ(kvp::ProfileSet("PlatformId", k.nine ? "1" : "2"), 0u);
    StgResetPlatformQueryCaches();
    LONG mx = -1, mn = -1;
    EXPECT_EQ(StgGetFreeSizeLimits(ctx_, k.tray, k.orient, &mx, &mn, k.selector), k.found);
    EXPECT_EQ(mx, k.max);
    EXPECT_EQ(mn, k.min);
  }
  kvp::ProfileSet("PlatformId", "2");
  StgResetPlatformQueryCaches();
}

TEST_F(CustomSize, LimitsMoveOnlyInwardOntoTheDisplayGrid) {
  Set(sid::rdmDspUnit, 1);
  LONG mx = 0, mn = 0;
  ASSERT_EQ(StgGetFreeSizeLimits(ctx_, 287, 2, &mx, &mn, 1), 1);
  EXPECT_EQ(mx, 43200);  // exactly 36.00 in.
  // Every row in both units: never outside the row, and a whole number of display units.
  for (DWORD unit : {0u, 1u}) {
    Set(sid::rdmDspUnit, unit);
    for (const FREE_SIZE_ROW* r = StgGetDefaultFreeSizeTable(); r->trayKey; ++r)
      for (int selector : {0, 1}) {
        if (r->osKind == 1) continue;  // rows of the old platform are not taken here
        SCOPED_TRACE(testing::Message() << "unit " << unit << " tray " << r->trayKey << " orient "
                                        << r->orientation << " selector " << selector);
        LONG rowMax = unit ? (selector ? r->inchLengthMax : r->inchWidthMax)
                           : (selector ? r->metricLengthMax : r->metricWidthMax);
        LONG rowMin = unit ? (selector ? r->inchLengthMin : r->inchWidthMin)
                           : (selector ? r->metricLengthMin : r->metricWidthMin);
        if (!StgGetFreeSizeLimits(ctx_, r->trayKey, r->orientation, &mx, &mn, selector)) continue;
        EXPECT_LE(mx, rowMax);
        EXPECT_GE(mn, rowMin);
        EXPECT_LE(StgDisplayUnitsToDots(ctx_, 0, StgDotsToDisplayUnits(ctx_, 0, mx)), mx);
        EXPECT_GE(StgDisplayUnitsToDots(ctx_, 0, StgDotsToDisplayUnits(ctx_, 0, mn)), mn);
      }
  }
}

TEST_F(CustomSize, RangeAnswerFollowsTheDialogInUse) {
  Set(sid::rdmDspUnit, 0);
  Set(sid::wdmFreeSizeTray, 287);
  Set(sid::wdmFreeSizeOrient, 2);
  Set(sid::rdmPaperFreeSizeTray, 287);
  Set(sid::rdmPaperFreeSizeOrient, 1);
  Set(sid::rdmPrintFreeSizeTray, 4);
  Set(sid::rdmPrintFreeSizeOrient, 1);
  struct Case {
    const char* what;
    SHORT dialog;
    DWORD inputType;
    WORD control;
    uint64_t answered, max, min;
  };
  const Case cases[] = {
      {"slot dialog length spin", 1017, 1, 2393, 1, 43200, 13200},
      {"slot dialog width spin", 1017, 1, 2399, 1, 43200, 13200},
      {"input dialog: paper size", 1041, 1, 2686, 1, 708660, 13200},
      {"input dialog: print size", 1041, 2, 2686, 1, 94488, 12140},
      {"another control", 1041, 1, 2017, 0, 0, 0},
      {"another dialog", 1044, 1, 2686, 0, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ctx_->dialogInUse = k.dialog;
    Set(sid::wdmInputFreeSizeType, k.inputType);
    STG_CONTROL_EVENT_ARG a = Raise(STG_EVENT_SPIN_RANGE, k.control);
    EXPECT_EQ(a.answered, k.answered);
    EXPECT_EQ(a.value, k.max);
    EXPECT_EQ(a.value2, k.min);
  }
  // A tray no row covers leaves the record untouched.
  ctx_->dialogInUse = 1017;
  Set(sid::wdmFreeSizeTray, 9);
  EXPECT_EQ(Raise(STG_EVENT_SPIN_RANGE, 2393).answered, 0u);
  ctx_->dialogInUse = 0;
}

TEST_F(CustomSize, PageChangePublishesTheSlotsOnlyWhenTheDialogWasAccepted) {
  DIALOG_DESC* page = StgFindDialog(ctx_, 1017);
  ASSERT_NE(page, nullptr);
  ctx_->work->freeSizeSlots[0].width = 12346;
  for (DWORD accepted : {0u, 1u}) {
    SCOPED_TRACE(accepted);
    ctx_->work->dialogAccepted = accepted;
    STG_CONTROL_EVENT_ARG a{page, 0, 0, 0};
    StgBroadcastModuleEvent(ctx_, STG_EVENT_PAGE_CHANGED, &a);
    EXPECT_EQ(StgGetOptionValue(ctx_, sid::wdmFreeSize1Width, nullptr) == 12346u, accepted == 1);
  }
  // The flag a dialog leaves: 0 for Cancel and No, 1 for any other end.
  for (INT_PTR end : {1, 2, 6, 7}) {
    StgNoteDialogEnd(ctx_, end);
    EXPECT_EQ(ctx_->work->dialogAccepted, end == 2 || end == 7 ? 0u : 1u) << end;
  }
}

}  // namespace
