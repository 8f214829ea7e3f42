// Finisher judges: the flag roles of each finisher family, the staple and punch positions it can make
// and the feed edge those positions need. A position is made relative to the sheet's edges, so whether a
// family can make it depends on the sheet's printed orientation (Ls) and on the edge the selected source
// feeds the output paper P with: S (short edge first) and G (long edge first) from its feed-edge mask M.
#include <initializer_list>

#include "driverdata/rule_judge_internal.h"
#include "driverdata/rule_judges.h"

using namespace rule_judge;

namespace {

// What every position judge looks at.
struct Sheet {
  DWORD paper;  // P
  SHORT code;   // P's 16-bit code
  bool landscape, shortEdge, longEdge;
  bool fed() const { return shortEdge || longEdge; }
  bool is(std::initializer_list<SHORT> papers) const {
    for (SHORT p : papers)
      if (p == code) return true;
    return false;
  }
  // The position lies on the sheet's short / long side as it travels.
  bool alongFeed() const { return (shortEdge && !landscape) || (longEdge && landscape); }
  bool acrossFeed() const { return (shortEdge && landscape) || (longEdge && !landscape); }
};

Sheet Look(SETTING_CONTEXT* ctx) {
  Sheet s{};
  s.paper = OutputPaper(ctx);
  s.code = PaperCode(s.paper);
  s.landscape = RuleIsSheetLandscape(ctx) != 0;
  DWORD mask = RuleGetSourceFeedEdges(ctx, s.paper) & 0xFFFF;
  s.shortEdge = (mask & 1) != 0;
  s.longEdge = (mask & 2) != 0;
  return s;
}

bool On(SETTING_CONTEXT* ctx, Cached c) { return Read(ctx, c) != 0; }
DWORD StapleType(SETTING_CONTEXT* ctx) { return Read(ctx, C(sid::rdmStapleType)); }
DWORD PunchType(SETTING_CONTEXT* ctx) { return Read(ctx, C(sid::rdmPunchType)); }

bool IsOneOf(BYTE family, std::initializer_list<BYTE> families) {
  for (BYTE f : families)
    if (f == family) return true;
  return false;
}
// Families whose PortSet and LandSet read the plain list.
bool PlainListOnly(BYTE family) { return IsOneOf(family, {FIN_1000, FIN_TYPE14, FIN_TYPE15, FIN_BF}); }
bool StandardFamily(BYTE family) { return IsOneOf(family, {FIN_1, FIN_2, FIN_50, FIN_100}); }

}  // namespace

// ---- roles --------------------------------------------------------------------------------------------------

int RuleFinisherPortSet(SETTING_CONTEXT* ctx, BYTE family) {
  if (!RuleHasFinisher(ctx, family)) return 0;
  DWORD p = OutputPaper(ctx);
  SHORT code = PaperCode(p);
  if (!RuleIsFinisherPaper(ctx, family, p, PlainListOnly(family) ? 0 : 1)) return 0;
  if (family == FIN_TYPE14 && (code == 7 || code == 13 || code == 93)) return 0;
  if (family == FIN_TYPE15 && code == 512 && ModelIs(ctx, {142})) return 0;
  if (StandardFamily(family) && code == 11 && ModelIs(ctx, {138})) return 0;
  return RuleSourceHoldsPaper(ctx, p, 0);
}

int RuleFinisherLandSet(SETTING_CONTEXT* ctx, BYTE family) {
  if (!RuleHasFinisher(ctx, family)) return 0;
  DWORD p = OutputPaper(ctx);
  SHORT code = PaperCode(p);
  if (!RuleIsFinisherPaper(ctx, family, p, PlainListOnly(family) ? 0 : 1) || RuleIsLargePaper(ctx, p)) return 0;
  if (family == FIN_TYPE14 && code == 7 && ModelIs(ctx, {131})) return 0;
  if (StandardFamily(family) && code == 11 && ModelIs(ctx, {138})) return 0;
  return RuleSourceHoldsPaper(ctx, p, 1);
}

int RuleFinisherInList(SETTING_CONTEXT* ctx, BYTE family) {
  return RuleIsFinisherPaper(ctx, family, OutputPaper(ctx), 0);
}

