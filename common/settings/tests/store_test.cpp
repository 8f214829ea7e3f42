// The settings store: the default store and its header, the state bytes, resets that keep the font
// lists and locked settings, and the store accessors.
#include <cstring>
#include <string>

#include "config/driver_lists.h"
#include "context_fixture.h"
#include "driverdata/img_image.h"
#include "kvplat/sysinfo.h"
#include "settings/platform_queries.h"
#include "tests/stand_ins/stand_in_answer.h"

using namespace kvstgtest;

namespace {

class Store : public ContextTest {};

TEST_F(Store, DefaultStoreHeader) {
  FakePrinter p(u"P");
  SETTING_CONTEXT* c = Create(p);
  ASSERT_NE(c, nullptr);
  const BYTE* dm = c->store->bytes;
  EXPECT_EQ(std::memcmp(dm + 220, "ZARN", 4), 0);
  const BYTE modelId[4] = {0x70, 0x72, 0x69, 0x76};
  EXPECT_EQ(std::memcmp(dm + 349, modelId, 4), 0);
  DWORD size, version;
  WORD offsets[3], dmSize, dmExtra, spec, drv;
  std::memcpy(&size, dm + 353, 4);
  std::memcpy(&version, dm + 357, 4);
  std::memcpy(offsets, dm + 361, 6);
  std::memcpy(&spec, dm + 64, 2);
  std::memcpy(&drv, dm + 66, 2);
  std::memcpy(&dmSize, dm + 68, 2);
  std::memcpy(&dmExtra, dm + 70, 2);
  EXPECT_EQ(size, 1016u);
  EXPECT_EQ(version, 322u);
  EXPECT_EQ(offsets[0], 0);
  EXPECT_EQ(offsets[1], 1236);
  EXPECT_EQ(offsets[2], 6500);
  EXPECT_EQ(dm[368], 104);
  EXPECT_EQ(dmSize, 220);
  EXPECT_EQ(dmExtra, 1016);
  EXPECT_EQ(spec, 0x401);
  EXPECT_EQ(drv, 0x400);
  EXPECT_EQ(StgGetValue(c, QDV_rdmJobBinder, nullptr), 0u);
  WCHAR text[64];
  StgGetString(c, StgFindItem(c, QDV_wdmDriverVersion), text);
  EXPECT_EQ(std::u16string(text), u"8.63");
  StgGetString(c, StgFindItem(c, QDV_rdmHFFontName), text);
  EXPECT_EQ(std::u16string(text), u"Arial");
  StgReleaseContext(c, STG_RELEASE_FREE);
}

TEST_F(Store, StateBytesFollowThePrinterAndTheCreator) {
  struct Case {
    const char* what;
    bool remote, bidi;
    WORD flags;
    BYTE server, bidiSupport, admin;
  };
  const Case cases[] = {
      {"local", false, false, 0, 0, 0, 0},
      {"remote with bidi", true, true, 0, 1, 1, 0},
      {"assume admin", false, false, STG_CF_ASSUME_ADMIN, 0, 0, 1},
  };
  // The creator is not an administrator: only the assume-admin flag makes the byte 1.
  kvp::ProfileSet("Administrator", "0");
  StgResetPlatformQueryCaches();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    FakePrinter p(u"P");
    if (k.remote) p.server = u"\\\\srv";
    if (k.bidi) p.attributes = 0x800;
    SETTING_CONTEXT* c = Create(p, k.flags);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(StgGetCallSrc(c), 1);
    EXPECT_EQ(StgGetOSKind(c), StgIsNt5OrLater() ? 2 : 1);
    EXPECT_EQ(StgGetBatchInst(c), 1);
    EXPECT_EQ(StgGetPrintLog(c), 0);
    EXPECT_EQ(StgGetServerClientMode(c), k.server);
    EXPECT_EQ(StgGetBidiSupport(c), k.bidiSupport);
    EXPECT_EQ(StgGetAdmin(c), k.admin);
    EXPECT_EQ(StgGetDmAdmin(StgGetDevmode(c)), k.admin);
    EXPECT_EQ(StgGetTVInstalled(c), 0);
    StgReleaseContext(c, STG_RELEASE_FREE);
  }
}

TEST_F(Store, StateAccessorsWriteWithoutMarks) {
  FakePrinter p(u"P");
  SETTING_CONTEXT* c = Create(p);
  c->work->storeModified = 0;
  StgSetBiDirectTo1(c);
  StgSetOSKindTo3(c);
  StgSetTSE(c, 1);
  EXPECT_EQ(c->store->bytes[1223], 1);
  EXPECT_EQ(c->store->bytes[1220], 3);
  EXPECT_EQ(StgGetTSE(c), 1);
  EXPECT_EQ(StgGetDmTSE(StgGetDevmode(c)), 1);
  EXPECT_EQ(c->work->storeModified, 0u);
  StgReleaseContext(c, STG_RELEASE_FREE);
}

TEST_F(Store, ResetKeepsFontListsAndLockedSettings) {
  FakePrinter p(u"P");
  SETTING_CONTEXT* c = Create(p);
  void* list = StgAllocZero(68);
  StgSetValue(c, QDV_rdmDeviceFontNum, 1);
  StgSetValue(c, QDV_rdmDeviceFont, (uint64_t)(uintptr_t)list);
  StgSetValue(c, QDV_dmDefaultSource, 4);
  StgSetValue(c, 10419, 1);  // tray lock
  StgSetValue(c, QDV_dmPrintQuality, 1200);
  StgResetAllItems(c);
  EXPECT_EQ(StgGetValue(c, QDV_rdmDeviceFont, nullptr), (uint64_t)(uintptr_t)list);
  EXPECT_EQ(StgGetValue(c, QDV_rdmDeviceFontNum, nullptr), 1u);
  EXPECT_EQ(StgGetValue(c, QDV_dmDefaultSource, nullptr), 4u);
  EXPECT_EQ(StgGetOptionValue(c, QDV_dmPrintQuality, nullptr), ImgGetDefaultValue(c, QDV_dmPrintQuality));
  // Without the lock the tray goes back to its compiled default.
  StgSetValue(c, 10419, 0);
  StgResetAllItems(c);
  EXPECT_EQ(StgGetOptionValue(c, QDV_dmDefaultSource, nullptr), ImgGetDefaultValue(c, QDV_dmDefaultSource));
  StgReleaseContext(c, STG_RELEASE_FREE);
}

TEST_F(Store, EveryFullBuildModeMakesAValidStore) {
  FakePrinter p(u"P");
  for (WORD mode : {0, 1, 2, 3, 0x301, 0x701}) {
    SCOPED_TRACE(mode);
    SETTING_CONTEXT* c = Create(p, mode);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(StgIsValidPrivateDevmode(StgGetDevmode(c)));
    EXPECT_EQ(StgGetCallSrc(c), 1);
    StgReleaseContext(c, STG_RELEASE_FREE);
  }
}

TEST_F(Store, OtherTextAndDefaultRst) {
  FakePrinter p(u"P");
  SETTING_CONTEXT* c = Create(p);
  StgFillOtherText(c);
  ITEM_DESC* row = StgFindItem(c, QDV_rdmOther);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(std::string((const char*)StgGetValuePtr(c, row)), "a202010007d036");
  WCHAR path[260];
  EXPECT_EQ(StgGetDefaultRstPath(path, c), 0);  // no driver INI path yet
  EXPECT_EQ(path[0], 0);
  StgReleaseContext(c, STG_RELEASE_FREE);
}

}  // namespace
