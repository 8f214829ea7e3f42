// Administrator lock data and custom media in printer data: locked values applied all or nothing, the
// default store's round trip, and custom media records bounded by the slots and the stored records.
#include <cstring>
#include <string>
#include <vector>

#include "config/ini.h"
#include "config/lock_data.h"
#include "config/paths.h"
#include "config/printer_data.h"
#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "settings/migrate.h"
#include "settings/setting_ids.h"
#include "settings/tests/platform_queries_fixture.h"

using namespace kvcfgtest;

namespace {

class LockData : public PlotterTest {
 protected:
  void PutDword(const WCHAR* name, DWORD v) { ASSERT_TRUE(CfgSetPrinterDataBinary(printer_, &v, 4, name)); }
  std::vector<BYTE> Value(const WCHAR* name) {
    DWORD type = 0, needed = 0;
    GetPrinterDataW(printer_, const_cast<LPWSTR>(name), &type, nullptr, 0, &needed);
    std::vector<BYTE> out(needed);
    if (needed && GetPrinterDataW(printer_, const_cast<LPWSTR>(name), &type, out.data(), needed, &needed) != ERROR_SUCCESS)
      out.clear();
    return out;
  }
  void SetName(int slot, const char16_t* name) {
    ITEM_DESC* row = StgFindItem(ctx_, (WORD)(sid::wdmCustomMedia1Name + slot));
    ASSERT_NE(row, nullptr);
    StgSetString(ctx_, row, name);
  }
  std::u16string Name(int slot) {
    ITEM_DESC* row = StgFindItem(ctx_, (WORD)(sid::wdmCustomMedia1Name + slot));
    WCHAR buf[300] = {};
    StgGetString(ctx_, row, buf);
    return S(buf);
  }
};

TEST_F(LockData, OnlyTheDuplexLockSetsOnlyItsSettings) {
  StgSetValue(ctx_, sid::rdmFuncSelectDuplex, 0);
  StgSetValue(ctx_, sid::rdmLock000InfoBitDuplex, 1);
  PutDword(u"LockDuplexTypeData", 2);
  PutDword(u"LockTrayData", 7);  // present, but its lock is off
  uint64_t tray = StgGetValue(ctx_, sid::dmDefaultSource, nullptr);
  uint64_t nup = StgGetValue(ctx_, sid::rdmFuncSelectNup, nullptr);
  EXPECT_EQ(CfgLoadLockData(printer_, ctx_), 1);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmFuncSelectDuplex, nullptr), 1u);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmDuplexType, nullptr), 2u);
  EXPECT_EQ(StgGetValue(ctx_, sid::dmDefaultSource, nullptr), tray);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmFuncSelectNup, nullptr), nup);
}

TEST_F(LockData, AMissingValueAppliesNothing) {
  StgSetValue(ctx_, sid::rdmFuncSelectDuplex, 0);
  StgSetValue(ctx_, sid::rdmLock000InfoBitTray, 1);
  StgSetValue(ctx_, sid::rdmLock000InfoBitDuplex, 1);
  PutDword(u"LockDuplexTypeData", 2);
  uint64_t type = StgGetValue(ctx_, sid::rdmDuplexType, nullptr);
  EXPECT_EQ(CfgLoadLockData(printer_, ctx_), 0);  // no "LockTrayData"
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmFuncSelectDuplex, nullptr), 0u);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmDuplexType, nullptr), type);
  // With every value there, all locks apply, the print type into both of its settings.
  PutDword(u"LockTrayData", 259);
  StgSetValue(ctx_, sid::rdmLock000InfoBitPrintType, 1);
  PutDword(u"LockPrnMethodData", 1);
  EXPECT_EQ(CfgLoadLockData(printer_, ctx_), 1);
  EXPECT_EQ(StgGetValue(ctx_, sid::dmDefaultSource, nullptr), 259u);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmPrnMethod, nullptr), 1u);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmLockPrnMethod, nullptr), 1u);
}