int RuleFinisherInExtendedList(SETTING_CONTEXT* ctx, BYTE family) {
  DWORD p = OutputPaper(ctx);
  SHORT code = PaperCode(p);
  if (StandardFamily(family) && (code == 517 || code == 93) && ModelIs(ctx, {158, 165})) return 0;
  return RuleIsFinisherPaper(ctx, family, p, 1);
}

int RuleFinisherPunchable(SETTING_CONTEXT* ctx, BYTE family) {
  return RuleIsPunchablePaper(ctx, family, OutputPaper(ctx));
}

// ---- FinBF ----------------------------------------------------------------------------------------------------

int RuleJudge787(SETTING_CONTEXT* ctx) {
  DWORD p = OutputPaper(ctx);
  return RuleHasFinisher(ctx, FIN_BF) && RuleIsLargePaper(ctx, p) && RuleSourceHoldsPaper(ctx, p, 0);
}
int RuleJudge788(SETTING_CONTEXT* ctx) {
  DWORD p = OutputPaper(ctx);
  SHORT c = PaperCode(p);
  return RuleHasFinisher(ctx, FIN_BF) && (c == 1 || c == 9 || c == 13) && RuleSourceHoldsPaper(ctx, p, 1);
}
int RuleJudge789(SETTING_CONTEXT* ctx) {
  DWORD p = OutputPaper(ctx);
  SHORT c = PaperCode(p);
  return RuleHasFinisher(ctx, FIN_BF) && (c == 9 || c == 1) && RuleSourceHoldsPaper(ctx, p, 0);
}
int RuleJudge790(SETTING_CONTEXT* ctx) {
  DWORD p = OutputPaper(ctx);
  SHORT c = PaperCode(p);
  if (!RuleHasFinisher(ctx, FIN_BF)) return 0;
  if (c == 5 && !ModelIs(ctx, {151})) return 0;
  return (c == 9 || c == 1 || RuleIsLargePaper(ctx, p)) && RuleSourceHoldsPaper(ctx, p, 0);
}
int RuleJudge791(SETTING_CONTEXT* ctx) {
  DWORD p = OutputPaper(ctx);
  if (RuleIsFinisherPaper(ctx, FIN_BF, p, 0)) return 1;
  return PaperCode(p) == 13 && RuleSourceHoldsPaper(ctx, p, 1);
}

// ---- staple positions -------------------------------------------------------------------------------------------

namespace {

// Staple position 68 of the common form: the papers each family (and model) refuses.
bool Staple68(SETTING_CONTEXT* ctx, BYTE family, const Sheet& s) {
  DWORD model = RuleGetModelCode(ctx);
  switch (family) {
    case FIN_1:
      if (model == 144) return s.shortEdge && !s.is({5, 7, 13, 14, 93, 513, 514, 517});
      if (model == 158 || model == 165 || model == 173) return s.shortEdge && !s.is({7, 13, 14, 93, 513, 514, 517});
      if (model == 162) return s.shortEdge && !s.is({13, 512});
      return s.shortEdge && !s.is({13, 5});
    case FIN_2: case FIN_100:
      if (!RuleHasFinisher(ctx, FIN_BF) || !s.shortEdge) return false;
      return model == 144 ? !s.is({7, 13, 93, 513, 514}) : !s.is({13, 5});
    case FIN_DOM:
      return s.shortEdge && (model == 162 ? !s.is({7, 14, 513, 514}) : !s.is({13, 5}));
    case FIN_4:
      return s.shortEdge && s.code != 13;
    default:
      return false;  // Fin50
  }
}

int CommonStaple(SETTING_CONTEXT* ctx, BYTE family) {
  Sheet s = Look(ctx);
  if (!RuleHasFinisher(ctx, family) || !RuleIsFinisherPaper(ctx, family, s.paper, 0) || !s.fed()) return 0;
  // Fin4 cannot take B5 fed short edge first.
  bool shortOk = family != FIN_4 || s.code != 13;
  switch (StapleType(ctx)) {
    case 33: case 65: return (s.shortEdge && shortOk && !s.landscape) || (s.longEdge && s.landscape);
    case 34: case 66: case 67: return (s.shortEdge && shortOk && s.landscape) || (s.longEdge && !s.landscape);
    case 49: case 50: return family == FIN_4 ? s.longEdge || (s.shortEdge && shortOk) : 1;
    case 68: return Staple68(ctx, family, s);
    default: return 0;
  }
}

}  // namespace

