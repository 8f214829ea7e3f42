// The judges behind the computed flags and the predicates they are built from: trays and their papers,
// the printed sheet's orientation, the finisher families with their paper lists, the staple and punch
// positions a finisher can make, the feed edge they need, what a roll or cut-sheet tray can supply,
// folding, custom-size length limits and the print quality that has to be forced for a page to fit.
//
// Every predicate takes the settings context and answers 1 or 0 unless its comment says otherwise; a
// setting missing from the dictionary reads as 0, a tray value without a row holds no paper. Paper
// codes compare by their low 16 bits. Nothing here writes a setting except the forced-quality
// computation (see RuleComputeForcedQuality).
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// ---- model switches -----------------------------------------------------------------------------------

// The model code of the context's model block (104 in this model; 0 without a model block).
DWORD RuleGetModelCode(SETTING_CONTEXT* ctx);
// 1 when a selected source of 7 (automatic selection) is a real automatic selection rather than tray 1.
int RuleSupportsAutoSelect(SETTING_CONTEXT* ctx);

// ---- trays ---------------------------------------------------------------------------------------------

// Tray values (dmDefaultSource codes).
enum : WORD {
  RULE_TRAY_1 = 1,
  RULE_TRAY_3 = 2,
  RULE_TRAY_2 = 3,
  RULE_TRAY_MANUAL = 4,
  RULE_TRAY_AUTO = 7,
  RULE_TRAY_LCT = 11,
  RULE_TRAY_4 = 256,
  RULE_TRAY_5 = 261,
  RULE_TRAY_6 = 262,
  RULE_TRAY_7 = 263,
  RULE_TRAY_EXT = 286,
  RULE_ROLL_1 = 287,
  RULE_ROLL_2 = 288,
  RULE_ROLL_3 = 289,
  RULE_ROLL_4 = 290,
  RULE_CUT_SHEET_1 = 295,
  RULE_CUT_SHEET_2 = 296,
};

// Fills paper and orientation bit of a tray (286 included); leaves both untouched for a value without a
// row, 7 included. Either output may be null.
void RuleGetTrayPaper(SETTING_CONTEXT* ctx, WORD tray, SHORT* paper, LONG* orientation);
// 1 when the tray holds the paper with that orientation bit; for 7 when any counting unlocked tray does.
int RuleTrayHoldsPaperOriented(SETTING_CONTEXT* ctx, WORD tray, DWORD paper, DWORD orientation);
// The same without the orientation test.
int RuleTrayHoldsPaper(SETTING_CONTEXT* ctx, WORD tray, DWORD paper);
// Feed-edge mask of the selected source for the paper (low 16 bits): 1 fed short edge first, 2 long edge
// first; for 7 the OR over every counting unlocked tray.
DWORD RuleGetSourceFeedEdges(SETTING_CONTEXT* ctx, DWORD paper);
// RuleTrayHoldsPaperOriented for the selected source.
int RuleSourceHoldsPaper(SETTING_CONTEXT* ctx, DWORD paper, DWORD orientation);
// The same, with a selected 7 standing for tray 1 unless RuleSupportsAutoSelect.
int RuleMainSourceHoldsPaper(SETTING_CONTEXT* ctx, DWORD paper, DWORD orientation);
// 1 when the tray named by the side-tray setting (rdmCoverInputTray, rdmMPInputTray,
// rdmBackCoverInputTray, wdmChapterTray, rdmReverseCoverInputTray) holds what the main source holds.
int RuleSideTrayMatchesSource(SETTING_CONTEXT* ctx, WORD traySettingId);

// ---- sheet and papers ------------------------------------------------------------------------------------

