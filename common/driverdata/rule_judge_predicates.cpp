// The vocabulary of the judges: the tray table and the tray and source tests, the sheet orientation,
// the paper lists and finisher families, the free-size tests, the model switches and the paper classes
// of machines that have them.
#include <initializer_list>

#include "driverdata/rule_judge_internal.h"
#include "driverdata/rule_judges.h"
#include "settings/units.h"

using namespace rule_judge;

namespace {

constexpr Cached kNoLock{0, 0xFF};

// One tray: the settings holding its paper code, its orientation bit and its lock bit.
struct TrayRow {
  WORD tray;
  Cached paper, orient, lock;
};

constexpr TrayRow kTray1{RULE_TRAY_1, C(sid::rdmTray1Paper), C(sid::rdmTrayOrient0), C(sid::rdmTrayLock0)};
constexpr TrayRow kTray2{RULE_TRAY_2, C(sid::rdmTray2Paper), C(sid::rdmTrayOrient1), C(sid::rdmTrayLock1)};
constexpr TrayRow kTray3{RULE_TRAY_3, C(sid::rdmTray3Paper), C(sid::rdmTrayOrient2), C(sid::rdmTrayLock2)};
constexpr TrayRow kTray4{RULE_TRAY_4, C(sid::rdmTray4Paper), C(sid::rdmTrayOrient3), C(sid::rdmTrayLock3)};
// Tray 5 reads the large-capacity tray's settings in this model; models 144 and 150 have their own.
constexpr TrayRow kTray5{RULE_TRAY_5, C(sid::rdmTray26PaperLCT1), C(sid::rdmTrayOrient25), C(sid::rdmTrayLock25)};
constexpr TrayRow kTray5Own{RULE_TRAY_5, C(sid::rdmTray5Paper), C(sid::rdmTrayOrient4), C(sid::rdmTrayLock4)};
constexpr TrayRow kTray6{RULE_TRAY_6, C(sid::rdmTray6Paper), C(sid::rdmTrayOrient5), C(sid::rdmTrayLock5)};
constexpr TrayRow kTray7{RULE_TRAY_7, C(sid::rdmTray7Paper), C(sid::rdmTrayOrient6), C(sid::rdmTrayLock6)};
constexpr TrayRow kLct{RULE_TRAY_LCT, C(sid::rdmTray26PaperLCT1), C(sid::rdmTrayOrient25), C(sid::rdmTrayLock25)};
constexpr TrayRow kManual{RULE_TRAY_MANUAL, C(sid::rdmTray28PaperManual), C(sid::rdmTrayOrient27),
                          C(sid::rdmTrayLock27)};
constexpr TrayRow kMulti{RULE_TRAY_MANUAL, C(sid::rdmTray29PaperMulti), C(sid::rdmTrayOrient28),
                         C(sid::rdmTrayLock28)};
constexpr TrayRow kExt{RULE_TRAY_EXT, C(sid::rdmTray30PaperExt1), C(sid::rdmTrayOrient29), kNoLock};
constexpr TrayRow kRolls[] = {
    {RULE_ROLL_1, C(sid::rdmTray17Paper), C(sid::rdmTrayOrient16), C(sid::rdmTrayLock16)},
    {RULE_ROLL_2, C(sid::rdmTray18Paper), C(sid::rdmTrayOrient17), C(sid::rdmTrayLock17)},
    {RULE_ROLL_3, C(sid::rdmTray19Paper), C(sid::rdmTrayOrient18), C(sid::rdmTrayLock18)},
    {RULE_ROLL_4, C(sid::rdmTray20Paper), C(sid::rdmTrayOrient19), C(sid::rdmTrayLock19)},
    {RULE_CUT_SHEET_1, C(sid::rdmTray15Paper), C(sid::rdmTrayOrient14), C(sid::rdmTrayLock14)},
    {RULE_CUT_SHEET_2, C(sid::rdmTray16Paper), C(sid::rdmTrayOrient15), C(sid::rdmTrayLock15)},
};

// Models whose manual tray needs no option switch.
bool ManualWithoutOption(SETTING_CONTEXT* ctx) { return ModelIs(ctx, {143, 147, 149, 164}); }

// The row of a single tray value; none for 7 and for values without a row. 286 only when asked for.
const TrayRow* FindTray(SETTING_CONTEXT* ctx, WORD tray, bool withExtension) {
  switch (tray) {
    case RULE_TRAY_1: return &kTray1;
    case RULE_TRAY_2: return &kTray2;
    case RULE_TRAY_3: return &kTray3;
    case RULE_TRAY_4: return &kTray4;
    case RULE_TRAY_5: return ModelIs(ctx, {144, 150}) ? &kTray5Own : &kTray5;
    case RULE_TRAY_6: return &kTray6;
    case RULE_TRAY_7: return &kTray7;
    case RULE_TRAY_LCT: return &kLct;
    case RULE_TRAY_MANUAL:
      if (ManualWithoutOption(ctx) || Read(ctx, C(sid::rdmSourceOptionTypeManual))) return &kManual;
      if (Read(ctx, C(sid::rdmSourceOptionTypeMulti))) return &kMulti;
      return nullptr;
    case RULE_TRAY_EXT: return withExtension ? &kExt : nullptr;
    default:
      for (const TrayRow& r : kRolls)
        if (r.tray == tray) return &r;
      return nullptr;
  }
}

// 1 when the tray's paper matches: equal codes, or, on the machines that compare free sizes, a user free
// size in the tray for a free-size paper asked for.
bool PaperMatches(SETTING_CONTEXT* ctx, const TrayRow& row, DWORD paper) {
  DWORD held = Read(ctx, row.paper) & 0xFFFF;
  DWORD model = RuleGetModelCode(ctx);
  if (model == 162 || model == 165) {
    bool compares = &row == &kTray1 || &row == &kTray2 || &row == &kTray3 || &row == &kTray4 ||
                    (model == 165 && &row == &kManual);
    if (compares && RuleIsFreeSizePaper(ctx, paper)) return RuleIsUserFreeSizePaper(ctx, held) != 0;
  }
  return held == (paper & 0xFFFF);
}

// Feed-edge bit of one tray for the paper: 1 short edge first (orientation 0), 2 long edge first, 0 none.
DWORD EdgeOf(SETTING_CONTEXT* ctx, const TrayRow& row, DWORD paper) {
  if (!PaperMatches(ctx, row, paper)) return 0;
  return Read(ctx, row.orient) ? 2u : 1u;
}

// Visits the trays that count in automatic selection, in order, skipping locked ones, until visit
// answers true.
template <class Visit>
bool ForEachAutoTray(SETTING_CONTEXT* ctx, Visit visit) {
  auto consider = [&](const TrayRow& r) { return !Read(ctx, r.lock) && visit(r); };
  for (const TrayRow* r : {&kTray1, &kTray2, &kTray3, &kTray4})
    if (consider(*r)) return true;
  if (consider(*FindTray(ctx, RULE_TRAY_5, false))) return true;
  if (consider(kTray6) || consider(kTray7)) return true;
  if (Read(ctx, C(sid::rdmSourceOptionTypeLCT1)) && consider(kLct)) return true;
  if (Read(ctx, C(sid::rdmSourceOptionTypeMulti)) && consider(kMulti)) return true;
  if ((ManualWithoutOption(ctx) || Read(ctx, C(sid::rdmSourceOptionTypeManual))) && consider(kManual)) return true;
  for (const TrayRow& r : kRolls)
    if (consider(r)) return true;
  return false;
}

WORD SelectedSource(SETTING_CONTEXT* ctx) { return WORD(Read(ctx, C(sid::dmDefaultSource))); }

}  // namespace