int RuleStaplePosition(SETTING_CONTEXT* ctx, BYTE family) {
  DWORD t = StapleType(ctx);
  switch (family) {
    case FIN_1000: {
      Sheet s = Look(ctx);
      if (!RuleHasFinisher(ctx, family) || !RuleIsFinisherPaper(ctx, family, s.paper, 0) || !s.fed()) return 0;
      return t == 33 ? s.alongFeed() : t == 34 ? s.acrossFeed() : 0;
    }
    case FIN_TYPE14: {
      Sheet s = Look(ctx);
      if (!RuleHasFinisher(ctx, family) || !RuleIsFinisherPaper(ctx, family, s.paper, 0) || !s.fed()) return 0;
      bool shortOk = s.shortEdge && s.code != 13;
      if (t == 49) return (shortOk && !s.landscape) || (s.longEdge && s.landscape);
      if (t == 50) return (shortOk && s.landscape) || (s.longEdge && !s.landscape);
      return 0;
    }
    case FIN_TYPE15: {
      Sheet s = Look(ctx);
      if (!RuleHasFinisher(ctx, family) || !RuleIsFinisherPaper(ctx, family, s.paper, 0) || !s.fed()) return 0;
      switch (t) {
        case 65: return s.alongFeed();
        case 49: case 50: return 1;
        case 66: case 67: return s.acrossFeed();
        default: return 0;
      }
    }
    case FIN_BF: {
      if (!RuleHasFinisher(ctx, family)) return 0;
      bool landscape = RuleIsSheetLandscape(ctx) != 0;
      switch (t) {
        case 33: case 34: return RuleJudge787(ctx) || RuleJudge788(ctx) || RuleJudge789(ctx);
        case 65: return (RuleJudge787(ctx) && !landscape) || (RuleJudge788(ctx) && landscape);
        case 66: case 67: return (RuleJudge787(ctx) && landscape) || (RuleJudge788(ctx) && !landscape);
        case 68: return RuleJudge790(ctx);
        default: return 0;
      }
    }
    case FIN_1: case FIN_2: case FIN_50: case FIN_100: case FIN_4: case FIN_DOM:
      return CommonStaple(ctx, family);
    default:
      return 0;
  }
}

// ---- punch positions ---------------------------------------------------------------------------------------------

