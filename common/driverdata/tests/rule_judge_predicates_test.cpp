// The judges' vocabulary on a full context of the model printer: trays and automatic selection, feed
// edges, the main and side sources, the sheet orientation, paper lists and families, paper classes and
// the cached setting getters.
#include <gtest/gtest.h>

#include "driverdata/rule_judge_internal.h"
#include "driverdata/tests/judge_test_support.h"

namespace {

using Predicates = judgetest::JudgeContext;

TEST_F(Predicates, AutomaticSelectionSkipsLockedAndUninstalledTrays) {
  V(sid::dmDefaultSource, RULE_TRAY_AUTO);
  Tray(sid::rdmTray1Paper, sid::rdmTrayOrient0, sid::rdmTrayLock0, 8, 0, 1);
  Tray(sid::rdmTray2Paper, sid::rdmTrayOrient1, sid::rdmTrayLock1, 9, 0, 0);
  EXPECT_EQ(RuleSourceHoldsPaper(ctx_, 9, 0), 1);
  EXPECT_EQ(RuleSourceHoldsPaper(ctx_, 9, 1), 0);
  EXPECT_EQ(RuleSourceHoldsPaper(ctx_, 8, 0), 0) << "tray 1 is locked";
  V(sid::rdmTrayLock1, 1);
  EXPECT_EQ(RuleSourceHoldsPaper(ctx_, 9, 0), 0);

  // Cut-sheet tray 2 counts while unlocked.
  Tray(sid::rdmTray16Paper, sid::rdmTrayOrient15, sid::rdmTrayLock15, 3, 1, 1);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_AUTO, 3), 0);
  V(sid::rdmTrayLock15, 0);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_AUTO, 3), 1);
  EXPECT_EQ(RuleTrayHoldsPaperOriented(ctx_, RULE_TRAY_AUTO, 3, 1), 1);

  // The multi-purpose and manual trays count only with their option.
  struct Case {
    WORD paperId, orientId, lockId, option;
  } optional[] = {{sid::rdmTray29PaperMulti, sid::rdmTrayOrient28, sid::rdmTrayLock28, sid::rdmSourceOptionTypeMulti},
                  {sid::rdmTray28PaperManual, sid::rdmTrayOrient27, sid::rdmTrayLock27,
                   sid::rdmSourceOptionTypeManual}};
  for (const Case& k : optional) {
    SCOPED_TRACE(k.paperId);
    Tray(k.paperId, k.orientId, k.lockId, 12);
    EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_AUTO, 12), 0);
    V(k.option, 1);
    EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_AUTO, 12), 1);
    V(k.lockId, 1);
    EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_AUTO, 12), 0);
    V(k.option, 0);
    V(k.lockId, 0);
    V(k.paperId, 0);
  }
  // Tray 5 of this model reads the large-capacity tray's settings and counts without an option, so the
  // large-capacity tray's paper is found with or without rdmSourceOptionTypeLCT1; its lock still counts.
  Tray(sid::rdmTray26PaperLCT1, sid::rdmTrayOrient25, sid::rdmTrayLock25, 12);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_AUTO, 12), 1);
  V(sid::rdmTrayLock25, 1);
  V(sid::rdmSourceOptionTypeLCT1, 1);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_AUTO, 12), 0);
}

TEST_F(Predicates, FeedEdgeMaskOfTheSelectedSource) {
  Tray(sid::rdmTray1Paper, sid::rdmTrayOrient0, sid::rdmTrayLock0, 9, 0);
  Tray(sid::rdmTray2Paper, sid::rdmTrayOrient1, sid::rdmTrayLock1, 9, 1);
  EXPECT_EQ(RuleGetSourceFeedEdges(ctx_, 9), 1u);
  V(sid::dmDefaultSource, RULE_TRAY_2);
  EXPECT_EQ(RuleGetSourceFeedEdges(ctx_, 9), 2u);
  V(sid::dmDefaultSource, RULE_TRAY_AUTO);
  EXPECT_EQ(RuleGetSourceFeedEdges(ctx_, 9), 3u);
  EXPECT_EQ(RuleGetSourceFeedEdges(ctx_, 8), 0u);
  V(sid::rdmTrayLock1, 1);
  EXPECT_EQ(RuleGetSourceFeedEdges(ctx_, 9), 1u);
  V(sid::dmDefaultSource, 5);  // no row
  EXPECT_EQ(RuleGetSourceFeedEdges(ctx_, 9), 0u);
}