// ---- model switches ---------------------------------------------------------------------------------------

DWORD RuleGetModelCode(SETTING_CONTEXT* ctx) { return ctx && ctx->model ? DWORD(ctx->model->modelCode) : 0; }

int RuleSupportsAutoSelect(SETTING_CONTEXT* ctx) {
  // The model flag of this driver's models is 1.
  constexpr int kModelFlag = 1;
  if (ModelIs(ctx, {142, 144, 146, 149, 150, 151, 158, 160, 162, 164, 165, 166, 167, 170, 173})) return 1;
  return ModelIs(ctx, {145, 148}) && kModelFlag == 1 ? 1 : 0;
}

// ---- trays ----------------------------------------------------------------------------------------------

void RuleGetTrayPaper(SETTING_CONTEXT* ctx, WORD tray, SHORT* paper, LONG* orientation) {
  const TrayRow* row = FindTray(ctx, tray, true);
  if (!row) return;
  if (paper) *paper = SHORT(Read(ctx, row->paper));
  if (orientation) *orientation = LONG(Read(ctx, row->orient));
}

int RuleTrayHoldsPaperOriented(SETTING_CONTEXT* ctx, WORD tray, DWORD paper, DWORD orientation) {
  auto holds = [&](const TrayRow& r) { return PaperMatches(ctx, r, paper) && Read(ctx, r.orient) == orientation; };
  if (tray == RULE_TRAY_AUTO) return ForEachAutoTray(ctx, holds) ? 1 : 0;
  const TrayRow* row = FindTray(ctx, tray, false);
  return row && holds(*row) ? 1 : 0;
}