namespace {

// Punch-type groups a member admits.
enum : BYTE { P1_3 = 1, P17_19 = 2, P33_35 = 4, P49_51 = 8, P66 = 16 };

BYTE GroupOf(DWORD t) {
  if (t >= 1 && t <= 3) return P1_3;
  if (t >= 17 && t <= 19) return P17_19;
  if (t >= 33 && t <= 35) return P33_35;
  if (t >= 49 && t <= 51) return P49_51;
  return t == 66 ? P66 : 0;
}

struct Member {
  Cached option;
  BYTE admits;
};

// The groups the first installed member of the family admits; 0 when none is installed.
BYTE AdmittedGroups(SETTING_CONTEXT* ctx, BYTE family) {
  auto first = [&](std::initializer_list<Member> members) -> BYTE {
    for (const Member& m : members)
      if (On(ctx, m.option)) return m.admits;
    return 0;
  };
  switch (family) {
    case FIN_1:
      return first({{C(sid::rdmOutputOption2TypeFinMF), P1_3},
                    {C(sid::rdmOutputOption2TypeFIN1NA), P1_3 | P17_19},
                    {C(sid::rdmOutputOption2TypeFIN1EU), P1_3 | P33_35},
                    {C(sid::rdmOutputOption2TypeFIN1NE), P49_51}});
    case FIN_2:
      return first({{C(sid::rdmOutputOption2TypeFIN2NA), P1_3},
                    {C(sid::rdmOutputOption2TypeFIN2NE), P1_3},
                    {C(sid::rdmOutputOption2TypeFIN2EU), P17_19},
                    {C(sid::rdmOutputOption2TypeFIN2NoPunch), P33_35}});
    case FIN_50:
      return first({{C(sid::rdmOutputOption2TypeFin50), P1_3},
                    {C(sid::rdmOutputOption2TypeFIN2NA), P1_3 | P17_19},
                    {C(sid::rdmOutputOption2TypeFIN2EU), P1_3 | P33_35},
                    {C(sid::rdmOutputOption2TypeFIN2NE), P49_51}});
    case FIN_100: {
      BYTE own = ModelIs(ctx, {144}) ? BYTE(P1_3 | P17_19) : ModelIs(ctx, {165}) ? BYTE(P1_3 | P66) : BYTE(P1_3);
      return first({{C(sid::rdmOutputOption2TypeFin100), own},
                    {C(sid::rdmOutputOption2TypeFIN3NA), P1_3 | P17_19},
                    {C(sid::rdmOutputOption2TypeFIN3EU), P1_3 | P33_35},
                    {C(sid::rdmOutputOption2TypeFIN3NE), P49_51}});
    }
    case FIN_4:
      return first({{C(sid::rdmOutputOption2TypeFin1Dom), P1_3},
                    {C(sid::rdmOutputOption2TypeFIN4NA2), P1_3 | P17_19},
                    {C(sid::rdmOutputOption2TypeFIN4EU), P1_3},
                    {C(sid::rdmOutputOption2TypeFIN4NE), P49_51},
                    {C(sid::rdmOutputOption2TypeFin2Dom), P33_35}});
    case FIN_DOM:
      return first({{C(sid::rdmOutputOption2TypeFin1Dom), P1_3},
                    {C(sid::rdmOutputOption2TypeFIN4NA2), P1_3 | P17_19},
                    {C(sid::rdmOutputOption2TypeFIN4EU), P1_3 | P33_35},
                    {C(sid::rdmOutputOption2TypeFIN4NE), P49_51}});
    default:
      return 0;
  }
}

// The family's no-punch member, as the punch position tests it (Fin2 has none there).
bool PunchPositionBlocked(SETTING_CONTEXT* ctx, BYTE family) {
  switch (family) {
    case FIN_1: return On(ctx, C(sid::rdmOutputOption2TypeFIN1NoPunch));
    case FIN_50: return On(ctx, C(sid::rdmOutputOption2TypeFIN2NoPunch));
    case FIN_100: return On(ctx, C(sid::rdmOutputOption2TypeFIN3NoPunch));
    case FIN_4: case FIN_DOM: return On(ctx, C(sid::rdmOutputOption2TypeFIN4NoPunch));
    default: return false;
  }
}

int Fin4Punch(SETTING_CONTEXT* ctx, const Sheet& s, DWORD t) {
  bool na2 = On(ctx, C(sid::rdmOutputOption2TypeFIN4NA2));
  bool punchable = RuleIsPunchablePaper(ctx, FIN_4, s.paper) != 0;
  bool a4OrLetter = s.is({9, 1});
  bool b4WithNa2 = na2 && s.code == 12;
  switch (t) {
    case 1:
      return (s.shortEdge && !s.landscape && !b4WithNa2) || (s.longEdge && s.landscape && (!na2 || a4OrLetter));
    case 2: case 3:
      return (s.shortEdge && s.landscape && !b4WithNa2) || (s.longEdge && !s.landscape && (!na2 || a4OrLetter));
    case 17: return (s.longEdge && s.landscape && a4OrLetter) || (s.shortEdge && !s.landscape && punchable);
    case 18: case 19: return (s.longEdge && !s.landscape && a4OrLetter) || (s.shortEdge && s.landscape && punchable);
    case 33: return (s.longEdge && s.landscape && s.code == 9) || (s.shortEdge && !s.landscape && s.code == 8 && punchable);
    case 34: case 35:
      return (s.longEdge && !s.landscape && s.code == 9) || (s.shortEdge && s.landscape && s.code == 8 && punchable);
    case 49: return s.alongFeed();
    case 50: case 51: return s.acrossFeed();
    default: return 0;
  }
}

// Fin1, Fin2, Fin50, Fin100 and Dom. The long-edge branch of a type and its short-edge branch can each be
// refused on machine 144.
int CommonPunch(SETTING_CONTEXT* ctx, BYTE family, const Sheet& s, DWORD t) {
  bool punchable = RuleIsPunchablePaper(ctx, family, s.paper) != 0;
  bool m144 = ModelIs(ctx, {144});
  bool longOk = true, shortOk = true;
  BYTE group = GroupOf(t);
  if (m144) {
    bool statement = s.code == 6;
    switch (family) {
      case FIN_1: case FIN_DOM: {
        Cached na = family == FIN_1 ? C(sid::rdmOutputOption2TypeFIN1NA) : C(sid::rdmOutputOption2TypeFIN4NA2);
        Cached eu = family == FIN_1 ? C(sid::rdmOutputOption2TypeFIN1EU) : C(sid::rdmOutputOption2TypeFIN4EU);
        if ((group == P17_19 || group == P33_35) && statement && (On(ctx, na) || On(ctx, eu))) longOk = false;
        break;
      }
      case FIN_2: {
        bool eu = On(ctx, C(sid::rdmOutputOption2TypeFIN2EU)), noPunch = On(ctx, C(sid::rdmOutputOption2TypeFIN2NoPunch));
        if (group == P17_19 && statement && eu) longOk = false;
        if (group == P33_35 && (statement || s.code == 13) && noPunch) longOk = false;
        if (group == P33_35 && (!noPunch || s.code == 12)) shortOk = false;
        break;
      }
      case FIN_100: {
        bool na = On(ctx, C(sid::rdmOutputOption2TypeFIN3NA)), eu = On(ctx, C(sid::rdmOutputOption2TypeFIN3EU));
        bool ne = On(ctx, C(sid::rdmOutputOption2TypeFIN3NE));
        if (group == P17_19 && statement && na) longOk = false;
        if (group == P33_35 && (statement || s.code == 13) && eu) longOk = false;
        if (group == P49_51 && statement && ne) shortOk = false;
        if (group == P33_35 && (!eu || s.code == 12)) shortOk = false;
        break;
      }
      default: break;
    }
  }
  bool sh = s.shortEdge && shortOk, lo = s.longEdge && longOk;
  switch (t) {
    case 1: case 49: return (sh && !s.landscape) || (lo && s.landscape);
    case 2: case 3: case 50: case 51: return (sh && s.landscape) || (lo && !s.landscape);
    case 17: case 33: return (lo && s.landscape) || (sh && !s.landscape && punchable);
    case 18: case 19: case 34: case 35: return (lo && !s.landscape) || (sh && s.landscape && punchable);
    case 66:
      return family == FIN_100 && (s.code == 9 || RuleIsFreeSizePaper(ctx, s.paper)) && s.shortEdge && !s.landscape;
    default: return 0;
  }
}

}  // namespace

