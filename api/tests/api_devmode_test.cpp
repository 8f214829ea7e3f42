// DEVMODE and quality exports.
#include <cstring>
#include <vector>

#include "api_devmode.h"
#include "api_fixture.h"
#include "settings/access.h"
#include "settings/setting_ids.h"
#include "settings/store.h"

namespace {

using apitest::ApiTest;

class ApiDevmode : public ApiTest {
 protected:
  uint64_t Get(API_HANDLE h, WORD id) { return StgGetValue(Ctx(h), id, nullptr); }
  void Set(API_HANDLE h, WORD id, uint64_t v) { StgSetValue(Ctx(h), id, v); }
};

TEST_F(ApiDevmode, FlagsDecideTheBranch) {
  struct Case {
    int flags;
    int result;
    int error;         // last error afterwards (7 was stored before the call)
    bool freshStore;   // the rebuild branch replaces the store
  } cases[] = {
      {0x1, 1236, 0, false},  {0x2, 1236, 0, true},   {0x4, 1236, 7, false}, {0x3, 1236, 0, false},
      {0x6, 1236, 0, true},   {0x11, 1236, 0, false}, {0x10, -1, 1, false},  {0x0, -1, 1, false},
      {0x8, -1, 1, false},    {0x40, -1, 1, false},
  };
  API_HANDLE h = Open(16);
  ASSERT_NE(h, 0u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    ApiSetLastError(h, API_ERROR_REFUSED);
    SETTING_STORE* before = Ctx(h)->store;
    std::vector<BYTE> out(1236, 0xCC);
    EXPECT_EQ(ZARNDrvGetDevmode(h, c.flags, out.data()), c.result);
    EXPECT_EQ(ZARNDrvGetLastError(h), c.error);
    EXPECT_EQ(Ctx(h)->store != before, c.freshStore);
    if (c.result > 0) {
      const auto* dm = reinterpret_cast<const API_DRIVER_DEVMODEW*>(out.data());
      EXPECT_EQ(dm->pub.dmSize, 220);
      EXPECT_EQ(dm->pub.dmDriverExtra, API_DEVMODE_PRIVATE_BYTES);
      EXPECT_EQ(0, std::memcmp(out.data(), Ctx(h)->store, 1236));
    } else {
      EXPECT_EQ(out, std::vector<BYTE>(1236, 0xCC));
    }
    EXPECT_EQ(Ctx(h)->printer, nullptr);  // the export's printer handle is closed and forgotten
  }
  ZARNDrvDisable(h);
}

TEST_F(ApiDevmode, ANullBufferAsksForTheSizeAndStillBuilds) {
  API_HANDLE h = Open(16);
  Set(h, sid::dmCopies, 7);
  EXPECT_EQ(ZARNDrvGetDevmode(h, API_DEVMODE_DEFAULTS, nullptr), 1236);
  EXPECT_EQ(Get(h, sid::dmCopies), 1u);
  ZARNDrvDisable(h);
}

TEST_F(ApiDevmode, PrintNotificationNeedsVersionTen) {
  for (int version : {9, 10}) {
    SCOPED_TRACE(version);
    API_HANDLE h = Open(version);
    // Without the print-notification library the query marks both functions as unsupported.
    Set(h, sid::rdmSupportFunc2SelectJobComplete, 1);
    EXPECT_EQ(ZARNDrvGetDevmode(h, API_DEVMODE_REFRESH | API_DEVMODE_NOTIFY, nullptr), 1236);
    EXPECT_EQ(Get(h, sid::rdmSupportFunc2SelectJobComplete), version >= 10 ? 0u : 1u);
    ZARNDrvDisable(h);
  }
}

TEST_F(ApiDevmode, LockedDefaultsSkipTheReloadAndTheCountryPaper) {
  for (bool locked : {false, true}) {
    SCOPED_TRACE(locked);
    API_HANDLE h = Open(16);
    Set(h, 10418, locked ? 1 : 0);
    Set(h, sid::dmCopies, 7);
    EXPECT_EQ(ZARNDrvGetDevmode(h, API_DEVMODE_DEFAULTS, nullptr), 1236);
    // Without stored locked defaults the current settings stand for them.
    EXPECT_EQ(Get(h, sid::dmCopies), locked ? 7u : 1u);
    ZARNDrvDisable(h);
  }
}

TEST_F(ApiDevmode, MergeTakesTheCallersDevmode) {
  API_HANDLE h = Open(16);
  std::vector<BYTE> in(1236), out(1236, 0xCC);
  ASSERT_EQ(ZARNDrvGetDevmode(h, API_DEVMODE_DEFAULTS, in.data()), 1236);
  // Without an input: last error 5, nothing written.
  EXPECT_EQ(ZARNDrvGetDevmodeEx(h, API_DEVMODE_MERGE, out.data(), nullptr), -1);
  EXPECT_EQ(ZARNDrvGetLastError(h), API_ERROR_NO_INPUT);
  EXPECT_EQ(out, std::vector<BYTE>(1236, 0xCC));
  // Other flags than exactly 8 (and without 0x1, 0x2, 0x4): last error 1.
  EXPECT_EQ(ZARNDrvGetDevmodeEx(h, 0x18, out.data(), in.data()), -1);
  EXPECT_EQ(ZARNDrvGetLastError(h), API_ERROR_FLAGS);
  // A custom paper's length and width survive the merge, and the paper code no longer counts.
  auto* dm = reinterpret_cast<API_DRIVER_DEVMODEW*>(in.data());
  dm->pub.dmFields |= API_DM_PAPERSIZE | API_DM_PAPERLENGTH | API_DM_PAPERWIDTH;
  dm->pub.dmPaperSize = 256;
  dm->pub.dmPaperWidth = 2500;
  dm->pub.dmPaperLength = 3000;
  dm->pub.dmCopies = 3;
  EXPECT_EQ(ZARNDrvGetDevmodeEx(h, API_DEVMODE_MERGE, out.data(), in.data()), 1236);
  const auto* merged = reinterpret_cast<const API_DRIVER_DEVMODEW*>(out.data());
  EXPECT_EQ(merged->pub.dmPaperWidth, 2500);
  EXPECT_EQ(merged->pub.dmPaperLength, 3000);
  EXPECT_EQ(merged->pub.dmFields & API_DM_PAPERSIZE, 0u);
  EXPECT_EQ(merged->pub.dmCopies, 3);
  // Flags holding 0x1 read no input at all.
  EXPECT_EQ(ZARNDrvGetDevmodeEx(h, API_DEVMODE_DEFAULTS, out.data(), nullptr), 1236);
  ZARNDrvDisable(h);
}

TEST_F(ApiDevmode, QualityRestoreBringsBackQualityAndMacrosOnly) {
  API_HANDLE h = Open(16);
  Set(h, sid::rdmBrightness, 3);
  Set(h, sid::rdmPrintMacro, 2);
  Set(h, sid::dmCopies, 1);
  EXPECT_EQ(ZARNDrvSaveQualityData(h), 1);
  Set(h, sid::rdmBrightness, 9);
  Set(h, sid::rdmPrintMacro, 5);
  Set(h, sid::dmCopies, 4);
  EXPECT_EQ(ZARNDrvRestoreQualityData(h), 1);
  EXPECT_EQ(Get(h, sid::rdmBrightness), 3u);
  EXPECT_EQ(Get(h, sid::rdmPrintMacro), 2u);
  EXPECT_EQ(Get(h, sid::dmCopies), 4u);
  ZARNDrvDisable(h);
}

TEST_F(ApiDevmode, SavedValuesAreReadInsideTheStoreOnly) {
  API_HANDLE h = Open(16);
  SETTING_STORE saved = *Ctx(h)->store;
  ITEM_DESC* row = StgFindItem(Ctx(h), sid::rdmBrightness);
  ASSERT_NE(row, nullptr);
  EXPECT_NE(ApiFindSavedValue(row, &saved), nullptr);
  // A block offset that points past the store gives no value.
  saved.bytes[361 + 2 * ((row->type >> 30) - 1)] = 0xFF;
  saved.bytes[362 + 2 * ((row->type >> 30) - 1)] = 0xFF;
  EXPECT_EQ(ApiFindSavedValue(row, &saved), nullptr);
  EXPECT_EQ(ApiReadSavedValue(row, &saved), 0u);
  ZARNDrvDisable(h);
}

}  // namespace
