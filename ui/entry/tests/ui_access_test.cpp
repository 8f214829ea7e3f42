// The accessors the library adds (each reaches exactly its own byte) and its small switches.
#include <gtest/gtest.h>

#include <vector>

#include "settings/store.h"
#include "ui_access.h"
#include "ui_fixture.h"

using namespace uitest;

namespace {

TEST(UiAccess, DevmodeFieldsAtTheirOffsets) {
  std::vector<BYTE> dm(STG_DEVMODE_SIZE, 0);
  Put<WORD>(dm, DM_OFF_SIZE, 220);
  Put<WORD>(dm, DM_OFF_DRIVER_EXTRA, 1016);
  dm[810] = 0xA5;
  dm[446] = 3;
  Put<SHORT>(dm, 92, -2);
  EXPECT_EQ(StgGetDmPrivatePart(D(dm)), dm.data() + 220);
  EXPECT_EQ(StgGetDmMachineTypeBits(D(dm)), 0xA5);
  EXPECT_EQ(StgGetDmNupKind(D(dm)), 3);
  EXPECT_EQ(StgGetDmColor(D(dm)), -2);
  // A DEVMODE that does not reach a field answers 0 instead of reading past its end.
  Put<WORD>(dm, DM_OFF_DRIVER_EXTRA, 0);
  EXPECT_EQ(StgGetDmPrivatePart(D(dm)), nullptr);
  EXPECT_EQ(StgGetDmMachineTypeBits(D(dm)), 0);
  EXPECT_EQ(StgGetDmNupKind(D(dm)), 0);
  EXPECT_EQ(StgGetDmColor(D(dm)), -2);
  EXPECT_EQ(StgGetDmNupKind(nullptr), 0);
}

TEST(UiAccess, Switches) {
  struct Case {
    DWORD value, bit;
    int expect;
  };
  for (const Case& k : {Case{0x1FF, 8, 0}, Case{0x1FF, 7, 1}, Case{0x80, 7, 1}, Case{0x02, 0, 0}, Case{0x02, 1, 1},
                        Case{0xFFFFFFFF, 31, 0}}) {
    SCOPED_TRACE(testing::Message() << k.value << " bit " << k.bit);
    EXPECT_EQ(UiTestBit(k.value, k.bit), k.expect);
  }
  EXPECT_EQ(UiIsNot1020Or1025(0x10000 + 1020), 0);
  EXPECT_EQ(UiIsNot1020Or1025(1025), 0);
  EXPECT_EQ(UiIsNot1020Or1025(1021), 1);
  EXPECT_EQ(UiSwitchOff(), 0);
  DWORD n = 0;
  const NUP_STEP* steps = UiGetNupSteps(&n);
  ASSERT_EQ(n, 5u);
  EXPECT_EQ(steps[4].lockKey, 4);
  EXPECT_EQ(steps[4].pages, 16);
  EXPECT_EQ(UiGetNupSteps(nullptr), steps);
}

class UiAccessContext : public ModelPrinterTest {};

TEST_F(UiAccessContext, ConstantSettersWriteOnlyTheirEnvironmentByte) {
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  struct Case {
    void (*set)(SETTING_CONTEXT*);
    size_t offset;
    BYTE value;
  };
  const Case cases[] = {
      {StgSetCallSrcTo0, 1219, 0},      {StgSetBatchInstTo0, 1221, 0},     {StgSetPrintLogTo1, 1222, 1},
      {StgSetNoPermissionTo1, 1224, 1}, {StgSetUserCodeGetTo1, 1229, 1},   {StgSetPropertyTypeTo1, 1231, 1},
      {StgSetUserCodeDLLTo1, 1232, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.offset);
    std::memset(ctx->store->bytes + 1218, 0x77, 18);
    std::vector<BYTE> before = StoreBytes(ctx);
    k.set(ctx);
    std::vector<BYTE> after = StoreBytes(ctx);
    EXPECT_EQ(after[k.offset], k.value);
    after[k.offset] = before[k.offset];
    EXPECT_EQ(after, before);
  }
  // The family's getters read the bytes the setters write.
  StgSetUserCodeGetTo1(ctx);
  EXPECT_EQ(StgGetUserCodeGet(ctx), 1);
  StgReleaseContext(ctx, STG_RELEASE_FREE);
}

}  // namespace