int RuleTrayHoldsPaper(SETTING_CONTEXT* ctx, WORD tray, DWORD paper) {
  auto holds = [&](const TrayRow& r) { return PaperMatches(ctx, r, paper); };
  if (tray == RULE_TRAY_AUTO) return ForEachAutoTray(ctx, holds) ? 1 : 0;
  const TrayRow* row = FindTray(ctx, tray, false);
  return row && holds(*row) ? 1 : 0;
}

DWORD RuleGetSourceFeedEdges(SETTING_CONTEXT* ctx, DWORD paper) {
  WORD tray = SelectedSource(ctx);
  if (tray == RULE_TRAY_AUTO) {
    DWORD mask = 0;
    ForEachAutoTray(ctx, [&](const TrayRow& r) {
      mask |= EdgeOf(ctx, r, paper);
      return false;
    });
    return mask;
  }
  const TrayRow* row = FindTray(ctx, tray, false);
  return row ? EdgeOf(ctx, *row, paper) : 0;
}

int RuleSourceHoldsPaper(SETTING_CONTEXT* ctx, DWORD paper, DWORD orientation) {
  return RuleTrayHoldsPaperOriented(ctx, SelectedSource(ctx), paper, orientation);
}

int RuleMainSourceHoldsPaper(SETTING_CONTEXT* ctx, DWORD paper, DWORD orientation) {
  WORD tray = SelectedSource(ctx);
  if (tray == RULE_TRAY_AUTO && !RuleSupportsAutoSelect(ctx)) tray = RULE_TRAY_1;
  return RuleTrayHoldsPaperOriented(ctx, tray, paper, orientation);
}

int RuleSideTrayMatchesSource(SETTING_CONTEXT* ctx, WORD traySettingId) {
  WORD tray;
  switch (traySettingId) {
    case sid::rdmCoverInputTray: tray = WORD(Read(ctx, C(sid::rdmCoverInputTray))); break;
    case sid::rdmMPInputTray: tray = WORD(Read(ctx, C(sid::rdmMPInputTray))); break;
    default: tray = WORD(Stored(ctx, traySettingId)); break;
  }
  // A side tray without a row yields neither paper nor orientation: nothing to match.
  if (!FindTray(ctx, tray, true)) return 0;
  SHORT paper = 0;
  LONG orientation = 0;
  RuleGetTrayPaper(ctx, tray, &paper, &orientation);
  return RuleMainSourceHoldsPaper(ctx, DWORD(WORD(paper)), DWORD(orientation));
}

// ---- sheet and papers ---------------------------------------------------------------------------------------

int RuleIsSheetLandscape(SETTING_CONTEXT* ctx) {
  bool portrait = SHORT(Read(ctx, C(sid::dmOrientation))) == 1;
  WORD nup = WORD(Read(ctx, C(sid::rdmNUPType)));
  // Layouts that put pages side by side turn the sheet against the page.
  if (Read(ctx, C(sid::rdmFuncSelectNup)) == 1 && nup >= 1 && nup <= 18) return portrait ? 1 : 0;
  if (Read(ctx, C(sid::rdmFuncSelectDuplex)) == 1 && Read(ctx, C(sid::rdmDuplexType)) > 16) return portrait ? 1 : 0;
  return portrait ? 0 : 1;
}