int RulePunchPosition(SETTING_CONTEXT* ctx, BYTE family) {
  if (!IsOneOf(family, {FIN_1, FIN_2, FIN_50, FIN_100, FIN_4, FIN_DOM})) return 0;
  if (PunchPositionBlocked(ctx, family) || !RuleHasFinisher(ctx, family)) return 0;
  Sheet s = Look(ctx);
  if (!RuleIsFinisherPaper(ctx, family, s.paper, 1) || !s.fed()) return 0;
  if ((family == FIN_50 || family == FIN_DOM) && s.code == 512 && ModelIs(ctx, {162})) return 0;
  if (IsOneOf(family, {FIN_1, FIN_50, FIN_100}) && s.is({517, 93}) && ModelIs(ctx, {158, 165})) return 0;
  DWORD t = PunchType(ctx);
  if (!(AdmittedGroups(ctx, family) & GroupOf(t))) return 0;
  return family == FIN_4 ? Fin4Punch(ctx, s, t) : CommonPunch(ctx, family, s, t);
}

// ---- feed edge ------------------------------------------------------------------------------------------------

namespace {

constexpr DWORD kEdgeNone = 0, kEdgeShort = 1, kEdgeLong = 2, kEdgeAny = 3;

// The no-punch members the feed edge's punch step tests (Fin2 and Fin100 both test FIN3NoPunch).
bool FeedPunchBlocked(SETTING_CONTEXT* ctx, BYTE family) {
  switch (family) {
    case FIN_23:
      return On(ctx, C(sid::rdmOutputOptionTypeFin2000NoPunch)) || On(ctx, C(sid::rdmOutputOption2TypeFin3000NoPunch));
    case FIN_1: return On(ctx, C(sid::rdmOutputOption2TypeFIN1NoPunch));
    case FIN_2: case FIN_100: return On(ctx, C(sid::rdmOutputOption2TypeFIN3NoPunch));
    case FIN_50: return On(ctx, C(sid::rdmOutputOption2TypeFIN2NoPunch));
    case FIN_4: case FIN_DOM: return On(ctx, C(sid::rdmOutputOption2TypeFIN4NoPunch));
    default: return true;  // families without a punch
  }
}

// Staple step: the edge per staple type and family; 'S' short edge first (long when the sheet is
// landscape), 'L' the other way round, '3' either, '1' short edge, '0' none.
struct StapleEdges {
  char t33, t34, t65, t66, t49, t50, t68;
};
StapleEdges StapleEdgesOf(BYTE family) {
  switch (family) {
    case FIN_23: return {'S', 'L', 'S', 'L', '3', '3', '0'};
    case FIN_1000: return {'S', 'L', '0', '0', '0', '0', '0'};
    case FIN_BF: return {'3', '3', 'S', 'L', '0', '0', '1'};
    case FIN_TYPE14: return {'0', '0', '0', '0', 'S', 'L', '0'};
    case FIN_TYPE15: return {'0', '0', 'S', 'L', '3', '3', '0'};
    case FIN_50: return {'S', 'L', 'S', 'L', '3', '3', '0'};
    default: return {'S', 'L', 'S', 'L', '3', '3', '1'};  // Fin1, Fin2, Fin100, Fin4, Dom
  }
}

DWORD EdgeOf(char code, bool landscape) {
  switch (code) {
    case 'S': return landscape ? kEdgeLong : kEdgeShort;
    case 'L': return landscape ? kEdgeShort : kEdgeLong;
    case '3': return kEdgeAny;
    case '1': return kEdgeShort;
    default: return kEdgeNone;
  }
}

}  // namespace