TEST_F(Predicates, TrayValuesAndTheirSettings) {
  // Roll 3 compares rdmTray19Paper.
  V(sid::rdmTray19Paper, 529);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_ROLL_3, 529), 1);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_ROLL_4, 529), 0);
  // Tray 4 (value 4): the manual tray with its option, else the multi-purpose tray, else nothing.
  V(sid::rdmTray28PaperManual, 8);
  V(sid::rdmTray29PaperMulti, 9);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_MANUAL, 8), 0);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_MANUAL, 9), 0);
  V(sid::rdmSourceOptionTypeMulti, 1);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_MANUAL, 9), 1);
  V(sid::rdmSourceOptionTypeManual, 1);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_MANUAL, 8), 1);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_MANUAL, 9), 0);
  // Tray 5 reads the large-capacity tray's settings in this model.
  V(sid::rdmTray26PaperLCT1, 14);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_5, 14), 1);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_LCT, 14), 1);
  // The extension tray answers only RuleGetTrayPaper; 7 and values without a row leave the outputs.
  Tray(sid::rdmTray30PaperExt1, sid::rdmTrayOrient29, 0, 5, 1);
  SHORT paper = -7;
  LONG orient = -7;
  RuleGetTrayPaper(ctx_, RULE_TRAY_EXT, &paper, &orient);
  EXPECT_EQ(paper, 5);
  EXPECT_EQ(orient, 1);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_EXT, 5), 0);
  for (WORD none : {WORD(RULE_TRAY_AUTO), WORD(0), WORD(5), WORD(0xFFFF)}) {
    paper = -7;
    orient = -7;
    RuleGetTrayPaper(ctx_, none, &paper, &orient);
    EXPECT_EQ(paper, -7);
    EXPECT_EQ(orient, -7);
    if (none != RULE_TRAY_AUTO) {
      EXPECT_EQ(RuleTrayHoldsPaper(ctx_, none, 0), 0);
    }
  }
  // Paper codes compare by 16 bits: a stored 0xFFFF never equals a negative paper sign-extended.
  V(sid::rdmTray1Paper, 0xFFFF);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_1, 0xFFFF), 1);
  EXPECT_EQ(RuleTrayHoldsPaper(ctx_, RULE_TRAY_1, 9), 0);
}

TEST_F(Predicates, MainAndSideSources) {
  V(sid::dmDefaultSource, RULE_TRAY_AUTO);
  Tray(sid::rdmTray1Paper, sid::rdmTrayOrient0, sid::rdmTrayLock0, 8, 1);
  Tray(sid::rdmTray2Paper, sid::rdmTrayOrient1, sid::rdmTrayLock1, 9, 0);
  // This model has no real automatic selection: 7 is tray 1.
  EXPECT_EQ(RuleSupportsAutoSelect(ctx_), 0);
  EXPECT_EQ(RuleMainSourceHoldsPaper(ctx_, 8, 1), 1);
  EXPECT_EQ(RuleMainSourceHoldsPaper(ctx_, 9, 0), 0);
  EXPECT_EQ(RuleSourceHoldsPaper(ctx_, 9, 0), 1);
  ctx_->model->modelCode = 142;
  EXPECT_EQ(RuleMainSourceHoldsPaper(ctx_, 9, 0), 1);
  ctx_->model->modelCode = 104;

  // Side trays: the cover tray (tray 2 here) against the main source.
  struct Case {
    WORD setting, flag;
  } sides[] = {{sid::rdmCoverInputTray, 836}, {sid::rdmMPInputTray, 837}, {sid::rdmBackCoverInputTray, 838},
               {sid::wdmChapterTray, 839}, {sid::rdmReverseCoverInputTray, 840}};
  for (const Case& k : sides) {
    SCOPED_TRACE(k.flag);
    V(k.setting, RULE_TRAY_2);
    EXPECT_EQ(Flag(k.flag), 0) << "tray 2 holds A4, the main source (tray 1) A3";
    V(sid::rdmTray2Paper, 8);
    V(sid::rdmTrayOrient1, 1);
    EXPECT_EQ(Flag(k.flag), 1);
    V(sid::rdmTrayOrient1, 0);
    EXPECT_EQ(Flag(k.flag), 0) << "same paper, other orientation";
    V(k.setting, 5);  // no row: no paper
    EXPECT_EQ(Flag(k.flag), 0);
    V(sid::rdmTray2Paper, 9);
    V(k.setting, 0);
  }
}