// 1 when the printed sheet lies landscape (n-up and duplex booklet layouts turn the sheet).
int RuleIsSheetLandscape(SETTING_CONTEXT* ctx);
// 256, 384-393, 448 and 449.
int RuleIsFreeSizePaper(SETTING_CONTEXT* ctx, DWORD paper);
// 384-393 and 449.
int RuleIsUserFreeSizePaper(SETTING_CONTEXT* ctx, DWORD paper);
int RuleIsLargePaper(SETTING_CONTEXT* ctx, DWORD paper);
// The custom-size dialogs' tray settings name the manual tray (4).
int RuleIsFreeSizeManualFeed(SETTING_CONTEXT* ctx);
int RuleIsPaperFreeSizeManualFeed(SETTING_CONTEXT* ctx);
int RuleIsPrintFreeSizeManualFeed(SETTING_CONTEXT* ctx);

// ---- finisher families ---------------------------------------------------------------------------------

// In the order in which the first installed family decides the feed edge.
enum FINISHER_FAMILY : BYTE {
  FIN_NONE = 0,
  FIN_23,
  FIN_1000,
  FIN_BF,
  FIN_TYPE14,
  FIN_TYPE15,
  FIN_1,
  FIN_2,
  FIN_50,
  FIN_100,
  FIN_4,
  FIN_DOM,
  FIN_FAMILY_COUNT
};

// 1 when any output-option member of the family is on.
int RuleHasFinisher(SETTING_CONTEXT* ctx, BYTE family);
// 1 when the paper is in the family's list (extended 0) or its extended list (extended 1).
int RuleIsFinisherPaper(SETTING_CONTEXT* ctx, BYTE family, DWORD paper, int extended);
// 1 when the paper is not in the family's punch exclusion list (1 for a family without one).
int RuleIsPunchablePaper(SETTING_CONTEXT* ctx, BYTE family, DWORD paper);

// Roles of a family's flags (output paper P, selected source).
int RuleFinisherPortSet(SETTING_CONTEXT* ctx, BYTE family);
int RuleFinisherLandSet(SETTING_CONTEXT* ctx, BYTE family);
int RuleFinisherInList(SETTING_CONTEXT* ctx, BYTE family);
int RuleFinisherInExtendedList(SETTING_CONTEXT* ctx, BYTE family);
int RuleFinisherPunchable(SETTING_CONTEXT* ctx, BYTE family);
// 1 when the family can make the stored staple (rdmStapleType) / punch (rdmPunchType) position.
int RuleStaplePosition(SETTING_CONTEXT* ctx, BYTE family);
int RulePunchPosition(SETTING_CONTEXT* ctx, BYTE family);
// The FinBF flags 787-791: the paper and the orientation the selected source feeds it with.
int RuleJudge787(SETTING_CONTEXT* ctx);
int RuleJudge788(SETTING_CONTEXT* ctx);
int RuleJudge789(SETTING_CONTEXT* ctx);
int RuleJudge790(SETTING_CONTEXT* ctx);
int RuleJudge791(SETTING_CONTEXT* ctx);

// Feed edge the current punch or staple position needs (low 16 bits): 0 none derivable, 1 short edge,
// 2 long edge, 3 either.
DWORD RuleGetFeedEdge(SETTING_CONTEXT* ctx);
int RuleNeedsShortEdgeFeed(SETTING_CONTEXT* ctx);
int RuleNeedsLongEdgeFeed(SETTING_CONTEXT* ctx);

// ---- paper classes (machines with a class table; none in this model) ------------------------------------

// Class 1-3 of the paper in the table of the stored rdmMachineID; 0 when the paper or the table is missing.
int RuleGetPaperClass(SETTING_CONTEXT* ctx, DWORD paper);
int RuleIsOutputPaperClass(SETTING_CONTEXT* ctx, BYTE paperClass);
int RuleClassTrayHoldsPaper(SETTING_CONTEXT* ctx, DWORD paper, LONG orientation);
int RuleClassTrayHasClass(SETTING_CONTEXT* ctx, BYTE paperClass, LONG orientation);
int RuleIsManualTrayFree(SETTING_CONTEXT* ctx);
int RuleChapterUsesManualTray(SETTING_CONTEXT* ctx);
int RuleCanUseManualForClass(SETTING_CONTEXT* ctx, LONG orientation);