int RuleIsFreeSizePaper(SETTING_CONTEXT*, DWORD paper) {
  DWORD p = paper & 0xFFFF;
  return p == 256 || (p >= 384 && p <= 393) || p == 448 || p == 449 ? 1 : 0;
}

int RuleIsUserFreeSizePaper(SETTING_CONTEXT*, DWORD paper) {
  DWORD p = paper & 0xFFFF;
  return (p >= 384 && p <= 393) || p == 449 ? 1 : 0;
}

int RuleIsLargePaper(SETTING_CONTEXT*, DWORD paper) {
  static constexpr SHORT kLarge[] = {8, 12, 5, 3, 514, 513, 14, 517, 512, 0};
  return InList(kLarge, paper) ? 1 : 0;
}

int RuleIsFreeSizeManualFeed(SETTING_CONTEXT* ctx) { return Stored(ctx, sid::wdmFreeSizeTray) == 4 ? 1 : 0; }
int RuleIsPaperFreeSizeManualFeed(SETTING_CONTEXT* ctx) { return Stored(ctx, sid::rdmPaperFreeSizeTray) == 4 ? 1 : 0; }
int RuleIsPrintFreeSizeManualFeed(SETTING_CONTEXT* ctx) { return Stored(ctx, sid::rdmPrintFreeSizeTray) == 4 ? 1 : 0; }

// ---- finisher families ------------------------------------------------------------------------------------