TEST_F(LockData, DefaultStoreRoundTripsAndNeedsItsCopy) {
  ASSERT_NE(ctx_->work->defaultCopy, nullptr);
  for (size_t i = 0; i < sizeof(SETTING_STORE); ++i) ctx_->work->defaultCopy->bytes[i] = (BYTE)(i * 7);
  SETTING_STORE written = *ctx_->work->defaultCopy;
  ASSERT_EQ(CfgSaveLockDefaultData(printer_, ctx_), 1);
  EXPECT_EQ(Value(u"LockDefaultData").size(), sizeof(SETTING_STORE));
  std::memset(ctx_->work->defaultCopy, 0, sizeof(SETTING_STORE));
  ASSERT_EQ(CfgLoadLockDefaultData(printer_, ctx_), 1);
  EXPECT_EQ(std::memcmp(ctx_->work->defaultCopy, &written, sizeof(SETTING_STORE)), 0);
  // A shorter value is no image of the store: nothing is taken.
  BYTE shortValue[100] = {1};
  ASSERT_TRUE(CfgSetPrinterDataBinary(printer_, shortValue, sizeof(shortValue), u"LockDefaultData"));
  EXPECT_EQ(CfgLoadLockDefaultData(printer_, ctx_), 0);
  EXPECT_EQ(std::memcmp(ctx_->work->defaultCopy, &written, sizeof(SETTING_STORE)), 0);
  SETTING_STORE* copy = ctx_->work->defaultCopy;
  ctx_->work->defaultCopy = nullptr;
  EXPECT_EQ(CfgSaveLockDefaultData(printer_, ctx_), 0);
  EXPECT_EQ(CfgLoadLockDefaultData(printer_, ctx_), 0);
  ctx_->work->defaultCopy = copy;
}

TEST_F(LockData, CustomMediaRoundTrip) {
  StgSetOptionValue(ctx_, sid::wdmCustomMediaMaxNum, 16);
  CfgResetCustomMedia(ctx_);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::wdmCustomMediaDataNum, nullptr), 16u);
  StgSetOptionValue(ctx_, sid::wdmCustomMediaDataNum, 3);
  for (int i = 0; i < 3; ++i) {
    StgSetOptionValue(ctx_, (WORD)(sid::wdmCustomMedia1Quot + i), (DWORD)(10 + i));
    StgSetOptionValue(ctx_, (WORD)(sid::wdmMedia1NameCharSet + i), (DWORD)(i + 1));
  }
  SetName(0, u"Satin");
  SetName(1, u"Canvas");
  SetName(2, u"Film");
  ASSERT_EQ(CfgSaveCustomMedia(printer_, ctx_), 1);
  EXPECT_EQ(Value(u"CustomMediaDataNum"), (std::vector<BYTE>{3, 0}));
  std::vector<BYTE> data = Value(u"CustomMediaData");
  ASSERT_EQ(data.size(), 16 * sizeof(CUSTOM_MEDIA_REC));
  const auto* recs = reinterpret_cast<const CUSTOM_MEDIA_REC*>(data.data());
  EXPECT_EQ(recs[1].quotient, 11u);
  EXPECT_STREQ(recs[1].name, "Canvas");

  CfgResetCustomMedia(ctx_);
  ASSERT_EQ(CfgLoadCustomMedia(printer_, ctx_), 1);
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::wdmCustomMediaDataNum, nullptr), 3u);
  EXPECT_EQ(Name(0), u"Satin");
  EXPECT_EQ(Name(2), u"Film");
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::wdmCustomMedia3Quot, nullptr), 12u);
  EXPECT_EQ(StgGetOptionValue(ctx_, (WORD)(sid::wdmMedia1NameCharSet + 2), nullptr), 3u);
  EXPECT_EQ(Name(3), u"");
  EXPECT_EQ(StgGetOptionValue(ctx_, sid::wdmCustomMedia4Quot, nullptr), 1u);
}

