// The device context of an installed printer of the model, created through the platform's engine with
// the library's own entry: creation, snapshot rules, failure paths, filter plug-ins and the surfaces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "devlink/plugins.h"
#include "gr_fixture.h"
#include "gr_hooks.h"
#include "gr_pdev.h"
#include "kvplat/error.h"
#include "kvplat/text.h"
#include "kvplat/testhooks.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/setting_ids.h"
#include "settings/store.h"

namespace {

class PdevTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(kvp::eng::EnableDriver(&DrvEnableDriver, &drv_), 0u); }
  void TearDown() override {
    kvp::eng::DisablePdev(&dev_);
    StgPurgeContextCache(1);
    EXPECT_EQ(kvp::eng::LiveObjectCount(), 0u);
  }
  DWORD Enable(const DEVMODEW* dm = nullptr) {
    return kvp::eng::EnablePdev(drv_, machine_.printer, machine_.name.c_str(), dm, &dev_);
  }
  GR_PDEV* Pdev() { return static_cast<GR_PDEV*>(dev_.dhpdev); }
  DWORD Setting(WORD id) { return DWORD(StgGetValue(Pdev()->settings, id, nullptr)); }

  grtest::ModelPrinter machine_;
  kvp::eng::Driver drv_;
  kvp::eng::Device dev_;
};

TEST_F(PdevTest, CreatesTheContextOfTheModelPrinter) {
  ASSERT_EQ(Enable(), 0u);
  GR_PDEV* p = Pdev();
  ASSERT_TRUE(GrIsValidPdev(p));
  EXPECT_NE(p->settings, nullptr);
  EXPECT_EQ(p->hdev, dev_.hdev);  // from DrvCompletePDEV
  EXPECT_EQ(p->printer, machine_.printer);
  EXPECT_NE(p->module, nullptr);
  EXPECT_EQ(p->devmode, nullptr);
  EXPECT_NE(p->clipCache, nullptr);
  EXPECT_EQ(p->stream.owner, p);
  EXPECT_EQ(p->osVersion.dwOSVersionInfoSize, 276u);
  EXPECT_GE(p->osVersion.dwMajorVersion, 6u);
  EXPECT_NE(p->outputLibrary[0], 0);
  DWORD res = Setting(sid::dmPrintQuality);
  EXPECT_EQ(p->resolution, res ? res : 600);
  const GDIINFO& g = dev_.gdiInfo;
  EXPECT_EQ(g.ulLogPixelsX, p->resolution);
  EXPECT_EQ(g.ulHorzRes, Setting(sid::rdmSrcPaperPrnWidthDot));
  EXPECT_EQ(g.ulVertRes, Setting(sid::rdmSrcPaperPrnLengthDot));
  EXPECT_EQ(ULONG(g.szlPhysSize.cx), Setting(sid::rdmSrcPaperWidthDot));
  EXPECT_EQ(dev_.devInfo.hpalDefault, p->palette);
  EXPECT_EQ(dev_.devInfo.cFonts, 0u);
}

TEST_F(PdevTest, KeepsACopyOfTheJobsDevmode) {
  // The job's DEVMODE: the printer's own settings with three copies.
  ASSERT_EQ(Enable(), 0u);
  const DEVMODEW* own = StgGetDevmode(Pdev()->settings);
  std::vector<BYTE> job(size_t(own->dmSize) + own->dmDriverExtra);
  std::memcpy(job.data(), own, job.size());
  kvp::eng::DisablePdev(&dev_);
  auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
  dm->dmFields |= DM_COPIES;
  dm->dmCopies = 3;
  ASSERT_EQ(Enable(dm), 0u);
  GR_PDEV* p = Pdev();
  ASSERT_NE(p->devmode, nullptr);
  EXPECT_EQ(std::memcmp(p->devmode, job.data(), job.size()), 0);
}

