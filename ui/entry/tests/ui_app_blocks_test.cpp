// The application request block decoded field by field, the block made inert by its marker, the
// finisher trays, and the capability block built from the model's selectable values.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "settings/access.h"
#include "settings/setting_ids.h"
#include "ui_app_blocks.h"
#include "ui_fixture.h"
#include "ui_intake.h"
#include "ui_workers.h"

using namespace uitest;

namespace {

// -1 as the setting stores it: all ones in the setting's own width.
constexpr uint64_t kUnknown32 = 0xFFFFFFFFu;

class AppBlocks : public ModelPrinterTest {
 protected:
  void SetUp() override {
    ModelPrinterTest::SetUp();
    ctx_ = Open();
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    ModelPrinterTest::TearDown();
  }
  // The store's DEVMODE with a request block of the given bytes (marker valid).
  std::vector<BYTE> WithRequest(std::initializer_list<std::pair<size_t, BYTE>> bytes, WORD scale = 0) {
    std::vector<BYTE> dm = StoreDevmode(ctx_);
    APP_REQUEST_BLOCK block{};
    block.marker = UI_APP_REQUEST_VALID;
    block.scale = scale;
    for (auto [at, v] : bytes) reinterpret_cast<BYTE*>(&block)[at] = v;
    std::memcpy(dm.data() + UI_APP_REQUEST_OFFSET, &block, sizeof block);
    return dm;
  }
  // A setting's value in a DEVMODE, read through the context's typed access.
  uint64_t ValueIn(std::vector<BYTE>& dm, WORD id) {
    std::vector<BYTE> kept = StoreDevmode(ctx_);
    std::memcpy(ctx_->store->bytes, dm.data(), STG_DEVMODE_SIZE);
    uint64_t v = StgGetValue(ctx_, id, nullptr);
    std::memcpy(ctx_->store->bytes, kept.data(), STG_DEVMODE_SIZE);
    return v;
  }
  void SetInStore(WORD id, uint64_t v) { StgSetValue(ctx_, id, v); }
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(AppBlocks, InertWithoutTheMarker) {
  for (BYTE marker : {0, 2, 255}) {
    SCOPED_TRACE(int(marker));
    std::vector<BYTE> dm = WithRequest({{1, marker}, {0, UI_APP_REQUEST_RESET}, {7, 1}}, 150);
    std::vector<BYTE> before = dm, store = StoreBytes(ctx_);
    ctx_->work->mergeMode = 0;
    EXPECT_EQ(UiApplyAppRequest(ctx_, D(dm)), 1);
    EXPECT_EQ(dm, before);
    EXPECT_EQ(StoreBytes(ctx_), store);
    EXPECT_EQ(ctx_->work->mergeMode & UI_INTAKE_APP_REQUEST, 0u);
  }
}

TEST_F(AppBlocks, FieldsDecodeToTheirSettings) {
  struct Case {
    const char* what;
    size_t byte;
    BYTE code;
    WORD scale;
    WORD id;
    uint64_t expected;
  } cases[] = {
      {"duplex off", 2, 1, 0, sid::rdmFuncSelectDuplex, 0},
      {"duplex type 3", 2, 4, 0, sid::rdmDuplexType, 3},
      {"duplex unknown", 2, 9, 0, sid::rdmDuplexType, kUnknown32},
      {"sort type 4", 3, 3, 0, sid::rdmSortType, 4},
      {"sort on", 3, 2, 0, sid::rdmFuncSelectSort, 1},
      {"punch type 2", 4, 3, 0, sid::rdmPunchType, 2},
      {"staple 2", 5, 2, 0, sid::rdmStapleType, 34},
      {"staple 11", 5, 11, 0, sid::rdmStapleType, 50},
      {"staple 12", 5, 12, 0, sid::rdmStapleType, 49},
      {"staple 10", 5, 10, 0, sid::rdmStapleType, 66},
      {"staple unknown", 5, 13, 0, sid::rdmStapleType, kUnknown32},
      {"print area 2", 8, 2, 0, sid::rdmExtPrintArea, 1},
      {"scale 16388", 0, 0, 16388, sid::rdmScaleH, 80},
      {"scale 16385", 0, 0, 16385, sid::rdmScaleH, 67},
      {"scale 16391", 0, 0, 16391, sid::rdmScaleH, 115},
      {"scale 150", 0, 0, 150, sid::rdmScaleH, 150},
      {"scale 20000", 0, 0, 20000, sid::rdmScaleH, 20000},
      {"scale sets its type", 0, 0, 150, sid::rdmScaleType, 1},
      {"scale switches on", 0, 0, 150, sid::rdmFuncSelectScale, 1},
      {"n-up 3", 12, 3, 0, sid::rdmNUPType, 2},
      {"n-up 6 kind", 12, 6, 0, sid::rdmNUPPOSTKind, 2},
      {"n-up 6 type", 12, 6, 0, sid::rdmNUPType, 37},
      {"n-up off", 12, 1, 0, sid::rdmFuncSelectNup, 0},
      {"output paper A0", 13, 13, 0, sid::rdmOutPaperSize, 267},
      {"output paper B3", 13, 18, 0, sid::rdmOutPaperSize, 269},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<BYTE> dm = c.scale ? WithRequest({}, c.scale) : WithRequest({{c.byte, c.code}});
    ctx_->work->mergeMode = 0;
    ASSERT_EQ(UiApplyAppRequest(ctx_, D(dm)), 1);
    uint64_t expected = c.expected;
    if (expected == kUnknown32) expected = (uint64_t(1) << (8 * StgTypeLength(StgFindItem(ctx_, c.id)->type))) - 1;
    EXPECT_EQ(ValueIn(dm, c.id), expected);
    EXPECT_NE(ctx_->work->mergeMode & UI_INTAKE_APP_REQUEST, 0u);
  }
}

TEST_F(AppBlocks, RequestTouchesOnlyTheCallersCopy) {
  std::vector<BYTE> store = StoreDevmode(ctx_);
  std::vector<BYTE> dm = WithRequest({{12, 3}}, 150);
  ASSERT_EQ(UiApplyAppRequest(ctx_, D(dm)), 1);
  EXPECT_EQ(StoreDevmode(ctx_), store);
  EXPECT_EQ(ValueIn(dm, sid::rdmScaleH), 150u);
}

TEST_F(AppBlocks, NupTwoFollowsOrientation) {
  for (auto [orientation, type] : {std::pair<uint64_t, uint64_t>{1, 1}, {2, 3}}) {
    SCOPED_TRACE(orientation);
    SetInStore(sid::dmOrientation, orientation);
    std::vector<BYTE> dm = WithRequest({{12, 2}});
    ASSERT_EQ(UiApplyAppRequest(ctx_, D(dm)), 1);
    EXPECT_EQ(ValueIn(dm, sid::rdmNUPType), type);
    EXPECT_EQ(ValueIn(dm, sid::rdmNUPPOSTKind), 1u);
  }
}

TEST_F(AppBlocks, CollateFollowsSortEvenWithoutASortCode) {
  for (uint64_t sort : {0, 1}) {
    SCOPED_TRACE(sort);
    SetInStore(sid::rdmFuncSelectSort, sort);
    SetInStore(sid::dmCollate, 1 - sort);
    std::vector<BYTE> dm = WithRequest({});
    ASSERT_EQ(UiApplyAppRequest(ctx_, D(dm)), 1);
    EXPECT_EQ(ValueIn(dm, sid::dmCollate), sort);
  }
}

TEST_F(AppBlocks, FinisherTrays) {
  // No finisher: codes 14 and 15 take the end row's tray 0.
  for (BYTE code : {14, 15}) {
    std::vector<BYTE> dm = WithRequest({{6, code}});
    ASSERT_EQ(UiApplyAppRequest(ctx_, D(dm)), 1);
    EXPECT_EQ(ValueIn(dm, sid::rdmOutputTrayID), 0u) << int(code);
  }
  EXPECT_EQ(UiFindInstalledFinisher(ctx_), &FINISHER_TRAY_TABLE[UI_FINISHER_TRAY_ROWS]);
  SetInStore(10078, 1);
  ASSERT_EQ(UiFindInstalledFinisher(ctx_)->setting, 10078);
  struct Case {
    BYTE code;
    uint64_t tray;
  } cases[] = {{14, 7}, {15, 6}, {1, 0}, {3, 13}, {5, 15}, {13, 23}, {16, 14}, {17, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.code));
    std::vector<BYTE> dm = WithRequest({{6, c.code}});
    ASSERT_EQ(UiApplyAppRequest(ctx_, D(dm)), 1);
    EXPECT_EQ(ValueIn(dm, sid::rdmOutputTrayID) & 0xFFFF, c.tray);
  }
  EXPECT_EQ(UiIsFinisherTray(36, ' '), 1);
  EXPECT_EQ(UiIsFinisherTray(36, 'A'), 0);
  EXPECT_EQ(UiIsFinisherTray(37, 'A'), 1);
  EXPECT_EQ(UiIsFinisherTray(0xFFFF, 'A'), 1);  // a finisher without tray A
  EXPECT_EQ(UiIsFinisherTray(2, ' '), 0);
}

TEST_F(AppBlocks, RequestKeysGiveTheirBitsAndNothingElse) {
  EXPECT_EQ(UiSetRequestKey(ctx_, sid::rdmJobBinder, 0), 1u);
  EXPECT_EQ(UiSetRequestKey(ctx_, sid::rdmExtPrintArea, 1), 1u << 18);
  std::vector<BYTE> before = StoreBytes(ctx_);
  EXPECT_EQ(UiSetRequestKey(ctx_, sid::dmCollate, 1), 0u);
  EXPECT_EQ(StoreBytes(ctx_), before);
}

TEST_F(AppBlocks, ResetAndQueryRequests) {
  std::vector<BYTE> defaults = StoreDevmode(ctx_);
  SetInStore(sid::rdmScaleH, 123);
  std::vector<BYTE> dm = WithRequest({{0, UI_APP_REQUEST_RESET}});
  ASSERT_EQ(UiApplyAppRequest(ctx_, D(dm)), 1);
  EXPECT_EQ(ValueIn(dm, sid::rdmScaleH), StgGetValue(ctx_, sid::rdmScaleH, nullptr));
  EXPECT_NE(ValueIn(dm, sid::rdmScaleH), 123u);
  // The device does not answer here: the query requests fail and leave the copy as it was.
  dm = WithRequest({{0, UI_APP_REQUEST_QUERY}});
  std::vector<BYTE> before = dm;
  EXPECT_EQ(UiApplyAppRequest(ctx_, D(dm)), 0);
  EXPECT_EQ(dm, before);
}

TEST_F(AppBlocks, CapabilityBlockFromTheModel) {
  SetInStore(sid::rdmKcomMember, 0);
  std::vector<BYTE> dm = WithRequest({{7, 1}});
  std::memcpy(ctx_->store->bytes, dm.data(), STG_DEVMODE_SIZE);
  ASSERT_EQ(UiBuildAppCapsBlock(ctx_), 1);
  const BYTE* caps = ctx_->store->bytes + UI_APP_CAPS_OFFSET;
  const BYTE* request = ctx_->store->bytes + UI_APP_REQUEST_OFFSET;
  for (size_t i = 0; i < UI_APP_BLOCK_SIZE; ++i) EXPECT_EQ(request[i], 0) << i;
  // A roll-fed plotter: no duplex unit, collation but no puncher or stapler; trays without request
  // codes; 300 and 600 dpi, of which 600 has a code.
  EXPECT_EQ(caps[UI_CAPS_DUPLEX], 0);
  EXPECT_NE(caps[UI_CAPS_SORT], 0);
  EXPECT_EQ(caps[UI_CAPS_PUNCH], 0);
  EXPECT_EQ(caps[UI_CAPS_STAPLE], 0);
  EXPECT_EQ(caps[UI_CAPS_STAPLE + 1], 0);
  EXPECT_EQ(caps[3], 3);
  EXPECT_EQ(caps[UI_CAPS_TRAYS], 0x02);
  EXPECT_EQ(caps[UI_CAPS_RESOLUTIONS], 0x02);
  EXPECT_EQ(caps[11], 1);
  EXPECT_EQ(caps[12], 63);
  EXPECT_EQ(caps[17], 1);
  // The output papers the model offers include A0 (bit 0x10 of byte 14).
  EXPECT_NE(caps[UI_CAPS_PAPERS + 1] & 0x10, 0);
  for (size_t i = 18; i < UI_APP_BLOCK_SIZE; ++i) EXPECT_EQ(caps[i], 0) << i;
}

}  // namespace
