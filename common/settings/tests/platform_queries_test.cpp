// Platform queries: spooler records, the printer answers cached in a context, version classes,
// terminal-server mode through the version test and the terminal-server library, the administrator
// test, and the root macros.
#include <cstring>

#include "platform_queries_fixture.h"

using namespace kvcfgtest;

class PlatformQueries : public MachineTest {};

TEST_F(PlatformQueries, SpoolerRecordsThroughTheSizeProtocol) {
  HANDLE h = AddPrinter(u"Plotter");
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(h, 2));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(S(info->pPrinterName), u"Plotter");
  StgFree(info);
  auto* drv = static_cast<DRIVER_INFO_3W*>(StgGetPrinterDriverInfo(h, 3));
  ASSERT_NE(drv, nullptr);
  EXPECT_EQ(S(drv->pDriverPath), std::u16string(kDriverDir) + u"kvdrvgr.dll");
  StgFree(drv);
  // A handle that is not a printer: no record, nothing leaked.
  EXPECT_EQ(StgGetPrinterInfo((HANDLE)0x7777, 2), nullptr);
  EXPECT_EQ(StgGetPrinterDriverInfo((HANDLE)0x7777, 3), nullptr);
  EXPECT_EQ(StgGetPrinterInfo(h, 99), nullptr);
}

TEST_F(PlatformQueries, RemoteStateIsCachedAtCreation) {
  HANDLE remote = AddPrinter(u"Far", 0, u"\\\\SRV");
  HANDLE local = AddPrinter(u"Near");
  EXPECT_EQ(StgIsRemotePrinterHandle(remote), 1);
  EXPECT_EQ(StgQueryRemotePrinter(local), 0);
  SETTING_CONTEXT* r = Context(remote);
  SETTING_CONTEXT* l = Context(local);
  ASSERT_TRUE(r && l);
  // Creation read the level-2 record; with the handles closed the answers come from the cache.
  for (HANDLE h : open_) ClosePrinter(h);
  open_.clear();
  EXPECT_EQ(StgIsRemotePrinter(r), 1);
  EXPECT_EQ(StgIsRemotePrinter(l), 0);
  EXPECT_EQ(S(r->work->printerName), u"\\\\SRV\\Far");
  EXPECT_EQ(S(r->work->driverName), kDriver);
  StgReleaseContext(r, STG_RELEASE_FREE);
  StgReleaseContext(l, STG_RELEASE_FREE);
  // A record that cannot be read counts as local.
  SETTING_CONTEXT* none = Context((HANDLE)0x7777);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(StgIsRemotePrinter(none), 0);
  EXPECT_EQ(none->work->printerLocation, 2u);
  EXPECT_EQ(StgIsBidiEnabled(none), 0);
  StgReleaseContext(none, STG_RELEASE_FREE);
}

TEST_F(PlatformQueries, OverLongNamesAreCutInTheCache) {
  HANDLE h = AddPrinter(u"Plotter");
  SETTING_CONTEXT* c = Context(h);
  ASSERT_NE(c, nullptr);
  std::u16string printer(400, u'p'), driver(100, u'd'), server = u"\\\\S";
  PRINTER_INFO_2W info{};
  info.pPrinterName = printer.data();
  info.pDriverName = driver.data();
  info.pServerName = server.data();
  info.Attributes = PRINTER_ATTRIBUTE_ENABLE_BIDI;
  c->work->printerName[0] = 0;
  c->work->driverName[0] = 0;
  c->work->printerLocation = 0;
  c->work->attributesKnown = 0;
  StgCachePrinterInfo(&info, c);
  EXPECT_EQ(S(c->work->printerName), printer.substr(0, 260));
  EXPECT_EQ(S(c->work->driverName), driver.substr(0, 31));
  EXPECT_EQ(StgIsRemotePrinter(c), 1);
  EXPECT_EQ(StgIsBidiEnabled(c), 1);
  // Known values are not taken again.
  info.Attributes = 0;
  info.pServerName = nullptr;
  StgCachePrinterInfo(&info, c);
  EXPECT_EQ(StgIsBidiEnabled(c), 1);
  EXPECT_EQ(StgIsRemotePrinter(c), 1);
  StgCachePrinterInfo(nullptr, c);
  StgCachePrinterInfo(&info, nullptr);
  StgReleaseContext(c, STG_RELEASE_FREE);
}