// A job's DEVMODE may be anything: each is taken or refused whole, never read past its sizes.
TEST_F(PdevTest, AnyDevmodeIsTakenOrRefusedCleanly) {
  std::vector<BYTE> buf(70000);
  uint32_t seed = 12345;
  for (BYTE& b : buf) b = BYTE((seed = seed * 1103515245u + 12345u) >> 24);
  auto* dm = reinterpret_cast<DEVMODEW*>(buf.data());
  const std::pair<WORD, WORD> sizes[] = {{0, 0},      {10, 0},      {68, 4},        {220, 0},
                                         {220, 1016}, {220, 60000}, {0xFFFF, 0},    {188, 1016},
                                         {1, 0xFFFF}, {212, 7}};
  for (auto [size, extra] : sizes) {
    SCOPED_TRACE(testing::Message() << size << "+" << extra);
    dm->dmSize = size;
    dm->dmDriverExtra = extra;
    if (Enable(dm) == 0) {
      ASSERT_NE(Pdev()->devmode, nullptr);
      EXPECT_EQ(std::memcmp(Pdev()->devmode, buf.data(), size_t(size) + extra), 0);
      kvp::eng::DisablePdev(&dev_);
    }
    EXPECT_EQ(kvp::eng::LiveObjectCount(), 0u);
  }
}

TEST_F(PdevTest, PageGeometryAndItsAnswers) {
  ASSERT_EQ(Enable(), 0u);
  GR_PDEV* p = Pdev();
  SETTING_CONTEXT* s = p->settings;
  const std::pair<WORD, DWORD> values[] = {
      {sid::rdmSrcPaperWidthDot, 4960},    {sid::rdmSrcPaperLengthDot, 7016}, {sid::rdmSrcPaperPrnWidthDot, 4760},
      {sid::rdmSrcPaperPrnLengthDot, 6816}, {sid::rdmSrcXOffset, 100},        {sid::rdmSrcYOffset, 90}};
  for (auto [id, v] : values) StgSetValue(s, id, v);
  GrLoadPdevSettings(p);
  EXPECT_EQ(p->paperWidthDot, 4960u);
  EXPECT_EQ(p->paperLengthDot, 7016u);
  EXPECT_EQ(p->printWidthDot, 4760);
  EXPECT_EQ(p->printLengthDot, 6816);
  EXPECT_EQ(p->printWidthMM10, LONG(4760 * 254 / p->resolution));
  EXPECT_EQ(p->offsetY, 90);
  GDIINFO g{};
  ASSERT_TRUE(GrFillGdiInfo(p, sizeof(g), &g));
  EXPECT_EQ(g.ulHorzRes, 4760u);
  EXPECT_EQ(g.szlPhysSize.cy, 7016);
  EXPECT_EQ(g.ptlPhysOffset.x, 100);
}

