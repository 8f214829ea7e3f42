// Finisher judges on a full context of the model printer: staple and punch positions per family,
// orientation and feed edge, the roles with their model exceptions, and the feed edge the positions need.
#include <gtest/gtest.h>

#include <vector>

#include "driverdata/tests/judge_test_support.h"

namespace {

using Finisher = judgetest::JudgeContext;

// The selected source (tray 1) feeds P with the given orientation bits: 0 short edge first, 1 long edge
// first, 2 both (tray 1 short, tray 2 long, automatic selection), -1 neither.
struct Layout {
  DWORD paper;
  int feed;
  DWORD orientation;  // dmOrientation: 1 portrait, 2 landscape
};

class FinisherCase : public Finisher {
 protected:
  void Apply(const Layout& l) {
    Paper(l.paper);
    V(sid::dmOrientation, l.orientation);
    V(sid::dmDefaultSource, l.feed == 2 ? RULE_TRAY_AUTO : RULE_TRAY_1);
    Tray(sid::rdmTray1Paper, sid::rdmTrayOrient0, sid::rdmTrayLock0, l.feed < 0 ? 0 : l.paper, l.feed == 1 ? 1 : 0);
    Tray(sid::rdmTray2Paper, sid::rdmTrayOrient1, sid::rdmTrayLock1, l.feed == 2 ? l.paper : 0, 1);
  }
  void Only(std::initializer_list<WORD> members) {
    for (WORD id = sid::rdmOutputOptionTypeFin2000; id <= sid::rdmOutputOption3TypeFoldingFolder; ++id) {
      const ITEM_DESC* r = StgFindItem(ctx_, id);
      if (r && StgTypeBlock(r->type) == STG_BLOCK_DEVICE && StgTypeIsBit(r->type)) V(id, 0);
    }
    for (WORD m : members) V(m, 1);
  }
};

constexpr Layout A4PortraitShort{9, 0, 1}, A4LandscapeShort{9, 0, 2}, A4LandscapeLong{9, 1, 2},
    A4PortraitLong{9, 1, 1}, B5PortraitShort{13, 0, 1}, A3PortraitShort{8, 0, 1};

TEST_F(FinisherCase, StaplePositions) {
  struct Case {
    const char* what;
    std::vector<WORD> members;
    Layout layout;
    DWORD staple;
    WORD flag;
    int expected;
  } cases[] = {
      {"Fin1 33 portrait short edge", {sid::rdmOutputOption2TypeFinMF}, A4PortraitShort, 33, 807, 1},
      {"Fin1 33 landscape short edge only", {sid::rdmOutputOption2TypeFinMF}, A4LandscapeShort, 33, 807, 0},
      {"Fin1 33 landscape long edge", {sid::rdmOutputOption2TypeFinMF}, A4LandscapeLong, 33, 807, 1},
      {"Fin1 34 landscape short edge", {sid::rdmOutputOption2TypeFinMF}, A4LandscapeShort, 34, 807, 1},
      {"Fin1 not fed", {sid::rdmOutputOption2TypeFinMF}, {9, -1, 1}, 49, 807, 0},
      {"49 Fin1", {sid::rdmOutputOption2TypeFIN1EU}, A4PortraitLong, 49, 807, 1},
      {"49 Fin2", {sid::rdmOutputOption2TypeFIN2NA}, A4PortraitShort, 49, 815, 1},
      {"49 Fin50", {sid::rdmOutputOption2TypeFin50}, A4PortraitShort, 49, 763, 1},
      {"49 Fin100", {sid::rdmOutputOption2TypeFin100}, A4PortraitShort, 49, 799, 1},
      {"49 Fin4", {sid::rdmOutputOption2TypeFin2Dom}, A4PortraitShort, 49, 779, 1},
      {"49 Dom", {sid::rdmOutputOption2TypeFIN4EU}, A4PortraitShort, 49, 734, 1},
      {"49 Fin4 B5 short edge only", {sid::rdmOutputOption2TypeFin2Dom}, B5PortraitShort, 49, 779, 0},
      {"49 Dom B5 short edge", {sid::rdmOutputOption2TypeFIN4EU}, B5PortraitShort, 49, 734, 1},
      {"49 Fin1 uninstalled", {}, A4PortraitShort, 49, 807, 0},
      {"unknown type", {sid::rdmOutputOption2TypeFinMF}, A4PortraitShort, 51, 807, 0},
      {"68 Fin1 A4", {sid::rdmOutputOption2TypeFinMF}, A4PortraitShort, 68, 807, 1},
      {"68 Fin1 B5", {sid::rdmOutputOption2TypeFinMF}, B5PortraitShort, 68, 807, 0},
      {"68 Fin50", {sid::rdmOutputOption2TypeFin50}, A4PortraitShort, 68, 763, 0},
      {"68 Fin2 needs FinBF", {sid::rdmOutputOption2TypeFIN2NA}, A4PortraitShort, 68, 815, 0},
      {"68 Fin2 with FinBF", {sid::rdmOutputOption2TypeFIN2NA, sid::rdmOutputOptionTypeFinBF}, A4PortraitShort, 68,
       815, 1},
      {"Fin1000 33", {sid::rdmOutputOptionTypeFin1000}, A4PortraitShort, 33, 758, 1},
      {"Fin1000 49", {sid::rdmOutputOptionTypeFin1000}, A4PortraitShort, 49, 758, 0},
      {"Type14 49 B5 short edge", {sid::rdmOutputOptionType14}, B5PortraitShort, 49, 742, 0},
      {"Type14 50 landscape", {sid::rdmOutputOptionType14}, A4LandscapeShort, 50, 742, 1},
      {"Type15 49", {sid::rdmOutputOptionType15}, A4PortraitShort, 49, 774, 1},
      {"Type15 66 portrait long", {sid::rdmOutputOptionType15}, A4PortraitLong, 66, 774, 1},
      {"FinBF 33 A4", {sid::rdmOutputOptionTypeFinBF}, A4PortraitShort, 33, 792, 1},
      {"FinBF 65 A3 portrait", {sid::rdmOutputOptionTypeFinBF}, A3PortraitShort, 65, 792, 1},
      {"FinBF 66 A3 portrait", {sid::rdmOutputOptionTypeFinBF}, A3PortraitShort, 66, 792, 0},
      {"FinBF 68 Legal", {sid::rdmOutputOptionTypeFinBF}, {5, 0, 1}, 68, 792, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Only({});
    for (WORD m : k.members) V(m, 1);
    Apply(k.layout);
    V(sid::rdmStapleType, k.staple);
    EXPECT_EQ(Flag(k.flag), k.expected);
  }
}

TEST_F(FinisherCase, PunchPositions) {
  struct Case {
    const char* what;
    std::vector<WORD> members;
    Layout layout;
    DWORD punch;
    WORD flag;
    int expected;
  } cases[] = {
      {"17 FIN1NA portrait short A4 (not punchable)", {sid::rdmOutputOption2TypeFIN1NA}, A4PortraitShort, 17, 806, 0},
      {"17 FIN1NA landscape long A4", {sid::rdmOutputOption2TypeFIN1NA}, A4LandscapeLong, 17, 806, 1},
      {"17 FIN1NA portrait short A3", {sid::rdmOutputOption2TypeFIN1NA}, A3PortraitShort, 17, 806, 1},
      {"17 FinMF admits 1-3 only", {sid::rdmOutputOption2TypeFinMF}, A3PortraitShort, 17, 806, 0},
      {"49 FIN1EU short", {sid::rdmOutputOption2TypeFIN1EU}, A3PortraitShort, 49, 806, 0},
      {"49 FIN1EU long", {sid::rdmOutputOption2TypeFIN1EU}, {8, 1, 2}, 49, 806, 0},
      {"49 FIN1NE", {sid::rdmOutputOption2TypeFIN1NE}, A3PortraitShort, 49, 806, 1},
      {"FIN1NoPunch blocks", {sid::rdmOutputOption2TypeFinMF, sid::rdmOutputOption2TypeFIN1NoPunch}, A3PortraitShort, 1,
       806, 0},
      {"Fin2 NoPunch only, 33 landscape long", {sid::rdmOutputOption2TypeFIN2NoPunch}, A4LandscapeLong, 33, 814, 1},
      {"Fin2 NoPunch only, 1", {sid::rdmOutputOption2TypeFIN2NoPunch}, A3PortraitShort, 1, 814, 0},
      {"Fin50 NoPunch blocks", {sid::rdmOutputOption2TypeFIN2NoPunch}, A4LandscapeLong, 33, 762, 0},
      {"Fin100 1 portrait short", {sid::rdmOutputOption2TypeFin100}, A3PortraitShort, 1, 798, 1},
      {"Fin100 2 portrait short", {sid::rdmOutputOption2TypeFin100}, A3PortraitShort, 2, 798, 0},
      {"Fin100 2 portrait long", {sid::rdmOutputOption2TypeFin100}, {8, 1, 1}, 2, 798, 1},
      {"Fin4 33 A3 short", {sid::rdmOutputOption2TypeFin2Dom}, A3PortraitShort, 33, 778, 1},
      {"Fin4 33 A4 landscape long", {sid::rdmOutputOption2TypeFin2Dom}, A4LandscapeLong, 33, 778, 1},
      {"Fin4 33 B4 short", {sid::rdmOutputOption2TypeFin2Dom}, {12, 0, 1}, 33, 778, 0},
      {"Fin4 1 B4 short with FIN4NA2", {sid::rdmOutputOption2TypeFIN4NA2}, {12, 0, 1}, 1, 778, 0},
      {"Dom 1 B4 short with FIN4NA2", {sid::rdmOutputOption2TypeFIN4NA2}, {12, 0, 1}, 1, 733, 1},
      {"Dom FIN4NoPunch blocks", {sid::rdmOutputOption2TypeFin1Dom, sid::rdmOutputOption2TypeFIN4NoPunch},
       A3PortraitShort, 1, 733, 0},
      {"paper outside the extended list", {sid::rdmOutputOption2TypeFinMF}, {43, 0, 1}, 1, 806, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Only({});
    for (WORD m : k.members) V(m, 1);
    Apply(k.layout);
    V(sid::rdmPunchType, k.punch);
    EXPECT_EQ(Flag(k.flag), k.expected);
  }
}

TEST_F(FinisherCase, RolesAndTheirModelExceptions) {
  Only({sid::rdmOutputOptionType14});
  Apply({7, 0, 1});  // Executive
  EXPECT_EQ(Flag(739), 0) << "Type14 PortSet refuses Executive";
  Apply({7, 1, 1});
  EXPECT_EQ(Flag(740), 1);
  ctx_->model->modelCode = 131;
  EXPECT_EQ(Flag(740), 0);
  ctx_->model->modelCode = 104;

  Only({sid::rdmOutputOption2TypeFinMF});
  Apply({8, 1, 1});
  EXPECT_EQ(Flag(804), 0) << "LandSet refuses large papers";
  Apply({11, 0, 1});
  EXPECT_EQ(Flag(803), 1) << "A5 is in the extended list";
  ctx_->model->modelCode = 138;
  EXPECT_EQ(Flag(803), 0);
  ctx_->model->modelCode = 158;
  Apply({517, 0, 1});
  EXPECT_EQ(Flag(808), 0);
  ctx_->model->modelCode = 104;
  EXPECT_EQ(Flag(808), 1);
}

TEST_F(FinisherCase, FeedEdge) {
  struct Case {
    const char* what;
    std::vector<WORD> members;
    Layout layout;
    DWORD punchOn, punch, stapleOn, staple;
    DWORD edge;
  } cases[] = {
      {"nothing installed", {}, A4PortraitShort, 1, 1, 1, 33, 0},
      {"Fin23 punch 5 falls to the staple step, staple off", {sid::rdmOutputOptionTypeFin2000}, A4PortraitShort, 1, 5,
       0, 0, 3},
      {"Fin23 punch 1 portrait", {sid::rdmOutputOptionTypeFin2000}, A4PortraitShort, 1, 1, 0, 0, 1},
      {"Fin23 punch 1 landscape", {sid::rdmOutputOptionTypeFin2000}, A4LandscapeShort, 1, 1, 0, 0, 2},
      {"Fin23 no-punch member skips the punch", {sid::rdmOutputOptionTypeFin2000NoPunch}, A4PortraitShort, 1, 1, 1, 34,
       2},
      {"Fin23 decides before Fin1", {sid::rdmOutputOptionTypeFin2000, sid::rdmOutputOption2TypeFinMF}, A4PortraitShort, 0,
       0, 1, 68, 0},
      {"Fin1 alone, staple 68", {sid::rdmOutputOption2TypeFinMF}, A4PortraitShort, 0, 0, 1, 68, 1},
      {"P not in the list, staple off", {sid::rdmOutputOptionTypeFin2000}, {43, 0, 1}, 0, 0, 0, 0, 0},
      {"Fin2 punch 33 unless FIN3NoPunch", {sid::rdmOutputOption2TypeFIN2NoPunch}, A4PortraitShort, 1, 33, 0, 0, 1},
      {"Fin2 with FIN3NoPunch", {sid::rdmOutputOption2TypeFIN2NoPunch, sid::rdmOutputOption2TypeFIN3NoPunch},
       A4PortraitShort, 1, 33, 0, 0, 3},
      {"Fin2 has no punch 49", {sid::rdmOutputOption2TypeFIN2NA}, A4PortraitShort, 1, 49, 1, 34, 2},
      {"Fin100 punch 66", {sid::rdmOutputOption2TypeFin100}, A4LandscapeShort, 1, 66, 0, 0, 1},
      {"FinBF staple 33 either", {sid::rdmOutputOptionTypeFinBF}, A4PortraitShort, 1, 1, 1, 33, 3},
      {"Type14 staple 50 landscape", {sid::rdmOutputOptionType14}, A4LandscapeShort, 0, 0, 1, 50, 1},
      {"unknown staple type", {sid::rdmOutputOption2TypeFinMF}, A4PortraitShort, 0, 0, 1, 51, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Only({});
    for (WORD m : k.members) V(m, 1);
    Apply(k.layout);
    V(sid::rdmFuncSelectPunch, k.punchOn);
    V(sid::rdmPunchType, k.punch);
    V(sid::rdmFuncSelectStaple, k.stapleOn);
    V(sid::rdmStapleType, k.staple);
    EXPECT_EQ(RuleGetFeedEdge(ctx_), k.edge);
    EXPECT_EQ(RuleNeedsShortEdgeFeed(ctx_), k.edge == 1 ? 1 : 0);
    EXPECT_EQ(RuleNeedsLongEdgeFeed(ctx_), k.edge == 2 ? 1 : 0);
    EXPECT_EQ(Flag(827), k.edge == 1 ? 1 : 0);
    EXPECT_EQ(Flag(828), k.edge == 2 ? 1 : 0);
  }
}

// Machine 144's punch exclusions: Statement on the long-edge branches of Fin1 with its NA member.
TEST_F(FinisherCase, PunchExclusionsOfMachine144) {
  Only({sid::rdmOutputOption2TypeFIN1NA});
  Apply({6, 1, 2});  // Statement, landscape, fed long edge first
  V(sid::rdmPunchType, 17);
  EXPECT_EQ(Flag(806), 1);
  ctx_->model->modelCode = 144;
  EXPECT_EQ(Flag(806), 0);
  ctx_->model->modelCode = 104;
}

}  // namespace