TEST_F(PlatformQueries, BidiAttributeAndItsCache) {
  HANDLE bidi = AddPrinter(u"Bidi", PRINTER_ATTRIBUTE_ENABLE_BIDI | PRINTER_ATTRIBUTE_SHARED);
  HANDLE plain = AddPrinter(u"Plain");
  SETTING_CONTEXT* b = Context(bidi);
  SETTING_CONTEXT* p = Context(plain);
  ASSERT_TRUE(b && p);
  EXPECT_EQ(StgIsBidiEnabled(b), 1);
  EXPECT_EQ(StgIsBidiEnabled(p), 0);
  EXPECT_EQ(TestPrinterAttribute(PRINTER_ATTRIBUTE_SHARED | PRINTER_ATTRIBUTE_ENABLE_BIDI, b),
            (DWORD)(PRINTER_ATTRIBUTE_SHARED | PRINTER_ATTRIBUTE_ENABLE_BIDI));
  // Attributes not yet taken are read on demand and then kept.
  b->work->attributesKnown = 0;
  b->work->printerAttributes = 0;
  EXPECT_EQ(StgIsBidiEnabled(b), 1);
  EXPECT_EQ(b->work->attributesKnown, 1u);
  StgReleaseContext(b, STG_RELEASE_FREE);
  StgReleaseContext(p, STG_RELEASE_FREE);
}

TEST_F(PlatformQueries, VersionClasses) {
  struct Case {
    const char *major, *minor, *product, *platform;
    int nt5, server2003, vista, win9x, win98;
  };
  const Case cases[] = {
      {"4", "10", "1", "1", 0, 0, 0, 1, 1},  // 98
      {"4", "0", "1", "1", 0, 0, 0, 1, 0},   // 95
      {"5", "1", "1", "2", 1, 0, 0, 0, 0},   // NT5 workstation
      {"5", "2", "1", "2", 1, 0, 0, 0, 0},   // 5.2 workstation
      {"5", "2", "3", "2", 1, 1, 0, 0, 0},   // 5.2 server
      {"6", "0", "1", "2", 1, 1, 1, 0, 0},
      {"10", "0", "1", "2", 1, 1, 1, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.major) + "." + k.minor + " type " + k.product);
    SetSwitch("OSMajor", k.major);
    SetSwitch("OSMinor", k.minor);
    SetSwitch("ProductType", k.product);
    SetSwitch("PlatformId", k.platform);
    EXPECT_EQ(StgIsNt5OrLater(), k.nt5);
    EXPECT_EQ(StgIsServer2003OrLater(), k.server2003);
    EXPECT_EQ(StgIsVistaOrLater(), k.vista);
    EXPECT_EQ(StgIsWin9x(), k.win9x);
    EXPECT_EQ(StgIsWin98OrMe(), k.win98);
  }
  OSVERSIONINFOW v;
  std::memset(&v, 0x5A, sizeof v);
  EXPECT_TRUE(StgQueryOsVersion(&v));
  EXPECT_EQ(v.dwOSVersionInfoSize, 276u);
  EXPECT_FALSE(StgQueryOsVersion(nullptr));
}

