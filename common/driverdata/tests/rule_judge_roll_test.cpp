// Roll, folding and page-limit judges on a full context of the model printer: what rolls and cut-sheet
// trays supply, folding, the page-fit tests, the forced print quality with and without the resolution
// lock, flag 835 leaving the settings as they were, and the model's own rules that read these flags.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "settings/model_tables.h"
#include "driverdata/tests/judge_test_support.h"

namespace {

using Roll = judgetest::JudgeContext;

TEST_F(Roll, SupplyFromRollsAndCutSheetTrays) {
  struct Case {
    const char* what;
    WORD source;
    DWORD roll1, cut1, paper;
    int f782, f767, f743, f784;
  } cases[] = {
      {"A3 roll, A4 paper", RULE_ROLL_1, 527, 0, 9, 1, 0, 0, 0},
      {"A3 roll, A3 paper", RULE_ROLL_1, 527, 0, 8, 1, 1, 1, 0},
      {"B3 roll, B4 paper", RULE_ROLL_1, 528, 0, 12, 1, 0, 0, 0},
      {"user free-size roll, custom paper", RULE_ROLL_1, 384, 0, 256, 1, 1, 1, 0},
      {"user free-size roll, A4", RULE_ROLL_1, 384, 0, 9, 0, 0, 1, 0},
      {"unknown roll code, A4", RULE_ROLL_1, 600, 0, 9, 0, 0, 0, 0},
      {"unknown roll code, paper outside the table", RULE_ROLL_1, 600, 0, 43, 0, 0, 0, 0},
      {"36-inch roll, 24x36", RULE_ROLL_1, 562, 0, 545, 1, 1, 1, 0},
      {"tray 1 supplies everything for 743", RULE_TRAY_1, 527, 0, 9, 1, 0, 1, 0},
      {"cut-sheet tray holding A4", RULE_CUT_SHEET_1, 0, 9, 9, 0, 1, 1, 1},
      {"cut-sheet tray holding A3, A4 asked", RULE_CUT_SHEET_1, 0, 8, 9, 0, 0, 0, 0},
      {"cut-sheet tray with a user size", RULE_CUT_SHEET_1, 0, 390, 9, 0, 0, 1, 0},
      {"cut-sheet tray, custom paper", RULE_CUT_SHEET_1, 0, 8, 448, 0, 0, 1, 0},
      {"cut-sheet tray, A2 refused", RULE_CUT_SHEET_1, 0, 66, 66, 0, 1, 0, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    V(sid::dmDefaultSource, k.source);
    V(sid::rdmTray17Paper, k.roll1);
    V(sid::rdmTray15Paper, k.cut1);
    Paper(k.paper);
    EXPECT_EQ(Flag(782), k.f782);
    EXPECT_EQ(Flag(767), k.f767);
    EXPECT_EQ(Flag(743), k.f743);
    EXPECT_EQ(Flag(784), k.f784);
  }
  // 744 and 745 ask for dmPaperSize and rdmOutPaperSize themselves.
  V(sid::dmDefaultSource, RULE_ROLL_1);
  V(sid::rdmTray17Paper, 527);
  V(sid::dmPaperSize, 8);
  V(sid::rdmOutPaperSize, 9);
  EXPECT_EQ(Flag(744), 1);
  EXPECT_EQ(Flag(745), 0);
}

TEST_F(Roll, Folding) {
  struct Case {
    const char* what;
    DWORD folder, fan, type, longFan;
    WORD source;
    DWORD roll, paper;
    int f766, f768, f769;
  } cases[] = {
      {"folder, type 0, A4", 1, 0, 0, 0, RULE_ROLL_1, 538, 9, 0, 0, 0},
      {"folder, type 0, A1", 1, 0, 0, 0, RULE_ROLL_1, 533, 268, 1, 1, 1},
      {"folder, type 0, A0 roll, A0", 1, 0, 0, 0, RULE_ROLL_1, 538, 267, 1, 1, 1},
      {"no unit, type 2", 0, 0, 2, 0, RULE_ROLL_1, 538, 267, 0, 0, 0},
      {"folder, type 5, long fan 3", 1, 0, 5, 3, RULE_ROLL_1, 538, 267, 0, 0, 0},
      {"folder, type 5, long fan 8", 1, 0, 5, 8, RULE_ROLL_1, 538, 267, 1, 1, 0},
      {"fan, type 5, roll 529 with A3", 0, 1, 5, 0, RULE_ROLL_1, 529, 8, 0, 0, 0},
      {"fan, type 5, roll 529 with A2", 0, 1, 5, 0, RULE_ROLL_1, 529, 66, 1, 0, 0},
      {"fan, type 8", 0, 1, 8, 0, RULE_ROLL_1, 525, 9, 1, 0, 0},
      {"type 8 from the A4 roll", 1, 0, 8, 0, RULE_ROLL_1, 525, 9, 1, 0, 1},
      {"type 6, A3 roll, A3", 0, 0, 6, 0, RULE_ROLL_1, 527, 8, 0, 1, 1},
      {"type 0, A3 roll, A3", 0, 0, 0, 0, RULE_ROLL_1, 527, 8, 0, 0, 1},
      {"type 4", 1, 0, 4, 0, RULE_ROLL_1, 529, 8, 1, 0, 0},
      {"source tray 1", 1, 0, 0, 0, RULE_TRAY_1, 538, 8, 1, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    V(sid::rdmOutputOption3TypeFoldingFolder, k.folder);
    V(sid::rdmOutputOption3TypeFoldingFan, k.fan);
    V(sid::rdmFoldingType, k.type);
    V(sid::rdmFoldingLongFanType, k.longFan);
    V(sid::dmDefaultSource, k.source);
    V(sid::rdmTray17Paper, k.roll);
    Paper(k.paper);
    EXPECT_EQ(Flag(766), k.f766);
    EXPECT_EQ(Flag(768), k.f768);
    EXPECT_EQ(Flag(769), k.f769);
  }
  // The cut-sheet forms and the fan-fold sources.
  V(sid::rdmTray15Paper, 8);
  V(sid::rdmTray16Paper, 9);
  Paper(8);
  EXPECT_EQ(RuleFoldFitsType6(ctx_, RULE_CUT_SHEET_1), 1);
  EXPECT_EQ(RuleFoldFitsType0B(ctx_, RULE_CUT_SHEET_2), 0);
  EXPECT_EQ(RuleFoldFitsType8(ctx_, RULE_CUT_SHEET_2), 0);
  EXPECT_EQ(RuleFoldFitsType5(ctx_, RULE_CUT_SHEET_1), 0);
  Paper(390);
  EXPECT_EQ(RuleFoldFitsType5(ctx_, RULE_CUT_SHEET_1), 1);
  EXPECT_EQ(RuleFoldFitsType5(ctx_, RULE_TRAY_1), 0);
  V(sid::rdmTray18Paper, 529);
  Paper(8);
  EXPECT_EQ(RuleFoldFitsType4B(ctx_, RULE_ROLL_1), 0);
  EXPECT_EQ(RuleFoldFitsType4B(ctx_, RULE_ROLL_2), 0) << "roll 2 answers as roll 1";
  V(sid::dmDefaultSource, RULE_CUT_SHEET_1);
  Paper(9);
  V(sid::rdmTray15Paper, 9);
  EXPECT_EQ(RuleIsFanFoldSource(ctx_), 0);
  V(sid::rdmTray15Paper, 8);
  EXPECT_EQ(RuleIsFanFoldSource(ctx_), 1);
  V(sid::dmDefaultSource, RULE_CUT_SHEET_2);
  EXPECT_EQ(RuleIsFanFoldSource(ctx_), 0);
}

TEST_F(Roll, PageFitTests) {
  struct Case {
    const char* what;
    DWORD w, h, scaleOn, scaleType, scaleH, scaleV, nupOn, nupKind, nupType;
    int fits;
  } cases[] = {
      {"poster 0x8001, width the longer", 20000, 15000, 0, 0, 0, 0, 1, 9, 0x8001, 1},
      {"poster 0x8001, equal sides", 16000, 16000, 0, 0, 0, 0, 1, 9, 0x8001, 0},
      {"poster 0x8002 doubles both", 15000, 15000, 0, 0, 0, 0, 1, 9, 0x8002, 1},
      {"poster 0x8003 triples both", 15000, 10000, 0, 0, 0, 0, 1, 9, 0x8003, 0},
      {"poster needs kind 9", 16000, 16000, 0, 0, 0, 0, 1, 3, 0x8001, 1},
      {"scale 200 both", 15354, 15000, 1, 1, 200, 50, 0, 0, 0, 1},
      {"scale 200 width, 300 length", 15000, 15000, 1, 0, 200, 300, 0, 0, 0, 0},
      {"scale type 2 is not scaling", 40000, 100, 1, 2, 10, 10, 0, 0, 0, 0},
      {"huge factor does not overflow", 0x7FFFFFFF, 1, 1, 1, 65535, 0, 0, 0, 0, 0},
      {"huge poster does not overflow", 0x7FFFFFFF, 0x7FFFFFFF, 0, 0, 0, 0, 1, 9, 0xFFFF, 0},
      {"negative source dots", 0xFFFFFFFF, 100, 0, 0, 0, 0, 0, 0, 0, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    V(sid::rdmSrcPaperWidthDot, k.w);
    V(sid::rdmSrcPaperLengthDot, k.h);
    V(sid::rdmFuncSelectScale, k.scaleOn);
    V(sid::rdmScaleType, k.scaleType);
    V(sid::rdmScaleH, k.scaleH);
    V(sid::rdmScaleV, k.scaleV);
    V(sid::rdmFuncSelectNup, k.nupOn);
    V(sid::rdmNUPPOSTKind, k.nupKind);
    V(sid::rdmNUPType, k.nupType);
    EXPECT_EQ(RuleScaledPageFitsDots(ctx_), k.fits);
  }
  V(sid::rdmDstPaperWidthDot, 30708);
  V(sid::rdmDstPaperLengthDot, 30708);
  EXPECT_EQ(RuleDstPageFitsDots(ctx_), 1);
  V(sid::rdmDstPaperLengthDot, 30709);
  EXPECT_EQ(RuleDstPageFitsDots(ctx_), 0);
  EXPECT_EQ(RuleDstPageFitsWideDots(ctx_), 1);
  V(sid::rdmDstPaperLengthDot, 32125);
  EXPECT_EQ(RuleDstPageFitsWideDots(ctx_), 0);
  V(sid::rdmSrcPaperWidthDot, 32124);
  V(sid::rdmSrcPaperLengthDot, 32124);
  EXPECT_EQ(RuleSrcPageFitsWideDots(ctx_), 1);
}

class Quality : public Roll {
 protected:
  // A page that fits at 600 dpi only: destination one dot over the limit.
  void LargePage(DWORD quality, DWORD loadShare = 3) {
    V(sid::dmPrintQuality, quality);
    V(sid::rdmLoadShare, loadShare);
    V(sid::rdmDstPaperWidthDot, 30709);
    V(sid::rdmDstPaperLengthDot, 100);
    V(sid::rdmSrcPaperWidthDot, 100);
    V(sid::rdmSrcPaperLengthDot, 100);
    V(sid::rdmFuncSelectScale, 0);
  }
  void LockTo1200() {
    V(sid::rdmLock000InfoBitResolution, 1);
    V(sid::rdmLockDstResolutionBoth, 4);  // resolution code 4: 1200 x 1200
  }
};

TEST(ResolutionTable, RowsByCode) {
  EXPECT_EQ(ImgFindResolutionRow(0), nullptr);
  EXPECT_EQ(ImgFindResolutionRow(7), nullptr);
  EXPECT_EQ(ImgFindResolutionRow(0x10004), nullptr);
  struct Case {
    DWORD code, dpi;
  } cases[] = {{6, 200}, {4, 1200}, {5, 2400}, {17, 600}, {33, 150}, {37, 1200}, {20, 600}};
  for (const Case& k : cases) {
    const RESOLUTION_ROW* row = ImgFindResolutionRow(k.code);
    ASSERT_NE(row, nullptr) << k.code;
    EXPECT_EQ(row->xDpi, k.dpi);
    EXPECT_EQ(row->yDpi, k.dpi);
  }
}

TEST_F(Quality, ForcedQualityWithoutALock) {
  struct Case {
    const char* what;
    DWORD quality, loadShare, outPaper, dstW, srcW;
    DWORD forced;
  } cases[] = {
      {"600 always fits", 600, 3, 9, 99999, 99999, 0},
      {"1200, load share 3, one dot over", 1200, 3, 9, 30709, 0, 600},
      {"1200, load share 3, at the limit", 1200, 3, 9, 30708, 0, 0},
      {"1200, load share 0: the wide limit", 1200, 0, 9, 30709, 0, 0},
      {"1200, load share 0 over the wide limit", 1200, 0, 9, 32125, 0, 600},
      {"1200, load share 1, output as source: the source decides", 1200, 1, 1024, 32125, 100, 0},
      {"1200, load share 0x102 counts its low byte", 1200, 0x102, 9, 32125, 0, 600},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    V(sid::dmPrintQuality, k.quality);
    V(sid::rdmLoadShare, k.loadShare);
    V(sid::rdmOutPaperSize, k.outPaper);
    V(sid::rdmDstPaperWidthDot, k.dstW);
    V(sid::rdmDstPaperLengthDot, 100);
    V(sid::rdmFuncSelectScale, 0);
    V(sid::rdmSrcPaperWidthDot, k.srcW);
    V(sid::rdmSrcPaperLengthDot, k.srcW);
    EXPECT_EQ(RuleGetForcedQuality(ctx_, 0), k.forced);
    EXPECT_EQ(RuleGetForcedQualityStrict(ctx_, 0), k.forced);
    EXPECT_EQ(R(sid::dmPrintQuality), k.quality) << "without a lock the quality stays";
  }
}

TEST_F(Quality, ForcedQualityUnderTheResolutionLock) {
  struct Case {
    DWORD before;
    int strict;
    DWORD forced;
  } cases[] = {{600, 0, 0}, {600, 1, 0}, {1200, 0, 600}, {1200, 1, 600}, {300, 1, 0}, {300, 0, 600}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.before << (k.strict ? " strict" : ""));
    LargePage(k.before);
    LockTo1200();
    EXPECT_EQ(k.strict ? RuleGetForcedQualityStrict(ctx_, 0) : RuleGetForcedQuality(ctx_, 0), k.forced);
    EXPECT_EQ(R(sid::dmPrintQuality), 1200u) << "the lock's resolution stays written";
  }
  // A locked code without a row counts as no lock.
  LargePage(600);
  V(sid::rdmLockDstResolutionBoth, 99);
  EXPECT_EQ(RuleGetForcedQuality(ctx_, 0), 0u);
  EXPECT_EQ(R(sid::dmPrintQuality), 600u);
  // Mode 1 locks rdmDstResolutionW instead.
  LargePage(1200);
  LockTo1200();
  V(sid::rdmDstResolutionW, 600);
  EXPECT_EQ(RuleGetForcedQualityStrict(ctx_, 1), 0u);
  EXPECT_EQ(R(sid::rdmDstResolutionW), 1200u);
  EXPECT_EQ(R(sid::dmPrintQuality), 1200u);
}

// Flag 835 is computed on the settings as they stand and leaves every setting, change mark and the
// store-modified flag as they were, lock or no lock.
TEST_F(Quality, Flag835ChangesNoSetting) {
  struct Case {
    bool lock;
    DWORD quality, dst;
    int flag;
  } cases[] = {{false, 1200, 30709, 0}, {false, 1200, 100, 1}, {false, 600, 30709, 1},
               {true, 1200, 30709, 1},  {true, 1200, 100, 1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.lock << " " << k.quality << " " << k.dst);
    LargePage(k.quality);
    V(sid::rdmDstPaperWidthDot, k.dst);
    // The check takes its resolution from the destination setting (under the lock: the lock's).
    V(sid::rdmDstResolutionW, k.lock ? 600 : k.quality);
    V(sid::rdmLock000InfoBitResolution, k.lock ? 1 : 0);
    V(sid::rdmLockDstResolutionBoth, k.lock ? 4 : 0);
    ctx_->work->storeModified = 0;
    for (int i = 0; i < ctx_->dictionary->count; ++i) ctx_->dictionary->rows[i].flags &= ~uint64_t(STG_FLAG_CHANGE_MASK);
    const SETTING_STORE before = *ctx_->store;
    EXPECT_EQ(Flag(835), k.flag);
    EXPECT_EQ(std::memcmp(&before, ctx_->store, sizeof before), 0);
    EXPECT_EQ(ctx_->work->storeModified, 0u);
    for (int i = 0; i < ctx_->dictionary->count; ++i)
      ASSERT_EQ(ctx_->dictionary->rows[i].flags & STG_FLAG_CHANGE_MASK, 0u) << ctx_->dictionary->rows[i].id;
  }
}

// ---- the model's own rules ------------------------------------------------------------------------------

// The paper alert "print size illegal" used to fire whatever the source; now only when the source
// cannot supply the paper.
TEST_F(Roll, ModelPaperAlertFiresOnlyWhenTheSourceLacksThePaper) {
  IMG_REF node = ImgFindNode(ctx_, sid::dmPaperSize);
  ASSERT_NE(node, 0u);
  const WORD alert = Key("QDV_PrintSizeIllegalMessage");
  Paper(9);
  EXPECT_EQ(RuleGetAlert(ctx_, node), 0) << "tray 1 supplies every paper";
  V(sid::dmDefaultSource, RULE_ROLL_1);
  V(sid::rdmTray17Paper, 527);
  EXPECT_EQ(RuleGetAlert(ctx_, node), alert) << "the A3 roll cannot supply A4";
  V(sid::rdmTray17Paper, 525);
  EXPECT_EQ(RuleGetAlert(ctx_, node), 0);
}

TEST_F(Roll, ModelFoldingAlertAndSecondConditions) {
  const WORD foldKey = Key("QDV_RADIOLIST_34");
  IMG_REF foldNode = ImgFindNode(ctx_, sid::rdmFoldingType);
  ASSERT_NE(foldNode, 0u);
  const WORD alert = Key("QDV_FoldingNotSupportMessage");
  V(sid::rdmOutputOption3TypeFoldingFolder, 1);
  V(sid::rdmFoldingType, 0);
  Paper(268);
  EXPECT_EQ(RuleGetAlert(ctx_, foldNode), 0);
  Paper(9);
  EXPECT_EQ(RuleGetAlert(ctx_, foldNode), alert);

  // Folding size unfit (767) is the folding feature's second condition.
  V(sid::dmDefaultSource, RULE_ROLL_1);
  V(sid::rdmTray17Paper, 525);
  EXPECT_EQ(RuleEvalSecondByKey(ctx_, foldKey, 0), 0);
  V(sid::rdmTray17Paper, 527);
  EXPECT_EQ(RuleEvalSecondByKey(ctx_, foldKey, 0), 1);

  // The rolls' second conditions: a roll that cannot supply P is shown as a warning.
  const WORD sourceKey = Key("QDV_IDC_PRESET_CHOICE_SOURCETRAY");
  const WORD roll1 = Val("IDS_SOURCE_ROLL1"), roll2 = Val("IDS_SOURCE_ROLL2");
  V(sid::rdmTray17Paper, 533);
  V(sid::rdmTray18Paper, 525);
  Paper(268);
  EXPECT_EQ(RuleEvalSecondByKey(ctx_, sourceKey, roll1), 0);
  EXPECT_EQ(RuleEvalSecondByKey(ctx_, sourceKey, roll2), 1);
}

}  // namespace