namespace {

constexpr Cached kFin2000Group[] = {C(sid::rdmOutputOptionTypeFin2000), C(sid::rdmOutputOptionTypeFin2000NA),
                                    C(sid::rdmOutputOptionTypeFin2000EU), C(sid::rdmOutputOptionTypeFin2000NE),
                                    C(sid::rdmOutputOptionTypeFin2000NoPunch)};
constexpr Cached kFin3000Group[] = {C(sid::rdmOutputOptionTypeFin3000), C(sid::rdmOutputOption2TypeFin3000NA2),
                                    C(sid::rdmOutputOption2TypeFin3000EU2), C(sid::rdmOutputOption2TypeFin3000NA3),
                                    C(sid::rdmOutputOption2TypeFin3000NoPunch)};
constexpr Cached kFin1Members[] = {C(sid::rdmOutputOption2TypeFinMF), C(sid::rdmOutputOption2TypeFIN1NA),
                                   C(sid::rdmOutputOption2TypeFIN1EU), C(sid::rdmOutputOption2TypeFIN1NE),
                                   C(sid::rdmOutputOption2TypeFIN1NoPunch)};
constexpr Cached kFin2Members[] = {C(sid::rdmOutputOption2TypeFIN2NA), C(sid::rdmOutputOption2TypeFIN2EU),
                                   C(sid::rdmOutputOption2TypeFIN2NE), C(sid::rdmOutputOption2TypeFIN2NoPunch)};
constexpr Cached kFin4Options[] = {C(sid::rdmOutputOption2TypeFIN4NA2), C(sid::rdmOutputOption2TypeFIN4EU),
                                   C(sid::rdmOutputOption2TypeFIN4NE), C(sid::rdmOutputOption2TypeFIN4NoPunch)};
constexpr Cached kFin50Members[] = {C(sid::rdmOutputOption2TypeFin50), C(sid::rdmOutputOption2TypeFIN2NA),
                                    C(sid::rdmOutputOption2TypeFIN2EU), C(sid::rdmOutputOption2TypeFIN2NE),
                                    C(sid::rdmOutputOption2TypeFIN2NoPunch)};
constexpr Cached kFin100Members[] = {C(sid::rdmOutputOption2TypeFin100), C(sid::rdmOutputOption2TypeFIN3NA),
                                     C(sid::rdmOutputOption2TypeFIN3EU), C(sid::rdmOutputOption2TypeFIN3NE),
                                     C(sid::rdmOutputOption2TypeFIN3NoPunch)};
constexpr Cached kFin4Members[] = {C(sid::rdmOutputOption2TypeFin1Dom), C(sid::rdmOutputOption2TypeFIN4NA2),
                                   C(sid::rdmOutputOption2TypeFIN4EU), C(sid::rdmOutputOption2TypeFIN4NE),
                                   C(sid::rdmOutputOption2TypeFIN4NoPunch), C(sid::rdmOutputOption2TypeFin2Dom)};
constexpr Cached kDomMembers[] = {C(sid::rdmOutputOption2TypeFin1Dom), C(sid::rdmOutputOption2TypeFIN4NA2),
                                  C(sid::rdmOutputOption2TypeFIN4EU), C(sid::rdmOutputOption2TypeFIN4NE),
                                  C(sid::rdmOutputOption2TypeFIN4NoPunch)};

template <size_t N>
bool AnyOn(SETTING_CONTEXT* ctx, const Cached (&members)[N]) {
  for (const Cached& m : members)
    if (Read(ctx, m)) return true;
  return false;
}

// Paper lists (zero-terminated).
constexpr SHORT kStandardList[] = {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93, 0};  // Fin23 ... Fin100
constexpr SHORT kBfList[] = {8, 9, 12, 1, 5, 3, 14, 0};
constexpr SHORT kType14List[] = {8, 9, 12, 13, 1, 5, 3, 14, 517, 93, 7, 0};
constexpr SHORT kType14List146[] = {8, 9, 12, 13, 1, 5, 3, 14, 7, 0};
constexpr SHORT kType15List[] = {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 517, 93, 7, 512, 0};
constexpr SHORT kType15List146[] = {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 512, 0};
constexpr SHORT kFin4List[] = {8, 9, 12, 13, 1, 5, 3, 0};
constexpr SHORT kDomList[] = {8, 9, 12, 13, 1, 5, 3, 512, 5, 514, 513, 14, 7, 0};
// Punch exclusion lists.
constexpr SHORT kStandardNoPunch[] = {9, 11, 13, 5, 1, 6, 514, 513, 14, 7, 93, 0};  // Fin23 ... Fin100
constexpr SHORT kFin4NoPunch[] = {9, 12, 13, 1, 5, 514, 513, 14, 7, 517, 93, 0};
constexpr SHORT kDomNoPunch[] = {9, 11, 13, 5, 1, 6, 514, 513, 14, 7, 0};

const SHORT* PaperList(SETTING_CONTEXT* ctx, BYTE family) {
  bool m146 = RuleGetModelCode(ctx) == 146;
  switch (family) {
    case FIN_23: case FIN_1000: case FIN_1: case FIN_2: case FIN_50: case FIN_100: return kStandardList;
    case FIN_BF: return kBfList;
    case FIN_TYPE14: return m146 ? kType14List146 : kType14List;
    case FIN_TYPE15: return m146 ? kType15List146 : kType15List;
    case FIN_4: return kFin4List;
    case FIN_DOM: return kDomList;
    default: return nullptr;
  }
}

const SHORT* PunchExclusions(BYTE family) {
  switch (family) {
    case FIN_23: case FIN_1: case FIN_2: case FIN_50: case FIN_100: return kStandardNoPunch;
    case FIN_4: return kFin4NoPunch;
    case FIN_DOM: return kDomNoPunch;
    default: return nullptr;
  }
}

}  // namespace

int RuleHasFinisher(SETTING_CONTEXT* ctx, BYTE family) {
  switch (family) {
    case FIN_23: return AnyOn(ctx, kFin2000Group) || AnyOn(ctx, kFin3000Group);
    case FIN_1000: return Read(ctx, C(sid::rdmOutputOptionTypeFin1000)) != 0;
    case FIN_BF: return Read(ctx, C(sid::rdmOutputOptionTypeFinBF)) != 0;
    case FIN_TYPE14: return Read(ctx, C(sid::rdmOutputOptionType14)) != 0;
    case FIN_TYPE15: return Read(ctx, C(sid::rdmOutputOptionType15)) != 0;
    case FIN_1: return AnyOn(ctx, kFin1Members);
    case FIN_2: return ModelIs(ctx, {158, 165}) ? AnyOn(ctx, kFin4Options) : AnyOn(ctx, kFin2Members);
    case FIN_50: return AnyOn(ctx, kFin50Members);
    case FIN_100: return AnyOn(ctx, kFin100Members);
    case FIN_4: return AnyOn(ctx, kFin4Members);
    case FIN_DOM: return AnyOn(ctx, kDomMembers);
    default: return 0;
  }
}