DWORD RuleGetFeedEdge(SETTING_CONTEXT* ctx) {
  BYTE family = FIN_NONE;
  for (BYTE f = FIN_23; f < FIN_FAMILY_COUNT; ++f)
    if (RuleHasFinisher(ctx, f)) {
      family = f;
      break;
    }
  if (family == FIN_NONE) return kEdgeNone;
  DWORD p = OutputPaper(ctx);
  if (!RuleIsFinisherPaper(ctx, family, p, PlainListOnly(family) ? 0 : 1)) return kEdgeNone;
  bool landscape = RuleIsSheetLandscape(ctx) != 0;
  if (!FeedPunchBlocked(ctx, family) && Read(ctx, C(sid::rdmFuncSelectPunch))) {
    DWORD t = PunchType(ctx);
    bool fin2 = family == FIN_2;
    if (t == 1 || t == 17 || t == 33 || (t == 49 && !fin2)) return landscape ? kEdgeLong : kEdgeShort;
    if (t == 2 || t == 3 || t == 18 || t == 19 || t == 34 || t == 35 || ((t == 50 || t == 51) && !fin2))
      return landscape ? kEdgeShort : kEdgeLong;
    if (t == 66 && family == FIN_100) return kEdgeShort;
  }
  if (!Read(ctx, C(sid::rdmFuncSelectStaple))) return kEdgeAny;
  StapleEdges e = StapleEdgesOf(family);
  switch (StapleType(ctx)) {
    case 33: return EdgeOf(e.t33, landscape);
    case 34: return EdgeOf(e.t34, landscape);
    case 65: return EdgeOf(e.t65, landscape);
    case 66: case 67: return EdgeOf(e.t66, landscape);
    case 49: return EdgeOf(e.t49, landscape);
    case 50: return EdgeOf(e.t50, landscape);
    case 68: return EdgeOf(e.t68, landscape);
    default: return kEdgeNone;
  }
}

int RuleNeedsShortEdgeFeed(SETTING_CONTEXT* ctx) { return (RuleGetFeedEdge(ctx) & 0xFFFF) == kEdgeShort ? 1 : 0; }
int RuleNeedsLongEdgeFeed(SETTING_CONTEXT* ctx) { return (RuleGetFeedEdge(ctx) & 0xFFFF) == kEdgeLong ? 1 : 0; }