// ---- rolls, cut-sheet trays and folding ------------------------------------------------------------------

// 1 when the tray (287, 288 rolls; 295, 296 cut-sheet trays) can supply the paper (wide roll table).
int RuleRollSuppliesPaper(SETTING_CONTEXT* ctx, WORD tray, DWORD paper);
// Flag 767: the selected roll or cut-sheet tray supplies P (narrow roll table).
int RuleJudge767(SETTING_CONTEXT* ctx);
// Flags 743-745: the selected source supplies P (which 0), dmPaperSize (1) or rdmOutPaperSize (2); a
// source that is no roll or cut-sheet tray supplies every paper.
int RuleSourceSuppliesPaper(SETTING_CONTEXT* ctx, int which);
// Flag 766: folding is possible for P with the installed unit and rdmFoldingType.
int RuleJudge766(SETTING_CONTEXT* ctx);
// Flags 768 and 769: corner and punch folding from the selected roll or cut-sheet tray.
int RuleJudge768(SETTING_CONTEXT* ctx);
int RuleJudge769(SETTING_CONTEXT* ctx);
int RuleIsFanFoldSource(SETTING_CONTEXT* ctx);
// Fold-type tests of a source (tray value).
int RuleFoldFitsType0(SETTING_CONTEXT* ctx, WORD tray);
int RuleFoldFitsType4(SETTING_CONTEXT* ctx, WORD tray);
int RuleFoldFitsType5(SETTING_CONTEXT* ctx, WORD tray);
int RuleFoldFitsType6(SETTING_CONTEXT* ctx, WORD tray);
int RuleFoldFitsType7(SETTING_CONTEXT* ctx, WORD tray);
int RuleFoldFitsType8(SETTING_CONTEXT* ctx, WORD tray);
int RuleFoldFitsType0B(SETTING_CONTEXT* ctx, WORD tray);
int RuleFoldFitsType4B(SETTING_CONTEXT* ctx, WORD tray);

// ---- lengths and page limits -----------------------------------------------------------------------------

// 1 when the option value of the length setting exceeds the model's custom length limit (manual feed or
// not); 0 for a model without the limit.
int RuleIsFreeSizeOverLength(SETTING_CONTEXT* ctx, WORD lengthId, int manualFeed);
// 0 for every limit: no page of this model exceeds one.
int RuleCheckPageDotLimit(SETTING_CONTEXT* ctx, DWORD limit);
// Page-fit tests on the stored geometry (dots at the current resolution).
int RuleDstPageFitsDots(SETTING_CONTEXT* ctx);
int RuleDstPageFitsWideDots(SETTING_CONTEXT* ctx);
int RuleSrcPageFitsWideDots(SETTING_CONTEXT* ctx);
int RuleScaledPageFitsDots(SETTING_CONTEXT* ctx);

// Print quality to force (low 16 bits; 0 keep the current one). Mode 0 works on dmPrintQuality, mode 1
// on rdmDstResolutionW. Writes the store: under a resolution lock the locked resolution into that
// setting, and in every call (unless a model ceiling answers) the resolution settings and the source and
// output geometry. Strict: a forced quality at or above the one the lock replaced counts as none.
DWORD RuleComputeForcedQuality(SETTING_CONTEXT* ctx, int mode, int strict);
DWORD RuleGetForcedQuality(SETTING_CONTEXT* ctx, int mode);
DWORD RuleGetForcedQualityStrict(SETTING_CONTEXT* ctx, int mode);
// Flag 835: 1 when no quality has to be forced (strict, mode 1). Computed on the settings as they are
// and then put back: reading the flag changes no setting.
int RuleIsResolutionWithinLimit(SETTING_CONTEXT* ctx);
