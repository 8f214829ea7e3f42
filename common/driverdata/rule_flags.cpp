// The dispatch of the computed flags: one row per id 723-867 with its family, role, judge and
// arguments, and the UI item key and symbolic name of the flags the driver data file names.
#include "driverdata/rule_flags.h"

#include "driverdata/rule_judge_internal.h"
#include "driverdata/rule_judges.h"
#include "settings/units.h"

using namespace rule_judge;

namespace {

using Row = COMPUTED_FLAG_ROW;

// ---- judges as table entries ----------------------------------------------------------------------------

int Never(SETTING_CONTEXT*, const Row&) { return 0; }

int Role(SETTING_CONTEXT* ctx, const Row& r) {
  switch (r.role) {
    case ROLE_PORT_SET: return RuleFinisherPortSet(ctx, r.family);
    case ROLE_LAND_SET: return RuleFinisherLandSet(ctx, r.family);
    case ROLE_IN_LIST: return RuleFinisherInList(ctx, r.family);
    case ROLE_IN_EXTENDED_LIST: return RuleFinisherInExtendedList(ctx, r.family);
    case ROLE_PUNCHABLE: return RuleFinisherPunchable(ctx, r.family);
    case ROLE_STAPLE_POSITION: return RuleStaplePosition(ctx, r.family);
    case ROLE_PUNCH_POSITION: return RulePunchPosition(ctx, r.family);
    default: return 0;
  }
}

int SourceSupplies(SETTING_CONTEXT* ctx, const Row& r) { return RuleSourceSuppliesPaper(ctx, int(r.arg)); }
int TrayHolds(SETTING_CONTEXT* ctx, const Row& r) { return RuleTrayHoldsPaper(ctx, WORD(r.arg), OutputPaper(ctx)); }
int RollSupplies(SETTING_CONTEXT* ctx, const Row& r) {
  return RuleRollSuppliesPaper(ctx, WORD(r.arg), OutputPaper(ctx));
}
int Judge(SETTING_CONTEXT* ctx, const Row& r) {
  switch (r.id) {
    case 766: return RuleJudge766(ctx);
    case 767: return RuleJudge767(ctx);
    case 768: return RuleJudge768(ctx);
    case 769: return RuleJudge769(ctx);
    case 787: return RuleJudge787(ctx);
    case 788: return RuleJudge788(ctx);
    case 789: return RuleJudge789(ctx);
    case 790: return RuleJudge790(ctx);
    case 791: return RuleJudge791(ctx);
    case 819: return RuleIsSheetLandscape(ctx);
    case 827: return RuleNeedsShortEdgeFeed(ctx);
    case 828: return RuleNeedsLongEdgeFeed(ctx);
    case 835: return RuleIsResolutionWithinLimit(ctx);
    case 841: return StgNeedsFitPaper(ctx) ? 1 : 0;
    default: return 0;
  }
}
int SideTray(SETTING_CONTEXT* ctx, const Row& r) { return RuleSideTrayMatchesSource(ctx, WORD(r.arg)); }
int PaperClass(SETTING_CONTEXT* ctx, const Row& r) { return RuleIsOutputPaperClass(ctx, BYTE(r.arg)); }
int ManualForClass(SETTING_CONTEXT* ctx, const Row& r) { return RuleCanUseManualForClass(ctx, LONG(r.arg)); }
// Custom length over the model's limit; arg the length setting, arg2 its tray setting (manual feed at 4).
int OverLength(SETTING_CONTEXT* ctx, const Row& r) {
  return RuleIsFreeSizeOverLength(ctx, WORD(r.arg), Stored(ctx, WORD(r.arg2)) == RULE_TRAY_MANUAL ? 1 : 0);
}
// Custom length or width beyond 154771 dots (3276 mm at 1200 dpi), unsigned.
int OverShortLimit(SETTING_CONTEXT* ctx, const Row& r) { return Option(ctx, WORD(r.arg)) > 154771u ? 1 : 0; }
// Destination page too large for the resolution (863) or small enough for a higher one (864); the
// dot lengths are option values taken unsigned.
int AutoResolution(SETTING_CONTEXT* ctx, const Row& r) {
  DWORD share = Stored(ctx, sid::rdmLoadShare) & 0xFF;
  LONG quality = LONG(Stored(ctx, sid::dmPrintQuality));
  DWORD length = Option(ctx, sid::rdmDstPaperLengthDot), width = Option(ctx, sid::rdmDstPaperWidthDot);
  if (r.id == 863) {
    if (share != 18) return 0;
    if (quality == 600) return length >= 32764 || width >= 32764;
    DWORD limit = quality == 300 ? 16382 : 10922;
    return length > limit || width > limit;
  }
  if (share != 0) return 0;
  DWORD limit = quality == 600 ? 32764 : 16382;
  return length < limit && width < limit;
}
int PageDotLimit(SETTING_CONTEXT* ctx, const Row& r) { return RuleCheckPageDotLimit(ctx, r.arg); }

// ---- the table ------------------------------------------------------------------------------------------

constexpr Row None(WORD id) { return Row{id, FIN_NONE, ROLE_NONE, nullptr, 0, 0, 0, nullptr}; }
constexpr Row F(WORD id, BYTE family, BYTE role, WORD key = 0, const char* name = nullptr) {
  return Row{id, family, role, Role, 0, 0, key, name};
}
constexpr Row J(WORD id, RULE_FLAG_JUDGE judge, DWORD arg = 0, DWORD arg2 = 0, WORD key = 0,
                const char* name = nullptr) {
  return Row{id, FIN_NONE, ROLE_NONE, judge, arg, arg2, key, name};
}
constexpr Row N(WORD id, RULE_FLAG_JUDGE judge, WORD key, const char* name, DWORD arg = 0, DWORD arg2 = 0) {
  return Row{id, FIN_NONE, ROLE_NONE, judge, arg, arg2, key, name};
}

constexpr BYTE PS = ROLE_PORT_SET, LS = ROLE_LAND_SET, IL = ROLE_IN_LIST, XL = ROLE_IN_EXTENDED_LIST,
               PP = ROLE_PUNCHABLE, SP = ROLE_STAPLE_POSITION, HP = ROLE_PUNCH_POSITION;

constexpr Row kFlags[kComputedFlagCount] = {
    F(723, FIN_23, PS), F(724, FIN_23, LS), F(725, FIN_23, IL), J(726, Never), J(727, Never),
    F(728, FIN_23, XL), F(729, FIN_23, PP),
    F(730, FIN_DOM, PS, 203, "QDV_FinCorvanelPortSet"), F(731, FIN_DOM, LS, 204, "QDV_FinCorvanelLandSet"),
    F(732, FIN_DOM, IL), F(733, FIN_DOM, HP), F(734, FIN_DOM, SP), F(735, FIN_DOM, XL), F(736, FIN_DOM, PP),
    None(737), None(738),
    F(739, FIN_TYPE14, PS), F(740, FIN_TYPE14, LS), F(741, FIN_TYPE14, IL), F(742, FIN_TYPE14, SP),
    N(743, SourceSupplies, 358, "QDV_RollSizeSupportCheck", 0),
    N(744, SourceSupplies, 359, "QDV_RollSizeSupportPaperCheck", 1),
    N(745, SourceSupplies, 364, "QDV_RollSizeSupportPrintCheck", 2),
    None(746),
    J(747, TrayHolds, RULE_ROLL_1), J(748, TrayHolds, RULE_ROLL_2), J(749, TrayHolds, RULE_ROLL_3),
    J(750, TrayHolds, RULE_ROLL_4), J(751, TrayHolds, RULE_CUT_SHEET_1), J(752, TrayHolds, RULE_CUT_SHEET_2),
    None(753), None(754),
    F(755, FIN_1000, PS), F(756, FIN_1000, LS), F(757, FIN_1000, IL), F(758, FIN_1000, SP),
    F(759, FIN_50, PS, 200, "QDV_Fin50PortSet"), F(760, FIN_50, LS, 201, "QDV_Fin50LandSet"), F(761, FIN_50, IL),
    F(762, FIN_50, HP), F(763, FIN_50, SP), F(764, FIN_50, XL), F(765, FIN_50, PP),
    N(766, Judge, 356, "QDV_FoldingFolderSupportSizeCheck"), N(767, Judge, 354, "QDV_FoldingSupportSizeCheck"),
    N(768, Judge, 355, "QDV_FoldingCornerSupport"), N(769, Judge, 357, "QDV_FoldingPunchSupport"),
    None(770),
    F(771, FIN_TYPE15, PS), F(772, FIN_TYPE15, LS), F(773, FIN_TYPE15, IL), F(774, FIN_TYPE15, SP),
    F(775, FIN_4, PS), F(776, FIN_4, LS), F(777, FIN_4, IL), F(778, FIN_4, HP), F(779, FIN_4, SP),
    F(780, FIN_4, XL), F(781, FIN_4, PP),
    N(782, RollSupplies, 360, "QDV_Roll1FoldingSupportCheck", RULE_ROLL_1),
    N(783, RollSupplies, 361, "QDV_Roll2FoldingSupportCheck", RULE_ROLL_2),
    N(784, RollSupplies, 362, "QDV_CutTrayFoldingSupportCheck", RULE_CUT_SHEET_1),
    N(785, RollSupplies, 363, "QDV_Tray3CutFoldingSupportCheck", RULE_CUT_SHEET_2),
    None(786),
    Row{787, FIN_BF, ROLE_NONE, Judge, 0, 0, 0, nullptr}, Row{788, FIN_BF, ROLE_NONE, Judge, 0, 0, 0, nullptr},
    Row{789, FIN_BF, ROLE_NONE, Judge, 0, 0, 0, nullptr}, Row{790, FIN_BF, ROLE_NONE, Judge, 0, 0, 0, nullptr},
    Row{791, FIN_BF, ROLE_NONE, Judge, 0, 0, 0, nullptr}, F(792, FIN_BF, SP),
    None(793), None(794),
    F(795, FIN_100, PS), F(796, FIN_100, LS), F(797, FIN_100, IL), F(798, FIN_100, HP), F(799, FIN_100, SP),
    F(800, FIN_100, XL), F(801, FIN_100, PP),
    None(802),
    F(803, FIN_1, PS, 198, "QDV_FinMFPortSet"), F(804, FIN_1, LS, 199, "QDV_FinMFLandSet"), F(805, FIN_1, IL),
    F(806, FIN_1, HP), F(807, FIN_1, SP), F(808, FIN_1, XL), F(809, FIN_1, PP),
    None(810),
    F(811, FIN_2, PS), F(812, FIN_2, LS), F(813, FIN_2, IL), F(814, FIN_2, HP), F(815, FIN_2, SP),
    F(816, FIN_2, XL), F(817, FIN_2, PP),
    None(818),
    N(819, Judge, 101, "QDV_PrintPaperOrient"),
    J(820, TrayHolds, RULE_TRAY_AUTO), J(821, TrayHolds, RULE_TRAY_1), J(822, TrayHolds, RULE_TRAY_2),
    J(823, TrayHolds, RULE_TRAY_3), J(824, TrayHolds, RULE_TRAY_4), J(825, TrayHolds, RULE_TRAY_LCT),
    J(826, TrayHolds, RULE_TRAY_MANUAL), J(827, Judge), J(828, Judge), J(829, TrayHolds, RULE_TRAY_4),
    J(830, TrayHolds, RULE_TRAY_5), None(831), J(832, TrayHolds, RULE_TRAY_6), J(833, TrayHolds, RULE_TRAY_7),
    None(834),
    N(835, Judge, 100, "QDV_ResolutionOverCheck"),
    N(836, SideTray, 103, "QDV_SamePaperCoverSrcTray", sid::rdmCoverInputTray),
    N(837, SideTray, 104, "QDV_SamePaperMarkSrcTray", sid::rdmMPInputTray),
    J(838, SideTray, sid::rdmBackCoverInputTray), J(839, SideTray, sid::wdmChapterTray),
    J(840, SideTray, sid::rdmReverseCoverInputTray),
    N(841, Judge, 182, "QDV_FittingCondition"),
    J(842, PaperClass, 1), J(843, PaperClass, 2), J(844, PaperClass, 3),
    J(845, ManualForClass, 1), J(846, ManualForClass, 0),
    None(847), None(848), None(849), None(850),
    N(851, OverLength, 308, "QDV_FreeSizeLengthCheck1", sid::rdmPaperFreeSizeLength, sid::rdmPaperFreeSizeTray),
    N(852, OverLength, 309, "QDV_FreeSizeLengthCheck2", sid::rdmPrintFreeSizeLength, sid::rdmPrintFreeSizeTray),
    N(853, OverShortLimit, 310, "QDV_FreeSizeLengthCheck3", sid::rdmPaperFreeSizeLength),
    N(854, OverShortLimit, 311, "QDV_FreeSizeLengthCheck4", sid::rdmPrintFreeSizeLength),
    N(855, OverShortLimit, 312, "QDV_FreeSizeWidthCheck1", sid::rdmPaperFreeSizeWidth),
    N(856, OverShortLimit, 313, "QDV_FreeSizeWidthCheck2", sid::rdmPrintFreeSizeWidth),
    N(857, OverShortLimit, 314, "QDV_FreeSizeWidthCheck3", sid::rdmPaperFreeSizeWidth),
    N(858, OverShortLimit, 315, "QDV_FreeSizeWidthCheck4", sid::rdmPrintFreeSizeWidth),
    N(859, OverLength, 316, "QDV_RegistFreeSizeLengthCheck1", sid::wdmFreeSizeLength, sid::wdmFreeSizeTray),
    N(860, OverShortLimit, 317, "QDV_RegistFreeSizeLengthCheck2", sid::wdmFreeSizeLength),
    N(861, OverShortLimit, 318, "QDV_RegistFreeSizeWidthCheck1", sid::wdmFreeSizeWidth),
    N(862, OverShortLimit, 319, "QDV_RegistFreeSizeWidthCheck2", sid::wdmFreeSizeWidth),
    N(863, AutoResolution, 320, "QDV_AutoResolutionDown"), N(864, AutoResolution, 321, "QDV_Auto32ResolutionDown"),
    N(865, PageDotLimit, 322, "QDV_AutoResolution1300Down", 1300),
    N(866, PageDotLimit, 323, "QDV_AutoResolution2700Down", 2700),
    N(867, PageDotLimit, 324, "QDV_AutoResolution4100Down", 4100),
};

// Every id 723-867 has exactly one row, at its own index.
consteval bool EveryIdHasItsRow() {
  for (int i = 0; i < kComputedFlagCount; ++i)
    if (kFlags[i].id != kFirstComputedFlag + i) return false;
  return true;
}
static_assert(EveryIdHasItsRow(), "the flag table must hold ids 723-867 in order, one row each");

}  // namespace

const COMPUTED_FLAG_ROW* RuleFindComputedFlag(WORD id) {
  unsigned index = unsigned(id) - kFirstComputedFlag;
  return index < unsigned(kComputedFlagCount) ? &kFlags[index] : nullptr;
}

int RuleGetComputedFlag(SETTING_CONTEXT* ctx, WORD id) {
  const COMPUTED_FLAG_ROW* row = RuleFindComputedFlag(id);
  if (!ctx || !row || !row->judge) return 0;
  return row->judge(ctx, *row) ? 1 : 0;
}