TEST_F(PdevTest, SnapshotRules) {
  ASSERT_EQ(Enable(), 0u);
  GR_PDEV* p = Pdev();
  SETTING_CONTEXT* s = p->settings;
  struct Case {
    const char* what;
    std::function<void()> set;
    std::function<bool()> holds;
  } cases[] = {
      {"resolution 0 reads 600", [&] { StgSetValue(s, sid::dmPrintQuality, 0); }, [&] { return p->resolution == 600; }},
      {"pass-through clears raster mode",
       [&] {
         StgSetValue(s, sid::rdmImagePrint, 1);
         StgSetValue(s, sid::rdmJobBinder, 1);
       },
       [&] { return p->rasterMode == 0 && p->passThrough == 1; }},
      {"raster mode without pass-through",
       [&] {
         StgSetValue(s, sid::rdmImagePrint, 1);
         StgSetValue(s, sid::rdmJobBinder, 2);
       },
       [&] { return p->rasterMode == 1 && p->passThrough == 0; }},
      {"forced colour process 2",
       [&] {
         StgSetValue(s, sid::rdmImagePrint, 0);
         StgSetValue(s, sid::rdmColorProcess, 0);
         StgSetValue(s, sid::rdmHidden2Func9, 1);
       },
       [&] { return p->colorProcess == 2; }},
      {"no forced colour process in raster mode",
       [&] {
         StgSetValue(s, sid::rdmImagePrint, 1);
         StgSetValue(s, sid::rdmColorProcess, 0);
         StgSetValue(s, sid::rdmHidden2Func9, 1);
       },
       [&] { return p->colorProcess == 0; }},
      {"face-name rule from the front bits",
       [&] {
         StgSetValue(s, sid::rdmHiddenFunc15, 0);
         StgSetValue(s, sid::rdmFrontFunc, 0x80);
       },
       [&] { return p->faceNameRule == 1; }},
      {"text as bitmap follows its support switch",
       [&] {
         StgSetValue(s, sid::rdmQualityFuncTextBitmapSupport, 1);
         StgSetValue(s, sid::rdmQualityFuncTextBitmap, 0);
         StgSetValue(s, sid::rdmHiddenFunc26, 1);
       },
       [&] { return p->textAsBitmap == 0; }},
      {"text as bitmap without support switch",
       [&] {
         StgSetValue(s, sid::rdmQualityFuncTextBitmapSupport, 0);
         StgSetValue(s, sid::rdmHiddenFunc26, 1);
       },
       [&] { return p->textAsBitmap == 1; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.set();
    GrLoadPdevSettings(p);
    EXPECT_TRUE(c.holds());
  }
}

TEST_F(PdevTest, DirectImageFormula) {
  ASSERT_EQ(Enable(), 0u);
  GR_PDEV* p = Pdev();
  SETTING_CONTEXT* s = p->settings;
  auto base = [&] {
    StgSetValue(s, sid::rdmSrcPaperPrnLengthDot, 9000);
    StgSetValue(s, sid::rdmSrcPaperPrnWidthDot, 6000);
    StgSetValue(s, sid::rdmDstPaperPrnLengthDot, 9000);
    StgSetValue(s, sid::rdmDstPaperPrnWidthDot, 6000);
    StgSetValue(s, sid::rdmFuncSelectNup, 0);
    StgSetValue(s, sid::rdmNUPPOSTKind, 9);
    StgSetValue(s, sid::rdmScaleH, 100);
    StgSetValue(s, sid::rdmScaleV, 100);
    StgSetValue(s, sid::rdmPrnMethod, 0);
  };
  struct Case {
    const char* what;
    WORD id;
    DWORD value;
    DWORD direct;
  } cases[] = {
      {"as drawn", sid::rdmScaleH, 100, 1},
      {"larger output length", sid::rdmDstPaperPrnLengthDot, 9001, 0},
      {"larger output width", sid::rdmDstPaperPrnWidthDot, 6001, 0},
      {"smaller output", sid::rdmDstPaperPrnWidthDot, 5000, 1},
      {"n-up of kind 9", sid::rdmFuncSelectNup, 1, 0},
      {"enlarged across", sid::rdmScaleH, 101, 0},
      {"enlarged down", sid::rdmScaleV, 101, 0},
      {"print method 5", sid::rdmPrnMethod, 5, 0},
      {"print method 7", sid::rdmPrnMethod, 7, 0},
      {"print method 6", sid::rdmPrnMethod, 6, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    base();
    StgSetValue(s, c.id, c.value);
    GrLoadPdevSettings(p);
    EXPECT_EQ(p->directImage, c.direct);
  }
  EXPECT_EQ(p->printMethod7, 0u);
}

TEST_F(PdevTest, EveryHookRefusesABrokenContext) {
  ASSERT_EQ(Enable(), 0u);
  GR_PDEV* p = Pdev();
  SURFOBJ so{};
  so.dhpdev = p;
  POINTL origin{};
  std::pair<const char*, std::function<void()>> hooks[] = {
      {"DrvCompletePDEV", [&] { DrvCompletePDEV(p, nullptr); }},
      {"DrvDisablePDEV", [&] { DrvDisablePDEV(p); }},
      {"DrvEnableSurface", [&] { EXPECT_EQ(DrvEnableSurface(p), nullptr); }},
      {"DrvDisableSurface", [&] { DrvDisableSurface(p); }},
      {"DrvStartBanding", [&] { EXPECT_FALSE(DrvStartBanding(&so, &origin)); }},
      {"DrvNextBand", [&] { EXPECT_FALSE(DrvNextBand(&so, &origin)); }},
      {"GrFillGdiInfo", [&] { EXPECT_FALSE(GrFillGdiInfo(p, sizeof(GDIINFO), nullptr)); }},
      {"GrFillDevInfo", [&] { EXPECT_FALSE(GrFillDevInfo(p, sizeof(DEVINFO), nullptr)); }},
  };
  for (DWORD* magic : {&p->magic, &p->magicEnd}) {
    *magic = 0x19651014;
    for (auto& [name, call] : hooks) {
      SCOPED_TRACE(name);
      SetLastError(0);
      call();
      EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
    *magic = GR_PDEV_MAGIC;
  }
  EXPECT_TRUE(GrIsValidPdev(p));  // nothing was released through the broken context
  EXPECT_FALSE(GrIsValidPdev(nullptr));
}

// Allocations of the creation fail one at a time (every one of the first and last ones, a sample of
// the settings context's many in between): a failure releases all that was built; a creation that
// copes with the failure is whole.
TEST_F(PdevTest, FailedCreationReleasesEverything) {
  kvp::test::FailAllocAt(1u << 30);
  ASSERT_EQ(Enable(), 0u);
  unsigned total = kvp::test::AllocCount();
  kvp::test::FailAllocAt(0);
  kvp::eng::DisablePdev(&dev_);
  StgPurgeContextCache(1);
  unsigned failures = 0;
  for (unsigned n = 1; n <= total; n += (n < 40 || n + 80 > total) ? 1 : 97) {
    kvp::test::FailAllocAt(n);
    DWORD r = Enable();
    kvp::test::FailAllocAt(0);
    if (r == 0) {
      EXPECT_TRUE(GrIsValidPdev(Pdev()));
      EXPECT_NE(dev_.devInfo.hpalDefault, nullptr);
      kvp::eng::DisablePdev(&dev_);
    } else {
      ++failures;
      EXPECT_EQ(dev_.dhpdev, nullptr);
    }
    StgPurgeContextCache(1);
    ASSERT_EQ(kvp::eng::LiveObjectCount(), 0u) << "allocation " << n;
  }
  EXPECT_GE(failures, 3u);
}

// Enabling the driver again (a second engine client) keeps the contexts released to the cache.
TEST_F(PdevTest, EnablingTheDriverAgainKeepsCachedContexts) {
  ASSERT_EQ(Enable(), 0u);
  kvp::eng::DisablePdev(&dev_);  // the settings context goes to the cache
  kvp::eng::Driver again;
  ASSERT_EQ(kvp::eng::EnableDriver(&DrvEnableDriver, &again), 0u);
  EXPECT_EQ(StgPurgeContextCache(1), 1);  // still there to be freed, not dropped and leaked
}

TEST_F(PdevTest, NoModuleHandleFailsCleanly) {
  HMODULE kept = GrGetModuleHandle();
  DllMain(nullptr, 1, nullptr);
  EXPECT_EQ(Enable(), DWORD(ERROR_DLL_INIT_FAILED));
  EXPECT_EQ(kvp::eng::LiveObjectCount(), 0u);
  DllMain(kept, 1, nullptr);
  EXPECT_EQ(Enable(), 0u);
}

TEST_F(PdevTest, FilterPluginsOfTheDriverFolder) {
  kvtest::WriteMachineFile(std::u16string(grtest::kDriverDir) + u"\\ZARNPLUG.ini",
                           "[iZARNFilter]\r\nCount=1\r\nPluginID0=Stamp\r\n[Stamp]\r\nInstallPath=stamp.dll\r\nForceRAW=1\r\n");
  ASSERT_EQ(Enable(), 0u);
  GR_PDEV* p = Pdev();
  ASSERT_NE(p->filterPlugins, nullptr);
  EXPECT_EQ(p->filterChainInUse, 1);
  EXPECT_EQ(p->rawPluginPresent, 1);
  EXPECT_STREQ(p->filterPlugins->entries[0]->installPath,
               "C:\\Windows\\System32\\spool\\drivers\\x64\\3\\stamp.dll");
  EXPECT_TRUE(dev_.devInfo.flGraphicsCaps & GCAPS_DONTJOURNAL);
}

TEST_F(PdevTest, DriverDirectoryLeavesTheEnvironmentAlone) {
  ASSERT_EQ(Enable(), 0u);
  GR_PDEV* p = Pdev();
  const char* before = std::getenv("PATH");
  std::string pathBefore = before ? before : "";
  WCHAR buf[MAX_PATH];
  ASSERT_TRUE(GrGetDriverDirectory(p, p->printer, buf, MAX_PATH, FALSE));
  EXPECT_EQ(std::u16string(buf), grtest::kDriverDir);
  ASSERT_TRUE(GrGetDriverDirectory(p, p->printer, buf, MAX_PATH, TRUE));
  EXPECT_EQ(std::u16string(buf), std::u16string(grtest::kDriverDir) + u"\\" + p->outputLibrary);
  // A folder that does not fit its buffer fails and leaves it empty.
  WCHAR small[8];
  small[0] = u'x';
  EXPECT_FALSE(GrGetDriverDirectory(p, p->printer, small, 8, FALSE));
  EXPECT_EQ(small[0], 0);
  // Without an output library name there is no library path.
  p->outputLibrary[0] = 0;
  EXPECT_FALSE(GrGetDriverDirectory(p, p->printer, buf, MAX_PATH, TRUE));
  const char* after = std::getenv("PATH");
  EXPECT_EQ(pathBefore, after ? after : "");
}

// Driver paths of 240 characters are taken; longer ones and paths without a folder are refused.
TEST_F(PdevTest, DriverPathLimits) {
  ASSERT_EQ(Enable(), 0u);
  GR_PDEV* p = Pdev();
  struct Case {
    std::u16string path;
    bool ok;
  } cases[] = {{u"C:\\" + std::u16string(225, u'd') + u"\\kvdrvgr.dll", true},
               {u"C:\\" + std::u16string(226, u'd') + u"\\kvdrvgr.dll", false}};
  ASSERT_EQ(cases[0].path.size(), 240u);
  int n = 0;
  for (Case& c : cases) {
    SCOPED_TRACE(c.path.size());
    std::u16string driver = u"Long driver " + kvp::FromUtf8(std::to_string(n)),
                   printer = u"Long printer " + kvp::FromUtf8(std::to_string(n++)), env = KV_PRINT_ENVIRONMENT,
                   data = u"kvdrvdat", config = u"kvdrvui.dll";
    DRIVER_INFO_2W di{};
    di.cVersion = 3;
    di.pName = driver.data();
    di.pEnvironment = env.data();
    di.pDriverPath = c.path.data();
    di.pDataFile = data.data();
    di.pConfigFile = config.data();
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&di)));
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = printer.data();
    pi.pDriverName = driver.data();
    HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
    ASSERT_NE(h, nullptr);
    WCHAR buf[MAX_PATH];
    EXPECT_EQ(GrGetDriverDirectory(p, h, buf, MAX_PATH, FALSE), BOOL(c.ok));
    if (c.ok) {
      EXPECT_EQ(std::u16string(buf), c.path.substr(0, c.path.rfind(u'\\')));
    }
    ClosePrinter(h);
  }
}

struct SurfaceCase {
  const char* what;
  SHORT raster, colorProcess;
  DWORD colorMode;
  SHORT oneBit, noStretchRop;
  ULONG format;
  FLONG hooks;
};

TEST_F(PdevTest, SurfaceFormatsAndHooks) {
  const SurfaceCase cases[] = {
      {"band, mono", 1, 1, 1, 0, 0, BMF_1BPP, 0x0B},
      {"band, colour", 1, 2, 2, 0, 0, BMF_24BPP, 0x0B},
      {"device, colour", 0, 2, 2, 0, 0, BMF_24BPP, 0x24EB},
      {"device, no StretchBltROP", 0, 2, 2, 0, 1, BMF_24BPP, 0x4EB},
      {"device, 1-bit mono", 0, 1, 1, 1, 0, BMF_1BPP, 0x24EB},
      {"device, 1-bit but colour", 0, 1, 2, 1, 0, BMF_24BPP, 0x24EB},
  };
  ASSERT_EQ(Enable(), 0u);
  GR_PDEV* p = Pdev();
  p->printWidthDot = p->pageWidthPx = 4760;
  p->printLengthDot = p->pageHeightPx = 6816;
  for (const SurfaceCase& c : cases) {
    SCOPED_TRACE(c.what);
    p->rasterMode = c.raster;
    p->colorProcess = c.colorProcess;
    p->colorMode = c.colorMode;
    p->oneBitSurface = c.oneBit;
    p->noStretchBltRop = c.noStretchRop;
    HSURF s = DrvEnableSurface(p);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(p->surface, s);
    kvp::eng::SurfaceInfo info;
    ASSERT_TRUE(kvp::eng::DescribeSurface(s, &info));
    EXPECT_EQ(info.hooks, c.hooks);
    EXPECT_EQ(info.banding, c.raster != 0);
    EXPECT_EQ(info.hdev, dev_.hdev);
    SURFOBJ* so = EngLockSurface(s);
    EXPECT_EQ(so->iBitmapFormat, c.format);
    EXPECT_EQ(so->dhpdev, p);
    if (c.raster) {
      EXPECT_EQ(so->sizlBitmap.cx, p->pageWidthPx);
      EXPECT_TRUE(so->fjBitmap & BMF_TOPDOWN);
    } else {
      EXPECT_EQ(so->sizlBitmap.cx, p->printWidthDot);
      EXPECT_EQ(so->sizlBitmap.cy, p->printLengthDot);
    }
    EngUnlockSurface(so);
    DrvDisableSurface(p);
    EXPECT_EQ(p->surface, nullptr);
  }
  p->rasterMode = 1;
  p->pageHeightPx = 0;
  EXPECT_EQ(DrvEnableSurface(p), nullptr);
}

// The banding loop ends with the band that reaches the page's bottom edge.
TEST_F(PdevTest, BandingLoopEndsAtThePageBottom) {
  ASSERT_EQ(Enable(), 0u);
  GR_PDEV* p = Pdev();
  p->rasterMode = 1;
  p->colorProcess = p->colorMode = 1;
  p->emfSpool = 0;
  p->pageWidthPx = 4961;
  p->pageHeightPx = 7016;
  struct Case {
    LONG height;
    unsigned bands;
  } cases[] = {{1024, 2}, {1025, 3}, {512, 1}, {100, 1}, {1536, 3}};
  ASSERT_EQ(kvp::eng::EnableSurface(&dev_), 0u);  // bands of 512 rows for 4961 pixels
  ASSERT_EQ(dev_.surfobj->sizlBitmap.cy, 512);
  ASSERT_EQ(kvp::eng::StartDoc(&dev_, u"banding", 1), 0u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.height);
    p->pageHeightPx = c.height;
    ASSERT_EQ(kvp::eng::StartPage(&dev_), 0u);
    std::memset(dev_.surfobj->pvBits, 0, dev_.surfobj->cjBits);
    unsigned bands = 0;
    EXPECT_EQ(kvp::eng::EndPage(&dev_, &bands), 0u);
    EXPECT_EQ(bands, c.bands);
    EXPECT_EQ(static_cast<BYTE*>(dev_.surfobj->pvBits)[0], 0xFF);  // refilled white
  }
  POINTL origin{};
  EXPECT_TRUE(DrvStartBanding(dev_.surfobj, &origin));
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
  EXPECT_EQ(kvp::eng::EndDoc(&dev_), 0u);
}

TEST_F(PdevTest, StartBandingStartsThePageForEmfSpooling) {
  ASSERT_EQ(Enable(), 0u);
  GR_PDEV* p = Pdev();
  p->rasterMode = 1;
  p->pageWidthPx = 4961;
  p->pageHeightPx = 7016;
  ASSERT_EQ(kvp::eng::EnableSurface(&dev_), 0u);
  p->emfSpool = 1;
  p->startPageSeen = 0;
  POINTL origin{5, 5};
  EXPECT_TRUE(DrvStartBanding(dev_.surfobj, &origin));
  EXPECT_EQ(p->startPageSeen, 0);  // cleared again after the page was started
  EXPECT_EQ(origin.x, 0);
}

}  // namespace
