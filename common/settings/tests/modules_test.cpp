// The feature-module table: the per-context vector and its failures, command and event dispatch,
// the watermark command and the font-substitution control event, the driver API's module ops, and
// the model's switches.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "config/ini.h"
#include "config/paths.h"
#include "context_fixture.h"
#include "kvplat/testhooks.h"
#include "kvtest/install_printer.h"
#include "settings/api_state.h"
#include "settings/modules.h"

using namespace kvstgtest;

namespace {

class Modules : public OneContextTest {
 protected:
  void SetUp() override {
    OneContextTest::SetUp();
    ASSERT_NE(ctx_->work->modules, nullptr);
    MODULE_VECTOR* v = ctx_->work->modules;
    saved_.assign(v->rows, v->rows + v->count);
  }
  void TearDown() override {
    // Put back the context's own rows (the recorders below replace some of them).
    if (ctx_) std::memcpy(ctx_->work->modules->rows, saved_.data(), saved_.size() * sizeof(FEATURE_MODULE));
    OneContextTest::TearDown();
  }
  FEATURE_MODULE& Row(int i) { return ctx_->work->modules->rows[i]; }

  // Recorders: log the row's index and answer when the row is in the answering set.
  static inline std::vector<int> log_;
  static inline unsigned answering_ = 0;
  static inline SETTING_CONTEXT* current_ = nullptr;
  template <int N>
  static int RecordEvent(SETTING_CONTEXT* c, DWORD, void*, void*) {
    EXPECT_EQ(c, current_);
    log_.push_back(N);
    return (answering_ >> N) & 1u;
  }
  template <int N>
  static int RecordCommand(SETTING_CONTEXT* c, WORD, void*) {
    EXPECT_EQ(c, current_);
    log_.push_back(N);
    return (answering_ >> N) & 1u;
  }
  template <int... N>
  void InstallRecorders(std::integer_sequence<int, N...>) {
    ((Row(N).event = &RecordEvent<N>, Row(N).command = &RecordCommand<N>), ...);
  }
  void RecordAll() {
    InstallRecorders(std::make_integer_sequence<int, STG_MODULE_COUNT>());
    log_.clear();
    current_ = ctx_;
  }

  std::vector<FEATURE_MODULE> saved_;
};

// ---------------------------------------------------------------------------------------------

TEST_F(Modules, EachContextCopiesTheTableWithItsOwnPrivateBlocks) {
  int32_t count = 0;
  const FEATURE_MODULE* table = StgGetModuleTable(&count);
  ASSERT_EQ(count, 10);
  SETTING_CONTEXT* other = Create(printer_, 0, STG_KIND_API);
  ASSERT_NE(other, nullptr);
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(table[i].privateData, nullptr);
    EXPECT_EQ(table[i].privateSize, i == STG_MODULE_CHAPTERS ? 8u : 0u);
    const FEATURE_MODULE& mine = Row(i);
    EXPECT_EQ(mine.command, table[i].command);
    EXPECT_EQ(mine.event, table[i].event);
    EXPECT_NE(mine.message, nullptr);
    if (i != STG_MODULE_CHAPTERS) {
      EXPECT_EQ(mine.privateData, nullptr);
      continue;
    }
    // Zero-filled and the context's own.
    ASSERT_NE(mine.privateData, nullptr);
    EXPECT_EQ(*static_cast<uint64_t*>(mine.privateData), 0u);
    EXPECT_NE(mine.privateData, other->work->modules->rows[i].privateData);
  }
  StgReleaseContext(other, STG_RELEASE_FREE);
}