int RuleIsFinisherPaper(SETTING_CONTEXT* ctx, BYTE family, DWORD paper, int extended) {
  const SHORT* list = PaperList(ctx, family);
  if (!list) return 0;
  if (InList(list, paper)) return 1;
  DWORD model = RuleGetModelCode(ctx);
  SHORT p = PaperCode(paper);
  // A3 wide joins the lists of some families on one machine.
  if (model == 162 && p == 512 && (family == FIN_1 || family == FIN_50 || (extended && family == FIN_100))) return 1;
  if (!extended) return 0;
  switch (family) {
    case FIN_23:
      return p == 11 || (p == 6 && AnyOn(ctx, kFin2000Group));
    case FIN_1: case FIN_2: case FIN_50: case FIN_100:
      if (p == 11 || (p == 6 && RuleHasFinisher(ctx, family))) return 1;
      if (RuleIsFreeSizePaper(ctx, paper) &&
          ((model == 162 && (family == FIN_1 || family == FIN_50)) || (model == 165 && family == FIN_100)))
        return 1;
      return 0;
    case FIN_4:
      return p == 6 && RuleHasFinisher(ctx, FIN_4);
    case FIN_DOM:
      return p == 11 || p == 6 || (model == 162 && RuleIsFreeSizePaper(ctx, paper));
    default:
      return 0;  // Fin1000, Type14, Type15 and FinBF have no extended list
  }
}

int RuleIsPunchablePaper(SETTING_CONTEXT*, BYTE family, DWORD paper) {
  const SHORT* list = PunchExclusions(family);
  return list && InList(list, paper) ? 0 : 1;
}

// ---- paper classes -----------------------------------------------------------------------------------------

namespace {

struct PaperClassRow {
  SHORT paper;
  BYTE paperClass;
};

#define KV_CLASS3_TAIL                                                                                           \
  {6, 3}, {11, 3}, {13, 3}, {70, 3}, {88, 3}, {43, 3}, {82, 3}, {7, 3}, {514, 3}, {513, 3}, {14, 3}, {517, 3},    \
      {93, 3}, {384, 3}, {385, 3}, {386, 3}, {387, 3}, {388, 3}, {389, 3}, {390, 3}, {391, 3}, {392, 3}, {393, 3}, \
      {256, 3}, {448, 3}, {0, 0}
constexpr PaperClassRow kClasses[] = {{8, 1}, {12, 1}, {3, 1}, {5, 1}, {9, 2}, {1, 2}, KV_CLASS3_TAIL};
// Machine 162: A3 wide first in class 1; its later class-3 row is never reached.
constexpr PaperClassRow kClasses162[] = {{512, 1}, {8, 1}, {12, 1}, {3, 1}, {5, 1}, {9, 2}, {1, 2}, {512, 3},
                                         KV_CLASS3_TAIL};
#undef KV_CLASS3_TAIL
constexpr WORD kClassTrays[] = {1, 3, 2, 256, 11, 0};
constexpr WORD kClassTrays144[] = {1, 3, 2, 256, 261, 262, 263, 0};

DWORD MachineId(SETTING_CONTEXT* ctx) { return Stored(ctx, sid::rdmMachineID); }

const PaperClassRow* ClassTable(SETTING_CONTEXT* ctx) {
  switch (MachineId(ctx)) {
    case 144: case 158: case 173: return kClasses;
    case 162: return kClasses162;
    default: return nullptr;
  }
}

const WORD* ClassTrays(SETTING_CONTEXT* ctx) {
  switch (MachineId(ctx)) {
    case 158: case 173: case 162: return kClassTrays;
    case 144: return kClassTrays144;
    default: return nullptr;
  }
}

// Visits the paper and orientation of every tray of the class-tray list until visit answers true.
template <class Visit>
bool ForEachClassTray(SETTING_CONTEXT* ctx, Visit visit) {
  const WORD* trays = ClassTrays(ctx);
  for (; trays && *trays; ++trays) {
    SHORT paper = -1;
    LONG orientation = -1;
    RuleGetTrayPaper(ctx, *trays, &paper, &orientation);
    if (visit(paper, orientation)) return true;
  }
  return false;
}

}  // namespace

