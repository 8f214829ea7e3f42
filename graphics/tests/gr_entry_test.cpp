// Exported entry points: driver information, enabling and the hook table.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "gr_hooks.h"
#include "gr_pdev.h"
#include "kvplat/error.h"

namespace {

TEST(GrEntry, QueryDriverInfo) {
  struct Case {
    DWORD query, size;
    bool buffer;
    BOOL result;
    DWORD error, needed;
  } cases[] = {
      {DRVQUERY_USERMODE, 4, true, TRUE, 0, 4},
      {DRVQUERY_USERMODE, 8, true, TRUE, 0, 4},
      {DRVQUERY_USERMODE, 3, true, FALSE, ERROR_INSUFFICIENT_BUFFER, 4},
      {DRVQUERY_USERMODE, 4, false, FALSE, ERROR_INSUFFICIENT_BUFFER, 4},
      {2, 4, true, FALSE, ERROR_INVALID_PARAMETER, 0xEEEE},
      {0, 4, true, FALSE, ERROR_INVALID_PARAMETER, 0xEEEE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.query << "/" << c.size << "/" << c.buffer);
    BYTE buf[8];
    std::memset(buf, 0xCD, sizeof(buf));
    DWORD needed = 0xEEEE;
    SetLastError(0);
    EXPECT_EQ(DrvQueryDriverInfo(c.query, c.buffer ? buf : nullptr, c.size, &needed), c.result);
    EXPECT_EQ(needed, c.needed);
    if (c.result) {
      DWORD v;
      std::memcpy(&v, buf, 4);
      EXPECT_EQ(v, 1u);
      EXPECT_EQ(buf[4], 0xCD);
    } else {
      EXPECT_EQ(GetLastError(), c.error);
      EXPECT_EQ(buf[0], 0xCD);
    }
  }
}

TEST(GrEntry, EnableDriverChecksVersionAndSize) {
  struct Case {
    ULONG version, size;
    BOOL result;
    DWORD error;
  } cases[] = {
      {0x30000, 16, TRUE, 0},           {ENG_DDI_VERSION, 16, TRUE, 0},
      {0x2FFFF, 16, FALSE, ERROR_BAD_DRIVER_LEVEL}, {0x20000, 16, FALSE, ERROR_BAD_DRIVER_LEVEL},
      {0x30000, 15, FALSE, ERROR_INVALID_PARAMETER}, {0x30000, 8, FALSE, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.version << " " << std::dec << c.size);
    // The caller's record is only as large as it says; nothing may be written past it or on failure.
    BYTE buf[sizeof(DRVENABLEDATA) + 8];
    std::memset(buf, 0xAB, sizeof(buf));
    SetLastError(0);
    EXPECT_EQ(DrvEnableDriver(c.version, c.size, reinterpret_cast<DRVENABLEDATA*>(buf)), c.result);
    if (!c.result) {
      EXPECT_EQ(GetLastError(), c.error);
      for (BYTE b : buf) ASSERT_EQ(b, 0xAB);
      continue;
    }
    DRVENABLEDATA ded;
    std::memcpy(&ded, buf, sizeof(ded));
    EXPECT_EQ(ded.iDriverVersion, 0x30101u);
    EXPECT_EQ(ded.c, 30u);
    EXPECT_EQ(ded.pdrvfn, GR_HOOK_TABLE);
    for (size_t i = sizeof(DRVENABLEDATA); i < sizeof(buf); ++i) ASSERT_EQ(buf[i], 0xAB);
  }
}

TEST(GrEntry, HookTableHoldsTheThirtyHooksInSlotOrder) {
  const ULONG indexes[30] = {0, 2, 1, 7, 3, 4, 33, 32, 35, 34, 57, 58, 18, 20, 14,
                             15, 16, 12, 24, 37, 13, 19, 26, 28, 27, 64, 65, 69, 53, 23};
  std::set<PFN> hooks;
  for (int i = 0; i < 30; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(GR_HOOK_TABLE[i].iFunc, indexes[i]);
    EXPECT_NE(GR_HOOK_TABLE[i].pfn, nullptr);
    hooks.insert(GR_HOOK_TABLE[i].pfn);
  }
  EXPECT_EQ(hooks.size(), 30u);
  EXPECT_EQ(GR_HOOK_TABLE[0].pfn, reinterpret_cast<PFN>(&DrvEnablePDEV));
  EXPECT_EQ(GR_HOOK_TABLE[4].pfn, reinterpret_cast<PFN>(&DrvEnableSurface));
  EXPECT_EQ(GR_HOOK_TABLE[11].pfn, reinterpret_cast<PFN>(&DrvNextBand));
}

}  // namespace
