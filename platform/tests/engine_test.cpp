// The graphics engine: palettes, bitmaps and surfaces, code page and local time, and the engine's driver
// loop run against a small driver of the test's own.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kvplat/engine.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "kvplat/time.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"

namespace {

using kvp::eng::LiveObjectCount;

SURFOBJ* Lock(HSURF s) { return EngLockSurface(s); }

TEST(EngPalette, IndexedAndFormatPalettes) {
  ULONG colors[3] = {0x000000, 0x123456, 0xFFFFFF};
  HPALETTE indexed = EngCreatePalette(PAL_INDEXED, 3, colors, 0, 0, 0);
  HPALETTE bgr = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  HPALETTE fields = EngCreatePalette(PAL_BITFIELDS, 0, nullptr, 0xFF0000, 0xFF00, 0xFF);
  ASSERT_TRUE(indexed && bgr && fields);
  colors[1] = 0;  // the palette keeps its own copy
  kvp::eng::PaletteInfo info;
  ASSERT_TRUE(kvp::eng::DescribePalette(indexed, &info));
  EXPECT_EQ(info.mode, ULONG(PAL_INDEXED));
  EXPECT_EQ(info.colors, (std::vector<ULONG>{0x000000, 0x123456, 0xFFFFFF}));
  ASSERT_TRUE(kvp::eng::DescribePalette(fields, &info));
  EXPECT_EQ(info.masks[0], 0xFF0000u);
  EXPECT_EQ(LiveObjectCount(), 3u);
  for (HPALETTE p : {indexed, bgr, fields}) EXPECT_TRUE(EngDeletePalette(p));
  EXPECT_FALSE(EngDeletePalette(bgr));  // deleted already
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_EQ(LiveObjectCount(), 0u);
}

TEST(EngPalette, BadArgumentsAndNoMemory) {
  ULONG c = 0;
  EXPECT_EQ(EngCreatePalette(0x40, 1, &c, 0, 0, 0), nullptr);
  EXPECT_EQ(EngCreatePalette(PAL_INDEXED, 0, &c, 0, 0, 0), nullptr);
  EXPECT_EQ(EngCreatePalette(PAL_INDEXED, 2, nullptr, 0, 0, 0), nullptr);
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(LiveObjectCount(), 0u);
}

TEST(EngBitmap, RowsAreAlignedTo32Bits) {
  struct Case {
    LONG width;
    ULONG format;
    LONG row;
  } cases[] = {{1, BMF_1BPP, 4},   {32, BMF_1BPP, 4},  {33, BMF_1BPP, 8},    {4961, BMF_1BPP, 624},
               {1, BMF_24BPP, 4},  {4, BMF_24BPP, 12}, {5, BMF_24BPP, 16},   {3, BMF_8BPP, 4},
               {9, BMF_4BPP, 8},   {3, BMF_16BPP, 8},  {3, BMF_32BPP, 12}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " format " << c.format);
    for (FLONG fl : {FLONG(BMF_TOPDOWN), FLONG(0)}) {
      HBM b = EngCreateBitmap(SIZEL{c.width, 3}, 0, c.format, fl, nullptr);
      ASSERT_NE(b, nullptr);
      SURFOBJ* so = Lock(b);
      EXPECT_EQ(so->hsurf, b);
      EXPECT_EQ(so->iType, STYPE_BITMAP);
      EXPECT_EQ(so->iBitmapFormat, c.format);
      EXPECT_EQ(so->cjBits, ULONG(c.row * 3));
      BYTE* bits = static_cast<BYTE*>(so->pvBits);
      for (ULONG i = 0; i < so->cjBits; ++i) ASSERT_EQ(bits[i], 0);
      if (fl & BMF_TOPDOWN) {
        EXPECT_EQ(so->lDelta, c.row);
        EXPECT_EQ(so->pvScan0, so->pvBits);
      } else {
        EXPECT_EQ(so->lDelta, -c.row);
        EXPECT_EQ(so->pvScan0, bits + 2 * c.row);
      }
      EXPECT_FALSE(EngDeleteSurface(b));  // still locked
      EngUnlockSurface(so);
      EXPECT_TRUE(EngDeleteSurface(b));
    }
  }
  EXPECT_EQ(LiveObjectCount(), 0u);
}