TEST_F(LockData, CustomMediaCountsAreBounded) {
  StgSetOptionValue(ctx_, sid::wdmCustomMediaMaxNum, 4);
  SetName(0, u"Kept");
  ASSERT_EQ(CfgSaveCustomMedia(printer_, ctx_), 1);
  EXPECT_EQ(Value(u"CustomMediaData").size(), 4 * sizeof(CUSTOM_MEDIA_REC));
  struct Case {
    const char* what;
    WORD count;
    DWORD records;
    int result;
  } cases[] = {{"count above the slots", 5, 4, 0},
               {"count beyond the records stored", 3, 2, 0},
               {"no count", 0, 4, 0},
               {"a count that fits", 2, 2, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(CfgSetPrinterDataBinary(printer_, &c.count, 2, u"CustomMediaDataNum"));
    std::vector<CUSTOM_MEDIA_REC> recs(c.records);
    std::memset(recs.data(), 'A', recs.size() * sizeof(CUSTOM_MEDIA_REC));  // names without terminators
    ASSERT_TRUE(CfgSetPrinterDataBinary(printer_, recs.data(), (DWORD)(recs.size() * sizeof(CUSTOM_MEDIA_REC)),
                                        u"CustomMediaData"));
    EXPECT_EQ(CfgLoadCustomMedia(printer_, ctx_), c.result);
    if (c.result) {
      EXPECT_EQ(Name(1), std::u16string(256, u'A'));
    } else {
      EXPECT_EQ(Name(0), u"");  // reset, nothing taken
    }
  }
  // A maximum above the table is held to its 16 rows.
  StgSetOptionValue(ctx_, sid::wdmCustomMediaMaxNum, 40);
  ASSERT_EQ(CfgSaveCustomMedia(printer_, ctx_), 1);
  EXPECT_EQ(Value(u"CustomMediaData").size(), 16 * sizeof(CUSTOM_MEDIA_REC));
}

// A section the settings-file read refuses (written for another language) is not loaded, and the
// rebuild takes the defaults from printer data instead of making the current settings the defaults.
TEST_F(LockData, ARefusedDefaultSectionKeepsTheStoredDefaults) {
  const std::u16string ini = CfgGetIniPath(ctx_);
  const std::u16string section = std::u16string(CfgGetPrinterName(ctx_)) + u".DefaultSection";
  auto scaleOf = [&](SETTING_STORE* store) {
    SETTING_STORE* current = ctx_->store;
    ctx_->store = store;
    uint64_t v = StgGetValue(ctx_, sid::rdmScaleType, nullptr);
    ctx_->store = current;
    return v;
  };
  StgSetValue(ctx_, sid::rdmScaleType, 1);
  kvtest::WriteMachineFile(ini, "");
  ASSERT_EQ(StgRebuildDefaultStore(ctx_), 1);
  ASSERT_EQ(scaleOf(ctx_->work->defaultCopy), 1u);
  StgSetValue(ctx_, sid::rdmScaleType, 2);
  WCHAR language[16];
  ASSERT_GT(CfgIniGetString(section.c_str(), u"RstLanguage", u"", language, 16, ini.c_str()), 0u);
  ASSERT_TRUE(CfgIniWriteString(section.c_str(), u"RstLanguage", std::u16string(language) == u"9" ? u"10" : u"9",
                                ini.c_str()));
  EXPECT_EQ(StgLoadDefaultSection(ctx_), 0);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmScaleType, nullptr), 2u);
  ASSERT_EQ(StgRebuildDefaultStore(ctx_), 1);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmScaleType, nullptr), 2u);
  EXPECT_EQ(scaleOf(ctx_->work->defaultCopy), 1u);
  std::memset(ctx_->work->defaultCopy, 0, sizeof(SETTING_STORE));
  ASSERT_EQ(CfgLoadLockDefaultData(ctx_->printer, ctx_), 1);
  EXPECT_EQ(scaleOf(ctx_->work->defaultCopy), 1u);
  // The section is written again from those defaults, for the current language.
  EXPECT_EQ(StgLoadDefaultSection(ctx_), 1);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmScaleType, nullptr), 1u);
}

}  // namespace