TEST_F(Modules, FirstAnswerStopsTheBroadcast) {
  // The events the settings model raises most and the rows that answer them once the modules are in.
  struct Case {
    const char* what;
    DWORD event;
    unsigned answering;
    std::vector<int> seen;
  };
  const Case cases[] = {
      {"36 stops at colour matching", 36, 1u << STG_MODULE_COLOR_MATCHING, {0, 1, 2}},
      {"44 stops at custom sizes", 44, 1u << STG_MODULE_CUSTOM_SIZES, {0, 1, 2, 3}},
      {"45 stops at custom sizes", 45, (1u << STG_MODULE_CUSTOM_SIZES) | (1u << STG_MODULE_JOB_SETTINGS),
       {0, 1, 2, 3}},
      {"32 reaches job settings", 32, 1u << STG_MODULE_JOB_SETTINGS, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"nobody answers", 61, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
  };
  RecordAll();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    log_.clear();
    answering_ = k.answering;
    EXPECT_EQ(StgBroadcastModuleEvent(ctx_, k.event, nullptr), 10);
    EXPECT_EQ(log_, k.seen);
  }
  // Commands go the same way; a row without a handler is passed over.
  Row(1).command = nullptr;
  log_.clear();
  answering_ = 1u << STG_MODULE_CHAPTERS;
  StgBroadcastModuleCommand(ctx_, 305);
  EXPECT_EQ(log_, (std::vector<int>{0, 2, 3, 4}));
}

TEST_F(Modules, EventsReachTheRowsPrivateDataAndAnswerThroughTheArgument) {
  static void* seenData = nullptr;
  Row(STG_MODULE_CHAPTERS).event = [](SETTING_CONTEXT*, DWORD event, void* arg, void* data) {
    seenData = data;
    if (event != 12 || !arg) return 0;
    *static_cast<uint64_t*>(arg) = 7;
    return 1;
  };
  uint64_t answer = 1;
  StgBroadcastModuleEvent(ctx_, 12, &answer);
  EXPECT_EQ(answer, 7u);
  EXPECT_EQ(seenData, Row(STG_MODULE_CHAPTERS).privateData);
}

TEST_F(Modules, WithoutAVectorBroadcastsDoNothing) {
  RecordAll();
  MODULE_VECTOR* v = ctx_->work->modules;
  ctx_->work->modules = nullptr;
  EXPECT_EQ(StgBroadcastModuleEvent(ctx_, 36, nullptr), 0);
  StgBroadcastModuleCommand(ctx_, 327);
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(StgBroadcastModuleEvent(nullptr, 36, nullptr), 0);
  ctx_->work->modules = v;
}

TEST_F(Modules, AFailedAllocationLeavesNoModulesAndSaysSo) {
  MODULE_VECTOR* v = ctx_->work->modules;
  // Allocations of the vector, of its rows and of the chapters module's private block.
  for (unsigned n : {1u, 2u, 3u}) {
    SCOPED_TRACE(n);
    ctx_->work->modules = nullptr;
    kvp::test::FailAllocAt(n);
    EXPECT_EQ(StgCreateModules(ctx_), 0);
    kvp::test::FailAllocAt(0);
    EXPECT_EQ(ctx_->work->modules, nullptr);
  }
  ctx_->work->modules = v;
}

TEST_F(Modules, ReleaseIsTheModulesLastEvent) {
  SETTING_CONTEXT* c = Create(printer_, 0, STG_KIND_API);
  ASSERT_NE(c, nullptr);
  static std::vector<DWORD> events;
  events.clear();
  c->work->modules->rows[0].event = [](SETTING_CONTEXT*, DWORD event, void*, void*) {
    events.push_back(event);
    return 0;
  };
  StgReleaseContext(c, STG_RELEASE_FREE);
  EXPECT_EQ(events, (std::vector<DWORD>{2}));
}