int RuleGetPaperClass(SETTING_CONTEXT* ctx, DWORD paper) {
  SHORT p = PaperCode(paper);
  for (const PaperClassRow* r = ClassTable(ctx); r && r->paper; ++r)
    if (r->paper == p) return r->paperClass;
  return 0;
}

int RuleIsOutputPaperClass(SETTING_CONTEXT* ctx, BYTE paperClass) {
  return BYTE(RuleGetPaperClass(ctx, OutputPaper(ctx))) == paperClass ? 1 : 0;
}

int RuleClassTrayHoldsPaper(SETTING_CONTEXT* ctx, DWORD paper, LONG orientation) {
  return ForEachClassTray(ctx, [&](SHORT p, LONG o) { return p == PaperCode(paper) && o == orientation; });
}

int RuleClassTrayHasClass(SETTING_CONTEXT* ctx, BYTE paperClass, LONG orientation) {
  return ForEachClassTray(ctx, [&](SHORT p, LONG o) {
    return o == orientation && RuleGetPaperClass(ctx, DWORD(WORD(p))) == paperClass;
  });
}

int RuleChapterUsesManualTray(SETTING_CONTEXT* ctx) {
  for (WORD id : {sid::wdmChapterUseTray1, sid::wdmChapterUseTray2, sid::wdmChapterUseTray3, sid::wdmChapterUseTray4,
                  sid::wdmChapterUseTray5, sid::wdmChapterUseTray6, sid::wdmChapterUseTray7})
    if (Stored(ctx, id) == RULE_TRAY_MANUAL) return 1;
  return 0;
}

int RuleIsManualTrayFree(SETTING_CONTEXT* ctx) {
  auto uses = [&](WORD select, DWORD tray) { return Stored(ctx, select) == 1 && tray == RULE_TRAY_MANUAL; };
  if (SelectedSource(ctx) == RULE_TRAY_MANUAL) return 0;
  if (uses(sid::rdmFuncSelectCover, Read(ctx, C(sid::rdmCoverInputTray)))) return 0;
  if (uses(sid::rdmFuncSelectMark, Read(ctx, C(sid::rdmMPInputTray)))) return 0;
  if (uses(sid::rdmFuncSelectBack, Stored(ctx, sid::rdmBackCoverInputTray))) return 0;
  if (uses(sid::rdmFuncSelectReverseCover, Stored(ctx, sid::rdmReverseCoverInputTray))) return 0;
  if (Stored(ctx, sid::rdmFuncSelectChapter) == 1 &&
      (Stored(ctx, sid::wdmChapterTray) == RULE_TRAY_MANUAL || RuleChapterUsesManualTray(ctx)))
    return 0;
  return 1;
}

int RuleCanUseManualForClass(SETTING_CONTEXT* ctx, LONG orientation) {
  if (!RuleIsManualTrayFree(ctx)) return 0;
  DWORD paper = OutputPaper(ctx);
  LONG landscape = RuleIsSheetLandscape(ctx);
  switch (RuleGetPaperClass(ctx, paper)) {
    case 1: return orientation == landscape ? RuleClassTrayHoldsPaper(ctx, paper, 0) : 0;
    case 2: return orientation == landscape ? RuleClassTrayHoldsPaper(ctx, paper, 0) : RuleClassTrayHasClass(ctx, 1, 0);
    case 3: return RuleClassTrayHasClass(ctx, 1, 0) || RuleClassTrayHasClass(ctx, 2, 0) ? 1 : 0;
    default: return 0;
  }
}

namespace rule_judge {
DWORD OutputPaper(SETTING_CONTEXT* ctx) { return StgGetOutputPaperSize(ctx); }
}  // namespace rule_judge