TEST(EngBitmap, RefusesBadArguments) {
  BYTE own[16];
  const struct {
    SIZEL size;
    LONG width;
    ULONG format;
    void* bits;
  } bad[] = {{{0, 1}, 0, BMF_1BPP, nullptr},   {{1, 0}, 0, BMF_1BPP, nullptr},  {{-5, 1}, 0, BMF_1BPP, nullptr},
             {{1, 1}, 0, 0, nullptr},          {{1, 1}, 0, 9, nullptr},         {{64, 1}, 4, BMF_1BPP, nullptr},
             {{1, 1}, 0, BMF_1BPP, own},       {{1, 1}, -4, BMF_1BPP, nullptr}, {{1 << 21, 1}, 0, BMF_1BPP, nullptr}};
  for (const auto& b : bad) EXPECT_EQ(EngCreateBitmap(b.size, b.width, b.format, 0, b.bits), nullptr);
  EXPECT_EQ(EngCreateBitmap(SIZEL{60000, 60000}, 0, BMF_32BPP, 0, nullptr), nullptr);  // beyond 2 GiB
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(EngCreateDeviceSurface(nullptr, SIZEL{0, 10}, BMF_24BPP), nullptr);
  EXPECT_EQ(EngCreateDeviceSurface(nullptr, SIZEL{10, 10}, 0), nullptr);
  int notASurface = 0;
  EXPECT_FALSE(EngDeleteSurface(reinterpret_cast<HSURF>(&notASurface)));
  EXPECT_EQ(EngLockSurface(reinterpret_cast<HSURF>(&notASurface)), nullptr);
  EXPECT_FALSE(EngMarkBandingSurface(nullptr));
  EXPECT_EQ(LiveObjectCount(), 0u);
}