TEST_F(Predicates, SheetOrientation) {
  struct Case {
    DWORD orientation, nup, nupType, duplex, duplexType;
    int landscape;
  } cases[] = {
      {1, 0, 0, 0, 0, 0},    {2, 0, 0, 0, 0, 1},     {1, 1, 4, 0, 0, 1},     {2, 1, 4, 0, 0, 0},
      {1, 1, 18, 0, 0, 1},   {1, 1, 19, 0, 0, 0},    {1, 1, 0, 0, 0, 0},     {1, 1, 19, 1, 17, 1},
      {1, 0, 0, 1, 16, 0},   {2, 0, 0, 1, 17, 0},    {1, 1, 0x10004, 0, 0, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.orientation << " nup " << k.nup << "/" << k.nupType << " duplex "
                                    << k.duplex << "/" << k.duplexType);
    V(sid::dmOrientation, k.orientation);
    V(sid::rdmFuncSelectNup, k.nup);
    V(sid::rdmNUPType, k.nupType);
    V(sid::rdmFuncSelectDuplex, k.duplex);
    V(sid::rdmDuplexType, k.duplexType);
    EXPECT_EQ(RuleIsSheetLandscape(ctx_), k.landscape);
  }
}

TEST_F(Predicates, PaperListsAndFamilies) {
  struct Case {
    BYTE family;
    DWORD paper;
    int inList, inExtended, punchable;
  } cases[] = {
      {FIN_DOM, 5, 1, 1, 0},     // Legal stands twice in the Dom list
      {FIN_DOM, 11, 0, 1, 0},    // A5 and Statement widen the Dom list without the family
      {FIN_DOM, 6, 0, 1, 0},     {FIN_4, 11, 0, 0, 1},  {FIN_4, 6, 0, 0, 1}, {FIN_1, 11, 0, 1, 0},
      {FIN_1, 6, 0, 0, 0},       // Statement only with the family installed
      {FIN_23, 93, 1, 1, 0},     {FIN_TYPE14, 512, 0, 0, 1}, {FIN_TYPE15, 512, 1, 1, 1},
      {FIN_BF, 13, 0, 0, 1},     {FIN_1, 256, 0, 0, 1},
      {FIN_1, 0xFFF7, 0, 0, 1},  // bit 15 set: in no list
      {FIN_1, 0x10009, 1, 1, 0}, // codes are 16-bit
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << int(k.family) << " " << k.paper);
    EXPECT_EQ(RuleIsFinisherPaper(ctx_, k.family, k.paper, 0), k.inList);
    EXPECT_EQ(RuleIsFinisherPaper(ctx_, k.family, k.paper, 1), k.inExtended);
    EXPECT_EQ(RuleIsPunchablePaper(ctx_, k.family, k.paper), k.punchable);
  }
  EXPECT_EQ(RuleIsLargePaper(ctx_, 512), 1);
  EXPECT_EQ(RuleIsLargePaper(ctx_, 9), 0);

  // Families are installed by any member; members shared by two families install both.
  for (BYTE f = FIN_23; f < FIN_FAMILY_COUNT; ++f) EXPECT_EQ(RuleHasFinisher(ctx_, f), 0) << int(f);
  V(sid::rdmOutputOption2TypeFIN2EU, 1);
  EXPECT_EQ(RuleHasFinisher(ctx_, FIN_2), 1);
  EXPECT_EQ(RuleHasFinisher(ctx_, FIN_50), 1);
  EXPECT_EQ(RuleHasFinisher(ctx_, FIN_1), 0);
  EXPECT_EQ(RuleIsFinisherPaper(ctx_, FIN_1, 6, 1), 0);
  EXPECT_EQ(RuleIsFinisherPaper(ctx_, FIN_2, 6, 1), 1);
  V(sid::rdmOutputOption2TypeFIN2EU, 0);
  V(sid::rdmOutputOption2TypeFin3000NoPunch, 1);
  EXPECT_EQ(RuleHasFinisher(ctx_, FIN_23), 1);
  EXPECT_EQ(RuleIsFinisherPaper(ctx_, FIN_23, 6, 1), 0) << "Statement needs the Fin2000 group";
  V(sid::rdmOutputOptionTypeFin2000EU, 1);
  EXPECT_EQ(RuleIsFinisherPaper(ctx_, FIN_23, 6, 1), 1);
  EXPECT_EQ(RuleHasFinisher(ctx_, FIN_NONE), 0);
  EXPECT_EQ(RuleHasFinisher(ctx_, 200), 0);
  EXPECT_EQ(RuleIsFinisherPaper(ctx_, 200, 9, 1), 0);

  // Other models: 146 drops 517 and 93 from the Type14 and Type15 lists; 158 builds Fin2 of FIN4 options.
  ctx_->model->modelCode = 146;
  EXPECT_EQ(RuleIsFinisherPaper(ctx_, FIN_TYPE14, 517, 0), 0);
  EXPECT_EQ(RuleIsFinisherPaper(ctx_, FIN_TYPE15, 93, 0), 0);
  ctx_->model->modelCode = 158;
  V(sid::rdmOutputOption2TypeFIN4EU, 1);
  EXPECT_EQ(RuleHasFinisher(ctx_, FIN_2), 1);
  ctx_->model->modelCode = 104;
}