TEST_F(Modules, FontSubstitutionSetsTheDeviceFontChoiceState) {
  struct Case {
    const char* what;
    WORD control, dialog;
    BYTE callSrc;
    bool answered, handled;
  };
  const Case cases[] = {
      {"no caller", 2384, 1044, 0, true, true},
      {"inside the font dialog", 2384, 4004, 1, true, true},
      {"in another dialog", 2384, 1044, 1, true, false},
      {"another control", 2385, 4004, 0, false, false},
  };
  RecordAll();
  Row(STG_MODULE_FONT_SUBST).event = saved_[STG_MODULE_FONT_SUBST].event;
  answering_ = 0;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    StgSetCallSrc(ctx_, k.callSrc);
    CONTROL_DESC control{};
    control.controlId = k.control;
    control.state = 0xF3;
    DIALOG_DESC dialog{};
    dialog.id = k.dialog;
    MODULE_CONTROL_STATE_ARG arg{&control, &dialog, 0};
    log_.clear();
    StgBroadcastModuleEvent(ctx_, 3, &arg);
    EXPECT_EQ(control.state, k.handled ? 0xF7u : 0xF3u);
    EXPECT_EQ(arg.handled, k.handled ? 1u : 0u);
    // An answer keeps the event from the rows after the font-substitution row.
    EXPECT_EQ(log_.back(), k.answered ? 5 : 9);
  }
}

TEST_F(Modules, SaveStampCommandIsTheWatermarkRows) {
  RecordAll();
  Row(STG_MODULE_WATERMARKS).command = saved_[STG_MODULE_WATERMARKS].command;
  answering_ = 0;
  StgBroadcastModuleCommand(ctx_, 327);
  EXPECT_EQ(log_, (std::vector<int>{0}));
  log_.clear();
  StgBroadcastModuleCommand(ctx_, 326);
  EXPECT_EQ(log_, (std::vector<int>{0, 2, 3, 4, 5, 6, 7, 8, 9}));
}

// ---------------------------------------------------------------------------------------------
// The driver API's ops.

TEST_F(Modules, OpsOutsideTheTableOrWithoutParametersAreRefused) {
  MODULE_OP_PARAMS p{};
  EXPECT_EQ(StgRunModuleOp(ctx_, 7, &p), 0);
  EXPECT_EQ(StgRunModuleOp(ctx_, 0xFFFFFFFFu, &p), 0);
  EXPECT_EQ(StgRunModuleOp(ctx_, 0, nullptr), 0);
  EXPECT_EQ(StgRunModuleOp(nullptr, 0, &p), 0);
}

TEST_F(Modules, ProfileOps) {
  MODULE_OP_PARAMS p{};
  p.p[0] = 99;
  EXPECT_EQ(StgRunModuleOp(ctx_, 0, &p), 1);
  EXPECT_EQ(p.p[0], 0u);  // no profiles stored
  // The mode control is bound to no setting outside the property sheets: nothing is copied.
  WCHAR text[STG_MODULE_OP_TEXT];
  std::fill(std::begin(text), std::end(text), u'x');
  p.ref = text;
  EXPECT_EQ(StgRunModuleOp(ctx_, 1, &p), 0);
  EXPECT_EQ(text[0], 0);
}

