// The five modules of this library in their rows of the feature-module table: every command and event
// their rows answer reaches the right row through the broadcast and stops there; the others pass by.
#include <cstring>
#include <utility>
#include <vector>

#include "config/device_settings.h"
#include "config/resource_strings.h"
#include "kvplat/devmode.h"
#include "module_fixture.h"
#include "settings/feature_modules.h"

using namespace kvstgtest;

namespace {

class ModuleBroadcast : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    MODULE_VECTOR* v = ctx_->work->modules;
    ASSERT_NE(v, nullptr);
    real_.assign(v->rows, v->rows + v->count);
    Spy(std::make_integer_sequence<int, STG_MODULE_COUNT>());
  }
  void TearDown() override {
    if (ctx_) std::memcpy(ctx_->work->modules->rows, real_.data(), real_.size() * sizeof(FEATURE_MODULE));
    ModuleTest::TearDown();
  }

  // Spies around the real handlers: each logs its row and whether it answered.
  static inline std::vector<FEATURE_MODULE> real_;
  static inline std::vector<int> seen_;
  static inline int answered_ = -1;
  template <int N>
  static int EventSpy(SETTING_CONTEXT* c, DWORD e, void* a, void* d) {
    seen_.push_back(N);
    int r = real_[N].event ? real_[N].event(c, e, a, d) : 0;
    if (r) answered_ = N;
    return r;
  }
  template <int N>
  static int CommandSpy(SETTING_CONTEXT* c, WORD command, void* d) {
    seen_.push_back(N);
    int r = real_[N].command ? real_[N].command(c, command, d) : 0;
    if (r) answered_ = N;
    return r;
  }
  template <int... N>
  void Spy(std::integer_sequence<int, N...>) {
    FEATURE_MODULE* rows = ctx_->work->modules->rows;
    ((rows[N].event = &EventSpy<N>, rows[N].command = &CommandSpy<N>), ...);
  }
  void Check(int expected) {
    EXPECT_EQ(answered_, expected);
    // The broadcast stops at the answering row; without an answer every row is offered the call.
    ASSERT_FALSE(seen_.empty());
    EXPECT_EQ(seen_.back(), expected < 0 ? STG_MODULE_COUNT - 1 : expected);
    seen_.clear();
    answered_ = -1;
  }
};

TEST_F(ModuleBroadcast, EachEventReachesItsModuleAndStopsThere) {
  ITEM_DESC* media = StgFindItem(ctx_, sid::rdmMediaType);
  ITEM_DESC* chapterNum = StgFindItem(ctx_, sid::wdmChapterNum);
  ASSERT_TRUE(media && chapterNum);
  struct Case {
    DWORD event;
    int row;  // -1: nobody answers
    int argKind = 0;  // 0 a zeroed record; 1 a transfer record of rdmMediaType; 2 of wdmChapterNum;
                      // 3 a profile string id; 4 another string id
  };
  const Case cases[] = {
      {4, STG_MODULE_CHAPTERS, 1},  {4, -1, 2},  {5, STG_MODULE_CHAPTERS, 1}, {5, -1, 2},
      {8, STG_MODULE_CHAPTERS},     {9, STG_MODULE_CHAPTERS},     {10, STG_MODULE_CHAPTERS},
      {11, STG_MODULE_CHAPTERS},    {12, STG_MODULE_CHAPTERS},    {13, STG_MODULE_CHAPTERS},
      {15, STG_MODULE_COLOR_MATCHING}, {16, STG_MODULE_COLOR_MATCHING, 3}, {16, -1, 4},
      {17, STG_MODULE_JOB_SETTINGS}, {18, -1}, {21, STG_MODULE_JOB_SETTINGS}, {23, -1}, {24, -1},
      {30, STG_MODULE_JOB_SETTINGS}, {32, STG_MODULE_JOB_SETTINGS}, {34, STG_MODULE_JOB_SETTINGS},
      {35, STG_MODULE_JOB_SETTINGS}, {36, STG_MODULE_COLOR_MATCHING},
      {38, STG_MODULE_CUSTOM_SIZES}, {39, STG_MODULE_CUSTOM_SIZES}, {40, STG_MODULE_CUSTOM_SIZES},
      {41, STG_MODULE_CUSTOM_SIZES}, {42, STG_MODULE_CUSTOM_SIZES}, {43, STG_MODULE_CUSTOM_SIZES},
      {44, STG_MODULE_CUSTOM_SIZES}, {45, STG_MODULE_CUSTOM_SIZES}, {46, STG_MODULE_CUSTOM_SIZES},
      {47, STG_MODULE_CUSTOM_SIZES}, {51, STG_MODULE_CUSTOM_SIZES}, {55, STG_MODULE_CUSTOM_SIZES},
      {54, STG_MODULE_JOB_SETTINGS}, {56, STG_MODULE_COLOR_MATCHING}, {58, STG_MODULE_COLOR_MATCHING},
      {59, STG_MODULE_LOCKS},       {60, STG_MODULE_LOCKS},       {66, STG_MODULE_JOB_SETTINGS},
      {67, STG_MODULE_JOB_SETTINGS}, {1, -1}, {26, -1}, {52, -1}, {61, -1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "event " << k.event << " arg " << k.argKind);
    // Big enough and zeroed for every record (the DEVMODE of event 67 included).
    alignas(8) unsigned char record[sizeof(DEVMODEW) + 64] = {};
    CFG_DEVICE_SETTING_EVENT transfer{2, k.argKind == 1 ? media : chapterNum, 0};
    WCHAR text[STG_CMM_TEXT_CHARS] = {};
    CFG_STRING_ID_EVENT string{WORD(k.argKind == 3 ? 565 : 100), text};
    void* arg = record;
    if (k.argKind == 1 || k.argKind == 2) arg = &transfer;
    if (k.argKind == 3 || k.argKind == 4) arg = &string;
    EXPECT_EQ(StgBroadcastModuleEvent(ctx_, k.event, arg), STG_MODULE_COUNT);
    Check(k.row);
    if (k.argKind == 1 || k.argKind == 2) {
      EXPECT_EQ(transfer.handled, k.argKind == 1 ? 1u : 0u);
    }
  }
}

TEST_F(ModuleBroadcast, EachCommandReachesItsModule) {
  struct Case {
    WORD command;
    int row;
    bool defaultsLocked = false;
  };
  const Case cases[] = {
      {111, STG_MODULE_COLOR_MATCHING}, {117, STG_MODULE_COLOR_MATCHING}, {124, STG_MODULE_COLOR_MATCHING},
      {110, -1}, {125, -1},
      {303, STG_MODULE_CHAPTERS}, {307, STG_MODULE_CHAPTERS}, {302, -1}, {308, -1},
      {312, STG_MODULE_LOCKS}, {901, STG_MODULE_JOB_SETTINGS},
      {10000, -1}, {10000, STG_MODULE_LOCKS, true}, {11976, STG_MODULE_LOCKS, true},
      {9999, -1, true}, {11977, -1, true}, {326, -1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "command " << k.command << (k.defaultsLocked ? " locked" : ""));
    Set(10418, k.defaultsLocked ? 1 : 0);  // rdmLock000InfoBitDefault
    StgBroadcastModuleCommand(ctx_, k.command);
    Check(k.row);
  }
}

}  // namespace