TEST(EngBitmap, EraseFillsTheClippedRectangle) {
  HBM mono = EngCreateBitmap(SIZEL{10, 2}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
  HBM rgb = EngCreateBitmap(SIZEL{3, 2}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
  SURFOBJ* m = Lock(mono);
  SURFOBJ* c = Lock(rgb);
  RECTL r{2, 1, 100, 100};  // clipped to the bitmap
  ASSERT_TRUE(EngEraseSurface(m, &r, 1));
  const BYTE* mb = static_cast<BYTE*>(m->pvScan0);
  EXPECT_EQ(mb[0], 0x00);
  EXPECT_EQ(mb[4], 0x3F);  // row 1: pixels 2 to 7
  EXPECT_EQ(mb[5], 0xC0);  // pixels 8 and 9
  EXPECT_EQ(mb[6], 0x00);  // padding stays
  RECTL all{-5, -5, 3, 1};
  ASSERT_TRUE(EngEraseSurface(c, &all, 0x112233));
  const BYTE* cb = static_cast<BYTE*>(c->pvScan0);
  EXPECT_EQ(std::vector<BYTE>(cb, cb + 12), (std::vector<BYTE>{0x33, 0x22, 0x11, 0x33, 0x22, 0x11, 0x33, 0x22, 0x11, 0, 0, 0}));
  HSURF dev = EngCreateDeviceSurface(nullptr, SIZEL{10, 10}, BMF_24BPP);
  SURFOBJ* d = Lock(dev);
  EXPECT_EQ(d->pvBits, nullptr);
  EXPECT_FALSE(EngEraseSurface(d, &all, 0));
  EXPECT_FALSE(EngEraseSurface(m, nullptr, 0));
  for (SURFOBJ* so : {m, c, d}) EngUnlockSurface(so);
  for (HSURF s : {mono, HSURF(rgb), dev}) EXPECT_TRUE(EngDeleteSurface(s));
}

TEST(EngMachine, CodePageAndLocalTime) {
  kvtest::TempRoot root;
  ASSERT_EQ(kvp::ProfileSet("ACP", "932"), 0u);
  ASSERT_EQ(kvp::ProfileSet("OEMCP", "850"), 0u);
  USHORT oem = 0, ansi = 0;
  EngGetCurrentCodePage(&oem, &ansi);
  EXPECT_EQ(ansi, 932);
  EXPECT_EQ(oem, 850);
  kvp::test::SetSystemTime(SYSTEMTIME{2026, 3, 0, 14, 9, 26, 53, 589});
  SYSTEMTIME local{};
  GetLocalTime(&local);
  ENG_TIME_FIELDS t{};
  EngQueryLocalTime(&t);
  EXPECT_EQ(t.usYear, local.wYear);
  EXPECT_EQ(t.usMonth, local.wMonth);
  EXPECT_EQ(t.usDay, local.wDay);
  EXPECT_EQ(t.usHour, local.wHour);
  EXPECT_EQ(t.usMinute, 26);
  EXPECT_EQ(t.usSecond, 53);
  EXPECT_EQ(t.usMilliseconds, 589);
  EXPECT_EQ(t.usWeekday, local.wDayOfWeek);
  kvp::test::UseRealClock();
}

// ---- A driver of the test's own ------------------------------------------------------------------------

struct FakeDriver {
  std::vector<std::string> calls;
  std::vector<BYTE> devmode;
  std::u16string deviceName;
  HDEV hdev = nullptr;
  LONG bandHeight = 100, pageHeight = 250;
  bool banding = true, endless = false, refusePdev = false, refuseDriver = false, badRows = false;
  FLONG endDocFlags = 0xFFFF;
  LONG y = 0;
  HSURF surface = nullptr;
};
FakeDriver* g_fake = nullptr;
int g_pdev = 0;  // the fake's device context

DHPDEV FakeEnablePDEV(DEVMODEW* dm, LPWSTR, ULONG cPat, HSURF* pats, ULONG cjCaps, ULONG* caps, ULONG cjDevInfo,
                      DEVINFO* di, HDEV hdev, LPWSTR name, HANDLE) {
  g_fake->calls.push_back("EnablePDEV");
  if (g_fake->refusePdev) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (dm) g_fake->devmode.assign(reinterpret_cast<BYTE*>(dm), reinterpret_cast<BYTE*>(dm) + dm->dmSize + dm->dmDriverExtra);
  g_fake->deviceName = name ? name : u"";
  EXPECT_EQ(cjCaps, sizeof(GDIINFO));
  EXPECT_EQ(cjDevInfo, sizeof(DEVINFO));
  for (ULONG i = 0; i < cPat; ++i) EXPECT_EQ(pats[i], nullptr);
  reinterpret_cast<GDIINFO*>(caps)->ulVertRes = ULONG(g_fake->pageHeight);
  di->cFonts = 7;
  return &g_pdev;
}
void FakeCompletePDEV(DHPDEV, HDEV hdev) {
  g_fake->calls.push_back("CompletePDEV");
  g_fake->hdev = hdev;
}
void FakeDisablePDEV(DHPDEV) { g_fake->calls.push_back("DisablePDEV"); }
HSURF FakeEnableSurface(DHPDEV) {
  g_fake->calls.push_back("EnableSurface");
  HSURF s = g_fake->banding ? EngCreateBitmap(SIZEL{64, g_fake->bandHeight}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr)
                            : EngCreateDeviceSurface(&g_pdev, SIZEL{64, g_fake->pageHeight}, BMF_24BPP);
  if (g_fake->banding) {
    EXPECT_TRUE(EngMarkBandingSurface(s));
  }
  EXPECT_FALSE(EngAssociateSurface(s, reinterpret_cast<HDEV>(&g_pdev), HOOK_BITBLT));  // not a device
  EXPECT_FALSE(EngAssociateSurface(s, g_fake->hdev, 0x80000000));                     // not a hook
  EXPECT_TRUE(EngAssociateSurface(s, g_fake->hdev, HOOK_BITBLT | HOOK_TEXTOUT));
  g_fake->surface = s;
  return s;
}
void FakeDisableSurface(DHPDEV) {
  g_fake->calls.push_back("DisableSurface");
  EXPECT_TRUE(EngDeleteSurface(g_fake->surface));
}
BOOL FakeStartDoc(SURFOBJ* so, LPWSTR, DWORD) {
  g_fake->calls.push_back("StartDoc");
  EXPECT_EQ(so->dhpdev, &g_pdev);
  return TRUE;
}
BOOL FakeEndDoc(SURFOBJ*, FLONG fl) {
  g_fake->calls.push_back("EndDoc");
  g_fake->endDocFlags = fl;
  return TRUE;
}
BOOL FakeStartPage(SURFOBJ*) {
  g_fake->calls.push_back("StartPage");
  return TRUE;
}
BOOL FakeSendPage(SURFOBJ*) {
  g_fake->calls.push_back("SendPage");
  return TRUE;
}
BOOL FakeStartBanding(SURFOBJ*, POINTL* pt) {
  g_fake->calls.push_back("StartBanding");
  g_fake->y = 0;
  *pt = POINTL{0, 0};
  return TRUE;
}
BOOL FakeNextBand(SURFOBJ*, POINTL* pt) {
  g_fake->calls.push_back("NextBand");
  g_fake->y += g_fake->bandHeight;
  if (!g_fake->endless && g_fake->y >= g_fake->pageHeight) {
    *pt = POINTL{-1, -1};
  } else {
    *pt = POINTL{0, g_fake->endless ? 0 : g_fake->y};
  }
  return TRUE;
}

#define FAKE_ROW(name) DRVFN{INDEX_Drv##name, reinterpret_cast<PFN>(&Fake##name)}
BOOL FakeEnableDriver(ULONG version, ULONG cj, DRVENABLEDATA* ded) {
  static const DRVFN rows[] = {FAKE_ROW(EnablePDEV),   FAKE_ROW(CompletePDEV), FAKE_ROW(DisablePDEV),
                               FAKE_ROW(EnableSurface), FAKE_ROW(DisableSurface), FAKE_ROW(StartDoc),
                               FAKE_ROW(EndDoc),       FAKE_ROW(StartPage),    FAKE_ROW(SendPage),
                               FAKE_ROW(StartBanding), FAKE_ROW(NextBand)};
  static const DRVFN bad[] = {DRVFN{INDEX_LAST, reinterpret_cast<PFN>(&FakeStartDoc)}};
  EXPECT_EQ(version, ULONG(ENG_DDI_VERSION));
  EXPECT_EQ(cj, sizeof(DRVENABLEDATA));
  if (g_fake->refuseDriver) {
    SetLastError(ERROR_BAD_DRIVER_LEVEL);
    return FALSE;
  }
  ded->iDriverVersion = 0x30101;
  ded->c = g_fake->badRows ? 1 : ULONG(std::size(rows));
  ded->pdrvfn = const_cast<DRVFN*>(g_fake->badRows ? bad : rows);
  return TRUE;
}

class EngineLoop : public ::testing::Test {
 protected:
  void SetUp() override { g_fake = &fake_; }
  void TearDown() override {
    kvp::eng::DisablePdev(&dev_);
    EXPECT_EQ(LiveObjectCount(), 0u);
    g_fake = nullptr;
  }
  DWORD Start(const DEVMODEW* dm = nullptr) {
    DWORD r = kvp::eng::EnableDriver(&FakeEnableDriver, &drv_);
    return r ? r : kvp::eng::EnablePdev(drv_, nullptr, u"Fake plotter", dm, &dev_);
  }
  std::string Calls() {
    std::string s;
    for (const std::string& c : fake_.calls) s += (s.empty() ? "" : " ") + c;
    fake_.calls.clear();
    return s;
  }
  FakeDriver fake_;
  kvp::eng::Driver drv_;
  kvp::eng::Device dev_;
};

TEST_F(EngineLoop, RunsAJobThroughTheDriversHooks) {
  BYTE dmBytes[sizeof(DEVMODEW) + 8] = {};
  auto* dm = reinterpret_cast<DEVMODEW*>(dmBytes);
  dm->dmSize = sizeof(DEVMODEW);
  dm->dmDriverExtra = 8;
  dmBytes[sizeof(DEVMODEW) + 7] = 0x5A;  // the private part travels too
  ASSERT_EQ(Start(dm), 0u);
  EXPECT_EQ(drv_.driverVersion, 0x30101u);
  EXPECT_EQ(Calls(), "EnablePDEV CompletePDEV");
  EXPECT_EQ(fake_.devmode, std::vector<BYTE>(dmBytes, dmBytes + sizeof(dmBytes)));
  EXPECT_EQ(fake_.deviceName, u"Fake plotter");
  EXPECT_EQ(fake_.hdev, dev_.hdev);
  EXPECT_EQ(dev_.devInfo.cFonts, 7u);
  ASSERT_EQ(kvp::eng::EnableSurface(&dev_), 0u);
  EXPECT_TRUE(dev_.banding);
  kvp::eng::SurfaceInfo info;
  ASSERT_TRUE(kvp::eng::DescribeSurface(dev_.surface, &info));
  EXPECT_EQ(info.hooks, FLONG(HOOK_BITBLT | HOOK_TEXTOUT));
  EXPECT_EQ(info.locks, 1);
  EXPECT_EQ(dev_.surfobj->dhpdev, &g_pdev);
  ASSERT_EQ(kvp::eng::StartDoc(&dev_, u"doc", 4), 0u);
  ASSERT_EQ(kvp::eng::StartPage(&dev_), 0u);
  unsigned bands = 0;
  std::vector<POINTL> drawn;  // the page is drawn into every band at the band's origin
  std::function<bool(POINTL)> draw = [&](POINTL origin) {
    drawn.push_back(origin);
    return true;
  };
  ASSERT_EQ(kvp::eng::EndPage(&dev_, &bands, &draw), 0u);
  EXPECT_EQ(bands, 3u);
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[0].y, 0);
  EXPECT_GT(drawn[1].y, 0);
  ASSERT_EQ(kvp::eng::EndDoc(&dev_), 0u);
  EXPECT_EQ(fake_.endDocFlags, 0u);
  EXPECT_EQ(Calls(), "EnableSurface StartDoc StartPage StartBanding NextBand NextBand NextBand EndDoc");
  kvp::eng::DisablePdev(&dev_);
  EXPECT_EQ(Calls(), "DisableSurface DisablePDEV");
  EXPECT_EQ(dev_.dhpdev, nullptr);
}

TEST_F(EngineLoop, DeviceSurfacePagesAreSent) {
  fake_.banding = false;
  ASSERT_EQ(Start(), 0u);
  ASSERT_EQ(kvp::eng::EnableSurface(&dev_), 0u);
  EXPECT_FALSE(dev_.banding);
  ASSERT_EQ(kvp::eng::StartDoc(&dev_, nullptr, 1), 0u);
  for (int page = 0; page < 2; ++page) {
    ASSERT_EQ(kvp::eng::StartPage(&dev_), 0u);
    ASSERT_EQ(kvp::eng::EndPage(&dev_), 0u);
  }
  Calls();
  // Released in the middle of a document: the document is aborted first.
  kvp::eng::DisablePdev(&dev_);
  EXPECT_EQ(Calls(), "EndDoc DisableSurface DisablePDEV");
  EXPECT_EQ(fake_.endDocFlags, FLONG(ED_ABORTDOC));
}

TEST_F(EngineLoop, ADriverThatNeverEndsItsBandsIsStopped) {
  fake_.endless = true;
  ASSERT_EQ(Start(), 0u);
  ASSERT_EQ(kvp::eng::EnableSurface(&dev_), 0u);
  ASSERT_EQ(kvp::eng::StartDoc(&dev_, u"doc", 1), 0u);
  ASSERT_EQ(kvp::eng::StartPage(&dev_), 0u);
  unsigned bands = 0;
  EXPECT_EQ(kvp::eng::EndPage(&dev_, &bands), DWORD(ERROR_INVALID_DATA));
  EXPECT_GT(bands, 250u);
}

TEST_F(EngineLoop, RefusalsReachTheCaller) {
  fake_.refuseDriver = true;
  EXPECT_EQ(Start(), DWORD(ERROR_BAD_DRIVER_LEVEL));
  fake_.refuseDriver = false;
  fake_.badRows = true;
  EXPECT_EQ(Start(), DWORD(ERROR_INVALID_DATA));
  fake_.badRows = false;
  fake_.refusePdev = true;
  EXPECT_EQ(Start(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(dev_.dhpdev, nullptr);
  EXPECT_EQ(LiveObjectCount(), 0u);  // the engine's device record is gone again
  EXPECT_EQ(kvp::eng::StartDoc(&dev_, u"x", 1), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(kvp::eng::EnableSurface(&dev_), DWORD(ERROR_INVALID_PARAMETER));
  kvp::eng::Driver empty;
  EXPECT_EQ(kvp::eng::EnablePdev(empty, nullptr, nullptr, nullptr, &dev_), DWORD(ERROR_NOT_SUPPORTED));
}

TEST(EngineLoad, MissingLibrariesFailCleanly) {
  kvtest::TempRoot root;
  kvp::eng::Driver drv;
  EXPECT_EQ(kvp::eng::LoadDriver(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\nothere.dll", &drv),
            DWORD(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(drv.module, nullptr);
  // A printer whose driver library is not in its driver folder.
  HANDLE printer = kvtest::InstallPrinter(u"Engine printer", u"Engine driver", u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\data");
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(kvp::eng::LoadPrinterDriver(printer, &drv), DWORD(ERROR_MOD_NOT_FOUND));
  ClosePrinter(printer);
  kvp::eng::UnloadDriver(&drv);
}

}  // namespace