TEST_F(Modules, AddPageRefusesPagesTheRangeTextCannotHold) {
  struct Case {
    const char* what;
    DWORD first, last;
    int result;
  };
  const Case cases[] = {
      {"page 0", 0, 0, 0},
      {"first too large", 100000, 0, 0},
      {"last too large", 5, 4294967295u, 0},
      {"last before first", 9, 4, 0},
      {"one page", 99999, 0, 1},
      {"a range", 99998, 99999, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    MODULE_OP_PARAMS p{};
    p.p[0] = k.first;
    p.p[2] = k.last;
    p.p[3] = 77;
    EXPECT_EQ(StgRunModuleOp(ctx_, 2, &p), k.result);
    EXPECT_LE(p.p[3], 1u);  // 0 accepted, 1 refused: never left unset
  }
}

TEST_F(Modules, DeleteRowNeedsTheDriverApiRecord) {
  MODULE_OP_PARAMS p{};
  p.p[0] = 4;
  EXPECT_EQ(StgRunModuleOp(ctx_, 3, &p), 0);
  EXPECT_EQ(p.p[1], 1u);
  API_STATE api{};
  api.lastError = 5;
  ctx_->work->apiState = &api;
  p.p[1] = 0;
  EXPECT_EQ(StgRunModuleOp(ctx_, 3, &p), 1);
  EXPECT_EQ(api.chapterRowIndex, 4u);
  EXPECT_EQ(api.lastError, 5u);
  EXPECT_LE(p.p[1], 1u);
  ctx_->work->apiState = nullptr;
}

TEST_F(Modules, ClearAndCompareOps) {
  MODULE_OP_PARAMS p{};
  p.p[0] = 9;
  EXPECT_EQ(StgRunModuleOp(ctx_, 4, &p), 1);
  EXPECT_EQ(p.p[0], 0u);
  // Either list missing: they differ.
  EXPECT_EQ(StgRunModuleOp(ctx_, 6, &p), 1);
  EXPECT_EQ(p.p[2], 1u);
}

TEST_F(Modules, ReadRowTakesTheLastPageOfARange) {
  const WCHAR* ini = CfgGetIniPath(ctx_);
  const WCHAR* section = CfgGetPrinterName(ctx_);
  ASSERT_TRUE(ini && ini[0] && section && section[0]);
  kvtest::WriteMachineFile(ini, "");  // the driver INI that printer set-up leaves
  struct Case {
    const char* what;
    const char16_t* kind;
    const char16_t* range;
    DWORD last;
  };
  const Case cases[] = {
      {"range", u"3", u"12-15", 15},
      {"range of one page", u"3", u"12", 12},
      {"empty range: the page", u"3", u"", 12},
      {"range without its end", u"3", u"12-", 0},
      {"other kind: no range", u"0", u"12-15", 77},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ASSERT_TRUE(CfgIniWriteString(section, u"wdmChapterPage3", u"12", ini));
    CfgIniWriteString(section, u"wdmChapterKind3", k.kind, ini);
    CfgIniWriteString(section, u"wdmChapterTray3", u"7", ini);
    CfgIniWriteString(section, u"wdmChapterPrint3", u"2", ini);
    CfgIniWriteString(section, u"wdmChapterPageRange3", k.range, ini);
    MODULE_OP_PARAMS p{};
    p.p[0] = 2;  // the third row
    p.p[5] = 77;
    EXPECT_EQ(StgRunModuleOp(ctx_, 5, &p), 1);
    EXPECT_EQ(p.p[1], 12u);
    EXPECT_EQ(p.p[2], k.kind[0] == u'3' ? 3u : 0u);
    EXPECT_EQ(p.p[3], 7u);
    EXPECT_EQ(p.p[4], 2u);
    EXPECT_EQ(p.p[5], k.last);
  }
  // Rows the INI cannot hold read as empty.
  MODULE_OP_PARAMS p{};
  p.p[0] = 0x7FFFFFFF;
  EXPECT_EQ(StgRunModuleOp(ctx_, 5, &p), 1);
  EXPECT_EQ(p.p[1], 0u);
}

// ---------------------------------------------------------------------------------------------
// Switches.

TEST_F(Modules, ModelSwitches) {
  for (WORD f = 0; f < 6; ++f) EXPECT_EQ(StgIsModelFeatureOn(nullptr, f, 0), 1) << f;
  for (WORD f : {6, 7, 100, 65535}) EXPECT_EQ(StgIsModelFeatureOn(ctx_, f, 1), 0) << f;
  for (DWORD bit = 0; bit < 128; ++bit)
    EXPECT_EQ(StgIsFeatureBitSet(bit), bit == 2 || bit == 7 || bit == 11 || bit == 23) << bit;
  EXPECT_EQ(StgIsFeatureBitSet(0xFFFFFFFFu), 0);
  ctx_->work->capabilityMask = 0x5;
  EXPECT_EQ(StgHasCapability(ctx_, 1), 1);
  EXPECT_EQ(StgHasCapability(ctx_, 2), 0);
  EXPECT_EQ(StgHasCapability(ctx_, 6), 1);
  EXPECT_EQ(StgHasCapability(nullptr, 1), 0);
  for (WORD id : {1260, 1291, 1308, 1350, 1403, 1420, 0, 65535}) EXPECT_EQ(StgGetJudgeHookValue(ctx_, id), 0u) << id;
}

}  // namespace