TEST_F(PlatformQueries, TerminalServerByVersionAndLibrary) {
  HANDLE h = AddPrinter(u"Plotter");
  // Without a handle: the version test, which follows the system profile.
  SetSwitch("TerminalServer", "1");
  EXPECT_EQ(StgIsTerminalServerMode(nullptr), 1);
  SetSwitch("TerminalServer", "0");
  EXPECT_EQ(StgIsTerminalServerMode(nullptr), 0);
  // An old system takes the version path even with a handle.
  SetSwitch("OSMajor", "5");
  SetSwitch("OSMinor", "1");
  SetSwitch("TerminalServer", "1");
  EXPECT_EQ(StgIsTerminalServerMode(h), 1);
  // A newer system asks the library in the driver folder; a missing library answers 0.
  SetSwitch("OSMajor", "10");
  EXPECT_EQ(StgIsTerminalServerMode(h), 0);
  PlaceModule("kvtse", std::u16string(kDriverDir) + u"kvtse.dll");
  struct Case {
    const char* answer;
    int mode;
  } cases[] = {{"1", 1}, {"0", 0}, {"2", 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.answer);
    Script("kvtse", std::string("TerminalServer=") + k.answer + "\n");
    EXPECT_EQ(StgIsTerminalServerMode(h), k.mode);
  }
  EXPECT_NE(CallLog("kvtse").find("_IsTSE_WMICOM_ZARN_Printer_Driver"), std::string::npos);
  // The cached answer is computed once per process.
  Script("kvtse", "TerminalServer=1\n");
  EXPECT_EQ(StgIsTerminalServerCached(h), 1);
  Script("kvtse", "TerminalServer=0\n");
  EXPECT_EQ(StgIsTerminalServerCached(h), 1);
  // A library without the export answers 0.
  StgResetPlatformQueryCaches();
  PlaceModule("kvtse_noexport", std::u16string(kDriverDir) + u"kvtse.dll");
  Script("kvtse", "TerminalServer=1\n");
  EXPECT_EQ(StgIsTerminalServerMode(h), 0);
}

TEST_F(PlatformQueries, AdministratorWithAndWithoutTheCreationFlag) {
  HANDLE h = AddPrinter(u"Plotter");
  SETTING_CONTEXT* plain = Context(h);
  SETTING_CONTEXT* assumed = Context(h, 4 | STG_CF_ASSUME_ADMIN);
  ASSERT_TRUE(plain && assumed);
  for (const char* admin : {"1", "0"}) {
    SCOPED_TRACE(admin);
    SetSwitch("Administrator", admin);
    int expected = admin[0] == '1';
    EXPECT_EQ(StgIsAdministrator(), expected);
    EXPECT_EQ(StgIsAdminForContext(nullptr), expected);
    EXPECT_EQ(StgIsAdminForContext(plain), expected);
    EXPECT_EQ(StgIsAdminForContext(assumed), 1);
  }
  StgReleaseContext(plain, STG_RELEASE_FREE);
  StgReleaseContext(assumed, STG_RELEASE_FREE);
}

TEST_F(PlatformQueries, RootMacros) {
  struct Case {
    std::u16string in;
    DWORD capacity;
    int answer;
    std::u16string out;
  };
  const Case cases[] = {
      {u"D:\\Data\\user.ini", 260, 1, u"D:\\Data\\user.ini"},
      {u"%SYSTEMDRIVE%kv\\user.ini", 260, 1, u"C:\\kv\\user.ini"},
      {u"%systemdrive%kv\\user.ini", 260, 1, u"C:\\kv\\user.ini"},
      {u"%SystemRoot%\\kv.ini", 260, 1, u"C:\\Windows\\\\kv.ini"},
      {u"\\\\server\\share\\user.ini", 260, 0, u"\\\\server\\share\\user.ini"},
      {u"relative\\user.ini", 260, 0, u"relative\\user.ini"},
      // Capacity below the rest plus four: emptied.
      {u"%SYSTEMDRIVE%kv\\user.ini", 14, 0, u""},
      {u"%SYSTEMROOT%\\kv.ini", 12, 0, u""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(kvp::ToUtf8(k.in));
    WCHAR buf[260];
    kvp::WCopy(buf, 260, k.in.c_str());
    EXPECT_EQ(StgExpandRootMacros(buf, k.capacity, nullptr) != 0, k.answer != 0);
    EXPECT_EQ(S(buf), k.out);
    EXPECT_LT(kvp::WLen(buf), k.capacity);
  }
}
