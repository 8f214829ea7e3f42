// Option-value lists on the model printer: the condition-chain walks, the two-pass count protocol, the
// name-list layout, the administrator-lock narrowing and the n-up kind lock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driverdata/rule_lists.h"
#include "driverdata/tests/img_test_support.h"
#include "settings/setting_ids.h"

namespace {

class Lists : public imgtest::ModelContext {
 protected:
  void Store(WORD id, DWORD v) { StgSetValue(ctx_, id, v); }
  std::vector<DWORD> Values(WORD id, int mode = 0) {
    DWORD count = 0;
    int rc = RuleListSelectableValues(ctx_, id, 0, nullptr, &count, mode);
    EXPECT_EQ(rc, count ? 1 : 0) << "the counting pass";
    std::vector<DWORD> v(count);
    if (count) {
      EXPECT_EQ(RuleListSelectableValues(ctx_, id, count, v.data(), &count, mode), 0);
    }
    v.resize(count);
    return v;
  }
};

constexpr WORD kA = sid::rdmFuncSelectSort, kB = sid::rdmFuncSelectNup, kC = sid::rdmFuncSelectScale;

TEST_F(Lists, ConditionChainTruthTable) {
  // A(j) B(j) C(j): each node asks its setting for 1; j is the node's join word.
  struct Case {
    const char* what;
    DWORD ja, jb, jc;
    int nodes;
    int truth[8];  // by (A, B, C) as bits 0..2
  } cases[] = {
      {"A(1) B(0): A and B", 1, 0, 0, 2, {0, 0, 0, 1, 0, 0, 0, 1}},
      {"A(0) B(0): A or B", 0, 0, 0, 2, {0, 1, 1, 1, 0, 1, 1, 1}},
      {"A(0) B(2) C(0): A or (B and C)", 0, 2, 0, 3, {0, 1, 0, 1, 0, 1, 1, 1}},
      {"A(0) B(1) C(0): (A or B) and C", 0, 1, 0, 3, {0, 0, 0, 0, 0, 1, 1, 1}},
      {"A(2) B(0) C(0): (A and B) or C", 2, 0, 0, 3, {0, 0, 0, 1, 1, 1, 1, 1}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    PJL_COND_NODE c{nullptr, k.jc, kC, 1, 0};
    PJL_COND_NODE b{k.nodes == 3 ? &c : nullptr, k.jb, kB, 1, 0};
    PJL_COND_NODE a{&b, k.ja, kA, 1, 0};
    for (int bits = 0; bits < 8; ++bits) {
      if (k.nodes == 2 && (bits & 4)) continue;
      Store(kA, bits & 1);
      Store(kB, (bits >> 1) & 1);
      Store(kC, (bits >> 2) & 1);
      EXPECT_EQ(RuleMatchConditionChain(ctx_, &a), k.truth[bits]) << "A B C bits " << bits;
    }
  }
  EXPECT_EQ(RuleMatchConditionChain(ctx_, nullptr), 1) << "an empty chain holds";
}

TEST_F(Lists, CodeConditionsMapThroughTheRanges) {
  EXPECT_EQ(RuleMapConditionCode(10014), 244);
  EXPECT_EQ(RuleMapConditionCode(10045), 275);
  EXPECT_EQ(RuleMapConditionCode(10046), 276);
  EXPECT_EQ(RuleMapConditionCode(10353), 510);
  EXPECT_EQ(RuleMapConditionCode(10354), 0);
  EXPECT_EQ(RuleMapConditionCode(10110), 0);
  Store(244, 1);
  PJL_COND_NODE known{nullptr, 0, 10014, 1, 0};
  PJL_COND_NODE unknown{&known, 1, 10200, 5, 0};  // in no range: passed over
  EXPECT_EQ(RuleMatchCodeConditions(ctx_, &unknown), 1);
  Store(244, 0);
  EXPECT_EQ(RuleMatchCodeConditions(ctx_, &unknown), 0);
}

// The lower output bin: its plain row while no folding unit is installed, its folded row with both; with
// one unit neither condition holds and no LOWER row is offered.
TEST_F(Lists, OutputBinLowerFollowsTheFoldingUnits) {
  struct Case {
    DWORD folder, fan;
    std::vector<DWORD> values;
  } cases[] = {{0, 0, {40, 41, 0}}, {1, 0, {40, 0}}, {0, 1, {40, 0}}, {1, 1, {40, 49, 0}}};
  for (const Case& k : cases) {
    SCOPED_TRACE("folder " + std::to_string(k.folder) + " fan " + std::to_string(k.fan));
    Store(sid::rdmOutputOption3TypeFoldingFolder, k.folder);
    Store(sid::rdmOutputOption3TypeFoldingFan, k.fan);
    EXPECT_EQ(Values(sid::rdmOutputTrayID), k.values);
  }
}

TEST_F(Lists, TwoPassCountNeverWritesBeyondTheCapacity) {
  DWORD count = 99;
  EXPECT_EQ(RuleGetSelectableValues(ctx_, sid::rdmSortType, 0, nullptr, &count), 1);
  EXPECT_EQ(count, 3u);
  DWORD small[3] = {0xAA, 0xAA, 0xAA};
  EXPECT_EQ(RuleGetSelectableValues(ctx_, sid::rdmSortType, 2, small, &count), 1) << "too small";
  EXPECT_EQ(small[0], 0xAAu) << "nothing written into a short buffer";
  EXPECT_EQ(Values(sid::rdmSortType), (std::vector<DWORD>{1, 6, 0}));
  EXPECT_EQ(Values(sid::rdmSortType, 1), (std::vector<DWORD>{1, 6})) << "mode 1 drops the OFF row";
  EXPECT_EQ(RuleGetSelectableValues(ctx_, 12345, 4, small, &count), 0);
  EXPECT_EQ(count, 0u) << "no command row";
}

TEST_F(Lists, NameListLayoutFollowsTheConditions) {
  Store(sid::rdmFuncSelectNup, 1);
  DWORD size = 0;
  EXPECT_EQ(RuleListSelectableValueNames(ctx_, sid::rdmNUPLine, 0, nullptr, &size), 1);
  ASSERT_EQ(size, 17u);
  std::string text(size + 2, '#');
  EXPECT_EQ(RuleListSelectableValueNames(ctx_, sid::rdmNUPLine, size - 1, text.data(), &size), 1);
  EXPECT_EQ(text, std::string(size + 2, '#')) << "nothing written into a short buffer";
  EXPECT_EQ(RuleListSelectableValueNames(ctx_, sid::rdmNUPLine, size, text.data(), &size), 0);
  EXPECT_EQ(text, std::string("CHAINSTITCH\0OFF\0\0##", 19));
  Store(sid::rdmFuncSelectNup, 0);
  EXPECT_EQ(RuleListSelectableValueNames(ctx_, sid::rdmNUPLine, 64, text.data(), &size), 0);
  EXPECT_EQ(size, 0u) << "no row holds while n-up is off";
}

TEST_F(Lists, AdministratorLockNarrowsToTheLockedValue) {
  std::vector<DWORD> all = Values(sid::dmDefaultSource);
  ASSERT_GT(all.size(), 1u);
  Store(sid::rdmLock000InfoBitTray, 1);
  Store(sid::wdmLock001Info, all.back());
  EXPECT_EQ(Values(sid::dmDefaultSource), std::vector<DWORD>{all.back()});
  Store(sid::wdmLock001Info, 99999);
  EXPECT_EQ(Values(sid::dmDefaultSource), all) << "a locked value with no row locks nothing";
}

TEST_F(Lists, NupKindLockRefusesValueZeroAndNarrowsByKind) {
  Store(sid::rdmLock000InfoBitNupKind, 1);
  Store(sid::rdmLock000InfoBitNupKindAll, 1);
  std::vector<DWORD> v = Values(sid::rdmNUPType);
  EXPECT_EQ(v.size(), 15u);
  for (DWORD x : v) EXPECT_NE(x, 0u) << "value 0 refused even with all kinds locked";
  Store(sid::rdmLock000InfoBitNupKindAll, 0);
  Store(sid::wdmLock003Info, 2);
  EXPECT_EQ(Values(sid::rdmNUPType), (std::vector<DWORD>{33, 37, 34, 38}));
  Store(sid::rdmLock000InfoBitNupKind, 0);
  EXPECT_EQ(Values(sid::rdmNUPType).size(), 16u) << "no lock: every row";
}

TEST(AdminLocks, Table) {
  ASSERT_EQ(RuleGetAdminLockCount(), 8);
  const ADMIN_LOCK_ROW* t = RuleGetAdminLockTable();
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(t[i].lockBit, 10419 + i);
    EXPECT_EQ(t[i].lockedValue, 1202 + i);
  }
  EXPECT_EQ(t[3].settingId, 0);
}

}  // namespace