TEST_F(Predicates, FreeSizesAndManualFeed) {
  for (DWORD p : {256u, 384u, 393u, 448u, 449u, 0x10100u}) EXPECT_EQ(RuleIsFreeSizePaper(ctx_, p), 1) << p;
  for (DWORD p : {255u, 383u, 394u, 447u, 450u, 9u}) EXPECT_EQ(RuleIsFreeSizePaper(ctx_, p), 0) << p;
  for (DWORD p : {384u, 393u, 449u}) EXPECT_EQ(RuleIsUserFreeSizePaper(ctx_, p), 1) << p;
  for (DWORD p : {256u, 448u, 394u}) EXPECT_EQ(RuleIsUserFreeSizePaper(ctx_, p), 0) << p;
  V(sid::wdmFreeSizeTray, 4);
  V(sid::rdmPaperFreeSizeTray, 4);
  EXPECT_EQ(RuleIsFreeSizeManualFeed(ctx_), 1);
  EXPECT_EQ(RuleIsPaperFreeSizeManualFeed(ctx_), 1);
  EXPECT_EQ(RuleIsPrintFreeSizeManualFeed(ctx_), 0);
}

// This model's machine has no class table: every class flag is 0. Another machine's table answers.
TEST_F(Predicates, PaperClassesAndTheManualTray) {
  Paper(8);
  for (WORD id : {842, 843, 844, 845, 846}) EXPECT_EQ(Flag(id), 0) << id;
  EXPECT_EQ(RuleGetPaperClass(ctx_, 8), 0);

  V(sid::rdmMachineID, 158);
  EXPECT_EQ(RuleGetPaperClass(ctx_, 8), 1);
  EXPECT_EQ(RuleGetPaperClass(ctx_, 9), 2);
  EXPECT_EQ(RuleGetPaperClass(ctx_, 390), 3);
  EXPECT_EQ(RuleGetPaperClass(ctx_, 512), 0);
  EXPECT_EQ(Flag(842), 1);
  V(sid::rdmMachineID, 162);
  EXPECT_EQ(RuleGetPaperClass(ctx_, 512), 1) << "the first row of A3 wide wins";
  // Class 1 paper, portrait sheet: the manual tray helps when a class tray holds the paper.
  Tray(sid::rdmTray2Paper, sid::rdmTrayOrient1, sid::rdmTrayLock1, 8, 0);
  EXPECT_EQ(Flag(846), 1);
  EXPECT_EQ(Flag(845), 0);
  V(sid::dmDefaultSource, RULE_TRAY_MANUAL);
  EXPECT_EQ(RuleIsManualTrayFree(ctx_), 0);
  EXPECT_EQ(Flag(846), 0);
  V(sid::dmDefaultSource, 1);
  V(sid::rdmFuncSelectChapter, 1);
  V(sid::wdmChapterUseTray5, 4);
  EXPECT_EQ(RuleChapterUsesManualTray(ctx_), 1);
  EXPECT_EQ(RuleIsManualTrayFree(ctx_), 0);
  V(sid::rdmFuncSelectChapter, 0);
  EXPECT_EQ(RuleIsManualTrayFree(ctx_), 1);
  V(sid::rdmFuncSelectCover, 1);
  V(sid::rdmCoverInputTray, 4);
  EXPECT_EQ(RuleIsManualTrayFree(ctx_), 0);
}

// The getters keep the row found at the first read; an empty slot is filled again.
TEST_F(Predicates, GetterSlotsFillOnFirstRead) {
  ITEM_DESC*& slot = ctx_->work->rowCache[rule_judge::C(sid::dmOrientation).slot];
  slot = nullptr;
  EXPECT_EQ(RuleIsSheetLandscape(ctx_), 0);
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(slot, StgFindItem(ctx_, sid::dmOrientation));
  V(sid::dmOrientation, 2);
  EXPECT_EQ(RuleIsSheetLandscape(ctx_), 1) << "a cached row still reads the current value";
}

}  // namespace
